// "Info über Portelan" with the program's version record, and the
// dedication hidden behind a right-button double click.
#pragma once

#include <string>

#include "platform/win32/Window.h"

namespace portelan {

// Reads the running program's own version record: the file and product
// versions as "a.b.c.d" (and, when numbers is given, the file version's four
// numbers) from its fixed part, the release note ("Comments") and the legal
// notice ("LegalCopyright") from the German string block. A text that is not
// in the record stays as it was. True when the fixed part was read; false
// with nothing changed when the record cannot be read at all.
bool ReadVersionInfo(std::string& fileVersion, std::string& productVersion, std::string& releaseNote,
                     std::string& legalNotice, int* numbers = nullptr);
// The same for the record of any file.
bool ReadVersionInfoOf(const std::string& file, std::string& fileVersion, std::string& productVersion,
                       std::string& releaseNote, std::string& legalNotice, int* numbers = nullptr);

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
