// The joiner's windows as a console dialogue.
#pragma once

#include <cstdio>

#include "joiner/ConcatFrontEnd.h"
#include "joiner/console/ByteProgress.h"

namespace portelan {

class CConsoleFrontEnd : public IConcatFrontEnd {
  public:
    // Messages go to out, questions are read from in, progress goes to err;
    // progress lines are redrawn in place on a terminal.
    CConsoleFrontEnd(std::FILE* in, std::FILE* out, std::FILE* err, bool inputIsTerminal,
                     bool progressInPlace);

    bool AskForDirectory(std::string& dir, const std::string& fileName) override;
    void ReportError(const std::string& text) override;
    void ShowMessage(const std::string& text, const std::string& title) override;
    void CreateProgress(const std::string& tip) override;
    void ShowProgress(bool visible) override;
    void SetProgressTip(const std::string& tip) override;
    void DestroyProgress() override;
    void ProgressBytes(std::int64_t done, std::int64_t total, const std::string& piece) override;
    void ShowJoinSummary() override;

    // portelan-cli's conventions: errors on err; progress only where it is
    // redrawn in place, and with quiet nothing but errors and questions.
    void UseCommandLineConventions(bool quiet);
    // Ends the progress line and prints "<bytes> <verb> in <time>, <speed>."
    // on err, unless quiet; nothing when no bytes were reported.
    void ShowSummary(const char* verb);

  private:
    void EndProgressLine();

    std::FILE* m_in;
    std::FILE* m_out;
    std::FILE* m_err;
    bool m_bInputIsTerminal;
    bool m_bInPlace;
    bool m_bVisible = false;
    bool m_bLineOpen = false;
    std::string m_strTip;
    bool m_bErrorsToErr = false;
    bool m_bTipLines = true;
    bool m_bQuiet = false;
    CByteProgress m_bytes;
};

// Window texts use "\r\n" between lines; a console wants "\n".
std::string ConsoleText(const std::string& text);

} // namespace portelan
