// Pictures of every window for the documentation: saved as BMP files into
// PORTELAN_SCREENSHOT_DIR (a Windows path ending in a backslash) by
// scripts/screenshots.sh, which turns them into PNG. Skipped otherwise.
#include <fstream>
#include <functional>
#include <vector>

#include <gtest/gtest.h>

#include "SplitterWindow.h"
#include "common/StrFormat.h"
#include "platform/win32/WideText.h"
#include "splitter/ui/win32/Dialogs.h"
#include "splitter/ui/win32/Resource.h"
#include "texts/SplitterTexts.h"

namespace portelan::test {
namespace {

// Runs a modal window on a thread of its own, saves it once visible, closes it.
void ShootModal(win::CDialog& dialog, const std::string& title, const std::string& path)
{
    std::thread ui([&] { dialog.DoModal(); });
    HWND hwnd = nullptr;
    for (int i = 0; i < 1000 && !hwnd; ++i) {
        hwnd = FindWindowW(nullptr, platform::ToWide(title).c_str());
        if (!hwnd)
            Sleep(10);
    }
    ASSERT_NE(hwnd, nullptr) << title;
    EXPECT_EQ(ClippedTexts(hwnd), std::vector<std::string>{}) << title;
    EXPECT_TRUE(SaveWindowBitmap(hwnd, path));
    PostMessageA(hwnd, WM_COMMAND, IDCANCEL, 0);
    ui.join();
}

// Every window in the language of the system it runs on (German pictures,
// and English ones named "-en"), each showing all its texts:
// scripts/screenshots.sh runs this under a German and under an English Wine.
TEST(Screenshots, EveryWindow)
{
    const Pictures pictures;
    if (!pictures.Wanted())
        GTEST_SKIP() << "PORTELAN_SCREENSHOT_DIR not set";
    const auto save = [&](HWND window, const char* name) {
        EXPECT_EQ(ClippedTexts(window), std::vector<std::string>{}) << name;
        EXPECT_TRUE(SaveWindowBitmap(window, pictures.Path(name)));
    };
    TempDir tmp;
    const std::string source = tmp / "Urlaubsfilm Südtirol.avi";
    WriteBytes(source, RandomBytes(5000000, 3));
    CreateDirectoryW(platform::ToWide(tmp / "Stick").c_str(), nullptr);

    {
        SplitterWindow w;
        w.ChooseInputs(source, tmp / "Stick");
        save(w.Hwnd(), "main");

        w.ClickLater(IDC_HAVE_SIZE);
        HWND size = WaitForWindow(w.ThreadId(), Tr(Text::PieceSizeCaption));
        ASSERT_NE(size, nullptr);
        save(size, "piece-size");
        PostMessageA(size, WM_COMMAND, IDCANCEL, 0);

        w.ClickLater(IDC_START);
        HWND info = WaitForWindow(w.ThreadId(), Tr(Text::InfoCaption));
        ASSERT_EQ(info, nullptr) << "no plan without a piece size";
        w.ClickLater(IDC_HAVE_SIZE);
        size = WaitForWindow(w.ThreadId(), Tr(Text::PieceSizeCaption));
        ASSERT_NE(size, nullptr);
        PostMessageA(size, WM_COMMAND, IDOK, 0);
        Sleep(200);
        w.ClickLater(IDC_START);
        info = WaitForWindow(w.ThreadId(), Tr(Text::InfoCaption));
        ASSERT_NE(info, nullptr);
        save(info, "information");
        PostMessageA(info, WM_COMMAND, IDCANCEL, 0);
    }

    {
        SplitterWindow w;
        PostMessageA(w.Hwnd(), WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
        HWND about = WaitForWindow(w.ThreadId(), Tr(Text::AboutCaption));
        ASSERT_NE(about, nullptr);
        save(about, "about");

        PostMessageA(about, WM_RBUTTONDBLCLK, MK_RBUTTON, MAKELPARAM(150, 100));
        HWND dedication = WaitForWindow(w.ThreadId(), Tr(Text::DedicationCaption));
        ASSERT_NE(dedication, nullptr);
        save(dedication, "dedication");
        PostMessageA(dedication, WM_COMMAND, IDOK, 0);
        ASSERT_TRUE(WaitUntilGone(dedication));
        PostMessageA(about, WM_COMMAND, IDOK, 0);
        ASSERT_TRUE(WaitUntilGone(about));
    }

    CErrorDlg error;
    error.SetTexts(StrFormat(Tr(Text::CannotWriteFile), "E:\\Urlaubsfilm Südtirol.002"), "");
    ShootModal(error, Tr(JoinerText::ErrorCaption), pictures.Path("error"));
}

// The update check's first question, answered No, in the language of the
// system it runs on, as its buttons are: scripts/screenshots.sh runs this
// under a German and under an English Wine.
TEST(Screenshots, UpdateQuestion)
{
    const Pictures pictures;
    if (!pictures.Wanted())
        GTEST_SKIP() << "PORTELAN_SCREENSHOT_DIR not set";

    SplitterWindow w;
    PostMessageA(w.Hwnd(), WM_SYSCOMMAND, IDM_UPDATE, 0);
    HWND box = WaitForWindow(w.ThreadId(), Tr(Text::UpdateQuestionCaption));
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(ShowsItsWholeText(box, 0xFFFF));
    EXPECT_TRUE(SaveWindowBitmap(box, pictures.Path("update")));
    PostMessageA(box, WM_COMMAND, IDNO, 0);
    ASSERT_TRUE(WaitUntilGone(box));
}

} // namespace
} // namespace portelan::test
