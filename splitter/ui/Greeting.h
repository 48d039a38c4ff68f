// The birthday greeting of the main window, free of any window system: when
// it is due and what it says.
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "platform/Platform.h"

namespace portelan {

// A local date and time as the calendar shows it (month and day from 1).
using LocalTime = platform::CalendarTime;

// The greeting belongs to Portelan's release day, 6 September, from 08:00
// until just before 20:00, in any year.
bool IsGreetingTime(const LocalTime& now);

// The clock the greeting watcher reads. An empty clock (the default) is the
// system's local time; tests set their own. Safe to change at any time.
using GreetingClock = std::function<LocalTime()>;
void SetGreetingClock(GreetingClock clock);
// The local date and time of the system.
LocalTime SystemLocalTime();
// Whether the greeting is due now, by the clock above.
bool IsGreetingTime();

// The watcher thread's flags: the window asks it to stop, it says it has.
extern std::atomic<bool> g_bStopRequested;
extern std::atomic<bool> g_bWatcherFinished;

// Looks at the clock every 100 ms on a thread of its own and tells `show`
// (on that thread) whenever the greeting's button is to appear or go.
// Construction clears the flags above; destruction stops the thread.
class CGreetingWatcher {
  public:
    explicit CGreetingWatcher(std::function<void(bool show)> show);
    ~CGreetingWatcher();
    CGreetingWatcher(const CGreetingWatcher&) = delete;
    CGreetingWatcher& operator=(const CGreetingWatcher&) = delete;

    // Starts the thread; without one the button never shows.
    void Start();
    // The last look at the clock.
    bool Due() const { return m_bDue; }

  private:
    void Run();

    std::function<void(bool)> m_show;
    std::atomic<bool> m_bDue{false};
    bool m_bShown = false;
    std::thread m_thread;
};

// The greeting's message box: "Hallo <computer name>..." over its text, in
// the language of the user interface.
std::string GreetingCaption(const std::string& computerName);
const char* GreetingText();

} // namespace portelan
