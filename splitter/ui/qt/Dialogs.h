// The splitter's small modal windows: the plan of a split and the piece size.
#pragma once

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include <QDialog>

#include "splitter/engine/SplitPlan.h"
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
    void SetPlan(const SplitPlan& plan);

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void CheckPlan();

    SplitPlan m_plan;
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

// "Groesse der Einzeldateien": a preset, a number with its unit, or a count
// of pieces.
class CPieceSizeDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CPieceSizeDlg(QWidget* parent = nullptr);
    // Runs the window opened on `shown`; the choice after OK (the number
    // capped for its unit), nullopt when cancelled.
    std::optional<PieceSizeValue> Choose(const PieceSizeValue& shown);

    // OK: reads the unit and caps the number.
    void accept() override;

  private:
    void SetValues(const PieceSizeValue& shown);
    void Refresh();
    void ReadUnit();

    PieceUnit m_nUnit = PieceUnit::Disk;
    // The radio buttons and the units they stand for.
    std::vector<std::pair<QRadioButton*, PieceUnit>> m_unitButtons;
    std::vector<std::pair<QRadioButton*, PieceUnit>> m_choiceButtons; // the presets, then the count
    std::int64_t m_nValue = 0;
    std::int64_t m_nCount = kDefaultPieceCount;

    QLineEdit* m_value;
    QLineEdit* m_count;
    QRadioButton* m_free;
};

} // namespace portelan::qt
