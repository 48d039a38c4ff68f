// The real choosers: the open-file dialog and the folder browser.
#include <windows.h>

#include <commdlg.h>
#include <shlobj.h>

#include <vector>

#include "splitter/ui/win32/Choosers.h"

namespace portelan {

int CALLBACK BrowseForFolderEvents(HWND browser, UINT event, LPARAM, LPARAM)
{
    if (event == BFFM_INITIALIZED)
        SendMessageA(browser, BFFM_ENABLEOK, 0, 0);
    else if (event == BFFM_SELCHANGED)
        SendMessageA(browser, BFFM_ENABLEOK, 1, 1);
    return 0;
}

namespace {

class CSystemChoosers : public IChoosers {
  public:
    std::optional<std::string> ChooseSourceFile(HWND owner, const std::string& browseDir) override
    {
        std::vector<char> path(MAX_PATH, '\0');
        OPENFILENAMEA ofn{};
        // The structure's first version, as the program has always asked for
        // it: 76 bytes on 32-bit Windows, more on 64-bit, so the size is the
        // target's own.
        ofn.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
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
        info.lpfn = BrowseForFolderEvents;
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
