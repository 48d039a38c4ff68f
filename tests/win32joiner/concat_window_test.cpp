// The joiner's window CConcatDlg on its own: the message and the search for
// a missing file, with the open-file dialog answered through its seam.
#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include "JoinerHarness.h"
#include "joiner/win32/JoinerResource.h"

namespace portelan::test {
namespace {

const char* const kSearchTitle = "Achtung: Folgende Datei wurde nicht gefunden:";

// The animation the window plays over the frame control.
HWND ClipOf(HWND dialog)
{
    return FindWindowExA(GetDlgItem(dialog, IDC_CLIP_FRAME), nullptr, ANIMATE_CLASSA, nullptr);
}

// A rectangle in dialog units of the window, in pixels, converted as the
// dialog manager does: position and size each on their own.
RECT DialogUnits(HWND dialog, int x, int y, int cx, int cy)
{
    RECT r{x, y, cx, cy};
    MapDialogRect(dialog, &r);
    return RECT{r.left, r.top, r.left + r.right, r.top + r.bottom};
}

RECT ItemRect(HWND dialog, int id)
{
    RECT r{};
    GetWindowRect(GetDlgItem(dialog, id), &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// The control that has the keyboard focus in a thread's windows.
HWND FocusOf(DWORD threadId)
{
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(threadId, &info) ? info.hwndFocus : nullptr;
}

bool SameRect(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

std::string WithNuls(const char* pipes)
{
    std::string text = pipes;
    for (char& c : text)
        if (c == '|')
            c = '\0';
    return text;
}

TEST(SearchFilter, OffersTheMissingFilesExtensionOrEveryFile)
{
    EXPECT_EQ(SearchExtension("_film.cfg"), "cfg");
    EXPECT_EQ(SearchExtension("film.2008.002"), "002");
    EXPECT_EQ(SearchExtension("liesmich"), "*");
    EXPECT_EQ(SearchExtension(".cfg"), "*") << "a dot that starts the name marks no extension";
    EXPECT_EQ(SearchExtension("a.b"), "b");

    EXPECT_EQ(SearchFilter("cfg"), "cfg Datei (*.cfg)|*.cfg||");
    EXPECT_EQ(SearchFilter("*"), "* Datei (*.*)|*.*||");
    // Never longer than 256 characters, however long the extension.
    const std::string longExt(120, 'x');
    const std::string filter = SearchFilter(longExt);
    EXPECT_EQ(filter.size(), 256u);
    EXPECT_EQ(filter.substr(0, 130), longExt + " Datei (*.");

    EXPECT_EQ(FilterWithNuls("cfg Datei (*.cfg)|*.cfg||"), std::string("cfg Datei (*.cfg)\0*.cfg\0\0", 25));
}

TEST(ConcatWindow, MessageShowsTheTextUnderFehlermeldungWithOnlyTheCloseButton)
{
    const std::string text =
        "Die Zieldatei \"C:\\Filme\\film.avi\" konnte nicht erstellt werden.\r\nZweite Zeile.";
    ConcatWindow w(text, "", false);
    ASSERT_NE(w.Hwnd(), nullptr);
    EXPECT_EQ(WindowText(w.Hwnd()), "Fehlermeldung");
    EXPECT_EQ(ItemText(w.Hwnd(), IDC_TEXT), text);
    EXPECT_EQ(SendMessageA(w.Item(IDC_TEXT), EM_GETLINECOUNT, 0, 0), 2);
    EXPECT_FALSE(ItemVisible(w.Hwnd(), IDC_SEARCH));
    EXPECT_FALSE(ItemEnabled(w.Hwnd(), IDC_SEARCH));
    EXPECT_TRUE(ItemVisible(w.Hwnd(), IDCANCEL));
    EXPECT_TRUE(ItemEnabled(w.Hwnd(), IDCANCEL));
    EXPECT_EQ(ItemText(w.Hwnd(), IDCANCEL), "Be&enden");
    EXPECT_EQ(GetWindow(w.Hwnd(), GW_OWNER), nullptr);

    // The animation plays inside the frame, filling it, under the frame's number.
    HWND clip = ClipOf(w.Hwnd());
    ASSERT_NE(clip, nullptr);
    EXPECT_EQ(GetDlgCtrlID(clip), IDC_CLIP_FRAME);
    EXPECT_TRUE(IsWindowVisible(clip));
    RECT frame{}, area{};
    GetClientRect(w.Item(IDC_CLIP_FRAME), &frame);
    GetClientRect(clip, &area);
    EXPECT_TRUE(SameRect(frame, area));

    // A message has nothing to search for: IDOK is ignored, and Enter
    // presses the focused "Be&enden".
    SendMessageA(w.Hwnd(), WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(IsWindow(w.Hwnd()));
    EXPECT_TRUE(w.Chooser().Requests().empty());
    EXPECT_EQ(FocusOf(w.ThreadId()), w.Item(IDCANCEL));
    PostMessageA(w.Item(IDCANCEL), WM_KEYDOWN, VK_RETURN, 0);
    ASSERT_TRUE(w.WaitClosed());
    EXPECT_EQ(w.Result(), IDCANCEL);
    EXPECT_EQ(w.SearchDir(), "") << "a message window has no search directory";
}

TEST(ConcatWindow, ItsTemplateIsTheJoinersWindow)
{
    ConcatWindow w("C:\\Filme\\", "film.002", true);
    HWND h = w.Hwnd();
    ASSERT_NE(h, nullptr);
    const LONG_PTR style = GetWindowLongPtrA(h, GWL_STYLE);
    for (LONG_PTR bit :
         std::initializer_list<LONG_PTR>{WS_POPUP, WS_VISIBLE, WS_CAPTION, WS_SYSMENU, DS_MODALFRAME})
        EXPECT_EQ(style & bit, bit) << std::hex << bit;
    EXPECT_EQ(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME), 0);
    EXPECT_NE(GetWindowLongPtrA(h, GWL_EXSTYLE) & WS_EX_APPWINDOW, 0);

    RECT client{};
    GetClientRect(h, &client);
    EXPECT_TRUE(SameRect(client, DialogUnits(h, 0, 0, 232, 69)));
    EXPECT_TRUE(SameRect(ItemRect(h, IDC_CLIP_FRAME), DialogUnits(h, 3, 3, 45, 42)));
    EXPECT_TRUE(SameRect(ItemRect(h, IDC_TEXT), DialogUnits(h, 51, 3, 177, 42)));
    EXPECT_TRUE(SameRect(ItemRect(h, IDC_SEARCH), DialogUnits(h, 80, 49, 50, 14)));
    EXPECT_TRUE(SameRect(ItemRect(h, IDCANCEL), DialogUnits(h, 150, 49, 50, 14)));

    const LONG_PTR edit = GetWindowLongPtrA(w.Item(IDC_TEXT), GWL_STYLE);
    for (LONG_PTR bit :
         {ES_MULTILINE, ES_READONLY, ES_WANTRETURN, ES_AUTOVSCROLL, ES_AUTOHSCROLL, WS_HSCROLL, WS_TABSTOP})
        EXPECT_EQ(edit & bit, bit) << std::hex << bit;
    EXPECT_EQ(GetWindowLongPtrA(w.Item(IDC_SEARCH), GWL_STYLE) & 0x0F, BS_DEFPUSHBUTTON);
    EXPECT_EQ(ItemText(h, IDC_SEARCH), "&Suchen");
    EXPECT_EQ(ItemText(h, IDC_CLIP_FRAME), "");
    EXPECT_NE(GetWindowLongPtrA(w.Item(IDC_CLIP_FRAME), GWL_STYLE) & WS_GROUP, 0);
}

TEST(ConcatWindow, SuccessIsAMessageUnderItsOwnTitle)
{
    ConcatWindow w("Die Datei \"C:\\Filme\\film.avi\" wurde erstellt.", "Zusammenführung erfolgreich", false);
    ASSERT_NE(w.Hwnd(), nullptr);
    EXPECT_EQ(WindowText(w.Hwnd()), "Zusammenführung erfolgreich");
    EXPECT_EQ(ItemText(w.Hwnd(), IDC_TEXT), "Die Datei \"C:\\Filme\\film.avi\" wurde erstellt.");
    EXPECT_FALSE(ItemVisible(w.Hwnd(), IDC_SEARCH));
    EXPECT_NE(ClipOf(w.Hwnd()), nullptr);
    PostMessageA(w.Hwnd(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(w.WaitClosed());
    EXPECT_EQ(w.Result(), IDCANCEL);
}

TEST(ConcatWindow, SearchAsksTheFileDialogAndKeepsOnlyTheChosenDirectory)
{
    ConcatWindow w("C:\\Filme\\", "_film.cfg", true);
    ASSERT_NE(w.Hwnd(), nullptr);
    EXPECT_EQ(WindowText(w.Hwnd()), kSearchTitle);
    EXPECT_EQ(ItemText(w.Hwnd(), IDC_TEXT), "C:\\Filme\\_film.cfg");
    EXPECT_TRUE(ItemVisible(w.Hwnd(), IDC_SEARCH));
    EXPECT_TRUE(ItemEnabled(w.Hwnd(), IDC_SEARCH));
    EXPECT_TRUE(ItemVisible(w.Hwnd(), IDCANCEL));
    EXPECT_NE(ClipOf(w.Hwnd()), nullptr);

    // Cancelling the file dialog leaves the window as it was.
    ClickItem(w.Hwnd(), IDC_SEARCH);
    ASSERT_EQ(w.Chooser().Requests().size(), 1u);
    EXPECT_TRUE(IsWindowVisible(w.Hwnd()));
    EXPECT_EQ(ItemText(w.Hwnd(), IDC_TEXT), "C:\\Filme\\_film.cfg");
    FileRequest request = w.Chooser().Requests()[0];
    EXPECT_EQ(request.filter, WithNuls("cfg Datei (*.cfg)|*.cfg||"));
    EXPECT_EQ(request.defaultExtension, "cfg");
    EXPECT_EQ(request.initialFile, "C:\\Filme\\_film.cfg");
    EXPECT_EQ(request.title, "Bitte das Verzeichnis auswählen");

    // Enter on the focused search button asks again; this time a file is chosen.
    ASSERT_EQ(FocusOf(w.ThreadId()), w.Item(IDC_SEARCH));
    w.Chooser().Answer("D:\\other\\anything.cfg");
    PostMessageA(w.Item(IDC_SEARCH), WM_KEYDOWN, VK_RETURN, 0);
    ASSERT_TRUE(w.WaitClosed());
    EXPECT_EQ(w.Chooser().Requests().size(), 2u);
    EXPECT_EQ(w.Result(), IDOK);
    EXPECT_EQ(w.SearchDir(), "D:\\other\\");
}

TEST(ConcatWindow, GivingUpTheSearchKeepsTheTriedDirectory)
{
    ConcatWindow w("C:\\Filme\\", "film.002", true);
    ASSERT_NE(w.Hwnd(), nullptr);
    ClickItemLater(w.Hwnd(), IDCANCEL);
    ASSERT_TRUE(w.WaitClosed());
    EXPECT_EQ(w.Result(), IDCANCEL);
    EXPECT_EQ(w.SearchDir(), "C:\\Filme\\");
    EXPECT_TRUE(w.Chooser().Requests().empty());
}

TEST(ConcatWindow, ANameWithoutExtensionIsLookedForAmongAllFiles)
{
    for (const char* name : {"liesmich", ".versteckt"}) {
        SCOPED_TRACE(name);
        ConcatWindow w("C:\\Daten\\", name, true);
        ASSERT_NE(w.Hwnd(), nullptr);
        EXPECT_EQ(ItemText(w.Hwnd(), IDC_TEXT), std::string("C:\\Daten\\") + name);
        w.Chooser().Answer("E:\\Sicherung\\Teil 2\\beliebig");
        ClickItemLater(w.Hwnd(), IDC_SEARCH);
        ASSERT_TRUE(w.WaitClosed());
        ASSERT_EQ(w.Chooser().Requests().size(), 1u);
        FileRequest request = w.Chooser().Requests()[0];
        EXPECT_EQ(request.filter, WithNuls("* Datei (*.*)|*.*||"));
        EXPECT_EQ(request.defaultExtension, "*");
        EXPECT_EQ(request.initialFile, std::string("C:\\Daten\\") + name);
        EXPECT_EQ(w.Result(), IDOK);
        EXPECT_EQ(w.SearchDir(), "E:\\Sicherung\\Teil 2\\");
    }
}

TEST(ConcatWindow, TheHelpCommandAndF1DoNothing)
{
    ConcatWindow w("C:\\Filme\\", "film.002", true);
    ASSERT_NE(w.Hwnd(), nullptr);
    SendMessageA(w.Hwnd(), WM_COMMAND, ID_HELP_COMMAND, 0);
    HELPINFO help{};
    help.cbSize = sizeof help;
    help.iContextType = HELPINFO_WINDOW;
    help.hItemHandle = w.Hwnd();
    EXPECT_EQ(SendMessageA(w.Hwnd(), WM_HELP, 0, reinterpret_cast<LPARAM>(&help)), TRUE);
    EXPECT_TRUE(IsWindowVisible(w.Hwnd()));
    EXPECT_EQ(WindowText(w.Hwnd()), kSearchTitle);
    EXPECT_EQ(ItemText(w.Hwnd(), IDC_TEXT), "C:\\Filme\\film.002");
    EXPECT_TRUE(w.Chooser().Requests().empty());
    EXPECT_EQ(VisibleWindows(w.ThreadId()), std::vector<std::string>{kSearchTitle});
}

} // namespace
} // namespace portelan::test
