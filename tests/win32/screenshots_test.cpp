// Pictures of every window for the documentation: saved as BMP files into
// PORTELAN_SCREENSHOT_DIR (a Windows path ending in a backslash) by
// scripts/screenshots.sh, which turns them into PNG. Skipped otherwise.
#include <cstdlib>
#include <fstream>
#include <functional>
#include <vector>

#include <gtest/gtest.h>

#include "SplitterWindow.h"
#include "splitter/ui/win32/Dialogs.h"
#include "splitter/ui/win32/Resource.h"

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

// Runs a modal window on a thread of its own, saves it once visible, closes it.
void ShootModal(win::CDialog& dialog, const std::string& title, const std::string& path)
{
    std::thread ui([&] { dialog.DoModal(); });
    HWND hwnd = nullptr;
    for (int i = 0; i < 1000 && !hwnd; ++i) {
        hwnd = FindWindowA(nullptr, title.c_str());
        if (!hwnd)
            Sleep(10);
    }
    ASSERT_NE(hwnd, nullptr) << title;
    EXPECT_TRUE(SaveWindow(hwnd, path));
    PostMessageA(hwnd, WM_COMMAND, IDCANCEL, 0);
    ui.join();
}

TEST(Screenshots, EveryWindow)
{
    const char* dir = std::getenv("PORTELAN_SCREENSHOT_DIR");
    if (!dir || !*dir)
        GTEST_SKIP() << "PORTELAN_SCREENSHOT_DIR not set";
    const std::string out = dir;
    TempDir tmp;
    const std::string source = tmp / "Urlaubsfilm Südtirol.avi";
    WriteBytes(source, RandomBytes(5000000, 3));
    CreateDirectoryA((tmp / "Stick").c_str(), nullptr);

    {
        SplitterWindow w;
        w.Choosers().AnswerSource(source);
        w.Choosers().AnswerFolder(tmp / "Stick");
        w.Click(IDC_HAVE_SOURCE);
        w.Click(IDC_HAVE_TARGET);
        EXPECT_TRUE(SaveWindow(w.Hwnd(), out + "main.bmp"));

        w.ClickLater(IDC_HAVE_SIZE);
        HWND size = WaitForWindow(w.ThreadId(), "Groesse der Einzeldateien");
        ASSERT_NE(size, nullptr);
        EXPECT_TRUE(SaveWindow(size, out + "piece-size.bmp"));
        PostMessageA(size, WM_COMMAND, IDCANCEL, 0);

        w.ClickLater(IDC_START);
        HWND info = WaitForWindow(w.ThreadId(), "Information");
        ASSERT_EQ(info, nullptr) << "no plan without a piece size";
        w.ClickLater(IDC_HAVE_SIZE);
        size = WaitForWindow(w.ThreadId(), "Groesse der Einzeldateien");
        ASSERT_NE(size, nullptr);
        PostMessageA(size, WM_COMMAND, IDOK, 0);
        Sleep(200);
        w.ClickLater(IDC_START);
        info = WaitForWindow(w.ThreadId(), "Information");
        ASSERT_NE(info, nullptr);
        EXPECT_TRUE(SaveWindow(info, out + "information.bmp"));
        PostMessageA(info, WM_COMMAND, IDCANCEL, 0);
    }

    {
        SplitterWindow w;
        PostMessageA(w.Hwnd(), WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
        HWND about = WaitForWindow(w.ThreadId(), "Info über Portelan");
        ASSERT_NE(about, nullptr);
        EXPECT_TRUE(SaveWindow(about, out + "about.bmp"));

        PostMessageA(about, WM_RBUTTONDBLCLK, MK_RBUTTON, MAKELPARAM(150, 100));
        HWND dedication = WaitForWindow(w.ThreadId(), "Widmung");
        ASSERT_NE(dedication, nullptr);
        EXPECT_TRUE(SaveWindow(dedication, out + "dedication.bmp"));
        PostMessageA(dedication, WM_COMMAND, IDOK, 0);
        ASSERT_TRUE(WaitUntilGone(dedication));
        PostMessageA(about, WM_COMMAND, IDOK, 0);
        ASSERT_TRUE(WaitUntilGone(about));
    }

    CErrorDlg error;
    error.SetTexts("In die Datei \"E:\\Urlaubsfilm Südtirol.002\" konnte nicht geschrieben werden.", "");
    ShootModal(error, "Fehlermeldung", out + "error.bmp");
}

} // namespace
} // namespace portelan::test
