// A real HTTP server on 127.0.0.1 and a scripted user for the update tests.
#pragma once

#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "splitter/update/UpdateCheck.h"

namespace portelan::test {

// Runs the test server over root until destroyed; over HTTPS when given a
// certificate and its key.
struct TlsFiles {
    std::string certificate;
    std::string key;
};
class UpdateServer {
  public:
    explicit UpdateServer(const std::string& root, const std::string& log = "",
                          const std::optional<TlsFiles>& tls = std::nullopt)
        : m_scheme(tls ? "https" : "http")
    {
        int fds[2];
        if (::pipe(fds) != 0)
            throw std::runtime_error("pipe failed");
        m_pid = ::fork();
        if (m_pid == 0) {
            ::dup2(fds[1], 1);
            ::close(fds[0]);
            ::close(fds[1]);
            std::vector<const char*> argv{"python3", PORTELAN_TEST_UPDATE_SERVER};
            if (tls)
                argv.insert(argv.end(), {"--tls", tls->certificate.c_str(), tls->key.c_str()});
            argv.push_back(root.c_str());
            if (!log.empty())
                argv.push_back(log.c_str());
            argv.push_back(nullptr);
            ::execvp("python3", const_cast<char* const*>(argv.data()));
            ::_exit(127);
        }
        ::close(fds[1]);
        std::string line;
        char c;
        while (::read(fds[0], &c, 1) == 1 && c != '\n')
            line += c;
        ::close(fds[0]);
        if (line.empty())
            throw std::runtime_error("the test server did not start");
        m_port = std::stoi(line);
    }
    ~UpdateServer()
    {
        ::kill(m_pid, SIGTERM);
        ::waitpid(m_pid, nullptr, 0);
    }
    UpdateServer(const UpdateServer&) = delete;
    UpdateServer& operator=(const UpdateServer&) = delete;

    std::string Url(const std::string& path = "") const
    {
        return m_scheme + "://127.0.0.1:" + std::to_string(m_port) + "/" + path;
    }

  private:
    std::string m_scheme;
    pid_t m_pid = -1;
    int m_port = 0;
};

// Sets an environment variable until destroyed.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const std::string& value) : m_name(name)
    {
        if (const char* old = std::getenv(name))
            m_old = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv()
    {
        if (m_old)
            ::setenv(m_name, m_old->c_str(), 1);
        else
            ::unsetenv(m_name);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

  private:
    const char* m_name;
    std::optional<std::string> m_old;
};

// A port on 127.0.0.1 that nothing listens on (bound, then released).
inline int UnusedPort()
{
    int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(s);
    return ntohs(address.sin_port);
}

// Records every box and answers the questions from a script (No when the
// script is used up).
class ScriptedUi : public IUpdateUi {
  public:
    struct Box {
        std::string text;
        std::string caption;
        BoxStyle style;
    };

    explicit ScriptedUi(std::deque<BoxAnswer> answers = {}) : m_answers(std::move(answers)) {}

    BoxAnswer ShowMessageBox(const std::string& text, const std::string& caption, BoxStyle style) override
    {
        boxes.push_back({text, caption, style});
        if (style.buttons != BoxButtons::YesNo)
            return BoxAnswer::Ok;
        if (m_answers.empty())
            return BoxAnswer::No;
        const BoxAnswer answer = m_answers.front();
        m_answers.pop_front();
        return answer;
    }
    void BeginWaitCursor() override { ++waitDepth, ++waitShown; }
    void EndWaitCursor() override { --waitDepth; }
    bool CopyTextToClipboard(const std::string& text) override
    {
        clipboard.push_back(text);
        return true;
    }

    std::vector<Box> boxes;
    std::vector<std::string> clipboard;
    int waitDepth = 0;
    int waitShown = 0;

  private:
    std::deque<BoxAnswer> m_answers;
};

} // namespace portelan::test
