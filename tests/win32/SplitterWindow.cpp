#include "SplitterWindow.h"

#include <shlobj.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <utility>

#include "platform/win32/WideText.h"
#include "splitter/ui/win32/Resource.h"

namespace portelan::test {

void ManualClock::Set(const LocalTime& now)
{
    std::lock_guard lock(m_mutex);
    m_now = now;
}

LocalTime ManualClock::Now()
{
    std::lock_guard lock(m_mutex);
    ++m_reads;
    return m_now;
}

int ManualClock::Reads() const
{
    std::lock_guard lock(m_mutex);
    return m_reads;
}

void ScriptedChoosers::AnswerSource(std::optional<std::string> path)
{
    std::lock_guard lock(m_mutex);
    m_sources.push_back(std::move(path));
}

void ScriptedChoosers::AnswerFolder(std::optional<std::string> path)
{
    std::lock_guard lock(m_mutex);
    m_folders.push_back(std::move(path));
}

std::vector<std::string> ScriptedChoosers::BrowseDirsSeen() const
{
    std::lock_guard lock(m_mutex);
    return m_browseDirs;
}

std::optional<std::string> ScriptedChoosers::ChooseSourceFile(HWND, const std::string& browseDir)
{
    std::lock_guard lock(m_mutex);
    m_browseDirs.push_back(browseDir);
    if (m_sources.empty())
        return std::nullopt;
    std::optional<std::string> answer = m_sources.front();
    m_sources.pop_front();
    return answer;
}

std::optional<std::string> ScriptedChoosers::ChooseFolder(HWND)
{
    std::lock_guard lock(m_mutex);
    if (m_folders.empty())
        return std::nullopt;
    std::optional<std::string> answer = m_folders.front();
    m_folders.pop_front();
    return answer;
}

SplitterWindow::SplitterWindow() : m_clock(std::make_shared<ManualClock>(kOrdinaryDay))
{
    SetGreetingClock([clock = m_clock] { return clock->Now(); });
    m_dialog = std::make_unique<CSplitterDlg>(m_choosers);
    m_thread = std::thread([this] {
        m_threadId = GetCurrentThreadId();
        m_dialog->DoModal();
    });
    WaitUntilTrue([this] { return m_dialog->Hwnd() && IsWindowVisible(m_dialog->Hwnd()); }, 20000);
    m_hWnd = m_dialog->Hwnd();
}

SplitterWindow::~SplitterWindow()
{
    Close();
    if (m_thread.joinable())
        m_thread.join();
    m_dialog.reset(); // stops the greeting watcher, the clock's reader
    SetGreetingClock({});
}

bool SplitterWindow::Close()
{
    if (m_hWnd && IsWindow(m_hWnd))
        PostMessageA(m_hWnd, WM_COMMAND, IDCANCEL, 0);
    bool closed = WaitUntilTrue([this] { return !IsWindow(m_hWnd); }, 20000);
    if (closed && m_thread.joinable())
        m_thread.join();
    return closed;
}

std::string SplitterWindow::Text(int id) const { return ItemText(m_hWnd, id); }

bool SplitterWindow::Checked(int id) const
{
    return SendMessageA(GetDlgItem(m_hWnd, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

bool SplitterWindow::Enabled(int id) const { return IsWindowEnabled(GetDlgItem(m_hWnd, id)) != 0; }

bool SplitterWindow::Visible(int id) const { return IsWindowVisible(GetDlgItem(m_hWnd, id)) != 0; }

void SplitterWindow::Click(int id) const { SendMessageA(GetDlgItem(m_hWnd, id), BM_CLICK, 0, 0); }

void SplitterWindow::Type(int id, const std::string& text) const
{
    HWND edit = GetDlgItem(m_hWnd, id);
    SendMessageA(edit, EM_SETSEL, 0, -1);
    for (char c : text)
        SendMessageA(edit, WM_CHAR, static_cast<unsigned char>(c), 0);
}

void SplitterWindow::ClickLater(int id) const { PostMessageA(GetDlgItem(m_hWnd, id), BM_CLICK, 0, 0); }

void SplitterWindow::Drop(int id, const std::vector<std::string>& paths) const
{
    // DROPFILES followed by the NUL-terminated paths and a final NUL, in
    // UTF-16 as the shell drops them.
    std::wstring names;
    for (const std::string& path : paths)
        names += platform::ToWide(path) + L'\0';
    names += L'\0';
    HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + names.size() * sizeof(wchar_t));
    auto* header = static_cast<DROPFILES*>(GlobalLock(memory));
    header->pFiles = sizeof(DROPFILES);
    header->fWide = TRUE;
    std::memcpy(header + 1, names.data(), names.size() * sizeof(wchar_t));
    GlobalUnlock(memory);
    SendMessageW(GetDlgItem(m_hWnd, id), WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
}

bool SplitterWindow::WaitForStatus(const std::string& text, DWORD timeoutMs) const
{
    return WaitUntilTrue([&] { return Text(1010) == text; }, timeoutMs);
}

void SplitterWindow::Sync() const { SendMessageA(m_hWnd, WM_NULL, 0, 0); }

bool SplitterWindow::FlushPosted() const
{
    // A selection change posted to the read-only piece-size edit joins the
    // thread's queue behind everything posted before; once the edit shows
    // it, those messages have been handled.
    HWND edit = GetDlgItem(m_hWnd, IDC_SIZE_TEXT);
    auto selection = [edit] {
        DWORD start = 0, end = 0;
        SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        return std::make_pair(start, end);
    };
    const DWORD mark = selection() == std::make_pair(DWORD{0}, DWORD{1}) ? 1 : 0;
    PostMessageA(edit, EM_SETSEL, mark, 1);
    return WaitUntilTrue([&] { return selection() == std::make_pair(mark, DWORD{1}); }, 10000);
}

HWND SplitterWindow::OpenModal(int id, const std::string& title) const
{
    ClickLater(id);
    return WaitForWindow(m_threadId, title);
}

bool SplitterWindow::CloseModal(HWND modal, int buttonId) const
{
    ClickItemLater(modal, buttonId);
    if (!WaitUntilGone(modal))
        return false;
    Sync();
    return true;
}

void SplitterWindow::ChooseInputs(const std::string& source, const std::string& targetDir)
{
    m_choosers.AnswerSource(source);
    m_choosers.AnswerFolder(targetDir);
    Click(IDC_HAVE_SOURCE);
    Click(IDC_HAVE_TARGET);
}

bool SplitterWindow::ChoosePieceSize(const std::string& number, int unitId) const
{
    HWND dialog = OpenModal(IDC_HAVE_SIZE, "Groesse der Einzeldateien");
    if (!dialog)
        return false;
    ClickItem(dialog, IDC_FREE);
    SetItemText(dialog, IDC_VALUE, number);
    ClickItem(dialog, unitId);
    return CloseModal(dialog, IDOK);
}

} // namespace portelan::test
