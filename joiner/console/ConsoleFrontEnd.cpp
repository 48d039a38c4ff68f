#include "joiner/console/ConsoleFrontEnd.h"

#include "common/PathText.h"
#include "platform/Platform.h"
#include "texts/JoinerTexts.h"

namespace portelan {

std::string ConsoleText(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n'))
            out += text[i];
    return out;
}

CConsoleFrontEnd::CConsoleFrontEnd(std::FILE* in, std::FILE* out, std::FILE* err, bool inputIsTerminal,
                                   bool progressInPlace)
    : m_in(in), m_out(out), m_err(err), m_bInputIsTerminal(inputIsTerminal), m_bInPlace(progressInPlace)
{
}

void CConsoleFrontEnd::EndProgressLine()
{
    if (m_bLineOpen) {
        std::fputc('\n', m_err);
        std::fflush(m_err);
        m_bLineOpen = false;
    }
}

bool CConsoleFrontEnd::AskForDirectory(std::string& dir, const std::string& fileName)
{
    EndProgressLine();
    std::fprintf(m_out, "%s\n%s%s\n%s (%s): ", Tr(JoinerText::FileNotFound), dir.c_str(), fileName.c_str(),
                 Tr(JoinerText::ChooseDirectory), Tr(JoinerText::EmptyAnswerQuits));
    std::fflush(m_out);

    std::string line;
    int c;
    while ((c = std::fgetc(m_in)) != EOF && c != '\n')
        line += static_cast<char>(c);
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    // A terminal echoes the answer and its line end; from a pipe, show both
    // so that the next message starts on a line of its own.
    if (!m_bInputIsTerminal)
        std::fprintf(m_out, "%s\n", line.c_str());
    if (line.empty())
        return false;
    // Naming a file means its directory, as picking a file in a file dialog does.
    if (!platform::IsDirectory(line) && platform::Exists(line))
        line = SplitPath(line).directory;
    EnsureTrailingBackslash(line);
    dir = line;
    return true;
}

void CConsoleFrontEnd::UseCommandLineConventions(bool quiet)
{
    m_bErrorsToErr = true;
    m_bTipLines = false;
    m_bQuiet = quiet;
}

void CConsoleFrontEnd::ReportError(const std::string& text)
{
    EndProgressLine();
    std::FILE* to = m_bErrorsToErr ? m_err : m_out;
    std::fprintf(to, "%s\n%s\n", Tr(JoinerText::ErrorCaption), ConsoleText(text).c_str());
    std::fflush(to);
}

void CConsoleFrontEnd::ShowMessage(const std::string& text, const std::string& title)
{
    EndProgressLine();
    if (m_bQuiet)
        return;
    std::fprintf(m_out, "%s\n%s\n", title.c_str(), ConsoleText(text).c_str());
    std::fflush(m_out);
}

void CConsoleFrontEnd::CreateProgress(const std::string& tip) { m_strTip = tip; }

void CConsoleFrontEnd::ShowProgress(bool visible)
{
    m_bVisible = visible;
    if (visible)
        SetProgressTip(m_strTip);
    else
        EndProgressLine();
}

void CConsoleFrontEnd::SetProgressTip(const std::string& tip)
{
    if (!m_bVisible || m_bQuiet)
        return;
    if (m_bInPlace) {
        // The byte line says more, and names the piece.
        if (m_bytes.Started())
            return;
        std::fprintf(m_err, "\r%s\033[K", tip.c_str());
        m_bLineOpen = true;
    } else if (m_bTipLines) {
        std::fprintf(m_err, "%s\n", tip.c_str());
    }
    std::fflush(m_err);
}

void CConsoleFrontEnd::ProgressBytes(std::int64_t done, std::int64_t total, const std::string& piece)
{
    if (!m_bytes.Started())
        m_bytes.Start(total);
    if (!m_bytes.Update(done) || !m_bInPlace || m_bQuiet)
        return;
    std::fprintf(m_err, "\r%s\033[K", m_bytes.Line(piece).c_str());
    std::fflush(m_err);
    m_bLineOpen = true;
}

void CConsoleFrontEnd::ShowSummary(const char* verb)
{
    EndProgressLine();
    if (m_bQuiet || !m_bytes.Started())
        return;
    std::fprintf(m_err, "%s\n", m_bytes.Summary(verb).c_str());
    std::fflush(m_err);
}

void CConsoleFrontEnd::ShowJoinSummary() { ShowSummary(Tr(JoinerText::Joined)); }

void CConsoleFrontEnd::DestroyProgress()
{
    EndProgressLine();
    m_bVisible = false;
}

} // namespace portelan
