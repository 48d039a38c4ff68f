// "Info über Portelan": the version record it shows, one box at a time
// however often it is asked for, and the dedication behind a right-button
// double click.
#include <windows.h>

#include <commctrl.h>

#include <vector>

#include <gtest/gtest.h>

#include "SplitterWindow.h"
#include "splitter/ui/win32/AboutDlg.h"
#include "splitter/ui/win32/Resource.h"

namespace portelan::test {
namespace {

const char* const kAbout = "Info über Portelan";
const char* const kDedication = "Widmung";
// What the message loop makes of the F1 key for the focused window.
constexpr UINT kKeyF1 = 0x004D; // WM_KEYF1

std::string ClassName(HWND hwnd)
{
    char name[64] = "";
    GetClassNameA(hwnd, name, sizeof name);
    return name;
}

// What a window shows on the screen, pixel by pixel.
std::vector<COLORREF> Pixels(HWND hwnd)
{
    RECT r{};
    GetWindowRect(hwnd, &r);
    std::vector<COLORREF> pixels;
    HDC screen = GetDC(nullptr);
    for (int y = r.top; y < r.bottom; y += 2)
        for (int x = r.left; x < r.right; x += 2)
            pixels.push_back(GetPixel(screen, x, y));
    ReleaseDC(nullptr, screen);
    return pixels;
}

// The clip a window plays inside its static control: an animation control
// of the same id, with the given styles, whose picture changes.
void ExpectClipPlaying(HWND dialog, int staticId, LONG style)
{
    HWND holder = GetDlgItem(dialog, staticId);
    ASSERT_NE(holder, nullptr);
    HWND clip = GetDlgItem(holder, staticId);
    ASSERT_NE(clip, nullptr) << "no animation inside static " << staticId;
    EXPECT_EQ(ClassName(clip), ANIMATE_CLASSA);
    EXPECT_EQ(GetWindowLongA(clip, GWL_STYLE), style);
    const std::vector<COLORREF> first = Pixels(clip);
    EXPECT_TRUE(WaitUntilTrue([&] { return Pixels(clip) != first; }, 5000)) << "the picture stands still";
}

HWND OpenBySystemMenu(const SplitterWindow& w, WPARAM command = IDM_ABOUTBOX)
{
    PostMessageA(w.Hwnd(), WM_SYSCOMMAND, command, 0);
    return WaitForWindow(w.ThreadId(), kAbout);
}

// Closes a modal window of the main window's thread with a command and
// waits until the code that opened it has finished.
bool CloseWith(const SplitterWindow& w, HWND modal, int command)
{
    PostMessageA(modal, WM_COMMAND, static_cast<WPARAM>(command), 0);
    if (!WaitUntilGone(modal))
        return false;
    w.Sync();
    return true;
}

// F1 in a window, as the message loop hands it on after the key: the
// focused control's default handling turns it into WM_HELP and passes that
// up to the box and from the box to its owner.
void PressF1(HWND window)
{
    HWND focus = GetDlgItem(window, IDOK);
    DWORD_PTR result = 0;
    SendMessageTimeoutA(focus, kKeyF1, 0, 0, SMTO_NORMAL, 5000, &result);
}

TEST(AboutBox, ShowsTheProgramsVersionRecordAndItsClip)
{
    SplitterWindow w;
    HWND about = OpenBySystemMenu(w);
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(ItemText(about, IDC_ABOUT_VERSION), "Portelan Version (2.0.0.6)");
    EXPECT_EQ(ItemText(about, IDC_ABOUT_LEGAL), "© 2008 Portelan-Team");
    EXPECT_EQ(ItemText(about, IDC_ABOUT_NOTE), "Release 06.09.2008");
    EXPECT_EQ(ItemText(about, IDC_ABOUT_MAIL), "feedback@portelan.invalid");
    EXPECT_EQ(ItemText(about, IDOK), "OK");
    EXPECT_NE(SendMessageA(GetDlgItem(about, IDC_ABOUT_ICON), STM_GETICON, 0, 0), 0);
    ExpectClipPlaying(about, IDC_ABOUT_CLIP, 0x50000001);
    // Modal over the main window.
    EXPECT_EQ(GetWindow(about, GW_OWNER), w.Hwnd());
    EXPECT_FALSE(IsWindowEnabled(w.Hwnd()));

    ASSERT_TRUE(CloseWith(w, about, IDOK));
    EXPECT_TRUE(IsWindowEnabled(w.Hwnd()));
    EXPECT_EQ(CountVisibleWindows(kAbout), 0);
}

TEST(AboutBox, OpensFromTheSystemMenuTheHelpCommandAndF1)
{
    SplitterWindow w;
    // The system menu's command arrives with its low four bits in use.
    HWND about = OpenBySystemMenu(w, IDM_ABOUTBOX | 0x3);
    ASSERT_NE(about, nullptr);
    ASSERT_TRUE(CloseWith(w, about, IDCANCEL));

    PostMessageA(w.Hwnd(), WM_COMMAND, ID_HELP_COMMAND, 0);
    about = WaitForWindow(w.ThreadId(), kAbout);
    ASSERT_NE(about, nullptr) << "help command";
    ASSERT_TRUE(CloseWith(w, about, IDOK));

    // F1 in the main window; the box is modal, so the key's handling only
    // returns once it has closed.
    std::thread f1([&] { SendMessageA(w.Item(IDC_START), kKeyF1, 0, 0); });
    about = WaitForWindow(w.ThreadId(), kAbout);
    EXPECT_NE(about, nullptr) << "F1";
    if (about) {
        EXPECT_TRUE(CloseWith(w, about, IDOK));
    }
    f1.join();
}

TEST(AboutBox, OpensOnceWhateverAsksForItWhileItIsOpen)
{
    SplitterWindow w;
    HWND about = OpenBySystemMenu(w);
    ASSERT_NE(about, nullptr);

    PostMessageA(w.Hwnd(), WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
    PostMessageA(w.Hwnd(), WM_COMMAND, ID_HELP_COMMAND, 0);
    PressF1(about);
    ASSERT_TRUE(w.FlushPosted());
    w.Sync();
    Sleep(200); // a second box, if any, would be showing by now
    EXPECT_EQ(CountVisibleWindows(kAbout), 1);
    EXPECT_TRUE(IsWindowEnabled(about)) << "another modal window over the box";

    ASSERT_TRUE(CloseWith(w, about, IDOK));
    EXPECT_EQ(CountVisibleWindows(kAbout), 0) << "a second box was waiting behind the first";
    // Once closed it opens again.
    about = OpenBySystemMenu(w);
    ASSERT_NE(about, nullptr);
    EXPECT_TRUE(CloseWith(w, about, IDOK));
}

TEST(AboutBox, RightDoubleClickShowsTheDedicationAsOftenAsAsked)
{
    SplitterWindow w;
    HWND about = OpenBySystemMenu(w);
    ASSERT_NE(about, nullptr);
    // Double clicks reach a window only when its class asks for them.
    EXPECT_NE(GetClassLongPtrA(about, GCL_STYLE) & CS_DBLCLKS, 0u);

    for (int round = 1; round <= 2; ++round) {
        SCOPED_TRACE(round);
        PostMessageA(about, WM_RBUTTONDBLCLK, MK_RBUTTON, MAKELPARAM(150, 100));
        HWND dedication = WaitForWindow(w.ThreadId(), kDedication);
        ASSERT_NE(dedication, nullptr);
        EXPECT_EQ(GetWindow(dedication, GW_OWNER), about);
        EXPECT_EQ(ItemText(dedication, IDC_DEDICATION_TEXT), "Für Marie");
        EXPECT_EQ(ItemText(dedication, IDOK), "OK");
        ExpectClipPlaying(dedication, IDC_DEDICATION_CLIP, 0x50000003);

        ASSERT_TRUE(CloseWith(w, dedication, IDOK));
        EXPECT_TRUE(IsWindow(about));
        EXPECT_TRUE(IsWindowVisible(about));
        EXPECT_TRUE(IsWindowEnabled(about));
        EXPECT_EQ(CountVisibleWindows(kDedication), 0);
    }
    ASSERT_TRUE(CloseWith(w, about, IDOK));
    EXPECT_TRUE(IsWindowEnabled(w.Hwnd()));
}

TEST(VersionInfo, ReadsTheRunningProgramsOwnRecord)
{
    const std::optional<VersionRecord> record = ReadOwnVersionRecord();
    ASSERT_TRUE(record.has_value());
    EXPECT_EQ(record->FileVersion(), "2.0.0.6");
    EXPECT_EQ(record->productVersion, "1.0.0.1");
    EXPECT_EQ(record->releaseNote, "Release 06.09.2008");
    EXPECT_EQ(record->legalNotice, "© 2008 Portelan-Team");
    EXPECT_EQ(record->fileNumbers[0], 2);
    EXPECT_EQ(record->fileNumbers[1], 0);
    EXPECT_EQ(record->fileNumbers[2], 0);
    EXPECT_EQ(record->fileNumbers[3], 6);
}

TEST(VersionInfo, AFileWithoutARecordHasNone)
{
    TempDir dir;
    const std::string plain = dir / "kein-programm.exe";
    WriteBytes(plain, "MZ nur ein Anfang");
    for (const std::string& file : {plain, dir / "fehlt.exe"}) {
        SCOPED_TRACE(file);
        EXPECT_FALSE(ReadVersionRecordOf(file).has_value());
        EXPECT_EQ(ReadVersionRecordOf(file).value_or(VersionRecord{}).releaseNote, "");
        EXPECT_EQ(ReadVersionRecordOf(file).value_or(VersionRecord{}).fileNumbers[0], 0);
    }
}

TEST(VersionInfo, TextsMissingFromTheRecordAreEmpty)
{
    // Wine's own libraries carry a version record without a German block.
    char system[MAX_PATH] = "";
    ASSERT_GT(GetSystemDirectoryA(system, MAX_PATH), 0u);
    const std::optional<VersionRecord> record = ReadVersionRecordOf(std::string(system) + "\\kernel32.dll");
    ASSERT_TRUE(record.has_value());
    EXPECT_EQ(record->FileVersion(),
              std::to_string(record->fileNumbers[0]) + "." + std::to_string(record->fileNumbers[1]) + "." +
                  std::to_string(record->fileNumbers[2]) + "." + std::to_string(record->fileNumbers[3]));
    EXPECT_NE(record->FileVersion(), "2.0.0.6");
    EXPECT_FALSE(record->productVersion.empty());
    EXPECT_EQ(record->releaseNote, "");
    EXPECT_EQ(record->legalNotice, "");
}

} // namespace
} // namespace portelan::test
