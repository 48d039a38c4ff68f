// "Info über Portelan" with the program's version record, and the
// dedication behind a right-button double click.
#pragma once

#include <string>

#include <QDialog>

namespace portelan::qt {

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
