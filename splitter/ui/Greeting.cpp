#include "splitter/ui/Greeting.h"

#include <chrono>
#include <mutex>
#include <system_error>

#include "common/StrFormat.h"
#include "texts/SplitterTexts.h"

namespace portelan {

namespace {

constexpr int kGreetingMonth = 9;
constexpr int kGreetingDay = 6;
constexpr int kFirstHour = 8;
constexpr int kEndHour = 20; // the first hour without the greeting

using namespace std::chrono_literals;
constexpr auto kWatcherPeriod = 100ms;
// The period is slept in slices, so that a closing window does not wait for
// a whole one.
constexpr auto kWatcherSlice = 10ms;

std::mutex g_clockMutex;
GreetingClock g_greetingClock;

} // namespace

std::atomic<bool> g_bStopRequested{false};
std::atomic<bool> g_bWatcherFinished{false};

const char* GreetingText() { return Tr(Text::GreetingText); }

bool IsGreetingTime(const LocalTime& now)
{
    return now.month == kGreetingMonth && now.day == kGreetingDay && now.hour >= kFirstHour &&
           now.hour < kEndHour;
}

void SetGreetingClock(GreetingClock clock)
{
    std::lock_guard lock(g_clockMutex);
    g_greetingClock = std::move(clock);
}

LocalTime SystemLocalTime() { return platform::LocalTimeNow(); }

bool IsGreetingTime()
{
    GreetingClock clock;
    {
        std::lock_guard lock(g_clockMutex);
        clock = g_greetingClock;
    }
    return IsGreetingTime(clock ? clock() : SystemLocalTime());
}

CGreetingWatcher::CGreetingWatcher(std::function<void(bool show)> show) : m_show(std::move(show))
{
    g_bStopRequested = false;
    g_bWatcherFinished = false;
}

CGreetingWatcher::~CGreetingWatcher()
{
    g_bStopRequested = true;
    if (m_thread.joinable()) {
        while (!g_bWatcherFinished)
            std::this_thread::sleep_for(kWatcherSlice);
        m_thread.join();
    }
}

void CGreetingWatcher::Start()
{
    try {
        m_thread = std::thread(&CGreetingWatcher::Run, this);
    } catch (const std::system_error&) {
        // Without a watcher there is nothing to wait for when closing.
    }
}

void CGreetingWatcher::Run()
{
    while (!g_bStopRequested) {
        m_bDue = IsGreetingTime();
        if (m_bDue != m_bShown) {
            m_bShown = m_bDue;
            m_show(m_bShown);
        }
        for (auto slept = 0ms; slept < kWatcherPeriod && !g_bStopRequested; slept += kWatcherSlice)
            std::this_thread::sleep_for(kWatcherSlice);
    }
    g_bWatcherFinished = true;
}

std::string GreetingCaption(const std::string& computerName)
{
    return StrFormat(Tr(Text::GreetingCaption), computerName.c_str());
}

} // namespace portelan
