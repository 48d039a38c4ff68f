// The tray icon and the hidden progress window that owns it, with the calls
// to the notification area recorded as the shell would receive them.
#include <windows.h>

#include <gtest/gtest.h>

#include "JoinerHarness.h"
#include "joiner/win32/JoinerResource.h"
#include "joiner/win32/ProgressDlg.h"
#include "joiner/win32/TrayIcon.h"

namespace portelan::test {
namespace {

// The structure's first version: 88 bytes on 32-bit Windows, 104 on 64-bit.
constexpr DWORD kFirstVersionSize = sizeof(void*) == 8 ? 104 : 88;

const std::string kSeventy = "Datei 1 von 3... und ein Text, der in keine Sprechblase passt, 0123456";

// A plain window to own the icon.
class OwnerWindow {
  public:
    OwnerWindow()
        : m_hWnd(CreateWindowExA(0, "STATIC", "Besitzer", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr,
                                 nullptr, GetModuleHandleA(nullptr), nullptr))
    {
    }
    ~OwnerWindow() { DestroyWindow(m_hWnd); }
    OwnerWindow(const OwnerWindow&) = delete;
    OwnerWindow& operator=(const OwnerWindow&) = delete;
    HWND Hwnd() const { return m_hWnd; }

  private:
    HWND m_hWnd;
};

TEST(TrayIcon, ShowingAddsTheIconWithAnEmptyTipThenSetsTheTipAndHidesTheOwner)
{
    ASSERT_EQ(kSeventy.size(), 70u);
    TrayRecorder tray;
    OwnerWindow owner;
    ASSERT_NE(owner.Hwnd(), nullptr);
    CTrayIcon icon(owner.Hwnd(), WM_APP + 5, "Bitte warten...");
    EXPECT_TRUE(tray.Calls().empty()) << "construction talks to the shell";
    EXPECT_FALSE(icon.IsVisible());

    icon.SetVisible(true);
    EXPECT_FALSE(IsWindowVisible(owner.Hwnd()));
    std::vector<TrayCall> calls = tray.Calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].message, static_cast<DWORD>(NIM_ADD));
    EXPECT_EQ(calls[0].flags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
    EXPECT_EQ(calls[0].tip, "");
    EXPECT_TRUE(calls[0].hasIcon);
    EXPECT_EQ(calls[0].callbackMessage, static_cast<UINT>(WM_APP + 5));
    EXPECT_EQ(calls[1].message, static_cast<DWORD>(NIM_MODIFY));
    EXPECT_EQ(calls[1].flags, static_cast<UINT>(NIF_TIP));
    EXPECT_EQ(calls[1].tip, "Bitte warten...");

    // A tip longer than the first version's field reaches the shell cut to 63.
    icon.SetTip(kSeventy);
    icon.SetTip("");
    calls = tray.Calls();
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(calls[2].message, static_cast<DWORD>(NIM_MODIFY));
    EXPECT_EQ(calls[2].tip, kSeventy.substr(0, 63));
    EXPECT_EQ(calls[3].tip, "");
    EXPECT_EQ(calls[3].flags, static_cast<UINT>(NIF_TIP));

    // Hiding takes the icon down and brings the owner back; the tip given at
    // construction stays for the next showing.
    icon.SetVisible(false);
    EXPECT_TRUE(IsWindowVisible(owner.Hwnd()));
    icon.SetVisible(true);
    calls = tray.Calls();
    ASSERT_EQ(calls.size(), 7u);
    EXPECT_EQ(calls[4].message, static_cast<DWORD>(NIM_DELETE));
    EXPECT_EQ(calls[5].message, static_cast<DWORD>(NIM_ADD));
    EXPECT_EQ(calls[6].tip, "Bitte warten...");

    for (const TrayCall& call : calls) {
        EXPECT_EQ(call.size, kFirstVersionSize);
        EXPECT_EQ(call.size, static_cast<DWORD>(NOTIFYICONDATAA_V1_SIZE));
        EXPECT_EQ(call.id, 1u);
        EXPECT_EQ(call.owner, owner.Hwnd());
    }
    icon.SetVisible(false);
}

TEST(TrayIcon, TheSingleCallsSetOnlyWhatTheyAreGiven)
{
    TrayRecorder tray;
    OwnerWindow owner;
    CTrayIcon::AddIcon(owner.Hwnd(), 0, 7, nullptr, nullptr);
    CTrayIcon::AddIcon(owner.Hwnd(), 0, 8, LoadIconA(nullptr, MAKEINTRESOURCEA(32512)), kSeventy.c_str());
    CTrayIcon::ModifyTip(owner.Hwnd(), 7, nullptr);
    CTrayIcon::DeleteIcon(owner.Hwnd(), 8);
    std::vector<TrayCall> calls = tray.Calls();
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(calls[0].flags, static_cast<UINT>(NIF_MESSAGE)) << "no icon and no tip";
    EXPECT_EQ(calls[0].id, 7u);
    EXPECT_EQ(calls[1].flags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
    EXPECT_EQ(calls[1].tip, kSeventy.substr(0, 63));
    EXPECT_EQ(calls[2].message, static_cast<DWORD>(NIM_MODIFY));
    EXPECT_EQ(calls[2].flags, static_cast<UINT>(NIF_TIP));
    EXPECT_EQ(calls[2].tip, "");
    EXPECT_EQ(calls[3].message, static_cast<DWORD>(NIM_DELETE));
    EXPECT_EQ(calls[3].id, 8u);
    for (const TrayCall& call : calls)
        EXPECT_EQ(call.size, kFirstVersionSize);
}

// The structure stays the ANSI one: a tip of ours (UTF-8) reaches the shell
// in the system's code page.
TEST(TrayIcon, ATipBeyondAsciiReachesTheShellInTheAnsiCodePage)
{
    if (GetACP() != 1252)
        GTEST_SKIP() << "the expected bytes are those of Windows-1252";
    TrayRecorder tray;
    OwnerWindow owner;
    CTrayIcon::ModifyTip(owner.Hwnd(), 1, "Größe 1 von 3");
    std::vector<TrayCall> calls = tray.Calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].tip, "Gr\xF6\xDF"
                            "e 1 von 3");
}

