// The folder browser's OK rule, checked on a window that records what the
// event function sends it.
#include <windows.h>

#include <shlobj.h>

#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "splitter/ui/win32/Choosers.h"

namespace portelan::test {
namespace {

std::vector<std::pair<WPARAM, LPARAM>> g_enableOk;

LRESULT CALLBACK Recorder(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == BFFM_ENABLEOK)
        g_enableOk.emplace_back(wParam, lParam);
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

TEST(FolderBrowser, OkStartsDisabledAndEverySelectionEnablesIt)
{
    WNDCLASSA type{};
    type.lpfnWndProc = Recorder;
    type.hInstance = GetModuleHandleA(nullptr);
    type.lpszClassName = "PortelanBrowserStandIn";
    RegisterClassA(&type);
    HWND browser = CreateWindowA("PortelanBrowserStandIn", "", 0, 0, 0, 10, 10, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(browser, nullptr);

    g_enableOk.clear();
    EXPECT_EQ(BrowseForFolderEvents(browser, BFFM_INITIALIZED, 0, 0), 0);
    ASSERT_EQ(g_enableOk.size(), 1u);
    EXPECT_EQ(g_enableOk[0].second, 0); // disabled

    for (int change = 0; change < 3; ++change)
        EXPECT_EQ(BrowseForFolderEvents(browser, BFFM_SELCHANGED, 0, 0), 0);
    ASSERT_EQ(g_enableOk.size(), 4u);
    for (std::size_t i = 1; i < g_enableOk.size(); ++i) {
        EXPECT_EQ(g_enableOk[i].first, 1u);
        EXPECT_EQ(g_enableOk[i].second, 1); // enabled, never disabled again
    }
    DestroyWindow(browser);
}

} // namespace
} // namespace portelan::test
