// The splitter's error window: the message beside a looping clip, and
// "Be&enden", which closes only this window.
#pragma once

#include <string>

#include <QDialog>

class QPlainTextEdit;

namespace portelan::qt {

class CErrorDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CErrorDlg(QWidget* parent = nullptr);
    // An empty title shows as "Fehlermeldung"; "\r\n" breaks lines.
    void SetTexts(const std::string& message, const std::string& title);

  private:
    QPlainTextEdit* m_message; // owned by the dialog
};

} // namespace portelan::qt
