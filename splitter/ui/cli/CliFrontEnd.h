// The splitter's main window as a console dialogue.
#pragma once

#include <cstdio>
#include <functional>

#include "splitter/engine/HandOver.h"
#include "splitter/engine/SplitFrontEnd.h"
#include "splitter/ui/SplitterModel.h"

namespace portelan {

class CCliFrontEnd : public ISplitFrontEnd {
  public:
    // Status texts and the plan go to out, error windows and the progress
    // bar to err; the bar only when progressBar is set (a terminal).
    CCliFrontEnd(std::FILE* out, std::FILE* err, bool progressBar);

    void SetStatus(const std::string& text) override;
    void ShowErrorWindow(const std::string& message, const std::string& caption) override;
    bool ConfirmPlan(const CSplitJob& plan) override;
    void ResetProgress() override;
    void InitProgress(int lower, int upper, int step) override;
    void StepProgress() override;
    void EnableStart(bool enable) override;
    void RunOnUiThread(const std::function<void()>& task) override;

    // The front end's own thread: runs the tasks handed over by the worker
    // until done() holds.
    void RunUntil(const std::function<bool()>& done);
    // From now on RunOnUiThread returns without running its task, so that a
    // worker can always end. Called on the front end's own thread.
    void StopServing();

  private:
    void DrawBar();
    void EndBar();

    std::FILE* m_out;
    std::FILE* m_err;
    bool m_bProgressBar;

    // Touched by the worker while it runs and by the front end's thread only
    // while the worker waits in RunOnUiThread.
    CProgressModel m_progress;
    bool m_bBarDrawn = false;

    CHandOver m_handOver;
};

} // namespace portelan
