// The update check in the Windows program: its message boxes, the wait
// cursor and the clipboard, owned by a window.
#pragma once

#include <windows.h>

#include <string>

#include "splitter/update/UpdateCheck.h"

namespace portelan {

class CWindowUpdateUi : public IUpdateUi {
  public:
    explicit CWindowUpdateUi(HWND owner) : m_owner(owner) {}
    BoxAnswer ShowMessageBox(const std::string& text, const std::string& caption, BoxStyle style) override;
    void BeginWaitCursor() override;
    void EndWaitCursor() override;
    bool CopyTextToClipboard(const std::string& text) override;

  private:
    HWND m_owner;
    HCURSOR m_previous = nullptr;
};

// "Update suchen": asks first, then looks for and downloads a newer version
// into the program's own directory, with boxes owned by `owner`. True only
// when a new version was downloaded.
bool RunUpdateCheck(HWND owner, const UpdateClientFactory& client = {});

} // namespace portelan
