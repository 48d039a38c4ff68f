// The joiner's icon in the notification area, standing in for its hidden
// progress window while the pieces are joined.
#pragma once

#include <windows.h>

#include <shellapi.h>

#include <string>

namespace portelan {

// Every call to the shell's notification area goes through this function,
// so that tests can record the calls.
using NotifyIconFunction = BOOL(WINAPI*)(DWORD message, PNOTIFYICONDATAA data);
// Installs a function in place of Shell_NotifyIconA (nullptr restores it);
// returns the one that was installed before.
NotifyIconFunction SetNotifyIconFunction(NotifyIconFunction function);

class CTrayIcon {
  public:
    // Makes no call to the shell: the icon appears with SetVisible(true).
    CTrayIcon(HWND owner, UINT callbackMessage, const std::string& tip);
    // Leaves the icon as it is: whoever showed it takes it down.
    ~CTrayIcon() = default;
    CTrayIcon(const CTrayIcon&) = delete;
    CTrayIcon& operator=(const CTrayIcon&) = delete;

    // Shows the icon in place of the owner window, or the owner in place of the icon.
    void SetVisible(bool visible);
    // A new tip for the shown icon; the tip given at construction stays for
    // the next time the icon is shown.
    void SetTip(const std::string& text);
    bool IsVisible() const { return m_bVisible; }

    // The single calls to the shell. A null tip leaves the tip out; an empty
    // one sets an empty tip. Tips are cut to what the first structure
    // version holds (63 characters). Their results are of no use to us.
    static void AddIcon(HWND owner, UINT callbackMessage, UINT id, HICON icon, const char* tip);
    static void ModifyTip(HWND owner, UINT id, const char* tip);
    static void DeleteIcon(HWND owner, UINT id);

  private:
    void Update();

    std::string m_strTip;
    UINT m_uCallbackMessage;
    HWND m_pWnd; // owner, not owned
    bool m_bVisible = false;
};

} // namespace portelan
