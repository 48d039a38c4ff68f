#include "splitter/ui/win32/SplitterDlg.h"

#include <commctrl.h>
#include <shellapi.h>

#include <chrono>
#include <mutex>

#include "common/Helpers.h"
#include "platform/win32/WideText.h"
#include "splitter/ui/PieceSize.h"
#include "splitter/ui/win32/AboutDlg.h"
#include "splitter/ui/win32/Dialogs.h"
#include "splitter/ui/win32/Resource.h"
#include "splitter/update/win32/WinInetHttpClient.h"

namespace portelan {

std::atomic<bool> g_bStopRequested{false};
std::atomic<bool> g_bWatcherFinished{false};

namespace {

std::mutex g_clockMutex;
GreetingClock g_greetingClock;

// Splits a path the way _splitpath does: the extension (with its dot) is
// the text from the last dot of the last component.
struct SplitName {
    std::string directory; // drive and directory
    std::string name;
    std::string extension;
};

SplitName SplitFull(const std::string& path)
{
    PathParts parts = SplitPath(path);
    std::string::size_type dot = parts.fileName.rfind('.');
    if (dot == std::string::npos)
        return {parts.directory, parts.fileName, ""};
    return {parts.directory, parts.fileName.substr(0, dot), parts.fileName.substr(dot)};
}

} // namespace

// --- Greeting clock -----------------------------------------------------------

void SetGreetingClock(GreetingClock clock)
{
    std::lock_guard lock(g_clockMutex);
    g_greetingClock = std::move(clock);
}

LocalTime SystemLocalTime()
{
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

bool IsGreetingTime()
{
    GreetingClock clock;
    {
        std::lock_guard lock(g_clockMutex);
        clock = g_greetingClock;
    }
    return IsGreetingTime(clock ? clock() : SystemLocalTime());
}

// --- CDropEdit ---------------------------------------------------------------

void CDropEdit::Attach(HWND edit)
{
    // Subclassed the "W" way: an edit with an ANSI procedure would take its
    // texts through the ANSI code page.
    SetWindowLongPtrW(edit, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    m_pDefault = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CDropEdit::Procedure)));
}

void CDropEdit::SetOwner(HWND owner, int role)
{
    m_pOwner = owner;
    m_nRole = role;
}

bool CDropEdit::GetDroppedPath(std::string& path) const
{
    path = m_strDropped;
    return !path.empty();
}

LRESULT CALLBACK CDropEdit::Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<CDropEdit*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (message == WM_DROPFILES) {
        self->OnDropFiles(reinterpret_cast<HDROP>(wParam));
        LRESULT result = CallWindowProcW(self->m_pDefault, hwnd, message, wParam, lParam);
        DragFinish(reinterpret_cast<HDROP>(wParam));
        return result;
    }
    return CallWindowProcW(self->m_pDefault, hwnd, message, wParam, lParam);
}

void CDropEdit::OnDropFiles(HDROP drop)
{
    if (DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0) != 1)
        return;
    std::wstring path(DragQueryFileW(drop, 0, nullptr, 0) + 1, L'\0');
    const UINT length = DragQueryFileW(drop, 0, path.data(), static_cast<UINT>(path.size()));
    if (length == 0)
        return;
    path.resize(length);
    // Whether it counts as a file is read from the name alone: an extension
    // makes a file, whatever the item is on disk.
    SplitName parts = SplitFull(platform::ToUtf8(path));
    m_strDropped = parts.directory + parts.name;
    m_bIsFile = !parts.extension.empty();
    if (m_bIsFile)
        m_strDropped += parts.extension;
    else
        EnsureTrailingBackslash(m_strDropped);
    SendMessageW(m_pOwner, WM_DROPPED_PATH, m_bIsFile ? 1 : 0, reinterpret_cast<LPARAM>(this));
}

// --- CSplitterDlg -------------------------------------------------------------

CSplitterDlg::CSplitterDlg(IChoosers& choosers)
    : CDialog(IDD_MAIN), m_choosers(choosers), m_engine(*this, m_joiner), m_nSizeUnit(UNIT_DISK)
{
    g_bStopRequested = false;
    g_bWatcherFinished = false;
    m_hIcon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME));
}

CSplitterDlg::~CSplitterDlg()
{
    g_bStopRequested = true;
    if (m_watcher.joinable()) {
        while (!g_bWatcherFinished)
            Sleep(10);
        m_watcher.join();
    }
}

