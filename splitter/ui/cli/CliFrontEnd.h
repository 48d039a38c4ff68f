// The splitter's main window as a console dialogue.
#pragma once

#include <cstdio>
#include <functional>

#include "joiner/console/ByteProgress.h"
#include "splitter/engine/HandOver.h"
#include "splitter/engine/SplitFrontEnd.h"
#include "splitter/ui/SplitterModel.h"

namespace portelan {

class CCliFrontEnd : public ISplitFrontEnd {
  public:
    // Status texts and the plan go to out; error windows, a refused plan's
    // verdict, the progress line and the summary to err; the progress line
    // only when progressLine is set (a terminal). With quiet only errors
    // and refusals are printed.
    CCliFrontEnd(std::FILE* out, std::FILE* err, bool progressLine, bool quiet = false);

    void SetStatus(const std::string& text) override;
    void ShowErrorWindow(const std::string& message, const std::string& caption) override;
    bool ConfirmPlan(const SplitPlan& plan) override;
    void ResetProgress() override;
    void InitProgress(int lower, int upper, int step) override;
    void StepProgress() override;
    void ProgressBytes(std::int64_t done, std::int64_t total, const std::string& piece) override;
    void EnableStart(bool enable) override;
    void RunOnUiThread(const std::function<void()>& task) override;

    // The front end's own thread: runs the tasks handed over by the worker
    // until done() holds.
    void RunUntil(const std::function<bool()>& done);
    // From now on RunOnUiThread returns without running its task, so that a
    // worker can always end. Called on the front end's own thread.
    void StopServing();
    // After a complete split: the time taken and the average speed.
    void ShowSummary();
    // A split that did not start with no error or verdict shown yet was
    // refused in its status text: that goes to err as well.
    void ReportRefusal();

  private:
    void EndBar();

    std::FILE* m_out;
    std::FILE* m_err;
    bool m_bProgressLine;
    bool m_bQuiet;
    bool m_bErrorShown = false;
    std::string m_strLastStatus;
    CByteProgress m_bytes;

    // Touched by the worker while it runs and by the front end's thread only
    // while the worker waits in RunOnUiThread.
    CProgressModel m_progress;
    bool m_bBarDrawn = false;

    CHandOver m_handOver;
};

} // namespace portelan
