// printf-style formatting into a std::string, checked by the compiler. Our
// own, for the few directives the programs use: %s, %c, %d, %i, %u, %x and %X with
// the flag 0, a width, a precision and the lengths l, ll and z. Every
// platform prints the same, whatever the locale, and the joiner copy carries
// no C library formatter. Other directives appear as they are written.
#pragma once

#include <string>

namespace portelan {

#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
std::string
StrFormat(const char* format, ...);

} // namespace portelan