BOOL CSplitterDlg::OnInitDialog()
{
    m_editTarget.Attach(Item(IDC_TARGET));
    m_editSource.Attach(Item(IDC_SOURCE));
    m_progress = Item(IDC_PROGRESS);

    wchar_t about[256] = L"";
    HMENU menu = GetSystemMenu(Hwnd(), FALSE);
    if (menu && LoadStringW(GetModuleHandleW(nullptr), IDS_ABOUTBOX, about, 256) > 0) {
        AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        AppendMenuW(menu, MF_STRING, IDM_ABOUTBOX, about);
        AppendMenuW(menu, MF_STRING, IDM_UPDATE, L"&Update suchen");
    }
    SendMessageW(Hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessageW(Hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));

    m_editSource.SetOwner(Hwnd(), 1);
    m_editTarget.SetOwner(Hwnd(), 2);
    SendMessageW(m_progress, PBM_SETRANGE32, 0, 0);
    SetStatus("Auf Eingaben warten...");
    ShowSourcePath();
    ShowTargetDir();
    ShowPieceSize();
    SetCheck(IDC_HAVE_SIZE, true);
    m_hGreetingWindow = Hwnd();
    try {
        m_watcher = std::thread(GreetingWatcher, this);
    } catch (const std::system_error&) {
        // Without a watcher there is nothing to wait for when closing.
    }
    return TRUE;
}

void CSplitterDlg::GreetingWatcher(CSplitterDlg* dialog)
{
    // Windows belong to the UI thread: the button is changed there, on a
    // posted message, never from here.
    while (!g_bStopRequested) {
        const bool due = IsGreetingTime();
        dialog->m_bGreetingDue = due;
        if (due && !dialog->m_bGreetingShown) {
            dialog->m_bGreetingShown = true;
            PostMessageW(dialog->m_hGreetingWindow, WM_GREETING_BUTTON, TRUE, 0);
        } else if (!due && dialog->m_bGreetingShown) {
            dialog->m_bGreetingShown = false;
            PostMessageW(dialog->m_hGreetingWindow, WM_GREETING_BUTTON, FALSE, 0);
        }
        Sleep(100);
    }
    g_bWatcherFinished = true;
}

void CSplitterDlg::SetStatus(const std::string& text) { SetItemText(IDC_STATUS, text); }

void CSplitterDlg::ShowErrorWindow(const std::string& message, const std::string& caption)
{
    CErrorDlg dialog;
    dialog.SetTexts(message, caption);
    dialog.DoModal(Hwnd());
}

bool CSplitterDlg::ConfirmPlan(const CSplitJob& plan)
{
    CInfoDlg dialog;
    dialog.SetPlan(plan);
    return dialog.DoModal(Hwnd()) == IDOK;
}

void CSplitterDlg::ResetProgress() { SendMessageW(m_progress, PBM_SETPOS, 0, 0); }

void CSplitterDlg::InitProgress(int lower, int upper, int step)
{
    SendMessageW(m_progress, PBM_SETRANGE32, static_cast<WPARAM>(lower), static_cast<LPARAM>(upper));
    SendMessageW(m_progress, PBM_SETSTEP, static_cast<WPARAM>(step), 0);
}

void CSplitterDlg::StepProgress() { SendMessageW(m_progress, PBM_STEPIT, 0, 0); }

void CSplitterDlg::EnableStart(bool enable) { EnableItem(IDC_START, enable); }

void CSplitterDlg::RunOnUiThread(const std::function<void()>& task)
{
    // A closing window waits for the worker; the worker must not wait for it.
    if (m_bClosing)
        return;
    SendMessageW(Hwnd(), WM_SPLIT_FINISHED, 0, reinterpret_cast<LPARAM>(&task));
}

void CSplitterDlg::UpdateStatus()
{
    if (IsChecked(IDC_HAVE_SIZE) && IsChecked(IDC_HAVE_TARGET) && IsChecked(IDC_HAVE_SOURCE))
        SetStatus("Alle Informationen vorhanden.");
    else
        SetStatus("Auf Eingaben warten...");
}

void CSplitterDlg::ShowSourcePath()
{
    if (!m_engine.m_strSourceName.empty())
        SetItemText(IDC_SOURCE, m_engine.m_strSourceDir + m_engine.m_strSourceName);
}

void CSplitterDlg::ShowTargetDir() { SetItemText(IDC_TARGET, m_engine.m_strTargetDir); }

void CSplitterDlg::ShowPieceSize() { SetItemText(IDC_SIZE_TEXT, PieceSizeText(m_engine.m_nPieceSize)); }

