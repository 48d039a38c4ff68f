// The system's modal choosers for the source file and the target folder,
// behind a seam so that tests can answer them.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace portelan {

class IChoosers {
  public:
    virtual ~IChoosers() = default;
    // The chosen file's full path, or nothing when cancelled.
    virtual std::optional<std::string> ChooseSourceFile(HWND owner, const std::string& browseDir) = 0;
    // The chosen folder's file-system path, or nothing.
    virtual std::optional<std::string> ChooseFolder(HWND owner) = 0;
};

// The choosers of the system: the open-file dialog and the folder browser.
IChoosers& ProgramChoosers();

// The folder browser's event function: its OK button starts disabled and
// any change of the selection enables it.
int CALLBACK BrowseForFolderEvents(HWND browser, UINT event, LPARAM, LPARAM);

} // namespace portelan
