// The joiner's progress window: never seen while the pieces are joined, it
// owns the tray icon whose tip tells which piece is being appended.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "joiner/win32/TrayIcon.h"
#include "texts/JoinerTexts.h"

namespace portelan {

class CProgressDlg {
  public:
    explicit CProgressDlg(std::string tip = Tr(JoinerText::PleaseWait));
    // Deletes the tray icon object (the icon itself stays until hidden) and
    // destroys the window.
    ~CProgressDlg();
    CProgressDlg(const CProgressDlg&) = delete;
    CProgressDlg& operator=(const CProgressDlg&) = delete;

    // Creates the window, hidden and without owner; false when that fails.
    bool Create();
    HWND Hwnd() const { return m_hWnd; }

    // The tray icon in place of the window, or the window again.
    void Show(bool visible);
    // "Datei <i> von <n>..." as the icon's tip.
    void SetProgress(int index, int count);
    void SetTip(const std::string& tip);

    CTrayIcon* TrayIcon() const { return m_pTrayIcon.get(); }

  private:
    static INT_PTR CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    BOOL OnInitDialog();

    std::string m_strTip;
    HWND m_hWnd = nullptr;
    std::unique_ptr<CTrayIcon> m_pTrayIcon;
};

} // namespace portelan