bool CSplitterDlg::ChooseSource()
{
    std::optional<std::string> chosen = m_choosers.ChooseSourceFile(Hwnd(), m_strBrowseDir);
    if (!chosen)
        return false;
    PathParts parts = SplitPath(*chosen);
    m_engine.m_strSourceDir = parts.directory;
    m_engine.m_strSourceName = parts.fileName;
    EnsureTrailingBackslash(m_engine.m_strSourceDir);
    m_strBrowseDir = m_engine.m_strSourceDir;
    ShowSourcePath();
    return true;
}

bool CSplitterDlg::ChooseTarget()
{
    std::optional<std::string> chosen = m_choosers.ChooseFolder(Hwnd());
    if (!chosen)
        return false;
    m_engine.m_strTargetDir = *chosen;
    EnsureTrailingBackslash(m_engine.m_strTargetDir);
    ShowTargetDir();
    return true;
}

void CSplitterDlg::ShowAboutBox()
{
    // While the box is open its modal loop still hands this window the
    // system menu's command, the help command and the F1 the box passes on
    // to its owner: one box at a time.
    if (m_bAboutOpen)
        return;
    m_bAboutOpen = true;
    CAboutDlg about;
    about.DoModal(Hwnd());
    m_bAboutOpen = false;
}

void CSplitterDlg::ShowGreeting()
{
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = L"";
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    if (!GetComputerNameW(name, &size))
        return;
    win::ShowMessageBox(Hwnd(), kGreetingText, GreetingCaption(platform::ToUtf8(name)), MB_ICONINFORMATION);
}

void CSplitterDlg::OnPieceSizeClicked()
{
    PieceSizeValue shown = PieceSizeForWindow(m_engine.m_nPieceSize, m_nSizeUnit);
    CPieceSizeDlg dialog;
    dialog.SetValues(shown.value, shown.unit);
    bool ok = false;
    if (dialog.DoModal(Hwnd()) == IDOK) {
        std::int64_t value = 0;
        int unit = 0;
        dialog.GetValues(value, unit);
        PieceSizeValue stored = PieceSizeFromWindow(value, unit);
        m_engine.m_nPieceSize = stored.value;
        m_nSizeUnit = stored.unit;
        ShowPieceSize();
        ok = true;
    }
    SetCheck(IDC_HAVE_SIZE, ok);
    UpdateStatus();
}

void CSplitterDlg::OnDroppedPath(bool isFile, const CDropEdit* edit)
{
    std::string path;
    if (edit->GetRole() == 1 && isFile && m_editSource.GetDroppedPath(path)) {
        SetItemText(IDC_SOURCE, path);
        PathParts parts = SplitPath(path);
        m_engine.m_strSourceDir = parts.directory;
        m_engine.m_strSourceName = parts.fileName;
        EnsureTrailingBackslash(m_engine.m_strSourceDir);
        m_strBrowseDir = m_engine.m_strSourceDir;
        ShowSourcePath();
        SetCheck(IDC_HAVE_SOURCE, true);
    } else if (edit->GetRole() == 2 && !isFile && m_editTarget.GetDroppedPath(path)) {
        SetItemText(IDC_TARGET, path);
        m_engine.m_strTargetDir = path;
        ShowTargetDir();
        SetCheck(IDC_HAVE_TARGET, true);
    }
    UpdateStatus();
}

bool CSplitterDlg::OnCommand(int id, int code, HWND)
{
    switch (id) {
    case IDC_START:
        m_engine.StartCommand(IsChecked(IDC_HAVE_SOURCE), IsChecked(IDC_HAVE_TARGET),
                              IsChecked(IDC_HAVE_SIZE));
        return true;
    case IDC_HAVE_SOURCE:
        if (code == BN_CLICKED) {
            SetCheck(IDC_HAVE_SOURCE, ChooseSource());
            UpdateStatus();
        }
        return true;
    case IDC_HAVE_TARGET:
        if (code == BN_CLICKED) {
            SetCheck(IDC_HAVE_TARGET, ChooseTarget());
            UpdateStatus();
        }
        return true;
    case IDC_HAVE_SIZE:
        if (code == BN_CLICKED)
            OnPieceSizeClicked();
        return true;
    case IDC_GREETING:
        if (code == BN_CLICKED)
            ShowGreeting();
        return true;
    case ID_HELP_COMMAND:
        ShowAboutBox();
        return true;
    default:
        return false;
    }
}

