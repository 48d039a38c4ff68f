#include "JoinerHarness.h"

#include <shlobj.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <random>

#include "joiner/ConcatApp.h"

namespace portelan::test {

namespace {

template <typename Condition> bool WaitUntil(Condition condition, DWORD timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        Sleep(10);
    }
    return true;
}

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
    WaitUntil([this] { return m_dialog->Hwnd() && IsWindowVisible(m_dialog->Hwnd()); }, 20000);
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
    if (!WaitUntil([this] { return m_done.load(); }, timeoutMs))
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
        CConcatApp app(*m_ui, modulePath);
        m_joined = app.InitInstance();
        m_done = true;
    });
    WaitUntil([this] { return m_threadId != 0; }, 20000);
}

JoinerRun::~JoinerRun()
{
    // A test that failed half-way leaves windows open: close them as they come.
    WaitUntil(
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
    return WaitUntil([this] { return m_done.load(); }, timeoutMs);
}

std::string WindowText(HWND hwnd)
{
    char text[4096] = "";
    SendMessageA(hwnd, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}

std::string ItemText(HWND dialog, int id) { return WindowText(GetDlgItem(dialog, id)); }

bool ItemVisible(HWND dialog, int id) { return IsWindowVisible(GetDlgItem(dialog, id)) != 0; }

bool ItemEnabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != 0; }

void ClickItem(HWND dialog, int id) { SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

void ClickItemLater(HWND dialog, int id) { PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

bool WaitUntilGone(HWND hwnd, DWORD timeoutMs)
{
    return WaitUntil([hwnd] { return !IsWindow(hwnd); }, timeoutMs);
}

HWND WaitForWindow(DWORD threadId, const std::string& title, DWORD timeoutMs)
{
    struct Search {
        const std::string* title;
        HWND found;
    } search{&title, nullptr};
    WaitUntil(
        [&] {
            EnumThreadWindows(
                threadId,
                [](HWND hwnd, LPARAM data) -> BOOL {
                    auto* s = reinterpret_cast<Search*>(data);
                    if (IsWindowVisible(hwnd) && WindowText(hwnd) == *s->title) {
                        s->found = hwnd;
                        return FALSE;
                    }
                    return TRUE;
                },
                reinterpret_cast<LPARAM>(&search));
            return search.found != nullptr;
        },
        timeoutMs);
    return search.found;
}

std::vector<std::string> VisibleWindows(DWORD threadId)
{
    std::vector<std::string> titles;
    EnumThreadWindows(
        threadId,
        [](HWND hwnd, LPARAM data) -> BOOL {
            if (IsWindowVisible(hwnd))
                reinterpret_cast<std::vector<std::string>*>(data)->push_back(WindowText(hwnd));
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&titles));
    return titles;
}

TempDir::TempDir()
{
    char base[MAX_PATH] = "";
    GetTempPathA(MAX_PATH, base);
    static int serial = 0;
    for (;;) {
        m_dir = std::string(base) + "portelan-joiner-" + std::to_string(GetCurrentProcessId()) + "-" +
                std::to_string(++serial) + "\\";
        if (CreateDirectoryA(m_dir.c_str(), nullptr))
            break;
    }
}

TempDir::~TempDir()
{
    // SHFileOperation wants a double NUL at the end of the path list.
    std::string from = m_dir.substr(0, m_dir.size() - 1) + '\0' + '\0';
    SHFILEOPSTRUCTA op{};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
    SHFileOperationA(&op);
}

void WriteBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool FileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string RandomBytes(std::size_t n, unsigned seed)
{
    std::mt19937 rng(seed);
    std::string bytes(n, '\0');
    for (char& c : bytes)
        c = static_cast<char>(rng() & 0xFF);
    return bytes;
}

} // namespace portelan::test
