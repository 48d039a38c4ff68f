// The digest as text, shared by the SHA-256 of each platform.
#pragma once

#include <cstddef>
#include <string>

namespace portelan::platform {

constexpr std::size_t kSha256Bytes = 32;

inline std::string HexDigits(const unsigned char* bytes, std::size_t n)
{
    constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(2 * n);
    for (std::size_t i = 0; i < n; ++i) {
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 0x0F];
    }
    return text;
}

} // namespace portelan::platform
