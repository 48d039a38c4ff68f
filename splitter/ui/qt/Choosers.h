// The choosers for the source file and the target folder, behind a seam so
// that tests can answer them.
#pragma once

#include <optional>
#include <string>

class QFileDialog;
class QWidget;

namespace portelan::qt {

class IChoosers {
  public:
    virtual ~IChoosers() = default;
    // The chosen file's full path, or nothing when cancelled.
    virtual std::optional<std::string> ChooseSourceFile(QWidget* owner, const std::string& browseDir) = 0;
    // The chosen folder's path, or nothing.
    virtual std::optional<std::string> ChooseFolder(QWidget* owner) = 0;
};

// The program's own choosers: the file dialog and the folder chooser below.
IChoosers& ProgramChoosers();

// "Bitte Quelldatei wählen", opening in browseDir. Any name may be typed:
// whether it exists is found out when the split is planned.
QFileDialog* CreateSourceChooser(QWidget* owner, const std::string& browseDir);

// "Bitte das Zielverzeichnis auswählen...": a folder chooser whose confirm
// button is blocked when it opens and allowed once the selection has changed
// for the first time (a folder picked in the list, another folder opened or
// a folder's name typed).
// It opens in startDir, or in the home directory when that is empty.
// Owned by `owner`; the caller runs it.
QFileDialog* CreateFolderChooser(QWidget* owner, const std::string& startDir = {});

} // namespace portelan::qt
