// Size texts, the free-space check, path helpers and the --size argument.
#include <cstdint>
#include <cstdio>
#include <limits>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "common/PathText.h"
#include "common/SizeText.h"
#include "common/StrFormat.h"
#include "platform/Platform.h"
#include "splitter/ui/cli/SizeArgument.h"

namespace portelan {
namespace {

using test::TempDir;

TEST(FormatSize, WritesGermanSizeTexts)
{
    const std::vector<std::pair<std::int64_t, std::string>> cases = {
        {0, "0 Bytes"},
        {1, "1 Byte"},
        {2, "2 Bytes"},
        {1023, "1023 Bytes"},
        {1024, "1.0 KB"},
        {1536, "1.5 KB"},
        {1048575, "1024.0 KB"},
        {1048576, "1.0 MB"},
        {1474560, "1.4 MB"},
        {1457664, "1.4 MB"},
        {1572864, "1.5 MB"},
        {(std::int64_t{1} << 30) - 1, "1024.0 MB"},
        {std::int64_t{1} << 30, "1.0 GB"},
        {std::int64_t{3} << 29, "1.5 GB"},
        {std::int64_t{1} << 40, "1.0 TB"},
        {std::int64_t{1} << 50, "1024.0 TB"},
        {-5, "-5 Bytes"},
    };
    for (const auto& [count, text] : cases)
        EXPECT_EQ(FormatSize(count), text) << "count " << count;
}

TEST(FormatSize, StaysInTerabytesForTheLargestCount)
{
    std::string text = FormatSize(std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(text, "8388608.0 TB");
}

// Our integer rounding against the C library's "%.1f" of the exact quotient,
// across every tie and remainder of a few units.
TEST(FormatSize, RoundsAsPrintfDoes)
{
    for (std::int64_t count = 1024; count < 16 * 1024; ++count) {
        char expected[32];
        std::snprintf(expected, sizeof expected, "%.1f KB", static_cast<double>(count) / 1024.0);
        ASSERT_EQ(FormatSize(count), expected) << "count " << count;
    }
}

TEST(StrFormat, PrintsLikePrintfForTheDirectivesWeUse)
{
    char expected[64];
    auto same = [&](const std::string& ours, int length) {
        ASSERT_GE(length, 0);
        EXPECT_EQ(ours, std::string(expected)) << "printf gives " << expected;
    };
    same(StrFormat("%s|%5s|%.2s|%c|%%", "ab", "cd", "efg", 'h'),
         std::snprintf(expected, sizeof expected, "%s|%5s|%.2s|%c|%%", "ab", "cd", "efg", 'h'));
    same(StrFormat("%d %i %.3d %.3d %02d %4d %04d %d", 7, -7, 5, 1234, 3, -12, -12, INT32_MIN),
         std::snprintf(expected, sizeof expected, "%d %i %.3d %.3d %02d %4d %04d %d", 7, -7, 5, 1234, 3, -12,
                       -12, INT32_MIN));
    same(StrFormat("%ld %lu %lld %zu %u", -9L, 9UL, std::numeric_limits<long long>::min(), std::size_t{42},
                   0u),
         std::snprintf(expected, sizeof expected, "%ld %lu %lld %zu %u", -9L, 9UL,
                       std::numeric_limits<long long>::min(), std::size_t{42}, 0u));
    EXPECT_EQ(StrFormat("Datei %d von %d...", 2, 3), "Datei 2 von 3...");
}

TEST(CheckFreeSpace, ProcHasNoRoomButAsksForNothingIsEnough)
{
    // statvfs("/proc") reports 0 free bytes: an exact boundary on a real volume.
    for (std::int64_t needed : {std::int64_t{0}, std::int64_t{1}, std::int64_t{1} << 40}) {
        const FreeSpace free = CheckFreeSpace("/proc", needed);
        EXPECT_EQ(free.enough, needed == 0) << needed;
        EXPECT_EQ(free.bytes, 0) << needed;
    }
}

TEST(CheckFreeSpace, ReturnsTheFreeBytesOfARealDirectory)
{
    TempDir dir;
    const FreeSpace some = CheckFreeSpace(dir.Dir(), 0);
    EXPECT_TRUE(some.enough);
    EXPECT_GT(some.bytes, 0);

    // More than any disk holds: not enough, and the result tells what there is.
    const FreeSpace huge = CheckFreeSpace(dir.Dir(), std::numeric_limits<std::int64_t>::max());
    EXPECT_FALSE(huge.enough);
    EXPECT_GT(huge.bytes, 0);
    EXPECT_LT(huge.bytes, std::numeric_limits<std::int64_t>::max());
}

TEST(CheckFreeSpace, FailedQueryGivesWhatIsNeeded)
{
    TempDir dir;
    test::WriteFile(dir / "file", "x");
    // A missing directory, and a path that runs through a regular file.
    for (const std::string& path : {dir / "missing/deeper/", dir / "file/below/"})
        for (std::int64_t needed : {std::int64_t{0}, std::int64_t{12345}}) {
            const FreeSpace free = CheckFreeSpace(path, needed);
            EXPECT_FALSE(free.enough) << path << needed;
            EXPECT_EQ(free.bytes, needed) << path << needed;
        }
}

TEST(PathHelpers, EnsureTrailingBackslashAppendsOneSeparator)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"", ""},         {"/", "/"},       {"/a", "/a/"},   {"/a/", "/a/"},
        {"a", "a/"},      {"a/b/", "a/b/"}, {"a\\", "a\\/"}, // a backslash is an ordinary character here
        {"/a//", "/a//"},
    };
    for (const auto& [in, out] : cases) {
        std::string path = in;
        EnsureTrailingBackslash(path);
        EXPECT_EQ(path, out) << "input \"" << in << "\"";
    }
}

