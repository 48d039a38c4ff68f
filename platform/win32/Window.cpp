#include "platform/win32/Window.h"

#include <commctrl.h>

#include <vector>

namespace portelan::win {

CApplikation* CApplikation::s_pCurrent = nullptr;

CApplikation::CApplikation() : m_hInstance(GetModuleHandleA(nullptr)) { s_pCurrent = this; }

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
        while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    return ExitInstance();
}

std::string CDialog::GetItemText(int id) const
{
    HWND item = Item(id);
    int length = GetWindowTextLengthA(item);
    std::vector<char> text(static_cast<std::size_t>(length) + 1, '\0');
    GetWindowTextA(item, text.data(), length + 1);
    return text.data();
}

INT_PTR CDialog::DoModal(HWND owner)
{
    return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(m_nTemplate), owner, Procedure,
                           reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK CDialog::Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CDialog* self;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<CDialog*>(lParam);
        SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
        self->m_hWnd = hwnd;
        return self->OnInitDialog();
    }
    self = reinterpret_cast<CDialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
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
    SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, result);
    return TRUE;
}

HWND PlayClip(HWND staticControl, int controlId, int clipId, DWORD extraStyle)
{
    RECT area{};
    GetClientRect(staticControl, &area);
    HWND clip = CreateWindowExA(0, ANIMATE_CLASSA, "", WS_CHILD | WS_VISIBLE | ACS_CENTER | extraStyle, 0, 0,
                                area.right, area.bottom, staticControl,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId)),
                                GetModuleHandleA(nullptr), nullptr);
    if (clip) {
        SendMessageA(clip, ACM_OPENA, 0, static_cast<LPARAM>(clipId));
        SendMessageA(clip, ACM_PLAY, static_cast<WPARAM>(-1), MAKELPARAM(0, 0xFFFF));
    }
    return clip;
}

} // namespace portelan::win
