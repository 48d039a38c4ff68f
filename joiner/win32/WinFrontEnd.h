// The joiner's windows, plain: message boxes and the system's file dialog.
#pragma once

#include "joiner/ConcatFrontEnd.h"

namespace portelan {

class CWinFrontEnd : public IConcatFrontEnd {
  public:
    bool AskForDirectory(std::string& dir, const std::string& fileName) override;
    void ReportError(const std::string& text) override;
    void ShowMessage(const std::string& text, const std::string& title) override;
    void CreateProgress(const std::string&) override {}
    void ShowProgress(bool) override {}
    void SetProgressTip(const std::string&) override {}
    void DestroyProgress() override {}
};

// The file-dialog filter for a missing file: "<ext> Datei (*.<ext>)|*.<ext>||"
// with ext the text after the last dot, or "*" when there is none (or the
// only dot starts the name). The default extension is ext.
std::string SearchExtension(const std::string& fileName);

} // namespace portelan
