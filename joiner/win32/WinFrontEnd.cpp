#include "joiner/win32/WinFrontEnd.h"

#include "joiner/win32/ConcatDlg.h"

namespace portelan {

CWinFrontEnd::CWinFrontEnd(IFileChooser& chooser) : m_chooser(chooser) {}

CWinFrontEnd::~CWinFrontEnd() = default;

bool CWinFrontEnd::AskForDirectory(std::string& dir, const std::string& fileName)
{
    CConcatDlg dialog(m_chooser);
    dialog.SetContent(dir, fileName, true);
    if (dialog.DoModal() != IDOK)
        return false;
    dir = dialog.GetSearchDir();
    return true;
}

void CWinFrontEnd::ReportError(const std::string& text) { ShowInWindow(text, ""); }

void CWinFrontEnd::ShowMessage(const std::string& text, const std::string& title)
{
    ShowInWindow(text, title);
}

void CWinFrontEnd::ShowInWindow(const std::string& text, const std::string& title)
{
    CConcatDlg dialog(m_chooser);
    dialog.SetContent(text, title, false);
    dialog.DoModal();
}

void CWinFrontEnd::CreateProgress(const std::string& tip)
{
    m_pProgress = std::make_unique<CProgressDlg>(tip);
    if (!m_pProgress->Create())
        m_pProgress.reset(); // the join goes on without its icon
}

void CWinFrontEnd::ShowProgress(bool visible)
{
    if (m_pProgress)
        m_pProgress->Show(visible);
}

void CWinFrontEnd::SetProgressTip(const std::string& tip)
{
    if (m_pProgress)
        m_pProgress->SetTip(tip);
}

void CWinFrontEnd::DestroyProgress() { m_pProgress.reset(); }

} // namespace portelan
