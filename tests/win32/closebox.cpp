// closebox TITLE [SECONDS]: waits for a visible top-level window with that
// title (a message box of a program under test, or the joiner's message
// window), prints its text in UTF-8, and closes it with its OK button, or
// with its close button when it has none. Exit 0 when it found one, 1
// otherwise.
#include <windows.h>

#include <shellapi.h>

#include <cstdio>
#include <string>

#include "platform/win32/WideText.h"

namespace {

struct Search {
    std::wstring title;
    HWND found = nullptr;
};

BOOL CALLBACK Match(HWND hwnd, LPARAM data)
{
    auto* search = reinterpret_cast<Search*>(data);
    wchar_t text[512] = L"";
    GetWindowTextW(hwnd, text, 512);
    if (IsWindowVisible(hwnd) && search->title == text) {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

} // namespace

int main()
{
    // The title as the system hands it over, whatever the ANSI code page.
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv || argc < 2) {
        std::fprintf(stderr, "usage: closebox TITLE [SECONDS]\n");
        return 2;
    }
    Search search;
    search.title = argv[1];
    int seconds = argc > 2 ? _wtoi(argv[2]) : 30;
    LocalFree(argv);
    for (int waited = 0; waited < seconds * 20 && !search.found; ++waited) {
        EnumWindows(Match, reinterpret_cast<LPARAM>(&search));
        if (!search.found)
            Sleep(50);
    }
    if (!search.found)
        return 1;
    // A message box shows its text in the static control 0xFFFF, the
    // joiner's message window in its edit control 1002.
    const int textId = GetDlgItem(search.found, 0xFFFF) ? 0xFFFF : 1002;
    wchar_t text[4096] = L"";
    GetDlgItemTextW(search.found, textId, text, 4096);
    std::printf("%s\n", portelan::platform::ToUtf8(text).c_str());
    std::fflush(stdout);
    // The joiner's message window has no OK button, only "Be&enden" (IDCANCEL).
    const int buttonId = GetDlgItem(search.found, IDOK) ? IDOK : IDCANCEL;
    PostMessageW(search.found, WM_COMMAND, buttonId, 0);
    return 0;
}
