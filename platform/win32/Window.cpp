#include "platform/win32/Window.h"

#include <commctrl.h>

#include "platform/win32/WideText.h"

namespace portelan::win {

void SetText(HWND window, const std::string& text) { SetWindowTextW(window, platform::ToWide(text).c_str()); }

std::string GetText(HWND window)
{
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return platform::ToUtf8(text);
}

int ShowMessageBox(HWND owner, const std::string& text, const std::string& caption, UINT style)
{
    return MessageBoxW(owner, platform::ToWide(text).c_str(), platform::ToWide(caption).c_str(), style);
}

void SetDialogTexts(HWND dialog, const char* caption, std::span<const ControlText> controls)
{
    if (caption != nullptr)
        SetWindowTextW(dialog, platform::ToWide(caption).c_str());
    for (const ControlText& row : controls)
        if (HWND control = GetDlgItem(dialog, row.control))
            SetWindowTextW(control, platform::ToWide(row.text).c_str());
}

CApplikation* CApplikation::s_pCurrent = nullptr;

CApplikation::CApplikation() : m_hInstance(GetModuleHandleW(nullptr)) { s_pCurrent = this; }

CApplikation::~CApplikation()
{
    if (s_pCurrent == this)
        s_pCurrent = nullptr;
}

int CApplikation::Run()
{
    INITCOMMONCONTROLSEX controls{sizeof controls,
                                  ICC_PROGRESS_CLASS | ICC_ANIMATE_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    if (InitInstance()) {
        MSG msg;
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    return ExitInstance();
}

INT_PTR CDialog::DoModal(HWND owner)
{
    // A Unicode dialog: an ANSI one would squeeze every text set on it
    // through the ANSI code page.
    return DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(m_nTemplate), owner, Procedure,
                           reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK CDialog::Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CDialog* self;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<CDialog*>(lParam);
        SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
        self->m_hWnd = hwnd;
        return self->OnInitDialog();
    }
    self = reinterpret_cast<CDialog*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    if (!self)
        return FALSE;
    if (message == WM_COMMAND) {
        int id = LOWORD(wParam);
        if (self->OnCommand(id, HIWORD(wParam), reinterpret_cast<HWND>(lParam)))
            return TRUE;
        if (id == IDOK) {
            self->OnOK();
            return TRUE;
        }
        if (id == IDCANCEL) {
            self->OnCancel();
            return TRUE;
        }
        return FALSE;
    }
    bool handled = false;
    INT_PTR result = self->OnMessage(message, wParam, lParam, handled);
    if (message == WM_NCDESTROY)
        self->m_hWnd = nullptr;
    if (!handled)
        return FALSE;
    // These few messages return their result directly, all others through DWLP_MSGRESULT.
    if (message == WM_QUERYDRAGICON || (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC))
        return result;
    SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, result);
    return TRUE;
}

HWND PlayClip(HWND staticControl, int controlId, int clipId, DWORD extraStyle)
{
    RECT area{};
    GetClientRect(staticControl, &area);
    HWND clip = CreateWindowExW(0, ANIMATE_CLASSW, L"", WS_CHILD | WS_VISIBLE | ACS_CENTER | extraStyle, 0, 0,
                                area.right, area.bottom, staticControl,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId)),
                                GetModuleHandleW(nullptr), nullptr);
    if (clip) {
        SendMessageW(clip, ACM_OPENW, 0, static_cast<LPARAM>(clipId));
        SendMessageW(clip, ACM_PLAY, static_cast<WPARAM>(-1), MAKELPARAM(0, 0xFFFF));
    }
    return clip;
}

} // namespace portelan::win
