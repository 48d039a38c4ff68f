// The splitter's small modal windows: the plan of a split and the piece size.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include <QDialog>

#include "splitter/engine/SplitJob.h"
#include "splitter/ui/PieceSize.h"

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
    QLineEdit* m_recovery;
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

    int m_nUnit = UNIT_DISK;
    // The radio buttons and the units they stand for.
    std::vector<std::pair<QRadioButton*, int>> m_unitButtons;
    std::vector<std::pair<QRadioButton*, int>> m_presetButtons;
    std::int64_t m_nValue = 0;

    QLineEdit* m_value;
    QRadioButton* m_unitBytes;
    QRadioButton* m_unitKb;
    QRadioButton* m_unitMb;
    QRadioButton* m_preset;
    QRadioButton* m_free;
};

} // namespace portelan::qt
