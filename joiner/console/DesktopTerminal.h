// A joiner copy double-clicked in a file manager runs without a terminal:
// its questions and messages would reach nobody. These helpers re-run it
// inside a terminal window and keep that window open until the user has
// read the result.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace portelan {

// Set in the environment of the run inside the window; it also keeps that
// run from opening yet another window.
inline constexpr const char* kTerminalMarker = "PORTELANCONCAT_TERMINAL";

// How one terminal emulator is told to run a program with arguments.
struct TerminalForm {
    enum class Style {
        Argv,        // option (if any), then program and arguments as they are
        ShellString, // option, then one string the terminal splits like a shell
        PlainString  // option, then one string the terminal splits at blanks
    };
    const char* name;
    Style style;
    const char* option;  // "" when the program simply follows the terminal's name
    const char* desktop; // XDG_CURRENT_DESKTOP entry that prefers it, or nullptr
};

// The terminals tried, best first; the desktop's own one moves up after
// x-terminal-emulator (see TerminalOrder).
const std::vector<TerminalForm>& KnownTerminals();

// KnownTerminals in the order to try under the given XDG_CURRENT_DESKTOP
// value (a colon-separated list; case does not matter).
std::vector<TerminalForm> TerminalOrder(const std::string& currentDesktop);

// The argument vector (without the terminal's own name) that makes the
// terminal run program with args and the marker set; empty when the form
// cannot carry these words intact.
std::vector<std::string> TerminalArguments(const TerminalForm& form, const std::string& program,
                                           const std::vector<std::string>& args);

// When the program was started from a desktop with nobody reading its
// output, replaces the process by a terminal window that runs program (the
// joiner's own file) again with the same arguments and working directory.
// Returns when that does not apply or no terminal could be started; the
// caller then goes on without one.
void ReopenInTerminal(const std::string& program, int argc, char** argv);

// True in the run that ReopenInTerminal started.
bool RunsInOwnTerminal();

// Asks for Enter before the window closes; end of input also ends the wait.
void WaitForEnter(std::FILE* in, std::FILE* out, bool inputIsTerminal);

} // namespace portelan
