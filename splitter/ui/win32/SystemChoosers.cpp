// The real choosers: the open-file dialog and the folder browser.
#include <windows.h>

#include <commdlg.h>
#include <shlobj.h>

#include "platform/win32/WideText.h"
#include "splitter/ui/win32/Choosers.h"
#include "texts/SplitterTexts.h"

namespace portelan {

int CALLBACK BrowseForFolderEvents(HWND browser, UINT event, LPARAM, LPARAM)
{
    if (event == BFFM_INITIALIZED)
        SendMessageW(browser, BFFM_ENABLEOK, 0, 0);
    else if (event == BFFM_SELCHANGED)
        SendMessageW(browser, BFFM_ENABLEOK, 1, 1);
    return 0;
}

namespace {

class CSystemChoosers : public IChoosers {
  public:
    std::optional<std::string> ChooseSourceFile(HWND owner, const std::string& browseDir) override
    {
        std::wstring path(MAX_PATH, L'\0');
        const std::wstring initialDir = platform::ToWide(browseDir);
        const std::wstring title = platform::ToWide(Tr(Text::ChooseSourceTitle));
        OPENFILENAMEW ofn{};
        // The structure's first version, as the program has always asked for
        // it: 76 bytes on 32-bit Windows, more on 64-bit, so the size is the
        // target's own.
        ofn.lStructSize = OPENFILENAME_SIZE_VERSION_400W;
        ofn.hwndOwner = owner;
        ofn.lpstrFile = path.data();
        ofn.nMaxFile = static_cast<DWORD>(path.size());
        ofn.lpstrInitialDir = initialDir.c_str();
        ofn.lpstrTitle = title.c_str();
        ofn.Flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_EXPLORER;
        if (!GetOpenFileNameW(&ofn))
            return std::nullopt;
        return platform::ToUtf8(path.c_str());
    }

    std::optional<std::string> ChooseFolder(HWND owner) override
    {
        wchar_t display[MAX_PATH] = L"";
        const std::wstring title = platform::ToWide(Tr(Text::ChooseTargetTitle));
        BROWSEINFOW info{};
        info.hwndOwner = owner;
        info.pszDisplayName = display;
        info.lpszTitle = title.c_str();
        info.lpfn = BrowseForFolderEvents;
        PIDLIST_ABSOLUTE item = SHBrowseForFolderW(&info);
        if (!item)
            return std::nullopt;
        wchar_t path[MAX_PATH] = L"";
        bool ok = SHGetPathFromIDListW(item, path) && path[0] != L'\0';
        CoTaskMemFree(item);
        if (!ok)
            return std::nullopt;
        return platform::ToUtf8(path);
    }
};

} // namespace

IChoosers& ProgramChoosers()
{
    static CSystemChoosers choosers;
    return choosers;
}

} // namespace portelan
