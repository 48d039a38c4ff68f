// "&Starten" with every input given: the "Information" window with the plan
// and its verdict, and what becomes of a plan that is not confirmed.
#include <gtest/gtest.h>

#include "SplitterWindow.h"
#include "splitter/ui/win32/Resource.h"

namespace portelan::test {
namespace {

const char* const kTitle = "Information";

TEST(InformationWindow, ShowsThePlanAndOffersToContinueOnlyForAValidOne)
{
    TempDir dir;
    const std::string source = dir / "probe.txt";
    const std::string target = dir / "ziel\\";
    WriteBytes(source, "0123456789");
    ASSERT_TRUE(CreateDirectoryA(target.c_str(), nullptr));

    SplitterWindow w;
    w.Choosers().AnswerSource(source);
    w.Choosers().AnswerFolder(dir / "ziel"); // the window adds the backslash
    w.Click(IDC_HAVE_SOURCE);
    w.Click(IDC_HAVE_TARGET);
    ASSERT_TRUE(w.ChoosePieceSize("4", IDC_UNIT_BYTES));
    ASSERT_EQ(w.Text(IDC_SIZE_TEXT), "4 [4 Bytes]");
    // Pieces of 4 bytes hold no recovery files.
    w.Type(IDC_RECOVERY, "0");

    // A valid plan: 10 bytes in pieces of 4.
    HWND info = w.OpenModal(IDC_START, kTitle);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(ItemText(info, IDC_INFO_NAME), "probe.txt");
    EXPECT_EQ(ItemText(info, IDC_INFO_SOURCE_DIR), dir.Dir());
    EXPECT_EQ(ItemText(info, IDC_INFO_SOURCE_SIZE), "10 Bytes");
    EXPECT_EQ(ItemText(info, IDC_INFO_TARGET), target);
    EXPECT_EQ(ItemText(info, IDC_INFO_COUNT), "3");
    EXPECT_EQ(ItemText(info, IDC_INFO_PIECE_SIZE), "4 Bytes");
    EXPECT_EQ(ItemText(info, IDC_INFO_VERDICT),
              "Sie erzeugen 2 Dateien je 4 Bytes\r\nund eine Datei mit 2 Bytes.");
    EXPECT_TRUE(ItemEnabled(info, IDOK));
    EXPECT_TRUE(ItemEnabled(info, IDCANCEL));
    EXPECT_EQ(ItemText(info, IDOK), "&Fortfahren");
    ASSERT_TRUE(w.CloseModal(info, IDCANCEL));
    EXPECT_EQ(w.Text(IDC_STATUS), "Der Vorgang wurde abgebrochen.");
    EXPECT_FALSE(FileExists(target + "probe.001"));
    EXPECT_TRUE(w.Enabled(IDC_START));

    // A single piece is refused: no "&Fortfahren", and forcing the command
    // through anyway still starts nothing.
    HWND sizeDialog = w.OpenModal(IDC_HAVE_SIZE, "Groesse der Einzeldateien");
    ASSERT_NE(sizeDialog, nullptr);
    ClickItem(sizeDialog, IDC_PRESET);
    ASSERT_TRUE(w.CloseModal(sizeDialog, IDOK));
    info = w.OpenModal(IDC_START, kTitle);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(ItemText(info, IDC_INFO_COUNT), "1");
    EXPECT_EQ(ItemText(info, IDC_INFO_PIECE_SIZE), "1.4 MB");
    EXPECT_EQ(
        ItemText(info, IDC_INFO_VERDICT),
        "Die Quelldatei ist nicht grösser als ein Einzelstück.\r\nEs würde nur eine einzelne Datei erzeugt.");
    EXPECT_FALSE(ItemEnabled(info, IDOK));
    EXPECT_TRUE(ItemEnabled(info, IDCANCEL));
    PostMessageA(info, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitUntilGone(info));
    w.Sync();
    EXPECT_EQ(w.Text(IDC_STATUS), "Der Vorgang wurde abgebrochen.");
    EXPECT_FALSE(FileExists(target + "probe.001"));
    EXPECT_FALSE(FileExists(target + "_probe.cfg"));

    // A piece size of 0 bytes.
    ASSERT_TRUE(w.ChoosePieceSize("", IDC_UNIT_KB));
    ASSERT_EQ(w.Text(IDC_SIZE_TEXT), "0 [0 Bytes]");
    info = w.OpenModal(IDC_START, kTitle);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(ItemText(info, IDC_INFO_COUNT), "1");
    EXPECT_EQ(ItemText(info, IDC_INFO_PIECE_SIZE), "0 Bytes");
    EXPECT_EQ(ItemText(info, IDC_INFO_VERDICT), "Fehler: Grösse der Zieldatei darf nicht Null sein.");
    EXPECT_FALSE(ItemEnabled(info, IDOK));
    ASSERT_TRUE(w.CloseModal(info, IDCANCEL));
    EXPECT_EQ(w.Text(IDC_STATUS), "Der Vorgang wurde abgebrochen.");

    // An empty source is refused before anything else.
    WriteBytes(source, "");
    info = w.OpenModal(IDC_START, kTitle);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(ItemText(info, IDC_INFO_SOURCE_SIZE), "0 Bytes");
    EXPECT_EQ(ItemText(info, IDC_INFO_VERDICT), "Fehler: Grösse der Quelldatei darf nicht Null sein.");
    EXPECT_FALSE(ItemEnabled(info, IDOK));
    ASSERT_TRUE(w.CloseModal(info, IDCANCEL));
    EXPECT_EQ(w.Text(IDC_STATUS), "Der Vorgang wurde abgebrochen.");

    // A source that has gone: no plan, no window.
    ASSERT_TRUE(DeleteFileA(source.c_str()));
    w.ClickLater(IDC_START);
    EXPECT_TRUE(w.WaitForStatus("Die Dateigrösse konnte nicht bestimmt werden."))
        << "status: " << w.Text(IDC_STATUS);
    w.Sync();
    EXPECT_EQ(WaitForWindow(w.ThreadId(), kTitle, 0), nullptr);
    EXPECT_TRUE(w.Enabled(IDC_START));
}

} // namespace
} // namespace portelan::test
