// What the joiner's logic needs from its windows (or its console).
#pragma once

#include <cstdint>
#include <string>

namespace portelan {

class IConcatFrontEnd {
  public:
    virtual ~IConcatFrontEnd() = default;

    // Tells the user that fileName, expected in dir, was not found and lets
    // them choose another directory. True with dir replaced by the choice
    // (ending in a separator); false when the user gives up (dir unchanged).
    virtual bool AskForDirectory(std::string& dir, const std::string& fileName) = 0;
    // Shows text in the message window titled "Fehlermeldung"; returns when closed.
    virtual void ReportError(const std::string& text) = 0;
    // The message window with another title; returns when closed.
    virtual void ShowMessage(const std::string& text, const std::string& title) = 0;

    // The progress window of one join: created hidden, shown while the
    // pieces are copied (with its tip), destroyed at the end.
    virtual void CreateProgress(const std::string& tip) = 0;
    virtual void ShowProgress(bool visible) = 0;
    virtual void SetProgressTip(const std::string& tip) = 0;
    virtual void DestroyProgress() = 0;

    // Bytes of the pieces handled so far of total, while piece (its file
    // name) is read; called after every chunk, so a front end that shows
    // them thins them out. The windows show pieces only.
    virtual void ProgressBytes(std::int64_t /*done*/, std::int64_t /*total*/, const std::string& /*piece*/) {}
    // The join succeeded: the time it took and its speed, where shown.
    virtual void ShowJoinSummary() {}
};

} // namespace portelan
