// printf-style formatting into a std::string, checked by the compiler.
#pragma once

#include <string>

namespace portelan {

#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
std::string
StrFormat(const char* format, ...);

} // namespace portelan
