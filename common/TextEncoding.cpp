#include "common/TextEncoding.h"

#include <cstdint>

namespace portelan {

namespace {

// Marks the bytes of Windows-1252 that stand for no character. U+FFFF is a
// noncharacter: no byte of the code page maps to it.
constexpr char32_t kNone = 0xFFFF;

// 0x80-0x9F: the code page's own letters and signs, with its five holes;
// every other byte is the code point of the same number (see Windows1252At).
constexpr char16_t kWindows1252High[32] = {
    0x20AC, kNone,  0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 0x80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, kNone,  0x017D, kNone,  // 0x88
    kNone,  0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 0x90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, kNone,  0x017E, 0x0178, // 0x98
};

// The code point of a byte in Windows-1252, kNone for a hole.
char32_t Windows1252At(unsigned char b) { return b >= 0x80 && b < 0xA0 ? kWindows1252High[b - 0x80] : b; }

// Decodes the character at text[pos] and moves pos behind it; nullopt (pos
// unchanged) for a malformed sequence.
std::optional<char32_t> NextCodePoint(std::string_view text, std::size_t& pos)
{
    const auto byteAt = [&text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byteAt(pos);
    if (lead < 0x80) {
        ++pos;
        return lead;
    }
    std::size_t length = 0;
    char32_t cp = 0;
    char32_t shortest = 0; // the smallest code point that needs this length
    if ((lead & 0xE0) == 0xC0) {
        length = 2;
        cp = lead & 0x1Fu;
        shortest = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        cp = lead & 0x0Fu;
        shortest = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        cp = lead & 0x07u;
        shortest = 0x10000;
    } else {
        return std::nullopt; // a continuation byte, or 0xF8-0xFF
    }
    if (text.size() - pos < length)
        return std::nullopt;
    for (std::size_t i = 1; i < length; ++i) {
        const unsigned char next = byteAt(pos + i);
        if ((next & 0xC0) != 0x80)
            return std::nullopt;
        cp = (cp << 6) | (next & 0x3Fu);
    }
    if (cp < shortest || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return std::nullopt;
    pos += length;
    return cp;
}

void AppendUtf8(std::string& out, char32_t cp)
{
    const auto put = [&out](char32_t bits) { out.push_back(static_cast<char>(bits)); };
    if (cp < 0x80) {
        put(cp);
    } else if (cp < 0x800) {
        put(0xC0 | (cp >> 6));
        put(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        put(0xE0 | (cp >> 12));
        put(0x80 | ((cp >> 6) & 0x3F));
        put(0x80 | (cp & 0x3F));
    } else {
        put(0xF0 | (cp >> 18));
        put(0x80 | ((cp >> 12) & 0x3F));
        put(0x80 | ((cp >> 6) & 0x3F));
        put(0x80 | (cp & 0x3F));
    }
}

std::optional<unsigned char> Windows1252Byte(char32_t cp)
{
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF))
        return static_cast<unsigned char>(cp);
    for (std::size_t b = 0x80; b < 0xA0; ++b)
        if (Windows1252At(static_cast<unsigned char>(b)) == cp)
            return static_cast<unsigned char>(b);
    return std::nullopt;
}

} // namespace

bool IsValidUtf8(std::string_view text) { return Utf8PrefixLength(text, text.size()) == text.size(); }

std::optional<std::string> Utf8ToWindows1252(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t pos = 0; pos < utf8.size();) {
        std::optional<char32_t> cp = NextCodePoint(utf8, pos);
        if (!cp)
            return std::nullopt;
        std::optional<unsigned char> byte = Windows1252Byte(*cp);
        if (!byte)
            return std::nullopt;
        out.push_back(static_cast<char>(*byte));
    }
    return out;
}

std::optional<std::string> Windows1252ToUtf8(std::string_view cp1252)
{
    std::string out;
    out.reserve(cp1252.size());
    for (char c : cp1252) {
        const char32_t cp = Windows1252At(static_cast<unsigned char>(c));
        if (cp == kNone)
            return std::nullopt;
        AppendUtf8(out, cp);
    }
    return out;
}

std::size_t Utf8PrefixLength(std::string_view utf8, std::size_t maxBytes)
{
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        std::size_t next = pos;
        if (!NextCodePoint(utf8, next) || next > maxBytes)
            break;
        pos = next;
    }
    return pos;
}

} // namespace portelan
