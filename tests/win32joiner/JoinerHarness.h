// Runs the joiner's real windows on a thread of their own and lets the test
// drive them with window messages, as a user would; answers the open-file
// dialog and records the calls to the notification area.
#pragma once

#include <windows.h>

#include <atomic>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "WinTestSupport.h"
#include "joiner/win32/ConcatDlg.h"
#include "joiner/win32/FileChooser.h"
#include "joiner/win32/WinFrontEnd.h"

namespace portelan::test {

// Answers the open-file dialog from a queue the test fills (an empty queue
// answers "cancelled") and keeps every request.
class ScriptedFileChooser : public IFileChooser {
  public:
    void Answer(std::optional<std::string> path);
    std::vector<FileRequest> Requests() const;
    std::optional<std::string> ChooseFile(const FileRequest& request) override;

  private:
    mutable std::mutex m_mutex;
    std::deque<std::optional<std::string>> m_answers;
    std::vector<FileRequest> m_requests;
};

// One call to the notification area as the shell received it.
struct TrayCall {
    DWORD message;
    UINT flags;
    std::string tip;
    DWORD size;
    UINT id;
    HWND owner;
    UINT callbackMessage;
    bool hasIcon;
};

// Records every call to the notification area while it lives.
class TrayRecorder {
  public:
    TrayRecorder();
    ~TrayRecorder();
    TrayRecorder(const TrayRecorder&) = delete;
    TrayRecorder& operator=(const TrayRecorder&) = delete;
    std::vector<TrayCall> Calls() const;
    void Clear();

  private:
    NotifyIconFunction m_previous;
};

// A CConcatDlg running modally on its own thread.
class ConcatWindow {
  public:
    // searchMode: first/second as CConcatDlg::SetContent takes them.
    ConcatWindow(const std::string& first, const std::string& second, bool searchMode);
    // Closes the window if it is still there and waits for its thread.
    ~ConcatWindow();

    HWND Hwnd() const { return m_hWnd; }
    HWND Item(int id) const { return GetDlgItem(m_hWnd, id); }
    DWORD ThreadId() const { return m_threadId; }
    ScriptedFileChooser& Chooser() { return m_chooser; }
    // Waits until the window has ended; false on time-out.
    bool WaitClosed(DWORD timeoutMs = 20000);
    // What DoModal returned, and what the dialog tells afterwards.
    INT_PTR Result() const { return m_result; }
    std::string SearchDir() const { return m_dialog->GetSearchDir(); }

  private:
    ScriptedFileChooser m_chooser;
    std::unique_ptr<CConcatDlg> m_dialog;
    std::thread m_thread;
    std::atomic<DWORD> m_threadId{0};
    std::atomic<bool> m_done{false};
    HWND m_hWnd = nullptr;
    INT_PTR m_result = 0;
};

// The joiner's front end with the real windows, noting every message shown.
class RecordingFrontEnd : public CWinFrontEnd {
  public:
    explicit RecordingFrontEnd(IFileChooser& chooser) : CWinFrontEnd(chooser) {}
    void ReportError(const std::string& text) override;
    void ShowMessage(const std::string& text, const std::string& title) override;
    // "title|text" of each message, in order ("" as title for an error).
    std::vector<std::string> Messages() const;

  private:
    mutable std::mutex m_mutex;
    std::vector<std::string> m_messages;
};

// The whole joiner (CConcatApp with the real windows) on its own thread,
// as if it were the program at modulePath.
class JoinerRun {
  public:
    explicit JoinerRun(const std::string& modulePath);
    // Closes whatever window is left and waits for the thread.
    ~JoinerRun();

    DWORD ThreadId() const { return m_threadId; }
    ScriptedFileChooser& Chooser() { return m_chooser; }
    std::vector<std::string> Messages() const { return m_ui->Messages(); }
    // Waits until the joiner has ended; false on time-out.
    bool WaitFinished(DWORD timeoutMs = 20000);
    bool Joined() const { return m_joined; }

  private:
    ScriptedFileChooser m_chooser;
    std::unique_ptr<RecordingFrontEnd> m_ui;
    std::thread m_thread;
    std::atomic<DWORD> m_threadId{0};
    std::atomic<bool> m_done{false};
    std::atomic<bool> m_joined{false};
};

} // namespace portelan::test
