#include "JoinerHarness.h"

#include <shlobj.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <random>

#include "joiner/ConcatApp.h"

namespace portelan::test {

namespace {

std::mutex g_trayMutex;
std::vector<TrayCall> g_trayCalls;

BOOL WINAPI RecordTrayCall(DWORD message, PNOTIFYICONDATAA data)
{
    TrayCall call{message,    data->uFlags,           data->szTip,           data->cbSize, data->uID,
                  data->hWnd, data->uCallbackMessage, data->hIcon != nullptr};
    std::lock_guard lock(g_trayMutex);
    g_trayCalls.push_back(call);
    return TRUE;
}

// Closes the visible windows of a thread as their "Be&enden" would.
void CancelWindowsOf(DWORD threadId)
{
    EnumThreadWindows(
        threadId,
        [](HWND hwnd, LPARAM) -> BOOL {
            if (IsWindowVisible(hwnd))
                PostMessageA(hwnd, WM_COMMAND, IDCANCEL, 0);
            return TRUE;
        },
        0);
}

} // namespace

void ScriptedFileChooser::Answer(std::optional<std::string> path)
{
    std::lock_guard lock(m_mutex);
    m_answers.push_back(std::move(path));
}

std::vector<FileRequest> ScriptedFileChooser::Requests() const
{
    std::lock_guard lock(m_mutex);
    return m_requests;
}

std::optional<std::string> ScriptedFileChooser::ChooseFile(const FileRequest& request)
{
    std::lock_guard lock(m_mutex);
    m_requests.push_back(request);
    if (m_answers.empty())
        return std::nullopt;
    std::optional<std::string> answer = m_answers.front();
    m_answers.pop_front();
    return answer;
}

TrayRecorder::TrayRecorder()
{
    Clear();
    m_previous = SetNotifyIconFunction(RecordTrayCall);
}

TrayRecorder::~TrayRecorder() { SetNotifyIconFunction(m_previous); }

std::vector<TrayCall> TrayRecorder::Calls() const
{
    std::lock_guard lock(g_trayMutex);
    return g_trayCalls;
}

void TrayRecorder::Clear()
{
    std::lock_guard lock(g_trayMutex);
    g_trayCalls.clear();
}

ConcatWindow::ConcatWindow(const std::string& first, const std::string& second, bool searchMode)
{
    m_dialog = std::make_unique<CConcatDlg>(m_chooser);
    m_dialog->SetContent(first, second, searchMode);
    m_thread = std::thread([this] {
        m_threadId = GetCurrentThreadId();
        m_result = m_dialog->DoModal();
        m_done = true;
    });
    WaitUntilTrue([this] { return m_dialog->Hwnd() && IsWindowVisible(m_dialog->Hwnd()); }, 20000);
    m_hWnd = m_dialog->Hwnd();
}

ConcatWindow::~ConcatWindow()
{
    if (!m_done && m_hWnd)
        PostMessageA(m_hWnd, WM_COMMAND, IDCANCEL, 0);
    if (m_thread.joinable())
        m_thread.join();
}

bool ConcatWindow::WaitClosed(DWORD timeoutMs)
{
    if (!WaitUntilTrue([this] { return m_done.load(); }, timeoutMs))
        return false;
    m_thread.join();
    return true;
}

void RecordingFrontEnd::ReportError(const std::string& text)
{
    {
        std::lock_guard lock(m_mutex);
        m_messages.push_back("|" + text);
    }
    CWinFrontEnd::ReportError(text);
}

void RecordingFrontEnd::ShowMessage(const std::string& text, const std::string& title)
{
    {
        std::lock_guard lock(m_mutex);
        m_messages.push_back(title + "|" + text);
    }
    CWinFrontEnd::ShowMessage(text, title);
}

std::vector<std::string> RecordingFrontEnd::Messages() const
{
    std::lock_guard lock(m_mutex);
    return m_messages;
}

JoinerRun::JoinerRun(const std::string& modulePath)
{
    m_ui = std::make_unique<RecordingFrontEnd>(m_chooser);
    m_thread = std::thread([this, modulePath] {
        m_threadId = GetCurrentThreadId();
        CConcatApp app(*m_ui, modulePath, CConcatApp::Anchor::WindowsJoiner);
        m_joined = app.InitInstance();
        m_done = true;
    });
    WaitUntilTrue([this] { return m_threadId != 0; }, 20000);
}

JoinerRun::~JoinerRun()
{
    // A test that failed half-way leaves windows open: close them as they come.
    WaitUntilTrue(
        [this] {
            if (!m_done)
                CancelWindowsOf(m_threadId);
            return m_done.load();
        },
        60000);
    if (m_thread.joinable())
        m_thread.join();
}

bool JoinerRun::WaitFinished(DWORD timeoutMs)
{
    return WaitUntilTrue([this] { return m_done.load(); }, timeoutMs);
}

} // namespace portelan::test
