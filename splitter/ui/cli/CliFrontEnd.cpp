#include "splitter/ui/cli/CliFrontEnd.h"

#include "splitter/engine/SplitEngine.h"

namespace portelan {

namespace {

// Window texts separate lines with "\r\n"; print each line indented.
void PrintLines(std::FILE* out, const std::string& indent, const std::string& text)
{
    std::size_t start = 0;
    for (;;) {
        std::size_t end = text.find('\n', start);
        std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::fprintf(out, "%s%s\n", indent.c_str(), line.c_str());
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
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
                 "  Hinweise\n",
                 view.sourceName.c_str(), view.sourceDir.c_str(), view.sourceSize.c_str(),
                 view.targetPath.c_str(), view.count.c_str(), view.pieceSize.c_str());
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
    int span = m_nUpper - m_nLower;
    int done = span > 0 ? (m_nPos - m_nLower) * kWidth / span : 0;
    std::fprintf(m_err, "\r[%s%s] %d/%d", std::string(static_cast<std::size_t>(done), '#').c_str(),
                 std::string(static_cast<std::size_t>(kWidth - done), '.').c_str(), m_nPos - m_nLower, span);
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
    m_nPos = m_nLower;
    EndBar();
}

void CCliFrontEnd::InitProgress(int lower, int upper, int step)
{
    m_nLower = lower;
    m_nUpper = upper;
    m_nStep = step;
}

void CCliFrontEnd::StepProgress()
{
    m_nPos += m_nStep;
    if (m_nPos > m_nUpper)
        m_nPos = m_nLower; // a progress bar wraps around when stepped past its end
    DrawBar();
}

void CCliFrontEnd::EnableStart(bool) {}

void CCliFrontEnd::RunOnUiThread(const std::function<void()>& task)
{
    std::unique_lock lock(m_mutex);
    if (!m_bServing)
        return;
    m_pTask = &task;
    m_bTaskDone = false;
    m_changed.notify_all();
    m_changed.wait(lock, [&] { return m_bTaskDone || !m_bServing; });
    m_pTask = nullptr;
}

void CCliFrontEnd::StopServing()
{
    {
        std::lock_guard lock(m_mutex);
        m_bServing = false;
    }
    m_changed.notify_all();
}

void CCliFrontEnd::RunUntil(const std::function<bool()>& done)
{
    while (!done()) {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return m_pTask != nullptr; });
        const std::function<void()>* task = m_pTask;
        m_pTask = nullptr;
        lock.unlock();
        (*task)();
        lock.lock();
        m_bTaskDone = true;
        m_changed.notify_all();
    }
}

} // namespace portelan
