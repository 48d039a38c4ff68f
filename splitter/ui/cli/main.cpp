// portelan-cli: the splitter without a window system.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <string>
#include <vector>

#include "common/StrFormat.h"
#include "common/SystemLanguage.h"
#include "platform/Platform.h"
#include "splitter/ui/cli/Commands.h"
#include "splitter/update/UpdateCheck.h"
#include "texts/SplitterTexts.h"

namespace {

using portelan::Invocation;
using portelan::StrFormat;
using portelan::Text;
using portelan::Tr;

// The parser's complaint in our words. Unknown words are left to the
// caller (allow_extras), so only a missing value or a repeated flag remains;
// the last option of the line is the one at fault.
std::string Problem(const CLI::ParseError& error, const std::vector<std::string>& args)
{
    std::string option;
    for (const std::string& arg : args)
        if (arg.size() > 1 && arg[0] == '-' && arg != "--")
            option = arg.substr(0, arg.find('='));
    if (dynamic_cast<const CLI::ExcludesError*>(&error))
        return Tr(Text::CliSizeOrCount);
    if (dynamic_cast<const CLI::ArgumentMismatch*>(&error) && !option.empty())
        return StrFormat(Tr(Text::CliValueMismatch), option.c_str());
    return option.empty() ? std::string(Tr(Text::CliBadCall))
                          : StrFormat(Tr(Text::CliBadCallAt), option.c_str());
}

// The first word the parser did not take: an unknown option, or at the top
// an unknown command.
std::string Unexpected(const std::string& word, bool atTop)
{
    if (!word.empty() && word[0] == '-')
        return StrFormat(Tr(Text::CliUnknownOption), word.c_str());
    return StrFormat(Tr(atTop ? Text::CliUnknownCommand : Text::CliExtraArgument), word.c_str());
}

// What the parser left, without the "--" that it keeps among the words left
// once it has ended the options.
std::vector<std::string> Leftover(const CLI::App& app)
{
    std::vector<std::string> words = app.remaining();
    std::erase(words, "--");
    return words;
}

} // namespace

int main(int argc, char** argv)
{
    using namespace portelan;
    ChooseLanguageFromSystem();
    platform::InitProcess();

    CLI::App app("portelan-cli", "portelan-cli");
    // Our own usage and messages, in German, instead of the parser's.
    app.set_help_flag();
    app.formatter_fn([](const CLI::App*, std::string, CLI::AppFormatMode) { return UsageText(); });
    app.allow_extras();
    bool help = false, version = false;
    app.add_flag("-h,--help", help);
    app.add_flag("-V,--version", version);

    Invocation invocation;
    std::vector<std::pair<const Command*, CLI::App*>> subcommands;
    for (const Command& command : Commands()) {
        CLI::App* sub = app.add_subcommand(command.name);
        sub->set_help_flag();
        sub->allow_extras();
        sub->add_flag("-h,--help", invocation.help);
        sub->add_option("operands", invocation.operands);
        command.declare(*sub, invocation);
        for (CLI::Option* option : sub->get_options())
            option->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
        subcommands.emplace_back(&command, sub);
    }
    app.require_subcommand(0, 1);

    const std::vector<std::string> args(argv + 1, argv + argc);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        return UsageError(Problem(error, args));
    }

    const Command* chosen = nullptr;
    CLI::App* chosenApp = nullptr;
    for (const auto& [command, sub] : subcommands)
        if (sub->parsed()) {
            chosen = command;
            chosenApp = sub;
        }
    if (!chosen) {
        if (const std::vector<std::string> left = Leftover(app); !left.empty())
            return UsageError(Unexpected(left.front(), true));
        if (help) {
            std::fputs(UsageText().c_str(), stdout);
            return 0;
        }
        if (version) {
            std::printf("portelan-cli %s\n", FormatVersion(ProgramVersion()).c_str());
            return 0;
        }
        return UsageError(Tr(Text::CliNoCommand));
    }
    if (const std::vector<std::string> left = Leftover(app); version || !left.empty())
        return UsageError(Unexpected(left.empty() ? "--version" : left.front(), true));
    if (const std::vector<std::string> left = Leftover(*chosenApp); !left.empty())
        return UsageError(Unexpected(left.front(), false));
    // "--help split" as "split --help".
    if (help || invocation.help) {
        std::fputs(CommandHelp(*chosen).c_str(), stdout);
        return 0;
    }
    return chosen->run(invocation);
}
