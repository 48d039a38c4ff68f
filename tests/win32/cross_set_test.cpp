// Writes a split set through the main window into PORTELAN_CROSS_DIR (a
// Windows path ending in a backslash), for test_cross.sh, which joins it with
// both of its joiner copies. Skipped when that variable is not set.
#include <cstdlib>

#include <gtest/gtest.h>

#include "SplitterWindow.h"
#include "splitter/ui/win32/Resource.h"

namespace portelan::test {
namespace {

TEST(CrossSet, SplitThroughTheMainWindow)
{
    const char* dir = std::getenv("PORTELAN_CROSS_DIR");
    if (!dir || !*dir)
        GTEST_SKIP() << "PORTELAN_CROSS_DIR not set";
    const std::string base = dir;
    CreateDirectoryA((base + "source").c_str(), nullptr);
    CreateDirectoryA((base + "set").c_str(), nullptr);
    const std::string source = base + "source\\film.avi";
    WriteBytes(source, RandomBytes(3000000, 7));

    SplitterWindow w;
    w.Choosers().AnswerSource(source);
    w.Choosers().AnswerFolder(base + "set");
    w.Click(IDC_HAVE_SOURCE);
    w.Click(IDC_HAVE_TARGET);
    ASSERT_EQ(w.Text(IDC_STATUS), "Alle Informationen vorhanden.");

    w.ClickLater(IDC_START);
    HWND info = WaitForWindow(w.ThreadId(), "Information");
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(ItemText(info, IDC_INFO_COUNT), "3");
    PostMessageA(info, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(w.WaitForStatus("Die Datei wurde erfolgreich aufgeteilt..."));
    for (const char* name : {"film.001", "film.002", "film.003", "_film.cfg", "_film.exe", "_film"})
        EXPECT_TRUE(FileExists(base + "set\\" + name)) << name;
}

} // namespace
} // namespace portelan::test
