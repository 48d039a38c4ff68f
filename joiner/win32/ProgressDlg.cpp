#include "joiner/win32/ProgressDlg.h"

#include "common/StrFormat.h"
#include "joiner/win32/JoinerResource.h"
#include "platform/Platform.h"

namespace portelan {

CProgressDlg::CProgressDlg(std::string tip) : m_strTip(std::move(tip)) {}

CProgressDlg::~CProgressDlg()
{
    m_pTrayIcon.reset();
    if (m_hWnd && IsWindow(m_hWnd))
        DestroyWindow(m_hWnd);
}

bool CProgressDlg::Create()
{
    // Modeless: the join goes on while the window (that is, its icon) is there.
    HWND hwnd = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_PROGRESS), nullptr,
                                   Procedure, reinterpret_cast<LPARAM>(this));
    return hwnd != nullptr;
}

BOOL CProgressDlg::OnInitDialog()
{
    // Callback message 0: the icon is only there to be looked at.
    m_pTrayIcon = std::make_unique<CTrayIcon>(m_hWnd, 0, m_strTip);
    return TRUE;
}

void CProgressDlg::Show(bool visible)
{
    if (m_pTrayIcon)
        m_pTrayIcon->SetVisible(visible);
}

void CProgressDlg::SetProgress(int index, int count)
{
    SetTip(StrFormat(Tr(JoinerText::JoinFileOf), index, count));
}

void CProgressDlg::SetTip(const std::string& tip)
{
    if (m_pTrayIcon)
        m_pTrayIcon->SetTip(tip);
}

INT_PTR CALLBACK CProgressDlg::Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        auto* self = reinterpret_cast<CProgressDlg*>(lParam);
        SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
        self->m_hWnd = hwnd;
        return self->OnInitDialog();
    }
    // Log-off or shutdown during a join: the system tells the windows, and
    // the window that lasts the whole join takes the half-joined file along.
    if (message == WM_ENDSESSION && wParam)
        platform::RemovedOnInterrupt::RemoveNow();
    auto* self = reinterpret_cast<CProgressDlg*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    if (self && message == WM_COMMAND)
        return TRUE; // a modeless window must not end as a modal one would
    if (self && message == WM_NCDESTROY)
        self->m_hWnd = nullptr;
    return FALSE;
}

} // namespace portelan