bool CSplitterDlg::PaintMinimised()
{
    if (!IsIconic(Hwnd()))
        return false;
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(Hwnd(), &paint);
    SendMessageW(Hwnd(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    int cx = GetSystemMetrics(SM_CXICON);
    int cy = GetSystemMetrics(SM_CYICON);
    RECT client;
    GetClientRect(Hwnd(), &client);
    DrawIcon(dc, (client.right - cx + 1) / 2, (client.bottom - cy + 1) / 2, m_hIcon);
    EndPaint(Hwnd(), &paint);
    return true;
}

INT_PTR CSplitterDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled)
{
    handled = true;
    switch (message) {
    case WM_SPLIT_FINISHED:
        if (!m_bClosing) {
            m_bInTask = true;
            (*reinterpret_cast<const std::function<void()>*>(lParam))();
            m_bInTask = false;
            if (m_bCloseDeferred) {
                m_bCloseDeferred = false;
                PostMessageW(Hwnd(), WM_COMMAND, IDCANCEL, 0);
            }
        }
        return 0;
    case WM_DROPPED_PATH:
        OnDroppedPath(wParam == 1, reinterpret_cast<const CDropEdit*>(lParam));
        return 0;
    case WM_GREETING_BUTTON:
        ShowItem(IDC_GREETING, wParam != FALSE);
        EnableItem(IDC_GREETING, wParam != FALSE);
        return 0;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == IDM_ABOUTBOX) {
            ShowAboutBox();
            return 0;
        }
        if (wParam == IDM_UPDATE) {
            RunUpdateCheck();
            return 0;
        }
        break;
    case WM_HELP: // F1
        ShowAboutBox();
        return TRUE;
    case WM_PAINT:
        if (PaintMinimised())
            return 0;
        break;
    case WM_QUERYDRAGICON:
        return reinterpret_cast<INT_PTR>(m_hIcon);
    default:
        break;
    }
    handled = false;
    return 0;
}

void CSplitterDlg::OnCancel()
{
    if (m_bInTask) {
        m_bCloseDeferred = true;
        return;
    }
    // Closing while a split runs: the worker stops at its next block and
    // ends without reporting; the pieces written so far stay. Meanwhile the
    // messages it sends (progress) are still answered, so it cannot block.
    if (m_engine.IsWorkerAlive()) {
        m_bClosing = true;
        m_engine.RequestStop();
        while (m_engine.IsWorkerAlive()) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_SENDMESSAGE);
            MSG msg;
            PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        }
    }
    CDialog::OnCancel();
}

} // namespace portelan

namespace portelan {

int CWindowUpdateUi::ShowMessageBox(const std::string& text, const std::string& caption, unsigned style)
{
    return win::ShowMessageBox(m_owner, text, caption, style);
}

void CWindowUpdateUi::BeginWaitCursor() { m_previous = SetCursor(LoadCursor(nullptr, IDC_WAIT)); }

void CWindowUpdateUi::EndWaitCursor()
{
    SetCursor(m_previous ? m_previous : LoadCursor(nullptr, IDC_ARROW));
    m_previous = nullptr;
}

bool CWindowUpdateUi::CopyTextToClipboard(const std::string& text)
{
    // As Unicode text: the path may hold any name. The system offers it
    // as CF_TEXT too, to whoever asks for that.
    const std::wstring wide = platform::ToWide(text);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, (wide.size() + 1) * sizeof(wchar_t));
    if (!block)
        return false;
    auto* chars = static_cast<wchar_t*>(GlobalLock(block));
    if (!chars) {
        GlobalFree(block);
        return false;
    }
    wide.copy(chars, wide.size());
    GlobalUnlock(block);
    bool handedOver = false;
    if (OpenClipboard(m_owner)) {
        // Once SetClipboardData succeeds the block belongs to the clipboard.
        handedOver = EmptyClipboard() && SetClipboardData(CF_UNICODETEXT, block) != nullptr;
        CloseClipboard();
    }
    if (!handedOver)
        GlobalFree(block);
    return handedOver;
}

bool CSplitterDlg::RunUpdateCheck()
{
    std::unique_ptr<IHttpClient> http =
        m_updateClient ? m_updateClient() : std::make_unique<CWinInetHttpClient>("Portelan");
    CWindowUpdateUi ui(Hwnd());

    return RunUpdateCommand(kUpdateName, *http, ui, WindowUpdateSettings(ReadVersionInfo));
}

} // namespace portelan
