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

CCliFrontEnd::CCliFrontEnd(std::FILE* out, std::FILE* err, bool progressBar)
    : m_out(out), m_err(err), m_bProgressBar(progressBar)
{
}

void CCliFrontEnd::SetStatus(const std::string& text)
{
    EndBar();
    std::fprintf(m_out, "%s\n", text.c_str());
    std::fflush(m_out);
}

void CCliFrontEnd::ShowErrorWindow(const std::string& message, const std::string& caption)
{
    EndBar();
    std::fprintf(m_err, "%s\n", caption.c_str());
    PrintLines(m_err, "", message);
    std::fflush(m_err);
}

bool CCliFrontEnd::ConfirmPlan(const CSplitJob& plan)
{
    PlanView view = DescribePlan(plan);
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

void CCliFrontEnd::DrawBar()
{
    if (!m_bProgressBar)
        return;
    constexpr int kWidth = 40;
    const int span = m_progress.Upper() - m_progress.Lower();
    const int pos = m_progress.Position() - m_progress.Lower();
    const int done = span > 0 ? pos * kWidth / span : 0;
    std::fprintf(m_err, "\r[%s%s] %d/%d", std::string(static_cast<std::size_t>(done), '#').c_str(),
                 std::string(static_cast<std::size_t>(kWidth - done), '.').c_str(), pos, span);
    std::fflush(m_err);
    m_bBarDrawn = true;
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

void CCliFrontEnd::StepProgress()
{
    m_progress.Step();
    DrawBar();
}

void CCliFrontEnd::EnableStart(bool) {}

void CCliFrontEnd::RunOnUiThread(const std::function<void()>& task) { m_handOver.RunAndWait(task); }

void CCliFrontEnd::StopServing() { m_handOver.Close(); }

void CCliFrontEnd::RunUntil(const std::function<bool()>& done)
{
    while (!done())
        m_handOver.WaitAndRun(std::chrono::milliseconds(10));
}

} // namespace portelan
