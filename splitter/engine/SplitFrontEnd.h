// What the split engine needs from whatever stands in for the main dialog.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "texts/JoinerTexts.h"

namespace portelan {

struct SplitPlan;

class ISplitFrontEnd {
  public:
    virtual ~ISplitFrontEnd() = default;

    // The one-line status text; the last one stays.
    virtual void SetStatus(const std::string& text) = 0;
    // Shows a message in the modal error window under the given caption.
    virtual void ShowErrorWindow(const std::string& message, const std::string& caption) = 0;
    // Shows the filled plan (see DescribePlan) and returns true only when the
    // user confirmed with "&Fortfahren".
    virtual bool ConfirmPlan(const SplitPlan& plan) = 0;

    // Progress bar; called from the worker thread.
    virtual void ResetProgress() = 0;
    virtual void InitProgress(int lower, int upper, int step) = 0;
    virtual void StepProgress() = 0;
    // The bytes of the source written so far of total, while piece (its file
    // name) is written; called from the worker after every chunk, so often
    // that a front end showing them thins them out. Windows show pieces only.
    virtual void ProgressBytes(std::int64_t /*done*/, std::int64_t /*total*/, const std::string& /*piece*/) {}

    // Enables or disables "&Starten".
    virtual void EnableStart(bool enable) = 0;

    // Called from the worker: runs `task` on the front end's own thread and
    // returns only after it has run (the worker waits meanwhile). Once the
    // front end is closing it must return at once without running the task:
    // its thread may be waiting for the worker to end.
    virtual void RunOnUiThread(const std::function<void()>& task) = 0;
};

} // namespace portelan