TEST(TrayIcon, WithoutOwnerNothingReachesTheShell)
{
    TrayRecorder tray;
    CTrayIcon icon(nullptr, 0, "Bitte warten...");
    icon.SetVisible(true);
    icon.SetVisible(false);
    EXPECT_TRUE(tray.Calls().empty());
}

TEST(ProgressWindow, IsCreatedHiddenAndStandsInTheTrayWhileShown)
{
    TrayRecorder tray;
    HWND hwnd = nullptr;
    {
        CProgressDlg progress;
        ASSERT_TRUE(progress.Create());
        hwnd = progress.Hwnd();
        ASSERT_NE(hwnd, nullptr);
        EXPECT_FALSE(IsWindowVisible(hwnd));
        EXPECT_EQ(GetWindow(hwnd, GW_OWNER), nullptr);
        EXPECT_EQ(WindowText(hwnd), "Dialog");
        EXPECT_EQ(ItemText(hwnd, IDOK), "OK");
        EXPECT_EQ(GetWindowLongPtrA(GetDlgItem(hwnd, IDOK), GWL_STYLE) & 0x0F, BS_DEFPUSHBUTTON);
        HWND picture = GetDlgItem(hwnd, IDC_STATIC);
        ASSERT_NE(picture, nullptr);
        EXPECT_NE(SendMessageA(picture, STM_GETICON, 0, 0), 0) << "the icon static shows no icon";
        const TemplateItem* icon = ReadDialogTemplate(IDD_PROGRESS).Item(IDC_STATIC);
        ASSERT_NE(icon, nullptr);
        const RECT place{5, 3, 21, 20};
        EXPECT_TRUE(EqualRect(&icon->place, &place)) << icon->place.right << " x " << icon->place.bottom;
        EXPECT_TRUE(tray.Calls().empty()) << "creating the window shows the icon";

        progress.Show(true);
        progress.SetProgress(2, 5);
        progress.SetTip(kSeventy);
        EXPECT_FALSE(IsWindowVisible(hwnd));
        progress.Show(false);
        EXPECT_TRUE(IsWindowVisible(hwnd)) << "the window comes back in place of the icon";
        progress.Show(true);
    }
    // The window goes; the icon object too, without taking the icon down.
    EXPECT_FALSE(IsWindow(hwnd));
    std::vector<TrayCall> calls = tray.Calls();
    ASSERT_EQ(calls.size(), 7u);
    const DWORD messages[] = {NIM_ADD, NIM_MODIFY, NIM_MODIFY, NIM_MODIFY, NIM_DELETE, NIM_ADD, NIM_MODIFY};
    const char* tips[] = {"", "Bitte warten...", "Datei 2 von 5...", nullptr, "", "", "Bitte warten..."};
    for (std::size_t i = 0; i < calls.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(calls[i].message, messages[i]);
        if (tips[i]) {
            EXPECT_EQ(calls[i].tip, tips[i]);
        }
        EXPECT_EQ(calls[i].owner, hwnd);
        EXPECT_EQ(calls[i].callbackMessage, 0u);
    }
    EXPECT_EQ(calls[3].tip, kSeventy.substr(0, 63));
}

} // namespace
} // namespace portelan::test
