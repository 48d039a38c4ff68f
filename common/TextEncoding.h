// Names between UTF-8, the programs' own encoding on every platform, and
// Windows-1252, the encoding of names in configuration files as the format
// always had them. Pure byte work from a table: no locale, no system calls.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace portelan {

// True when text is well-formed UTF-8: shortest forms only, no surrogate
// halves, nothing above U+10FFFF. The empty text is well-formed.
bool IsValidUtf8(std::string_view text);

// The Windows-1252 bytes of a UTF-8 text; nullopt when the text is no valid
// UTF-8 or holds a character that Windows-1252 lacks (U+0080 ... U+009F
// among them: their bytes stand for other characters there).
std::optional<std::string> Utf8ToWindows1252(std::string_view utf8);

// The UTF-8 form of Windows-1252 bytes; nullopt when a byte is one of the
// five that stand for nothing: 0x81, 0x8D, 0x8F, 0x90, 0x9D.
std::optional<std::string> Windows1252ToUtf8(std::string_view cp1252);

// The length of the longest start of a UTF-8 text that has at most
// maxBytes bytes and ends on a character boundary; a malformed sequence
// ends it too.
std::size_t Utf8PrefixLength(std::string_view utf8, std::size_t maxBytes);

} // namespace portelan
