// The greeting on Portelan's release day: when it is due, the watcher that
// shows and hides its button as the clock moves, and what the button says.
#include <windows.h>

#include <gtest/gtest.h>

#include "SplitterWindow.h"
#include "platform/win32/WideText.h"
#include "splitter/ui/Greeting.h"
#include "splitter/ui/win32/Resource.h"

namespace portelan::test {
namespace {

constexpr LocalTime kGreetingDay{2008, 9, 6, 12, 0, 0};

TEST(GreetingTime, OnlyOnTheSixthOfSeptemberFromEightUntilBeforeEight)
{
    struct Case {
        LocalTime time;
        bool due;
    };
    const Case cases[] = {
        {{2008, 9, 5, 23, 59, 59}, false}, // the evening before
        {{2008, 9, 6, 0, 0, 0}, false},    // the day has begun,
        {{2008, 9, 6, 7, 59, 59}, false},  // but not the greeting
        {{2008, 9, 6, 8, 0, 0}, true},     // opens on the hour
        {{2008, 9, 6, 12, 30, 0}, true},   // midday
        {{2008, 9, 6, 19, 59, 59}, true},  // the last second
        {{2008, 9, 6, 20, 0, 0}, false},   // closes on the hour
        {{2008, 9, 6, 23, 59, 59}, false}, // late evening
        {{2008, 9, 7, 8, 0, 0}, false},    // the day after
        {{2008, 8, 6, 12, 0, 0}, false},   // the sixth of the month before
        {{2008, 10, 6, 12, 0, 0}, false},  // and of the month after
        {{2008, 6, 9, 12, 0, 0}, false},   // day and month swapped
        {{2024, 9, 6, 8, 0, 0}, true},     // every year
        {{1999, 9, 6, 19, 59, 59}, true},  // also before the release
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.time.year << "-" << c.time.month << "-" << c.time.day << " "
                                        << c.time.hour << ":" << c.time.minute << ":" << c.time.second);
        EXPECT_EQ(IsGreetingTime(c.time), c.due);
    }
}

TEST(GreetingTime, ReadsTheClockThatIsSet)
{
    LocalTime now = kOrdinaryDay;
    SetGreetingClock([&] { return now; });
    EXPECT_FALSE(IsGreetingTime());
    now = kGreetingDay;
    EXPECT_TRUE(IsGreetingTime());
    SetGreetingClock({});
    // Without a clock of its own the greeting follows the system's local time.
    SYSTEMTIME local{};
    GetLocalTime(&local);
    EXPECT_EQ(IsGreetingTime(), IsGreetingTime(SystemLocalTime()));
    const LocalTime system = SystemLocalTime();
    EXPECT_EQ(system.year, local.wYear);
    EXPECT_EQ(system.month, local.wMonth);
    EXPECT_EQ(system.day, local.wDay);
}

// Whether a window has a child the test accepts.
bool HasChild(HWND parent, const std::function<bool(HWND)>& accept)
{
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (accept(child))
            return true;
    return false;
}

bool ButtonShown(const SplitterWindow& w) { return w.Visible(IDC_GREETING) && w.Enabled(IDC_GREETING); }
bool ButtonGone(const SplitterWindow& w) { return !w.Visible(IDC_GREETING) && !w.Enabled(IDC_GREETING); }

// Waits until the watcher has looked at the clock twice more, so that what
// it saw has been decided on, and the window has handled what it posted.
void LetTheWatcherLook(SplitterWindow& w)
{
    const int reads = w.Clock().Reads();
    ASSERT_TRUE(WaitUntilTrue([&] { return w.Clock().Reads() >= reads + 2; }, 5000));
    ASSERT_TRUE(w.FlushPosted());
}

TEST(GreetingButton, FollowsTheClockAcrossTheEdgesOfTheGreetingHours)
{
    SplitterWindow w; // the clock stands on an ordinary day
    LetTheWatcherLook(w);
    EXPECT_TRUE(ButtonGone(w));

    w.Clock().Set({2008, 9, 6, 8, 0, 0});
    EXPECT_TRUE(WaitUntilTrue([&] { return ButtonShown(w); }, 5000)) << "at 08:00";

    w.Clock().Set({2008, 9, 6, 19, 59, 59});
    LetTheWatcherLook(w);
    EXPECT_TRUE(ButtonShown(w)) << "still at 19:59:59";

    w.Clock().Set({2008, 9, 6, 20, 0, 0});
    EXPECT_TRUE(WaitUntilTrue([&] { return ButtonGone(w); }, 5000)) << "at 20:00";

    w.Clock().Set({2009, 9, 6, 7, 59, 59});
    LetTheWatcherLook(w);
    EXPECT_TRUE(ButtonGone(w)) << "a year later, a second before";

    w.Clock().Set({2009, 9, 6, 8, 0, 0});
    EXPECT_TRUE(WaitUntilTrue([&] { return ButtonShown(w); }, 5000)) << "back again";
}

TEST(GreetingButton, ComesUpAtOnceWhenTheWindowOpensOnTheDay)
{
    auto w = std::make_unique<SplitterWindow>();
    // Moved before the watcher's first look as a rule; either way it shows.
    w->Clock().Set(kGreetingDay);
    EXPECT_TRUE(WaitUntilTrue([&] { return ButtonShown(*w); }, 5000));
}

TEST(GreetingButton, ClosingTheWindowEndsTheWatcherFirst)
{
    auto w = std::make_unique<SplitterWindow>();
    ASSERT_TRUE(WaitUntilTrue([&] { return w->Clock().Reads() > 0; }, 5000));
    EXPECT_FALSE(g_bStopRequested);
    EXPECT_FALSE(g_bWatcherFinished);
    w.reset();
    EXPECT_TRUE(g_bStopRequested);
    EXPECT_TRUE(g_bWatcherFinished);

    // Nobody looks at the clock any more.
    std::atomic<int> reads{0};
    SetGreetingClock([&] {
        ++reads;
        return kGreetingDay;
    });
    Sleep(500);
    SetGreetingClock({});
    EXPECT_EQ(reads, 0);
}

TEST(GreetingButton, GreetsTheComputerByName)
{
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = L"";
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    ASSERT_TRUE(GetComputerNameW(name, &size));

    SplitterWindow w;
    w.Clock().Set(kGreetingDay);
    ASSERT_TRUE(WaitUntilTrue([&] { return ButtonShown(w); }, 5000));
    for (int round = 1; round <= 2; ++round) {
        SCOPED_TRACE(round);
        w.ClickLater(IDC_GREETING);
        HWND box = WaitForWindowStartingWith(w.ThreadId(), "Hallo ");
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(WindowText(box), "Hallo " + platform::ToUtf8(name) + "...");
        EXPECT_EQ(GetWindow(box, GW_OWNER), w.Hwnd());
        EXPECT_TRUE(HasChild(box, [](HWND child) { return WindowText(child) == GreetingText(); }));
        // MB_ICONINFORMATION: the system's information icon.
        const HICON information = LoadIconA(nullptr, IDI_INFORMATION);
        EXPECT_TRUE(HasChild(box, [&](HWND child) {
            return reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0)) == information &&
                   (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON;
        }));
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        ASSERT_TRUE(WaitUntilGone(box));
        w.Sync();
        EXPECT_TRUE(IsWindowEnabled(w.Hwnd()));
    }
}

} // namespace
} // namespace portelan::test
