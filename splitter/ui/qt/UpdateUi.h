// The update check in the desktop program: its message boxes, the wait
// cursor and the clipboard.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "splitter/update/UpdateCheck.h"

class QWidget;

namespace portelan::qt {

class CQtUpdateUi : public IUpdateUi {
  public:
    explicit CQtUpdateUi(QWidget* owner) : m_owner(owner) {}
    // Styles as on Windows (OK / Yes-No; information, question, stop icons).
    BoxAnswer ShowMessageBox(const std::string& text, const std::string& caption, BoxStyle style) override;
    void BeginWaitCursor() override;
    void EndWaitCursor() override;
    bool CopyTextToClipboard(const std::string& text) override;

  private:
    QWidget* m_owner;
    int m_waitDepth = 0; // wait cursors set and not yet restored
};

// "Update suchen": asks first, then looks for and downloads a newer version
// into the program's own directory, with boxes owned by `owner`. True only
// when a new version was downloaded.
bool RunUpdateCheck(QWidget* owner, const UpdateClientFactory& client = {});

} // namespace portelan::qt
