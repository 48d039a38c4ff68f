// The splitter's main window as a console dialogue.
#pragma once

#include <condition_variable>
#include <cstdio>
#include <functional>
#include <mutex>

#include "splitter/engine/SplitFrontEnd.h"

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

    // Progress state; touched by the worker while it runs and by the front
    // end's thread only while the worker waits in RunOnUiThread.
    int m_nLower = 0;
    int m_nUpper = 0;
    int m_nStep = 1;
    int m_nPos = 0;
    bool m_bBarDrawn = false;

    std::mutex m_mutex;
    std::condition_variable m_changed;
    const std::function<void()>* m_pTask = nullptr;
    bool m_bTaskDone = false;
    bool m_bServing = true;
};

} // namespace portelan
