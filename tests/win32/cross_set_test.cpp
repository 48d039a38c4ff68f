// Writes a split set through the main window into PORTELAN_CROSS_DIR (a
// Windows path ending in a backslash), of a source named PORTELAN_CROSS_NAME
// (default film.avi), for test_cross.sh, which joins it with both of its
// joiner copies. Skipped when PORTELAN_CROSS_DIR is not set.
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "SplitterWindow.h"
#include "platform/win32/WideText.h"
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
    // Read wide: a name outside the code page would not survive the ANSI environment.
    const wchar_t* crossName = _wgetenv(L"PORTELAN_CROSS_NAME");
    const std::string name = crossName && *crossName ? platform::ToUtf8(crossName) : "film.avi";
    const std::string stem = name.substr(0, name.rfind('.'));
    const std::string source = base + "source\\" + name;
    WriteBytes(source, RandomBytes(3000000, 7));

    SplitterWindow w;
    w.ChooseInputs(source, base + "set");
    ASSERT_EQ(w.Text(IDC_STATUS), "Alle Informationen vorhanden.");

    w.ClickLater(IDC_START);
    HWND info = WaitForWindow(w.ThreadId(), "Information");
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(ItemText(info, IDC_INFO_COUNT), "3");
    PostMessageA(info, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(w.WaitForStatus("Die Datei wurde erfolgreich aufgeteilt..."));
    for (const char* suffix : {".001", ".002", ".003"})
        EXPECT_TRUE(FileExists(base + "set\\" + stem + suffix)) << suffix;
    for (const char* suffix : {".cfg", ".exe", ".sfv", ""})
        EXPECT_TRUE(FileExists(base + "set\\_" + stem + suffix)) << suffix;
}

} // namespace
} // namespace portelan::test
