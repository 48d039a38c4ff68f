#include "joiner/win32/TrayIcon.h"

#include <cstring>

#include "joiner/win32/JoinerResource.h"
#include "platform/win32/WideText.h"

namespace portelan {

namespace {

constexpr UINT kIconId = 1;
NotifyIconFunction g_pNotify = Shell_NotifyIconA;

// The structure as the first shell version knew it: every shell accepts
// this size, and the tip field holds 64 characters.
NOTIFYICONDATAA NewData(HWND owner, UINT id)
{
    NOTIFYICONDATAA data;
    std::memset(&data, 0, sizeof data);
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = owner;
    data.uID = id;
    return data;
}

// The structure stays the "A" one, so the UTF-8 tip goes into the ANSI code
// page first (our tips are ASCII, which stays as it is).
void CopyTip(NOTIFYICONDATAA& data, const char* tip)
{
    const std::string ansi = platform::ToAnsi(tip);
    const int room = 64; // the first version's tip field, NUL included
    int length = static_cast<int>(ansi.size()) + 1;
    lstrcpynA(data.szTip, ansi.c_str(), length < room ? length : room);
}

} // namespace

NotifyIconFunction SetNotifyIconFunction(NotifyIconFunction function)
{
    NotifyIconFunction previous = g_pNotify;
    g_pNotify = function ? function : Shell_NotifyIconA;
    return previous;
}

CTrayIcon::CTrayIcon(HWND owner, UINT callbackMessage, const std::string& tip)
    : m_strTip(tip), m_uCallbackMessage(callbackMessage), m_pWnd(owner)
{
}

void CTrayIcon::SetVisible(bool visible)
{
    m_bVisible = visible;
    Update();
}

void CTrayIcon::SetTip(const std::string& text) { ModifyTip(m_pWnd, kIconId, text.c_str()); }

void CTrayIcon::Update()
{
    if (!m_pWnd)
        return;
    if (m_bVisible) {
        HICON icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME));
        AddIcon(m_pWnd, m_uCallbackMessage, kIconId, icon, "");
        ShowWindow(m_pWnd, SW_HIDE);
        ModifyTip(m_pWnd, kIconId, m_strTip.c_str());
    } else {
        DeleteIcon(m_pWnd, kIconId);
        ShowWindow(m_pWnd, SW_SHOW);
    }
}

void CTrayIcon::AddIcon(HWND owner, UINT callbackMessage, UINT id, HICON icon, const char* tip)
{
    NOTIFYICONDATAA data = NewData(owner, id);
    data.uFlags = NIF_MESSAGE;
    data.uCallbackMessage = callbackMessage;
    data.hIcon = icon;
    if (icon)
        data.uFlags |= NIF_ICON;
    if (tip) {
        data.uFlags |= NIF_TIP;
        CopyTip(data, tip);
    }
    g_pNotify(NIM_ADD, &data);
}

void CTrayIcon::ModifyTip(HWND owner, UINT id, const char* tip)
{
    NOTIFYICONDATAA data = NewData(owner, id);
    data.uFlags = NIF_TIP;
    CopyTip(data, tip ? tip : "");
    g_pNotify(NIM_MODIFY, &data);
}

void CTrayIcon::DeleteIcon(HWND owner, UINT id)
{
    NOTIFYICONDATAA data = NewData(owner, id);
    g_pNotify(NIM_DELETE, &data);
}

} // namespace portelan
