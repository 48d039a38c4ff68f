// "Info über Portelan" with the program's version record, and the
// dedication hidden behind a right-button double click.
#pragma once

#include <optional>
#include <string>

#include "platform/win32/Window.h"
#include "splitter/ui/VersionRecord.h"

namespace portelan {

// The version record of any file: the versions from its fixed part, the
// texts from the German string block; nullopt when the fixed part cannot be
// read.
std::optional<VersionRecord> ReadVersionRecordOf(const std::string& file);

// Where feedback goes; shown in the About box.
extern const char* const kFeedbackAddress;

// "Widmung": a line and a clip.
class CDedicationDlg : public win::CDialog {
  public:
    CDedicationDlg();

  protected:
    BOOL OnInitDialog() override;
};

// "Info über Portelan".
class CAboutDlg : public win::CDialog {
  public:
    CAboutDlg();

  protected:
    BOOL OnInitDialog() override;
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;
};

} // namespace portelan
