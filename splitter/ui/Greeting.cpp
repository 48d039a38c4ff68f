#include "splitter/ui/Greeting.h"

namespace portelan {

namespace {

constexpr int kGreetingMonth = 9;
constexpr int kGreetingDay = 6;
constexpr int kFirstHour = 8;
constexpr int kEndHour = 20; // the first hour without the greeting

} // namespace

const char* const kGreetingText = "Heute hat Portelan Geburtstag!\n"
                                  "Schön, dass Sie dabei sind - vielen Dank fürs Benutzen.";

bool IsGreetingTime(const LocalTime& now)
{
    return now.month == kGreetingMonth && now.day == kGreetingDay && now.hour >= kFirstHour &&
           now.hour < kEndHour;
}

std::string GreetingCaption(const std::string& computerName) { return "Hallo " + computerName + "..."; }

} // namespace portelan
