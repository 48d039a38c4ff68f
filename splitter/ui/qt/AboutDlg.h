// "Info über Portelan" with the program's version record, and the
// dedication behind a right-button double click.
#pragma once

#include <string>

#include <QDialog>

namespace portelan::qt {

// The running program's version record: file and product version as
// "a.b.c.d" (and, when numbers is given, the file version's four numbers),
// the release note and the legal notice. The same record as the Windows
// programs carry. True when the version numbers were read.
bool ReadVersionInfo(std::string& fileVersion, std::string& productVersion, std::string& releaseNote,
                     std::string& legalNotice, int* numbers = nullptr);

// "Widmung": a line and a clip.
class CDedicationDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CDedicationDlg(QWidget* parent = nullptr);
};

// "Info über Portelan".
class CAboutDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CAboutDlg(QWidget* parent = nullptr);

  protected:
    // A right-button double click opens the dedication.
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};

} // namespace portelan::qt
