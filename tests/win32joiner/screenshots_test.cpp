// Pictures of the joiner's windows for the documentation: saved as BMP
// files into PORTELAN_SCREENSHOT_DIR (a Windows path ending in a backslash),
// in the language of the Wine they run under (English ones named "-en").
// Skipped otherwise.
#include <vector>

#include <gtest/gtest.h>

#include "JoinerHarness.h"
#include "common/StrFormat.h"
#include "texts/JoinerTexts.h"

namespace portelan::test {
namespace {

void Shoot(const std::string& first, const std::string& second, bool searchMode, const std::string& path)
{
    ConcatWindow w(first, second, searchMode);
    ASSERT_NE(w.Hwnd(), nullptr) << path;
    EXPECT_EQ(ClippedTexts(w.Hwnd()), std::vector<std::string>{}) << path;
    EXPECT_TRUE(SaveWindowBitmap(w.Hwnd(), path)) << path;
}

TEST(JoinerScreenshots, EveryWindow)
{
    const Pictures pictures;
    if (!pictures.Wanted())
        GTEST_SKIP() << "PORTELAN_SCREENSHOT_DIR not set";
    // Texts as the joiner words them, short enough to be read without scrolling.
    Shoot(StrFormat(Tr(JoinerText::JoinNoSpace), "1.2 MB", "D:\\", "698.8 MB"), "", false,
          pictures.Path("joiner-message"));
    Shoot("C:\\Filme\\", "film.002", true, pictures.Path("joiner-search"));
    Shoot(StrFormat(Tr(JoinerText::JoinDone), "C:\\Filme\\Südtirol.avi"), Tr(JoinerText::JoinDoneCaption),
          false, pictures.Path("joiner-success"));
}

} // namespace
} // namespace portelan::test
