// The joiner's window: either it names a file that was not found and lets
// the user look for its directory, or it shows a message.
#pragma once

#include <string>

#include "joiner/win32/FileChooser.h"
#include "platform/win32/Window.h"

namespace portelan {

// The extension the search for fileName offers: the text after its last
// dot, or "*" when it has no dot or its only dot starts the name.
std::string SearchExtension(const std::string& fileName);
// The open-file dialog's filter for ext, "<ext> Datei (*.<ext>)|*.<ext>||",
// at most 256 characters, parts separated by "|".
std::string SearchFilter(const std::string& ext);
// The filter as the dialog wants it: every "|" a NUL.
std::string FilterWithNuls(std::string filter);

class CConcatDlg : public win::CDialog {
  public:
    explicit CConcatDlg(IFileChooser& chooser = SystemFileChooser());

    // Search mode: first is the directory tried, second the missing file.
    // Message mode: first is the message, second the title (empty for
    // "Fehlermeldung").
    void SetContent(const std::string& first, const std::string& second, bool searchMode);
    // The directory chosen in search mode (ending in a separator); empty in message mode.
    std::string GetSearchDir() const;

  protected:
    BOOL OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;
    void OnOK() override;

  private:
    void OnSearch();

    IFileChooser& m_chooser;
    std::string m_strTitle;
    std::string m_strMessage;
    bool m_bSearchMode = true;
    std::string m_strFileName;
    std::string m_strSearchDir;
    bool m_bChoosing = false;
};

} // namespace portelan
