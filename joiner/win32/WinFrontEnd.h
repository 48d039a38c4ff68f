// The joiner's windows: the search and message window CConcatDlg and the
// hidden progress window with its tray icon.
#pragma once

#include <memory>

#include "joiner/ConcatFrontEnd.h"
#include "joiner/win32/FileChooser.h"
#include "joiner/win32/ProgressDlg.h"

namespace portelan {

class CWinFrontEnd : public IConcatFrontEnd {
  public:
    explicit CWinFrontEnd(IFileChooser& chooser = SystemFileChooser());
    ~CWinFrontEnd() override;

    bool AskForDirectory(std::string& dir, const std::string& fileName) override;
    void ReportError(const std::string& text) override;
    void ShowMessage(const std::string& text, const std::string& title) override;

    void CreateProgress(const std::string& tip) override;
    void ShowProgress(bool visible) override;
    void SetProgressTip(const std::string& tip) override;
    void DestroyProgress() override;

  private:
    // The message window; an empty title stands for "Fehlermeldung".
    void ShowInWindow(const std::string& text, const std::string& title);

    IFileChooser& m_chooser;
    std::unique_ptr<CProgressDlg> m_pProgress;
};

} // namespace portelan
