// closebox TITLE [SECONDS]: waits for a visible top-level window with that
// title (a message box of a program under test, or the joiner's message
// window), prints its text, and closes it with its OK button, or with its
// close button when it has none. Exit 0 when it found one, 1 otherwise.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

struct Search {
    std::string title;
    HWND found = nullptr;
};

BOOL CALLBACK Match(HWND hwnd, LPARAM data)
{
    auto* search = reinterpret_cast<Search*>(data);
    char text[512] = "";
    GetWindowTextA(hwnd, text, sizeof text);
    if (IsWindowVisible(hwnd) && search->title == text) {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: closebox TITLE [SECONDS]\n");
        return 2;
    }
    Search search;
    search.title = argv[1];
    int seconds = argc > 2 ? std::atoi(argv[2]) : 30;
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
    char text[4096] = "";
    GetDlgItemTextA(search.found, textId, text, sizeof text);
    std::printf("%s\n", text);
    std::fflush(stdout);
    // The joiner's message window has no OK button, only "Be&enden" (IDCANCEL).
    const int buttonId = GetDlgItem(search.found, IDOK) ? IDOK : IDCANCEL;
    PostMessageA(search.found, WM_COMMAND, buttonId, 0);
    return 0;
}