TEST(PathHelpers, SplitPathCutsAfterTheLastSeparator)
{
    struct Case {
        std::string path, directory, fileName;
    };
    const std::vector<Case> cases = {
        {"/a/b/c.txt", "/a/b/", "c.txt"},
        {"c.txt", "", "c.txt"},
        {"/a/b/", "/a/b/", ""},
        {"/", "/", ""},
        {"", "", ""},
        {"/c", "/", "c"},
        {"a\\b.txt", "", "a\\b.txt"},
        {"x//y", "x//", "y"},
    };
    for (const Case& c : cases) {
        PathParts parts = SplitPath(c.path);
        EXPECT_EQ(parts.directory, c.directory) << "path \"" << c.path << "\"";
        EXPECT_EQ(parts.fileName, c.fileName) << "path \"" << c.path << "\"";
    }
}

TEST(PathHelpers, LowerCaseTouchesOnlyAsciiLetters)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"ABC xyz", "abc xyz"},
        {"_FILM.CFG", "_film.cfg"},
        {"@[`{Z", "@[`{z"},               // the neighbours of A-Z and a-z stay
        {"\xC3\x84RGER", "\xC3\x84rger"}, // UTF-8 "Ä" keeps its bytes
        {"\xC4\xD6\xDC", "\xC4\xD6\xDC"}, // Latin-1 capitals are not ASCII
        {std::string("A\0B", 3), std::string("a\0b", 3)},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(ToLowerAscii(in), out);

    EXPECT_TRUE(EqualsIgnoreCaseAscii("_fIlM.CFG", "_film.cfg"));
    EXPECT_FALSE(EqualsIgnoreCaseAscii("\xC3\x84", "\xC3\xA4"));
    EXPECT_FALSE(EqualsIgnoreCaseAscii("_film.cfg", "_film.cfgx"));
    EXPECT_FALSE(EqualsIgnoreCaseAscii("_film.cfgx", "_film.cfg"));
}

TEST(ParsePieceSize, ReadsPresetsNumbersAndUnitsAndCapsThem)
{
    constexpr std::int64_t kCap = std::int64_t{1} << 30;
    const std::vector<std::pair<std::string, std::optional<std::int64_t>>> cases = {
        {"disk", 1457664},
        {"0", 0},
        {"-5", -5},
        {"100", 100},
        {"4K", 4096},
        {"1500K", 1536000},
        {"700M", 734003200},
        {"1024M", kCap},
        {"1048576K", kCap},
        {"1073741824", kCap},
        {"5000M", kCap},
        {"1048577K", kCap},
        {"1073741825", kCap},
        {"99999999999999999999", kCap},
        {"99999999999999999999M", kCap},
        {"12X", std::nullopt},
        {"", std::nullopt},
        {"K", std::nullopt},
        {"1.5M", std::nullopt},
        {"4KB", std::nullopt},
        {"-", std::nullopt},
        {" 4K", std::nullopt},
        {"4K ", std::nullopt},
        {"Disk", std::nullopt},
        {"fat32 ", std::nullopt},
    };
    for (const auto& [text, expected] : cases) {
        const std::optional<PieceSizeValue> parsed = ParsePieceSize(text);
        EXPECT_EQ(parsed ? std::optional(parsed->value) : std::nullopt, expected)
            << "text \"" << text << "\"";
    }
}

TEST(ParsePieceCount, TakesDigitsOnly)
{
    const std::vector<std::pair<std::string, std::optional<std::int64_t>>> cases = {
        {"3", 3},
        {"0", 0},
        {"1000", 1000},
        {"99999999999999999999", std::int64_t{1} << 40},
        {"", std::nullopt},
        {"-3", std::nullopt},
        {"3K", std::nullopt},
        {" 3", std::nullopt},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(ParsePieceCount(text), expected) << "text \"" << text << "\"";
}

} // namespace
} // namespace portelan
