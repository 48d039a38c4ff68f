// Pictures of the joiner's windows for the documentation: saved as BMP
// files into PORTELAN_SCREENSHOT_DIR (a Windows path ending in a backslash).
// Skipped otherwise.
#include <cstdlib>
#include <fstream>
#include <vector>

#include <gtest/gtest.h>

#include "JoinerHarness.h"

namespace portelan::test {
namespace {

void Shoot(const std::string& first, const std::string& second, bool searchMode, const std::string& path)
{
    ConcatWindow w(first, second, searchMode);
    ASSERT_NE(w.Hwnd(), nullptr) << path;
    EXPECT_TRUE(SaveWindowBitmap(w.Hwnd(), path)) << path;
}

TEST(JoinerScreenshots, EveryWindow)
{
    const char* dir = std::getenv("PORTELAN_SCREENSHOT_DIR");
    if (!dir || !*dir)
        GTEST_SKIP() << "PORTELAN_SCREENSHOT_DIR not set";
    const std::string out = dir;
    // Texts as the joiner words them, short enough to be read without scrolling.
    Shoot("Fehler: Zu wenig Speicherplatz (1.2 MB) auf \"D:\\\".\r\n"
          "Sie benötigen mindestens 698.8 MB.",
          "", false, out + "joiner-message.bmp");
    Shoot("C:\\Filme\\", "film.002", true, out + "joiner-search.bmp");
    Shoot("Die Datei \"C:\\Filme\\Südtirol.avi\" wurde erstellt.", "Zusammenführung erfolgreich", false,
          out + "joiner-success.bmp");
}

} // namespace
} // namespace portelan::test
