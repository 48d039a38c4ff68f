// The splitter's main window: its start, the record of the inputs, "&Starten".
#include <gtest/gtest.h>

#include "SplitterWindow.h"
#include "platform/win32/WideText.h"
#include "splitter/ui/win32/Resource.h"

namespace portelan::test {
namespace {

TEST(MainWindow, StartsWaitingWithThePresetPieceSize)
{
    SplitterWindow w;
    ASSERT_NE(w.Hwnd(), nullptr);
    EXPECT_EQ(WindowText(w.Hwnd()), "Portelan");
    EXPECT_EQ(w.Text(IDC_STATUS), "Auf Eingaben warten...");
    EXPECT_TRUE(w.Checked(IDC_HAVE_SIZE));
    EXPECT_FALSE(w.Checked(IDC_HAVE_SOURCE));
    EXPECT_FALSE(w.Checked(IDC_HAVE_TARGET));
    EXPECT_EQ(w.Text(IDC_SOURCE), "");
    EXPECT_EQ(w.Text(IDC_TARGET), "");
    EXPECT_EQ(w.Text(IDC_SIZE_TEXT), "1457664 [1.4 MB]");
    EXPECT_EQ(w.Text(IDC_RECOVERY), std::to_string(kDefaultRecoveryPieces));
    EXPECT_FALSE(w.Visible(IDC_GREETING));
    EXPECT_FALSE(w.Enabled(IDC_GREETING));
    EXPECT_TRUE(w.Enabled(IDC_START));
}

TEST(MainWindow, SystemMenuEndsWithItsThreeEntries)
{
    SplitterWindow w;
    HMENU menu = GetSystemMenu(w.Hwnd(), FALSE);
    int count = GetMenuItemCount(menu);
    ASSERT_GE(count, 3);
    auto text = [menu](int position) {
        wchar_t item[128] = L"";
        GetMenuStringW(menu, static_cast<UINT>(position), item, 128, MF_BYPOSITION);
        return platform::ToUtf8(item);
    };
    EXPECT_EQ(GetMenuItemID(menu, count - 3), 0u); // the separator
    EXPECT_EQ(GetMenuItemID(menu, count - 2), static_cast<UINT>(IDM_ABOUTBOX));
    EXPECT_EQ(text(count - 2), "Inf&o über Portelan...");
    EXPECT_EQ(GetMenuItemID(menu, count - 1), static_cast<UINT>(IDM_UPDATE));
    EXPECT_EQ(text(count - 1), "&Update suchen");
}

TEST(MainWindow, StartWithoutInputsNamesTheSourceLast)
{
    SplitterWindow w;
    w.Click(IDC_START);
    EXPECT_EQ(w.Text(IDC_STATUS), "Keine Quelldatei.");
}

TEST(MainWindow, ChosenSourceIsShownAndACancelledChoiceClearsOnlyTheBox)
{
    SplitterWindow w;
    w.Choosers().AnswerSource(std::string("C:\\Daten\\film.avi"));
    w.Click(IDC_HAVE_SOURCE);
    EXPECT_TRUE(w.Checked(IDC_HAVE_SOURCE));
    EXPECT_EQ(w.Text(IDC_SOURCE), "C:\\Daten\\film.avi");
    EXPECT_EQ(w.Text(IDC_STATUS), "Auf Eingaben warten...");

    w.Click(IDC_HAVE_SOURCE); // answered "cancelled"
    EXPECT_FALSE(w.Checked(IDC_HAVE_SOURCE));
    EXPECT_EQ(w.Text(IDC_SOURCE), "C:\\Daten\\film.avi");
    // The first dialog opened in the root of drive C:.
    EXPECT_EQ(w.Choosers().BrowseDirsSeen().at(0), "C:\\");

    w.Choosers().AnswerFolder(std::string("C:\\"));
    w.Click(IDC_HAVE_TARGET);
    EXPECT_EQ(w.Text(IDC_TARGET), "C:\\"); // a root keeps its single backslash
    w.Click(IDC_START);
    EXPECT_EQ(w.Text(IDC_STATUS), "Keine Quelldatei.");
}

TEST(MainWindow, DropsFillTheRightEditOnly)
{
    SplitterWindow w;
    w.Drop(IDC_SOURCE, {"C:\\Daten\\film.avi"});
    EXPECT_TRUE(w.Checked(IDC_HAVE_SOURCE));
    EXPECT_EQ(w.Text(IDC_SOURCE), "C:\\Daten\\film.avi");

    w.Drop(IDC_TARGET, {"D:\\Archiv"});
    EXPECT_TRUE(w.Checked(IDC_HAVE_TARGET));
    EXPECT_EQ(w.Text(IDC_TARGET), "D:\\Archiv\\");
    EXPECT_EQ(w.Text(IDC_STATUS), "Alle Informationen vorhanden.");

    // Two at once: nothing changes. Which kind of path each field takes is
    // the window model's (ClassifyDrop).
    w.Drop(IDC_SOURCE, {"C:\\a.txt", "C:\\b.txt"});
    EXPECT_EQ(w.Text(IDC_TARGET), "D:\\Archiv\\");
    EXPECT_EQ(w.Text(IDC_SOURCE), "C:\\Daten\\film.avi");
    EXPECT_TRUE(w.Checked(IDC_HAVE_SOURCE));
    EXPECT_TRUE(w.Checked(IDC_HAVE_TARGET));
}

} // namespace
} // namespace portelan::test
