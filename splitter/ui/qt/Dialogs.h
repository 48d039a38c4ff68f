// The splitter's small modal windows: the plan of a split and the piece size.
#pragma once

#include <cstdint>

#include <QDialog>

#include "splitter/engine/SplitJob.h"

class QButtonGroup;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTextEdit;

namespace portelan::qt {

// "Information": the plan of a split with its verdict; "&Fortfahren" only
// for a plan that passes every check.
class CInfoDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CInfoDlg(QWidget* parent = nullptr);
    // Copies the plan and fills the window from it.
    void SetPlan(const CSplitJob& plan);

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void CheckPlan();

    CSplitJob m_plan;
    QLineEdit* m_name;
    QLineEdit* m_sourceDir;
    QLineEdit* m_sourceSize;
    QLineEdit* m_target;
    QLineEdit* m_count;
    QLineEdit* m_pieceSize;
    QTextEdit* m_verdict;
    QPushButton* m_ok;
    QPushButton* m_cancel;
};

// "Groesse der Einzeldateien": the diskette preset or a number with its unit.
class CPieceSizeDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CPieceSizeDlg(QWidget* parent = nullptr);
    // Before the window runs: the number and its unit (UNIT_DISK for the preset).
    void SetValues(std::int64_t value, int unit);
    // After OK: the number, capped for its unit, and the unit.
    void GetValues(std::int64_t& value, int& unit) const;

    // OK: reads the unit and caps the number.
    void accept() override;

  private:
    void Refresh();
    void ReadUnit();
    void OnPresetClicked();

    bool m_bDiskPreset = true;
    int m_nUnit = 0;
    std::int64_t m_nValue = 0;

    QLineEdit* m_value;
    QRadioButton* m_unitBytes;
    QRadioButton* m_unitKb;
    QRadioButton* m_unitMb;
    QRadioButton* m_preset;
    QRadioButton* m_free;
};

} // namespace portelan::qt
