#include "splitter/ui/cli/Commands.h"

#include <CLI/CLI.hpp>
#include <cstdio>

#include "common/StrFormat.h"
#include "splitter/ui/PieceSize.h"

namespace portelan {

namespace {

void QuietOption(CLI::App& command, Invocation& invocation)
{
    command.add_flag("-q,--quiet", invocation.quiet);
}

void DeclareSplit(CLI::App& command, Invocation& invocation)
{
    CLI::Option* size = command.add_option("--size", invocation.size);
    command.add_option("--count", invocation.count)->excludes(size);
    command.add_option("--recovery", invocation.recovery);
    QuietOption(command, invocation);
}

void DeclareVerify(CLI::App& command, Invocation& invocation)
{
    command.add_flag("--json", invocation.json);
    QuietOption(command, invocation);
}

void DeclareNothing(CLI::App&, Invocation&) {}

// The presets' names and sizes, the first being the default, in lines below 90 columns.
std::string PresetLines()
{
    std::string text;
    const std::string heading = Tr(Text::CliSizeHeading);
    std::string line = heading;
    for (const PiecePreset& preset : kPiecePresets) {
        std::string item = StrFormat(Tr(&preset == kPiecePresets ? Text::CliDefaultPreset : Text::CliPreset),
                                     preset.name, static_cast<long long>(preset.bytes));
        if (line.size() + item.size() > 90) {
            text += line + "\n";
            line = std::string(heading.size(), ' ');
        }
        line += item;
    }
    return text + line + "\n";
}

const Command kCommands[] = {
    {"split", Text::CliSplitSynopsis, Text::CliSplitDescription,
     [] { return PresetLines() + Tr(Text::CliSplitDetails); }, DeclareSplit, RunSplit},
    {"join", Text::CliSetSynopsis, Text::CliJoinDescription, nullptr, QuietOption, RunJoin},
    {"verify", Text::CliVerifySynopsis, Text::CliVerifyDescription, nullptr, DeclareVerify, RunVerify},
    {"repair", Text::CliSetSynopsis, Text::CliRepairDescription, nullptr, QuietOption, RunRepair},
    {"update", std::nullopt, Text::CliUpdateDescription, nullptr, DeclareNothing, RunUpdate},
    {"help", Text::CliHelpSynopsis, Text::CliHelpDescription, nullptr, DeclareNothing, RunHelp},
};

std::string SynopsisLine(const Command& command)
{
    std::string line = std::string("portelan-cli ") + command.name;
    if (command.synopsis)
        line += std::string(" ") + Tr(*command.synopsis);
    return line + "\n";
}

std::string Description(const Command& command)
{
    return Tr(command.description) + (command.details ? command.details() : std::string());
}

} // namespace

std::span<const Command> Commands() { return kCommands; }

const Command* FindCommand(const std::string& name)
{
    for (const Command& command : kCommands)
        if (name == command.name)
            return &command;
    return nullptr;
}

std::string UsageText()
{
    std::string text;
    for (const Command& command : kCommands)
        text +=
            (text.empty() ? Tr(Text::CliUsage) : "       ") + SynopsisLine(command) + Description(command);
    return text + Tr(Text::CliShared) + Tr(Text::CliExitCodes);
}

std::string CommandHelp(const Command& command)
{
    return Tr(Text::CliUsage) + SynopsisLine(command) + Description(command) + Tr(Text::CliExitCodes);
}

int UsageError(const std::string& problem)
{
    std::fprintf(stderr, "portelan-cli: %s\n", problem.c_str());
    std::fputs(UsageText().c_str(), stderr);
    return 2;
}

} // namespace portelan
