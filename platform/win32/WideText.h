// Where texts cross between the Windows programs and the system. Inside,
// every text is UTF-8, as on Linux; the system's "W" functions take and give
// UTF-16, so that a name outside the ANSI code page (Łódź, 東京) can still
// be opened and shown.
#pragma once

#include <string>
#include <string_view>

namespace portelan::platform {

// UTF-8 to UTF-16; bytes that are no UTF-8 become U+FFFD. NULs inside the
// text are kept, as the open-file dialog's filter needs.
std::wstring ToWide(std::string_view utf8);
// UTF-16 to UTF-8; a lone surrogate becomes U+FFFD.
std::string ToUtf8(std::wstring_view utf16);
// UTF-8 in the system's ANSI code page, for the few "A" functions left;
// what that code page lacks becomes its default character.
std::string ToAnsi(std::string_view utf8);

} // namespace portelan::platform
