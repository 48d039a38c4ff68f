#include "splitter/ui/win32/SplitterDlg.h"

#include <commctrl.h>

#include "platform/win32/WideText.h"
#include "splitter/ui/win32/AboutDlg.h"
#include "splitter/ui/win32/Dialogs.h"
#include "splitter/ui/win32/Resource.h"
#include "texts/SplitterTexts.h"

namespace portelan {

CSplitterDlg::CSplitterDlg(IChoosers& choosers)
    : CDialog(IDD_MAIN), m_choosers(choosers), m_engine(*this, m_joiner), m_model(*this, m_engine, "C:\\")
{
    m_hIcon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME));
}

CSplitterDlg::~CSplitterDlg() = default;

BOOL CSplitterDlg::OnInitDialog()
{
    m_editTarget.Attach(Item(IDC_TARGET), Hwnd(), Input::Target);
    m_editSource.Attach(Item(IDC_SOURCE), Hwnd(), Input::Source);
    m_progress = Item(IDC_PROGRESS);
    SendMessageW(Item(IDC_RECOVERY), EM_LIMITTEXT, 3, 0);

    const win::ControlText texts[] = {
        {IDC_SETTINGS, Tr(Text::SettingsGroup)},     {IDC_HAVE_SOURCE, Tr(Text::SourceFileBox)},
        {IDC_HAVE_TARGET, Tr(Text::TargetPathBox)},  {IDC_HAVE_SIZE, Tr(Text::PieceSizeBox)},
        {IDC_RECOVERY_LABEL, Tr(Text::RecoveryFor)}, {IDC_RECOVERY_UNIT, Tr(Text::RecoveryPieces)},
        {IDC_START, Tr(Text::StartButton)},          {IDCANCEL, Tr(JoinerText::QuitButton)}};
    win::SetDialogTexts(Hwnd(), nullptr, texts);

    HMENU menu = GetSystemMenu(Hwnd(), FALSE);
    if (menu) {
        AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        AppendMenuW(menu, MF_STRING, IDM_ABOUTBOX, platform::ToWide(Tr(Text::AboutMenuItem)).c_str());
        AppendMenuW(menu, MF_STRING, IDM_UPDATE, platform::ToWide(Tr(Text::UpdateMenuItem)).c_str());
    }
    SendMessageW(Hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessageW(Hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));

    SendMessageW(m_progress, PBM_SETRANGE32, 0, 0);
    m_model.Init();
    // Windows belong to the UI thread: the watcher posts, never touches them.
    m_greetingWatcher = std::make_unique<CGreetingWatcher>(
        [hwnd = Hwnd()](bool show) { PostMessageW(hwnd, WM_GREETING_BUTTON, show ? TRUE : FALSE, 0); });
    m_greetingWatcher->Start();
    return TRUE;
}

void CSplitterDlg::SetStatus(const std::string& text) { SetItemText(IDC_STATUS, text); }

void CSplitterDlg::ShowErrorWindow(const std::string& message, const std::string& caption)
{
    CErrorDlg dialog;
    dialog.SetTexts(message, caption);
    dialog.DoModal(Hwnd());
}

bool CSplitterDlg::ConfirmPlan(const SplitPlan& plan)
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

namespace {

// The inputs' controls, by Index(Input).
constexpr int kBoxes[] = {IDC_HAVE_SOURCE, IDC_HAVE_TARGET, IDC_HAVE_SIZE};
constexpr int kFields[] = {IDC_SOURCE, IDC_TARGET, IDC_SIZE_TEXT};

} // namespace

void CSplitterDlg::ShowInput(Input input, const std::string& text)
{
    SetItemText(kFields[Index(input)], text);
}

void CSplitterDlg::SetChecked(Input input, bool checked) { SetCheck(kBoxes[Index(input)], checked); }

bool CSplitterDlg::IsChecked(Input input) const { return IsChecked(kBoxes[Index(input)]); }

std::optional<std::string> CSplitterDlg::ChooseSourceFile(const std::string& browseDir)
{
    return m_choosers.ChooseSourceFile(Hwnd(), browseDir);
}

void CSplitterDlg::ShowRecovery(const std::string& text) { SetItemText(IDC_RECOVERY, text); }

std::optional<std::string> CSplitterDlg::ChooseFolder() { return m_choosers.ChooseFolder(Hwnd()); }

std::optional<PieceSizeValue> CSplitterDlg::ChoosePieceSize(const PieceSizeValue& shown)
{
    CPieceSizeDlg dialog;
    return dialog.Choose(Hwnd(), shown);
}

// While the box is open its modal loop still hands this window the system
// menu's command, the help command and the F1 the box passes on to its
// owner: the model lets one box open at a time.
void CSplitterDlg::ShowAboutBox() { m_model.AboutRequested(); }

void CSplitterDlg::RunAboutBox()
{
    CAboutDlg about;
    about.DoModal(Hwnd());
}

void CSplitterDlg::ShowGreeting()
{
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = L"";
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    if (!GetComputerNameW(name, &size))
        return;
    win::ShowMessageBox(Hwnd(), GreetingText(), GreetingCaption(platform::ToUtf8(name)), MB_ICONINFORMATION);
}

bool CSplitterDlg::OnCommand(int id, int code, HWND)
{
    if (id == ID_HELP_COMMAND)
        ShowAboutBox();
    else if (id == IDC_RECOVERY && code == EN_CHANGE)
        m_model.RecoveryEdited(GetItemText(IDC_RECOVERY));
    else if (code != BN_CLICKED)
        return false;
    else if (id == IDC_START)
        m_model.StartClicked();
    else if (id == IDC_HAVE_SOURCE)
        m_model.SourceClicked();
    else if (id == IDC_HAVE_TARGET)
        m_model.TargetClicked();
    else if (id == IDC_HAVE_SIZE)
        m_model.PieceSizeClicked();
    else if (id == IDC_GREETING)
        ShowGreeting();
    else
        return false;
    return true;
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
        if (!m_bClosing && m_closeAfterTask.Run(*reinterpret_cast<const std::function<void()>*>(lParam)))
            PostMessageW(Hwnd(), WM_COMMAND, IDCANCEL, 0);
        return 0;
    case WM_DROPPED_PATH:
        m_model.Dropped(static_cast<Input>(wParam), *reinterpret_cast<const std::string*>(lParam));
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

bool CSplitterDlg::RunUpdateCheck() { return portelan::RunUpdateCheck(Hwnd(), m_updateClient); }

void CSplitterDlg::OnCancel()
{
    if (m_closeAfterTask.Defer())
        return;
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
