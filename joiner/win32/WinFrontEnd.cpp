#include "joiner/win32/WinFrontEnd.h"

#include <windows.h>

#include <commdlg.h>

#include <vector>

#include "common/Helpers.h"
#include "common/StrFormat.h"

namespace portelan {

std::string SearchExtension(const std::string& fileName)
{
    std::string::size_type dot = fileName.rfind('.');
    if (dot == std::string::npos || dot == 0)
        return "*";
    return fileName.substr(dot + 1);
}

bool CWinFrontEnd::AskForDirectory(std::string& dir, const std::string& fileName)
{
    const std::string ext = SearchExtension(fileName);
    // "|" separates the filter's parts as in a resource string; the dialog wants NULs.
    std::string filter = StrFormat("%s Datei (*.%s)|*.%s||", ext.c_str(), ext.c_str(), ext.c_str());
    if (filter.size() > 256)
        filter.resize(256);
    for (char& c : filter)
        if (c == '|')
            c = '\0';

    for (;;) {
        std::string text = "Achtung: Folgende Datei wurde nicht gefunden:\n" + dir + fileName +
                           "\n\nSuchen Sie die Datei? (Abbrechen beendet das Programm.)";
        if (MessageBoxA(nullptr, text.c_str(), "Achtung: Folgende Datei wurde nicht gefunden:",
                        MB_OKCANCEL | MB_ICONEXCLAMATION) != IDOK)
            return false;

        std::vector<char> path(MAX_PATH * 4, '\0');
        std::string initial = dir + fileName;
        initial.copy(path.data(), std::min(initial.size(), path.size() - 1));
        OPENFILENAMEA ofn{};
        ofn.lStructSize = sizeof ofn;
        ofn.lpstrFilter = filter.c_str();
        ofn.lpstrFile = path.data();
        ofn.nMaxFile = static_cast<DWORD>(path.size());
        ofn.lpstrTitle = "Bitte das Verzeichnis auswählen";
        ofn.lpstrDefExt = ext.c_str();
        ofn.Flags = OFN_ENABLESIZING | OFN_HIDEREADONLY | OFN_EXPLORER;
        if (GetOpenFileNameA(&ofn)) {
            // Only the directory counts; the file picked in it does not.
            std::string chosen = SplitPath(path.data()).directory;
            EnsureTrailingBackslash(chosen);
            dir = chosen;
            return true;
        }
    }
}

void CWinFrontEnd::ReportError(const std::string& text) { ShowMessage(text, "Fehlermeldung"); }

void CWinFrontEnd::ShowMessage(const std::string& text, const std::string& title)
{
    // Message boxes break lines at "\n"; window texts carry "\r\n".
    std::string boxText;
    for (char c : text)
        if (c != '\r')
            boxText += c;
    UINT icon = title == "Fehlermeldung" ? MB_ICONSTOP : MB_ICONINFORMATION;
    MessageBoxA(nullptr, boxText.c_str(), title.c_str(), MB_OK | icon | MB_SETFOREGROUND);
}

} // namespace portelan
