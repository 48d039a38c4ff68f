// Runs the splitter's real main window on a thread of its own and drives it
// with window messages from the test's thread, as a user would.
#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "WinTestSupport.h"
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

// The greeting's clock, moved by the test; counts how often it is read.
class ManualClock {
  public:
    explicit ManualClock(const LocalTime& start) : m_now(start) {}
    void Set(const LocalTime& now);
    LocalTime Now();
    int Reads() const;

  private:
    mutable std::mutex m_mutex;
    LocalTime m_now;
    int m_reads = 0;
};

// A time on no greeting day: the windows of a test look the same every day.
inline constexpr LocalTime kOrdinaryDay{2008, 9, 5, 12, 0, 0};

class SplitterWindow {
  public:
    // The greeting's clock stands at kOrdinaryDay until the test moves it.
    SplitterWindow();
    // Closes the window (as "Be&enden" does) and waits for its thread.
    ~SplitterWindow();

    HWND Hwnd() const { return m_hWnd; }
    HWND Item(int id) const { return GetDlgItem(m_hWnd, id); }
    DWORD ThreadId() const { return m_threadId; }
    ScriptedChoosers& Choosers() { return m_choosers; }
    ManualClock& Clock() { return *m_clock; }

    std::string Text(int id) const;
    bool Checked(int id) const;
    bool Enabled(int id) const;
    bool Visible(int id) const;
    // A click that returns when handled; use ClickLater for one that opens
    // a modal window.
    void Click(int id) const;
    void ClickLater(int id) const;
    // Types text into an edit control, replacing what it held, key by key.
    void Type(int id, const std::string& text) const;
    // The inputs behind the window; read between messages, never during a split.
    const CSplitEngine& Engine() const { return m_dialog->Engine(); }
    const SplitPlan& Inputs() const { return m_dialog->Inputs(); }
    // Drops the paths onto a control with a real drop handle.
    void Drop(int id, const std::vector<std::string>& paths) const;
    // Asks the window to close and waits until it has (true) or times out.
    bool Close();

    // Waits until the status line reads text; false on time-out.
    bool WaitForStatus(const std::string& text, DWORD timeoutMs = 20000) const;
    // Returns once the window's thread is back in its message loop, i.e. has
    // finished what it was doing when this was called (such as the rest of a
    // click handler after its modal window closed).
    void Sync() const;
    // Returns once the window's thread has handled every message posted to
    // its queue before this call (Sync does not wait for those).
    bool FlushPosted() const;

    // Clicks a control that opens a modal window and returns that window
    // once it shows (nullptr when it does not).
    HWND OpenModal(int id, const std::string& title) const;
    // Presses a button of a modal window of ours and waits until the window
    // has gone and its caller has finished; false when it does not go.
    bool CloseModal(HWND modal, int buttonId) const;
    // Answers the two choosers and clicks their boxes: source file, then
    // target folder.
    void ChooseInputs(const std::string& source, const std::string& targetDir);
    // Chooses a free piece size in the piece-size window: the number as
    // typed and the unit's button; false when the window does not behave.
    bool ChoosePieceSize(const std::string& number, int unitId) const;

  private:
    ScriptedChoosers m_choosers;
    std::shared_ptr<ManualClock> m_clock;
    std::unique_ptr<CSplitterDlg> m_dialog;
    std::thread m_thread;
    HWND m_hWnd = nullptr;
    DWORD m_threadId = 0;
};

} // namespace portelan::test
