// The real choosers: the open-file dialog and the folder browser.
#include <windows.h>

#include <commdlg.h>
#include <shlobj.h>

#include <vector>

#include "splitter/ui/win32/Choosers.h"

namespace portelan {

namespace {

// The browser's OK starts disabled and is enabled by any change of selection.
int CALLBACK BrowseEvents(HWND browser, UINT event, LPARAM, LPARAM)
{
    if (event == BFFM_INITIALIZED)
        SendMessageA(browser, BFFM_ENABLEOK, 0, 0);
    else if (event == BFFM_SELCHANGED)
        SendMessageA(browser, BFFM_ENABLEOK, 1, 1);
    return 0;
}

class CSystemChoosers : public IChoosers {
  public:
    std::optional<std::string> ChooseSourceFile(HWND owner, const std::string& browseDir) override
    {
        std::vector<char> path(MAX_PATH, '\0');
        OPENFILENAMEA ofn{};
        // The size of the structure for this target; the first version's 76
        // bytes belong to 32-bit Windows only.
        ofn.lStructSize = sizeof ofn;
        ofn.hwndOwner = owner;
        ofn.lpstrFile = path.data();
        ofn.nMaxFile = static_cast<DWORD>(path.size());
        ofn.lpstrInitialDir = browseDir.c_str();
        ofn.lpstrTitle = "Bitte Quelldatei wählen";
        ofn.Flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_EXPLORER;
        if (!GetOpenFileNameA(&ofn))
            return std::nullopt;
        return std::string(path.data());
    }

    std::optional<std::string> ChooseFolder(HWND owner) override
    {
        char display[MAX_PATH] = "";
        BROWSEINFOA info{};
        info.hwndOwner = owner;
        info.pszDisplayName = display;
        info.lpszTitle = "Bitte das Zielverzeichnis auswählen...";
        info.lpfn = BrowseEvents;
        PIDLIST_ABSOLUTE item = SHBrowseForFolderA(&info);
        if (!item)
            return std::nullopt;
        char path[MAX_PATH] = "";
        bool ok = SHGetPathFromIDListA(item, path) && path[0] != '\0';
        CoTaskMemFree(item);
        if (!ok)
            return std::nullopt;
        return std::string(path);
    }
};

} // namespace

IChoosers& ProgramChoosers()
{
    static CSystemChoosers choosers;
    return choosers;
}

} // namespace portelan
