// What the joiner's logic needs from its windows (or its console).
#pragma once

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
};

} // namespace portelan
