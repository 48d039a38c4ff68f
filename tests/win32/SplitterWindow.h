// Runs the splitter's real main window on a thread of its own and drives it
// with window messages from the test's thread, as a user would.
#pragma once

#include <windows.h>

#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "splitter/ui/win32/Choosers.h"
#include "splitter/ui/win32/SplitterDlg.h"

namespace portelan::test {

// Answers the choosers from queues that the test fills; an empty queue
// answers "cancelled".
class ScriptedChoosers : public IChoosers {
  public:
    void AnswerSource(std::optional<std::string> path);
    void AnswerFolder(std::optional<std::string> path);
    std::vector<std::string> BrowseDirsSeen() const;

    std::optional<std::string> ChooseSourceFile(HWND owner, const std::string& browseDir) override;
    std::optional<std::string> ChooseFolder(HWND owner) override;

  private:
    mutable std::mutex m_mutex;
    std::deque<std::optional<std::string>> m_sources;
    std::deque<std::optional<std::string>> m_folders;
    std::vector<std::string> m_browseDirs;
};

class SplitterWindow {
  public:
    SplitterWindow();
    // Closes the window (as "Be&enden" does) and waits for its thread.
    ~SplitterWindow();

    HWND Hwnd() const { return m_hWnd; }
    DWORD ThreadId() const { return m_threadId; }
    ScriptedChoosers& Choosers() { return m_choosers; }

    std::string Text(int id) const;
    bool Checked(int id) const;
    bool Enabled(int id) const;
    bool Visible(int id) const;
    // A click that returns when handled; use ClickLater for one that opens
    // a modal window.
    void Click(int id) const;
    void ClickLater(int id) const;
    // Drops the paths onto a control with a real drop handle.
    void Drop(int id, const std::vector<std::string>& paths) const;
    // Asks the window to close and waits until it has (true) or times out.
    bool Close();

    // Waits until the status line reads text; false on time-out.
    bool WaitForStatus(const std::string& text, DWORD timeoutMs = 20000) const;

  private:
    ScriptedChoosers m_choosers;
    std::unique_ptr<CSplitterDlg> m_dialog;
    std::thread m_thread;
    HWND m_hWnd = nullptr;
    DWORD m_threadId = 0;
};

// A visible window of a thread whose title is exactly `title`; waits up to
// timeoutMs. nullptr when none appears.
HWND WaitForWindow(DWORD threadId, const std::string& title, DWORD timeoutMs = 10000);
// The text of a window or of a dialog control.
std::string WindowText(HWND hwnd);
std::string ItemText(HWND dialog, int id);

// A directory of its own under the temporary directory, removed at the end.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    // Ends in a backslash.
    const std::string& Dir() const { return m_dir; }
    std::string operator/(const std::string& name) const { return m_dir + name; }

  private:
    std::string m_dir;
};

void WriteBytes(const std::string& path, const std::string& bytes);
std::string ReadBytes(const std::string& path);
bool FileExists(const std::string& path);
std::string RandomBytes(std::size_t n, unsigned seed);

} // namespace portelan::test
