#include "common/StrFormat.h"

#include <cstdarg>
#include <cstddef>

namespace portelan {

namespace {

// Appends the decimal digits of magnitude, zero-padded to at least minDigits,
// then pads to width (with zeros when zeroPad, otherwise blanks) in front.
void AppendNumber(std::string& out, bool negative, unsigned long long magnitude, int minDigits, int width,
                  bool zeroPad, unsigned base = 10, const char* digitSet = "0123456789")
{
    char digits[24];
    int n = 0;
    do {
        digits[n++] = digitSet[magnitude % base];
        magnitude /= base;
    } while (magnitude != 0);
    int length = (n > minDigits ? n : minDigits) + (negative ? 1 : 0);
    if (!zeroPad)
        out.append(width > length ? static_cast<std::size_t>(width - length) : 0, ' ');
    if (negative)
        out += '-';
    if (zeroPad && width > length)
        minDigits = width - (negative ? 1 : 0);
    out.append(minDigits > n ? static_cast<std::size_t>(minDigits - n) : 0, '0');
    while (n > 0)
        out += digits[--n];
}

} // namespace

std::string StrFormat(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::string out;
    for (const char* p = format; *p; ++p) {
        if (*p != '%') {
            out += *p;
            continue;
        }
        const char* directive = p++;
        bool zeroPad = false;
        for (; *p == '0'; ++p)
            zeroPad = true;
        int width = 0;
        for (; *p >= '0' && *p <= '9'; ++p)
            width = width * 10 + (*p - '0');
        int precision = -1;
        if (*p == '.')
            for (precision = 0, ++p; *p >= '0' && *p <= '9'; ++p)
                precision = precision * 10 + (*p - '0');
        int longs = 0;
        bool sizeType = false;
        for (; *p == 'l' || *p == 'z'; ++p)
            *p == 'l' ? ++longs : (sizeType = true, 0);
        switch (*p) {
        case '%':
            out += '%';
            break;
        case 'c':
            out += static_cast<char>(va_arg(args, int));
            break;
        case 's': {
            const char* text = va_arg(args, const char*);
            std::string value = text ? text : "(null)";
            if (precision >= 0 && value.size() > static_cast<std::size_t>(precision))
                value.resize(static_cast<std::size_t>(precision));
            out.append(width > static_cast<int>(value.size()) ? width - value.size() : 0, ' ');
            out += value;
            break;
        }
        case 'd':
        case 'i': {
            long long value = sizeType     ? static_cast<long long>(va_arg(args, std::ptrdiff_t))
                              : longs >= 2 ? va_arg(args, long long)
                              : longs == 1 ? va_arg(args, long)
                                           : va_arg(args, int);
            unsigned long long magnitude = value < 0 ? 0ULL - static_cast<unsigned long long>(value)
                                                     : static_cast<unsigned long long>(value);
            AppendNumber(out, value < 0, magnitude, precision < 0 ? 1 : precision, width,
                         zeroPad && precision < 0);
            break;
        }
        case 'u':
        case 'x':
        case 'X': {
            unsigned long long value = sizeType     ? va_arg(args, std::size_t)
                                       : longs >= 2 ? va_arg(args, unsigned long long)
                                       : longs == 1 ? va_arg(args, unsigned long)
                                                    : va_arg(args, unsigned);
            const bool hex = *p != 'u';
            AppendNumber(out, false, value, precision < 0 ? 1 : precision, width, zeroPad && precision < 0,
                         hex ? 16 : 10, *p == 'x' ? "0123456789abcdef" : "0123456789ABCDEF");
            break;
        }
        default: // not one of ours: shown as written, the end of the text included
            out.append(directive, static_cast<std::size_t>(p - directive) + (*p ? 1 : 0));
            if (!*p)
                --p;
            break;
        }
    }
    va_end(args);
    return out;
}

} // namespace portelan
