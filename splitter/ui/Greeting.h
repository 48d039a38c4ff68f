// The birthday greeting of the main window, free of any window system: when
// it is due and what it says.
#pragma once

#include <string>

namespace portelan {

// A local date and time as the calendar shows it (month and day from 1).
struct LocalTime {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// The greeting belongs to Portelan's release day, 6 September, from 08:00
// until just before 20:00, in any year.
bool IsGreetingTime(const LocalTime& now);

// The greeting's message box: "Hallo <computer name>..." over its text.
std::string GreetingCaption(const std::string& computerName);
extern const char* const kGreetingText;

} // namespace portelan
