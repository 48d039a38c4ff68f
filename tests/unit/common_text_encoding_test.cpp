// Names between UTF-8 and Windows-1252: the whole code page both ways, its
// five holes, malformed UTF-8, and cutting at a character boundary.
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/TextEncoding.h"

namespace portelan {
namespace {

using Bytes = std::optional<std::string>;

// Pairs written from the code page's published table, not from our own.
TEST(TextEncoding, Windows1252AndUtf8ConvertBothWays)
{
    struct Case {
        std::string cp1252, utf8;
    };
    const std::vector<Case> cases = {
        {"", ""},
        {"film 01.avi", "film 01.avi"},
        {"S\374dtirol", "Südtirol"}, // octal: a hex escape would take in the "d"
        {"Gr\366\337e", "Größe"},
        {"\x80\x82\x83\x84\x85\x86\x87\x88\x89\x8A\x8B\x8C\x8E", "€‚ƒ„…†‡ˆ‰Š‹ŒŽ"},
        {"\x91\x92\x93\x94\x95\x96\x97\x98\x99\x9A\x9B\x9C\x9E\x9F", "‘’“”•–—˜™š›œžŸ"},
        {"\xA0\xA9\xBF\xC0\xD7\xDF\xE9\xF7\xFF", "\u00A0©¿À×ßé÷ÿ"},
        {std::string("a\0b", 3), std::string("a\0b", 3)},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Windows1252ToUtf8(c.cp1252), Bytes(c.utf8)) << c.utf8;
        EXPECT_EQ(Utf8ToWindows1252(c.utf8), Bytes(c.cp1252)) << c.utf8;
    }
}

TEST(TextEncoding, EveryDefinedByteRoundTripsAndTheFiveHolesMapToNothing)
{
    const std::string holes = "\x81\x8D\x8F\x90\x9D";
    int defined = 0;
    for (int b = 0; b < 256; ++b) {
        const std::string byte(1, static_cast<char>(b));
        Bytes utf8 = Windows1252ToUtf8(byte);
        if (holes.find(byte) != std::string::npos) {
            EXPECT_EQ(utf8, std::nullopt) << b;
            // Nor anywhere in a longer text.
            EXPECT_EQ(Windows1252ToUtf8("ab" + byte + "cd"), std::nullopt) << b;
            continue;
        }
        ++defined;
        ASSERT_TRUE(utf8) << b;
        EXPECT_TRUE(IsValidUtf8(*utf8)) << b;
        EXPECT_EQ(Utf8ToWindows1252(*utf8), Bytes(byte)) << b;
    }
    EXPECT_EQ(defined, 251);
}

TEST(TextEncoding, CharactersBeyondWindows1252HaveNoBytes)
{
    // U+0080-U+009F have no bytes either: those bytes stand for other letters.
    const std::vector<std::string> texts = {
        "Łódź", "東京", "Süd 😀", "\u0080", "\u0081", "\u009F", "\uFFFD",
    };
    for (const std::string& text : texts) {
        EXPECT_TRUE(IsValidUtf8(text)) << text;
        EXPECT_EQ(Utf8ToWindows1252(text), std::nullopt) << text;
    }
}

TEST(TextEncoding, MalformedUtf8IsRecognised)
{
    struct Case {
        const char* what;
        std::string bytes;
        bool valid;
    };
    const std::vector<Case> cases = {
        {"ASCII", "film", true},
        {"two bytes", "\xC3\xBC", true},
        {"three bytes", "\xE2\x82\xAC", true},
        {"four bytes", "\xF0\x9F\x98\x80", true},
        {"highest code point", "\xF4\x8F\xBF\xBF", true},
        {"last before the surrogates", "\xED\x9F\xBF", true},
        {"lone continuation byte", "a\x80", false},
        {"Windows-1252 byte", "S\374dtirol", false},
        {"cut two-byte sequence", "S\xC3", false},
        {"cut three-byte sequence", "\xE2\x82", false},
        {"cut four-byte sequence", "\xF0\x9F\x98", false},
        {"lead byte before ASCII", "\xC3!", false},
        {"overlong NUL", "\xC0\x80", false},
        {"overlong slash", "\xC0\xAF", false},
        {"overlong three bytes", "\xE0\x80\xAF", false},
        {"overlong four bytes", "\xF0\x80\x80\xAF", false},
        {"surrogate half", "\xED\xA0\x80", false},
        {"above U+10FFFF", "\xF4\x90\x80\x80", false},
        {"five-byte lead", "\xF8\x88\x80\x80\x80", false},
        {"0xFF", "\xFF", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsValidUtf8(c.bytes), c.valid) << c.what;
        if (!c.valid) {
            EXPECT_EQ(Utf8ToWindows1252(c.bytes), std::nullopt) << c.what;
        }
    }
}

TEST(TextEncoding, PrefixEndsOnACharacterBoundary)
{
    struct Case {
        std::string text;
        std::size_t maxBytes, expected;
    };
    const std::string tokyo = "東京"; // two characters of three bytes
    const std::vector<Case> cases = {
        {"abc", 5, 3},       {"abc", 3, 3},       {"abc", 2, 2}, {"", 4, 0},
        {tokyo, 6, 6},       {tokyo, 5, 3},       {tokyo, 3, 3}, {tokyo, 2, 0},
        {"a" + tokyo, 4, 4}, {"a" + tokyo, 3, 1}, {"ü", 1, 0},   {"ab\xFF!", 9, 2},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Utf8PrefixLength(c.text, c.maxBytes), c.expected) << c.text << " in " << c.maxBytes;
}

} // namespace
} // namespace portelan
