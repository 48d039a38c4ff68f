#include "joiner/win32/ConcatDlg.h"

#include "common/PathText.h"
#include "common/StrFormat.h"
#include "joiner/win32/JoinerResource.h"
#include "texts/JoinerTexts.h"

namespace portelan {

std::string SearchExtension(const std::string& fileName)
{
    std::string::size_type dot = fileName.rfind('.');
    if (dot == std::string::npos || dot == 0)
        return "*";
    return fileName.substr(dot + 1);
}

std::string SearchFilter(const std::string& ext)
{
    std::string filter = StrFormat(Tr(JoinerText::SearchFilter), ext.c_str(), ext.c_str(), ext.c_str());
    if (filter.size() > 256)
        filter.resize(256);
    return filter;
}

std::string FilterWithNuls(std::string filter)
{
    for (char& c : filter)
        if (c == '|')
            c = '\0';
    return filter;
}

CConcatDlg::CConcatDlg(IFileChooser& chooser) : CDialog(IDD_CONCAT), m_chooser(chooser) {}

void CConcatDlg::SetContent(const std::string& first, const std::string& second, bool searchMode)
{
    m_bSearchMode = searchMode;
    if (searchMode) {
        m_strSearchDir = first;
        m_strFileName = second;
    } else {
        m_strMessage = first;
        m_strTitle = second;
    }
}

std::string CConcatDlg::GetSearchDir() const { return m_bSearchMode ? m_strSearchDir : std::string(); }

BOOL CConcatDlg::OnInitDialog()
{
    const win::ControlText buttons[] = {{IDC_SEARCH, Tr(JoinerText::SearchButton)},
                                        {IDCANCEL, Tr(JoinerText::QuitButton)}};
    win::SetDialogTexts(Hwnd(),
                        m_bSearchMode        ? Tr(JoinerText::FileNotFound)
                        : m_strTitle.empty() ? Tr(JoinerText::ErrorCaption)
                                             : m_strTitle.c_str(),
                        buttons);
    if (m_bSearchMode) {
        SetItemText(IDC_TEXT, m_strSearchDir + m_strFileName);
        ShowItem(IDC_SEARCH, true);
        EnableItem(IDC_SEARCH, true);
    } else {
        SetItemText(IDC_TEXT, m_strMessage);
        EnableItem(IDC_SEARCH, false);
        ShowItem(IDC_SEARCH, false);
    }
    win::PlayClip(Item(IDC_CLIP_FRAME), IDC_CLIP_FRAME, IDR_CLIP_JOIN);
    // The focus on the button that is there to be pressed; moved the
    // dialog's way, the button becomes the default one, so Enter presses it.
    SendMessageW(Hwnd(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Item(m_bSearchMode ? IDC_SEARCH : IDCANCEL)),
                 TRUE);
    return FALSE;
}

bool CConcatDlg::OnCommand(int id, int code, HWND)
{
    if (id == IDC_SEARCH) {
        if (code == BN_CLICKED)
            OnSearch();
        return true;
    }
    // The help command has nothing to show.
    return id == ID_HELP_COMMAND;
}

INT_PTR CConcatDlg::OnMessage(UINT message, WPARAM, LPARAM, bool& handled)
{
    handled = message == WM_HELP; // F1: nothing to show either
    return handled ? TRUE : 0;
}

void CConcatDlg::OnOK()
{
    // Enter searches; a message has nothing to confirm.
    if (m_bSearchMode)
        OnSearch();
}

void CConcatDlg::OnSearch()
{
    // The dialog has no owner, so this window stays usable meanwhile:
    // a second click must not open a second dialog.
    if (m_bChoosing)
        return;
    const std::string ext = SearchExtension(m_strFileName);
    FileRequest request;
    request.filter = FilterWithNuls(SearchFilter(ext));
    request.defaultExtension = ext;
    request.initialFile = m_strSearchDir + m_strFileName;
    request.title = Tr(JoinerText::ChooseDirectory);
    m_bChoosing = true;
    std::optional<std::string> chosen = m_chooser.ChooseFile(request);
    m_bChoosing = false;
    if (!chosen)
        return;
    // Only the directory counts; the file picked in it does not.
    std::string dir = SplitPath(*chosen).directory;
    EnsureTrailingBackslash(dir);
    m_strSearchDir = dir;
    EndDialog(Hwnd(), IDOK);
}

} // namespace portelan
