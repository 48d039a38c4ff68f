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

// The window as it is on the screen, frame included, as a 24-bit BMP file.
bool SaveWindow(HWND hwnd, const std::string& path)
{
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
    Sleep(300); // let the animation show a frame
    RECT r{};
    GetWindowRect(hwnd, &r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    SelectObject(memory, old);

    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = w;
    info.biHeight = h;
    info.biPlanes = 1;
    info.biBitCount = 24;
    const int stride = (w * 3 + 3) & ~3;
    std::vector<char> pixels(static_cast<std::size_t>(stride) * static_cast<std::size_t>(h));
    GetDIBits(memory, bitmap, 0, static_cast<UINT>(h), pixels.data(), reinterpret_cast<BITMAPINFO*>(&info),
              DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);

    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = static_cast<DWORD>(file.bfOffBits + pixels.size());
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&info), sizeof info);
    out.write(pixels.data(), static_cast<std::streamsize>(pixels.size()));
    return out.good();
}

void Shoot(const std::string& first, const std::string& second, bool searchMode, const std::string& path)
{
    ConcatWindow w(first, second, searchMode);
    ASSERT_NE(w.Hwnd(), nullptr) << path;
    EXPECT_TRUE(SaveWindow(w.Hwnd(), path)) << path;
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
