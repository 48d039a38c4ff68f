// The splitter's small modal windows: the plan, the piece size, the error.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/win32/Window.h"
#include "splitter/engine/SplitPlan.h"
#include "splitter/ui/PieceSize.h"

namespace portelan {

// "Information": the plan of a split with its verdict.
class CInfoDlg : public win::CDialog {
  public:
    CInfoDlg();
    void SetPlan(const SplitPlan& plan) { m_plan = plan; }

  protected:
    BOOL OnInitDialog() override;

  private:
    void CheckPlan();
    SplitPlan m_plan;
};

// "Groesse der Einzeldateien": a preset, a number with its unit, or a count
// of pieces.
class CPieceSizeDlg : public win::CDialog {
  public:
    CPieceSizeDlg();
    // Runs the window opened on `shown`; the choice after OK (the number
    // capped for its unit), nullopt when cancelled.
    std::optional<PieceSizeValue> Choose(HWND owner, const PieceSizeValue& shown);

  protected:
    BOOL OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;
    void OnOK() override;

  private:
    void AddPresetRows();
    void Refresh();
    void ReadUnit();

    PieceUnit m_nUnit = PieceUnit::Disk;
    std::int64_t m_nValue = 0;
    std::int64_t m_nCount = kDefaultPieceCount;
};

// The error window with its looping animation.
class CErrorDlg : public win::CDialog {
  public:
    CErrorDlg();
    void SetTexts(const std::string& message, const std::string& title);

  protected:
    BOOL OnInitDialog() override;

  private:
    std::string m_strMessage;
    std::string m_strTitle;
};

} // namespace portelan
