#include "splitter/ui/cli/CliFrontEnd.h"

#include "splitter/engine/SplitEngine.h"

namespace portelan {

namespace {

// Window texts separate lines with "\r\n"; print each line indented.
void PrintLines(std::FILE* out, const std::string& indent, const std::string& text)
{
    const std::string lines = UnixLineBreaks(text);
    std::size_t start = 0;
    for (std::size_t end; (end = lines.find('\n', start)) != std::string::npos; start = end + 1)
        std::fprintf(out, "%s%s\n", indent.c_str(), lines.substr(start, end - start).c_str());
    std::fprintf(out, "%s%s\n", indent.c_str(), lines.substr(start).c_str());
}

} // namespace

CCliFrontEnd::CCliFrontEnd(std::FILE* out, std::FILE* err, bool progressLine, bool quiet)
    : m_out(out), m_err(err), m_bProgressLine(progressLine && !quiet), m_bQuiet(quiet)
{
}

void CCliFrontEnd::SetStatus(const std::string& text)
{
    EndBar();
    m_strLastStatus = text;
    if (m_bQuiet)
        return;
    std::fprintf(m_out, "%s\n", text.c_str());
    std::fflush(m_out);
}

void CCliFrontEnd::ShowErrorWindow(const std::string& message, const std::string& caption)
{
    EndBar();
    m_bErrorShown = true;
    std::fprintf(m_err, "%s\n", caption.c_str());
    PrintLines(m_err, "", message);
    std::fflush(m_err);
}

bool CCliFrontEnd::ConfirmPlan(const SplitPlan& plan)
{
    PlanView view = DescribePlan(plan);
    // A refusal is an error: on err, where a script looks for one.
    if (!view.verdict.canConfirm) {
        m_bErrorShown = true;
        std::fprintf(m_err, "%s\n", Tr(JoinerText::ErrorCaption));
        PrintLines(m_err, "", view.verdict.text);
        std::fflush(m_err);
    }
    if (m_bQuiet)
        return view.verdict.canConfirm;
    std::fprintf(m_out,
                 "Information\n"
                 "  Quelle\n"
                 "    Dateiname: %s\n"
                 "    Pfad:      %s\n"
                 "    Grösse:    %s\n"
                 "  Ziel\n"
                 "    Pfad:      %s\n"
                 "    Anzahl:    %s\n"
                 "    Grösse:    %s\n"
                 "    Wiederherstellung: %s\n"
                 "  Hinweise\n",
                 view.sourceName.c_str(), view.sourceDir.c_str(), view.sourceSize.c_str(),
                 view.targetPath.c_str(), view.count.c_str(), view.pieceSize.c_str(), view.recovery.c_str());
    PrintLines(m_out, "    ", view.verdict.text);
    std::fflush(m_out);
    // Without a person to ask, "&Fortfahren" is pressed whenever it is enabled.
    return view.verdict.canConfirm;
}

void CCliFrontEnd::ProgressBytes(std::int64_t done, std::int64_t total, const std::string& piece)
{
    if (!m_bytes.Started())
        m_bytes.Start(total);
    if (!m_bytes.Update(done) || !m_bProgressLine)
        return;
    std::fprintf(m_err, "\r%s\033[K", m_bytes.Line(piece).c_str());
    std::fflush(m_err);
    m_bBarDrawn = true;
}

void CCliFrontEnd::ReportRefusal()
{
    if (m_bErrorShown || m_strLastStatus.empty())
        return;
    std::fprintf(m_err, "%s\n%s\n", Tr(JoinerText::ErrorCaption), m_strLastStatus.c_str());
    std::fflush(m_err);
}

void CCliFrontEnd::ShowSummary()
{
    EndBar();
    if (m_bQuiet || !m_bytes.Started())
        return;
    std::fprintf(m_err, "%s\n", m_bytes.Summary("aufgeteilt").c_str());
    std::fflush(m_err);
}

void CCliFrontEnd::EndBar()
{
    if (m_bBarDrawn) {
        std::fputc('\n', m_err);
        m_bBarDrawn = false;
    }
}

void CCliFrontEnd::ResetProgress()
{
    m_progress.Reset();
    EndBar();
}

void CCliFrontEnd::InitProgress(int lower, int upper, int step) { m_progress.Init(lower, upper, step); }

void CCliFrontEnd::StepProgress() { m_progress.Step(); }

void CCliFrontEnd::EnableStart(bool) {}

void CCliFrontEnd::RunOnUiThread(const std::function<void()>& task) { m_handOver.RunAndWait(task); }

void CCliFrontEnd::StopServing() { m_handOver.Close(); }

void CCliFrontEnd::RunUntil(const std::function<bool()>& done)
{
    while (!done())
        m_handOver.WaitAndRun(std::chrono::milliseconds(10));
}

} // namespace portelan
