#include "common/SizeText.h"

#include <charconv>

#include "common/StrFormat.h"
#include "platform/Platform.h"
#include "texts/JoinerTexts.h"

namespace portelan {

namespace {

std::string Decimal(std::int64_t value)
{
    char digits[24];
    return std::string(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
}

} // namespace

std::string FormatSize(std::int64_t count)
{
    static const char* const kUnits[] = {"", "KB", "MB", "GB", "TB"};
    std::int64_t value = count;
    std::int64_t previous = 0;
    int step = 0;
    while (value >= 1024 && step < 4) {
        previous = value;
        value /= 1024;
        ++step;
    }
    if (step == 0)
        return StrFormat(Tr(JoinerText::SizeInBytes, static_cast<unsigned long long>(value)),
                         static_cast<long long>(value));
    // The unit comes from the truncated quotient, the number from the value
    // one step below: 1048575 bytes read "1024.0 KB", not "1.0 MB". One
    // decimal, rounded half to even as printf's "%.1f" rounds the exact
    // quotient; in integers, so that no locale turns the point into a comma
    // and the joiner carries no floating-point formatting.
    std::int64_t tenths = previous * 10 / 1024;
    const std::int64_t rest = previous * 10 % 1024;
    if (rest > 512 || (rest == 512 && tenths % 2 == 1))
        ++tenths;
    return Decimal(tenths / 10) + "." + Decimal(tenths % 10) + " " + kUnits[step];
}

FreeSpace CheckFreeSpace(const std::string& path, std::int64_t needed)
{
    const std::optional<std::int64_t> free = platform::QueryFreeSpace(path);
    if (!free)
        return {false, needed};
    return {*free >= needed, *free};
}

} // namespace portelan
