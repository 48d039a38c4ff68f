// The splitter's small modal windows: the plan, the piece size, the error.
#pragma once

#include <cstdint>
#include <string>

#include "platform/win32/Window.h"
#include "splitter/engine/SplitJob.h"
#include "splitter/ui/PieceSize.h"

namespace portelan {

// "Information": the plan of a split with its verdict.
class CInfoDlg : public win::CDialog {
  public:
    CInfoDlg();
    void SetPlan(const CSplitJob& plan) { m_plan.SetPlan(plan); }

  protected:
    BOOL OnInitDialog() override;

  private:
    void CheckPlan();
    CSplitJob m_plan;
};

// "Groesse der Einzeldateien".
class CPieceSizeDlg : public win::CDialog {
  public:
    CPieceSizeDlg();
    void SetValues(std::int64_t value, int unit);
    void GetValues(std::int64_t& value, int& unit) const;

  protected:
    BOOL OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;
    void OnOK() override;

  private:
    void Refresh();
    void ReadUnit();

    int m_nUnit = UNIT_DISK;
    std::int64_t m_nValue = 0;
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
