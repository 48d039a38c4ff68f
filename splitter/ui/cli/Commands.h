// portelan-cli's commands: one entry each in the table, from which the
// parser, the usage and the help of each command are built.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "texts/SplitterTexts.h"

namespace CLI {
class App;
}

namespace portelan {

// What the command line said, as the parser fills it.
struct Invocation {
    std::vector<std::string> operands;
    std::optional<std::string> size;     // split --size; none: the first preset
    std::optional<std::string> count;    // split --count
    std::optional<std::string> recovery; // split --recovery; none: the default
    bool quiet = false;
    bool json = false; // verify --json
    bool help = false; // COMMAND --help
};

struct Command {
    const char* name;
    std::optional<Text> synopsis; // after "portelan-cli NAME "; none without operands
    Text description;             // lines of two-space indented text, each ending in "\n"
    // More lines after the description, made from other tables; null for none.
    std::string (*details)();
    // Declares the command's options and operands on its subcommand.
    void (*declare)(CLI::App& command, Invocation& invocation);
    // Runs it; the exit status (0 done, 1 refused or failed, 2 usage).
    int (*run)(const Invocation& invocation);
};

std::span<const Command> Commands();
const Command* FindCommand(const std::string& name);

// The usage of every command, with the options and exit codes they share.
std::string UsageText();
// The usage of one command, the same way.
std::string CommandHelp(const Command& command);
// Prints "portelan-cli: problem" and the usage on standard error; 2.
int UsageError(const std::string& problem);

// The commands' own work, in CommandRuns.cpp.
int RunSplit(const Invocation& invocation);
int RunJoin(const Invocation& invocation);
int RunVerify(const Invocation& invocation);
int RunRepair(const Invocation& invocation);
int RunUpdate(const Invocation& invocation);
int RunHelp(const Invocation& invocation);

} // namespace portelan
