#include "splitter/ui/win32/DropEdit.h"

#include "platform/win32/WideText.h"

namespace portelan {

void CDropEdit::Attach(HWND edit, HWND owner, Input field)
{
    m_pOwner = owner;
    m_field = field;
    // Subclassed the "W" way: an edit with an ANSI procedure would take its
    // texts through the ANSI code page.
    SetWindowLongPtrW(edit, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    m_pDefault = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CDropEdit::Procedure)));
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

void CDropEdit::OnDropFiles(HDROP drop) const
{
    if (DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0) != 1)
        return;
    std::wstring path(DragQueryFileW(drop, 0, nullptr, 0) + 1, L'\0');
    const UINT length = DragQueryFileW(drop, 0, path.data(), static_cast<UINT>(path.size()));
    if (length == 0)
        return;
    path.resize(length);
    const std::string dropped = platform::ToUtf8(path);
    SendMessageW(m_pOwner, WM_DROPPED_PATH, static_cast<WPARAM>(m_field), reinterpret_cast<LPARAM>(&dropped));
}

} // namespace portelan
