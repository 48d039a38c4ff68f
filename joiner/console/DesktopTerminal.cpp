#include "joiner/console/DesktopTerminal.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "common/PathText.h"
#include "texts/JoinerTexts.h"

namespace portelan {

namespace {

// Output to a stream like this reaches nobody: a closed descriptor, a
// character device that is no terminal (/dev/null), or a socket (a desktop
// session hands its programs the journal's socket). Pipes and regular files
// are read by someone, as are terminals.
bool GoesNowhere(int fd)
{
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return errno == EBADF;
    if (::isatty(fd) == 1)
        return false;
    return S_ISCHR(st.st_mode) || S_ISSOCK(st.st_mode);
}

bool IsSet(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

// The trigger: not already the run inside a window, a graphical session
// (DISPLAY or WAYLAND_DISPLAY not empty), and all three standard streams
// going nowhere. One stream that is a terminal, a pipe or a file means a
// shell or a script started the joiner, and it behaves as it always did.
bool StartedFromDesktop()
{
    if (IsSet(kTerminalMarker))
        return false;
    if (!IsSet("DISPLAY") && !IsSet("WAYLAND_DISPLAY"))
        return false;
    return GoesNowhere(0) && GoesNowhere(1) && GoesNowhere(2);
}

// Single quotes keep every character but the quote itself, which becomes '\''.
std::string ShellQuote(const std::string& word)
{
    std::string quoted = "'";
    for (char c : word) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

// A word that a split at blanks leaves whole, whether or not the terminal
// also honours quotes.
bool IsPlainWord(const std::string& word)
{
    return !word.empty() && word.find_first_of(" \t\n\v\f\r'\"\\") == std::string::npos;
}

// Absolute entries of PATH; a relative one would depend on the directory
// the file manager happened to start us in.
std::vector<std::string> SearchDirectories()
{
    const char* path = std::getenv("PATH");
    std::string list = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
    std::vector<std::string> dirs;
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t end = list.find(':', start);
        if (end == std::string::npos)
            end = list.size();
        std::string dir = list.substr(start, end - start);
        if (!dir.empty() && dir.front() == '/') {
            EnsureTrailingBackslash(dir);
            dirs.push_back(dir);
        }
        start = end + 1;
    }
    return dirs;
}

bool IsExecutableFile(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

std::vector<char*> Pointers(std::vector<std::string>& words)
{
    std::vector<char*> pointers;
    for (std::string& word : words)
        pointers.push_back(word.data());
    pointers.push_back(nullptr);
    return pointers;
}

} // namespace

const std::vector<TerminalForm>& KnownTerminals()
{
    using Style = TerminalForm::Style;
    // x-terminal-emulator is the one the administrator chose (Debian
    // alternatives); it takes "-e program args" whatever is behind it.
    static const std::vector<TerminalForm> terminals = {
        {"x-terminal-emulator", Style::Argv, "-e", nullptr},
        {"gnome-terminal", Style::Argv, "--", "GNOME"},
        {"konsole", Style::Argv, "-e", "KDE"},
        {"xfce4-terminal", Style::Argv, "-x", "XFCE"},
        {"mate-terminal", Style::Argv, "-x", "MATE"},
        // lxterminal joins what follows -e with blanks and splits it again
        // like a shell; qterminal splits it at blanks only.
        {"lxterminal", Style::ShellString, "-e", "LXDE"},
        {"qterminal", Style::PlainString, "-e", "LXQt"},
        {"terminator", Style::Argv, "-x", nullptr},
        {"alacritty", Style::Argv, "-e", nullptr},
        {"kitty", Style::Argv, "", nullptr},
        {"foot", Style::Argv, "", nullptr},
        {"urxvt", Style::Argv, "-e", nullptr},
        {"xterm", Style::Argv, "-e", nullptr},
    };
    return terminals;
}

std::vector<TerminalForm> TerminalOrder(const std::string& currentDesktop)
{
    std::vector<std::string> desktops;
    std::size_t start = 0;
    while (start <= currentDesktop.size()) {
        std::size_t end = currentDesktop.find(':', start);
        if (end == std::string::npos)
            end = currentDesktop.size();
        desktops.push_back(currentDesktop.substr(start, end - start));
        start = end + 1;
    }
    auto preferred = [&](const TerminalForm& form) {
        if (form.desktop == nullptr)
            return false;
        for (const std::string& desktop : desktops)
            if (EqualsIgnoreCaseAscii(desktop, form.desktop))
                return true;
        return false;
    };

    const std::vector<TerminalForm>& known = KnownTerminals();
    std::vector<TerminalForm> order{known.front()};
    for (std::size_t i = 1; i < known.size(); ++i)
        if (preferred(known[i]))
            order.push_back(known[i]);
    for (std::size_t i = 1; i < known.size(); ++i)
        if (!preferred(known[i]))
            order.push_back(known[i]);
    return order;
}

std::vector<std::string> TerminalArguments(const TerminalForm& form, const std::string& program,
                                           const std::vector<std::string>& args)
{
    std::vector<std::string> result;
    if (*form.option != '\0')
        result.push_back(form.option);
    if (form.style == TerminalForm::Style::Argv) {
        result.push_back(program);
        result.insert(result.end(), args.begin(), args.end());
        return result;
    }

    // A command given as one string may be handed to a terminal process that
    // was running already (lxterminal does so) and does not have our
    // environment, so the marker travels in the command itself.
    std::vector<std::string> words{"/usr/bin/env", std::string(kTerminalMarker) + "=1", program};
    words.insert(words.end(), args.begin(), args.end());
    std::string command;
    for (const std::string& word : words) {
        if (form.style == TerminalForm::Style::PlainString && !IsPlainWord(word))
            return {};
        if (!command.empty())
            command += ' ';
        command += form.style == TerminalForm::Style::ShellString ? ShellQuote(word) : word;
    }
    result.push_back(command);
    return result;
}

void ReopenInTerminal(const std::string& program, int argc, char** argv)
{
    if (program.empty() || !StartedFromDesktop())
        return;

    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.emplace_back(argv[i]);

    std::vector<std::string> environment;
    const std::string marker = std::string(kTerminalMarker) + "=";
    for (char** entry = environ; *entry != nullptr; ++entry)
        if (std::strncmp(*entry, marker.c_str(), marker.size()) != 0)
            environment.emplace_back(*entry);
    environment.push_back(marker + "1");
    std::vector<char*> envp = Pointers(environment);

    const char* desktop = std::getenv("XDG_CURRENT_DESKTOP");
    const std::vector<std::string> dirs = SearchDirectories();
    for (const TerminalForm& form : TerminalOrder(desktop != nullptr ? desktop : "")) {
        std::vector<std::string> words = TerminalArguments(form, program, args);
        if (words.empty())
            continue;
        words.insert(words.begin(), form.name);
        std::vector<char*> terminalArgv = Pointers(words);
        for (const std::string& dir : dirs) {
            const std::string path = dir + form.name;
            // No shell in between: blanks and quotes in our path stay as they are.
            if (IsExecutableFile(path))
                ::execve(path.c_str(), terminalArgv.data(), envp.data());
            // Returned: that one would not start; the next may.
        }
    }
}

bool RunsInOwnTerminal() { return IsSet(kTerminalMarker); }

void WaitForEnter(std::FILE* in, std::FILE* out, bool inputIsTerminal)
{
    std::fprintf(out, "\n%s", Tr(JoinerText::PressEnterToClose));
    std::fflush(out);
    int c;
    while ((c = std::fgetc(in)) != EOF && c != '\n') {
    }
    // A terminal echoes the Enter; otherwise end the line here.
    if (!inputIsTerminal)
        std::fputc('\n', out);
    std::fflush(out);
}

} // namespace portelan
