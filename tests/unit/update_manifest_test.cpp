// Parsing of manifest lines, lookup, version comparison and unit names.
#include <climits>
#include <string>

#include <gtest/gtest.h>

#include "splitter/update/UpdateEntry.h"

namespace portelan {
namespace {

constexpr std::int32_t kMissing = -1;

struct LineCase {
    const char* what;
    std::string line;
    std::optional<std::string> name;
    VersionNumbers version;
    std::optional<UpdateDate> date;
    std::int32_t sizeUnit;
    std::int32_t size;
    std::optional<std::string> directory;
    std::optional<std::string> fileName;
};

TEST(UpdateManifest, ParsesEachFieldByItsRule)
{
    const LineCase cases[] = {
        {"full line",
         "portelan;2;1;0;3;2008.9.6;2;2;Updates/;portelan.zip;\n",
         "portelan",
         {2, 1, 0, 3},
         UpdateDate{2008, 9, 6},
         2,
         2,
         "Updates/",
         "portelan.zip"},
        {"cut short after two numbers",
         "portelan;2;0;\n",
         "portelan",
         {2, 0, kMissing, kMissing},
         std::nullopt,
         kMissing,
         kMissing,
         std::nullopt,
         std::nullopt},
        {"empty line",
         "\n",
         std::nullopt,
         {kMissing, kMissing, kMissing, kMissing},
         std::nullopt,
         kMissing,
         kMissing,
         std::nullopt,
         std::nullopt},
        {"no line end at all",
         "",
         std::nullopt,
         {kMissing, kMissing, kMissing, kMissing},
         std::nullopt,
         kMissing,
         kMissing,
         std::nullopt,
         std::nullopt},
        {"blank before digits, trailing junk, no digits",
         "p; 7;7x;x;-3;;0;500;;a.zip;",
         "p",
         {7, 7, 0, -3},
         std::nullopt,
         0,
         500,
         std::nullopt,
         "a.zip"},
        {"date without day", "p;1;1;1;1;2008.9;0;0;d/;f;", "p", {1, 1, 1, 1}, std::nullopt, 0, 0, "d/", "f"},
        {"date with month 0",
         "p;1;1;1;1;2008.0.6;0;0;d/;f;",
         "p",
         {1, 1, 1, 1},
         std::nullopt,
         0,
         0,
         "d/",
         "f"},
        {"date with a dot but nothing after it",
         "p;1;1;1;1;2008.9.;0;0;;f;",
         "p",
         {1, 1, 1, 1},
         std::nullopt,
         0,
         0,
         std::nullopt,
         "f"},
        {"blanks belong to text fields; tail after the tenth ';' ignored",
         " p ;1;2;3;4;1.1.1;1;9; d/ ; f ;x;y",
         " p ",
         {1, 2, 3, 4},
         UpdateDate{1, 1, 1},
         1,
         9,
         " d/ ",
         " f "},
        {"numbers beyond 32 bits are clamped",
         "p;99999999999999999999;-99999999999999999999;2147483647;0;;0;0;;f;",
         "p",
         {INT32_MAX, INT32_MIN, INT32_MAX, 0},
         std::nullopt,
         0,
         0,
         std::nullopt,
         "f"},
        {"nine fields: file name missing",
         "p;1;2;3;4;2008.9.6;2;2;Updates/\n",
         "p",
         {1, 2, 3, 4},
         UpdateDate{2008, 9, 6},
         2,
         2,
         std::nullopt,
         std::nullopt},
    };
    for (const LineCase& c : cases) {
        SCOPED_TRACE(c.what);
        UpdateEntry e = ParseManifestLine(c.line);
        EXPECT_EQ(e.name, c.name);
        EXPECT_EQ(e.version, c.version);
        EXPECT_EQ(e.releaseDate, c.date);
        EXPECT_EQ(e.sizeUnit, c.sizeUnit);
        EXPECT_EQ(e.size, c.size);
        EXPECT_EQ(e.directory, c.directory);
        EXPECT_EQ(e.fileName, c.fileName);
    }
}

TEST(UpdateManifest, CommentsAreSkippedAndEveryOtherLineIsAnEntry)
{
    UpdateList list = ParseManifest("# comment\nportelan;1;0;0;0;;0;1;;a.zip;\n\n#another\nshort;1;\n");
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].name, "portelan");
    EXPECT_FALSE(list[1].name);
    EXPECT_EQ(list[2].name, "short");
    EXPECT_EQ(list[2].version, (VersionNumbers{1, kMissing, kMissing, kMissing}));

    EXPECT_TRUE(ParseManifest("# only\n#comments\n").empty());
    EXPECT_TRUE(ParseManifest("").empty());
    // A '#' further into a line does not make a comment.
    EXPECT_EQ(ParseManifest(" #x;\n").size(), 1u);
}

TEST(UpdateManifest, LongLinesAreParsedInPiecesOf1024Characters)
{
    std::string first = "portelan;2;0;0;7;;0;1;;a.zip;";
    first.resize(kManifestLineMax, 'x');
    std::string rest = "late;3;";
    rest.resize(1500 - kManifestLineMax, 'y');
    UpdateList list = ParseManifest(first + rest + "\nnext;1;\n");
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].name, "portelan");
    EXPECT_EQ(list[0].version[3], 7);
    EXPECT_EQ(list[1].name, "late");
    EXPECT_EQ(list[1].version[0], 3);
    EXPECT_EQ(list[2].name, "next");

    // A line of exactly 1024 characters leaves its line end as an empty line.
    EXPECT_EQ(ParseManifest(first + "\n").size(), 2u);
}

TEST(UpdateManifest, BlockwiseReadingGivesTheSameEntriesAsWholeText)
{
    std::string text =
        "# c\nportelan;2;0;0;7;;0;1;;a.zip;\n" + std::string(3000, 'z') + "\nend;1;2;3;4;;;;;;\n";
    UpdateList whole = ParseManifest(text);
    for (std::size_t block : {1u, 7u, 1000u, 1025u}) {
        SCOPED_TRACE(block);
        ManifestReader reader;
        for (std::size_t at = 0; at < text.size(); at += block)
            reader.Feed(std::string_view(text).substr(at, block));
        UpdateList list = reader.Finish();
        ASSERT_EQ(list.size(), whole.size());
        for (std::size_t i = 0; i < list.size(); ++i) {
            EXPECT_EQ(list[i].name, whole[i].name);
            EXPECT_EQ(list[i].version, whole[i].version);
        }
    }
}

TEST(UpdateManifest, FindEntryMatchesTheWholeNameExactlyAndTakesTheFirst)
{
    UpdateList list;
    AppendEntry(ParseManifestLine("\n"), list);
    AppendEntry(ParseManifestLine("Portelan;9;9;9;9;;0;1;;upper.zip;"), list);
    AppendEntry(ParseManifestLine("portelan2;9;9;9;9;;0;1;;two.zip;"), list);
    AppendEntry(ParseManifestLine("portelan;2;0;1;0;;0;1;;first.zip;"), list);
    AppendEntry(ParseManifestLine("portelan;3;0;0;0;;0;1;;second.zip;"), list);
    const UpdateEntry* found = FindEntry("portelan", list);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->fileName, "first.zip");
    EXPECT_EQ(FindEntry("portela", list), nullptr);
    EXPECT_EQ(FindEntry("", list), nullptr); // the nameless entry never matches
    EXPECT_EQ(FindEntry("x", UpdateList{}), nullptr);
}

TEST(UpdateManifest, VersionComparisonIsNumberByNumberMostSignificantFirst)
{
    struct Row {
        const char* line;
        VersionNumbers local;
        bool newer;
    } rows[] = {
        {"p;2;0;0;6;", {2, 0, 0, 6}, false},  {"p;2;0;1;0;", {2, 0, 0, 6}, true},
        {"p;1;9;9;9;", {2, 0, 0, 6}, false},  {"p;3;0;0;0;", {2, 5, 0, 0}, true},
        {"p;2;4;9;9;", {2, 5, 0, 0}, false},  {"p;2;0;0;7;", {2, 0, 0, 6}, true},
        {"p;2;1;", {2, 0, 0, 6}, true},       // decided before the missing numbers
        {"p;2;0;", {2, 0, 0, 6}, false},      // -1 against 0
        {"p;2;0;0;", {2, 0, 0, 0}, false},    // -1 against 0 in the last place
        {"p;-1;0;0;0;", {0, 0, 0, 0}, false}, // signed comparison
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.line);
        EXPECT_EQ(IsNewerVersion(ParseManifestLine(r.line), r.local), r.newer);
    }
    EXPECT_EQ(FormatVersion({2, 0, 0, 6}), "2.0.0.6");
    EXPECT_EQ(FormatVersion({-1, 0, 12, 65535}), "-1.0.12.65535");
}

TEST(UpdateManifest, SizeUnitNames)
{
    EXPECT_STREQ(SizeUnitName(0), "Byte");
    EXPECT_STREQ(SizeUnitName(1), "KB");
    EXPECT_STREQ(SizeUnitName(2), "MB");
    EXPECT_STREQ(SizeUnitName(3), "GB");
    for (std::int32_t other : {4, 7, -1, INT32_MIN, INT32_MAX})
        EXPECT_STREQ(SizeUnitName(other), "???") << other;
}

TEST(UpdateManifest, OnlyPlainFileNamesAndClimbFreeDirectoriesAreDownloadable)
{
    struct Row {
        const char* line;
        bool ok;
    } rows[] = {
        {"p;1;1;1;1;;0;1;Updates/;portelan.zip;", true},
        {"p;1;1;1;1;;0;1;;portelan.zip;", true},
        {"p;1;1;1;1;;0;1;a/b/;x..y.zip;", true},
        {"p;1;1;1;1;;0;1;Updates/;;", false},
        {"p;1;1;1;1;;0;1;Updates/;", false},
        {"p;1;1;1;1;;0;1;;../evil.zip;", false},
        {"p;1;1;1;1;;0;1;;..;", false},
        {"p;1;1;1;1;;0;1;;.;", false},
        {"p;1;1;1;1;;0;1;;sub/evil.zip;", false},
        {"p;1;1;1;1;;0;1;;/etc/passwd;", false},
        {"p;1;1;1;1;;0;1;;a\\b.zip;", false},
        {"p;1;1;1;1;;0;1;;a\tb.zip;", false},
        {"p;1;1;1;1;;0;1;../;a.zip;", false},
        {"p;1;1;1;1;;0;1;Up\\dates/;a.zip;", false},
        // Names Windows would read as another file or a stream of one.
        {"p;1;1;1;1;;0;1;;a.zip:s;", false},
        {"p;1;1;1;1;;0;1;;Portelan.exe.;", false},
        {"p;1;1;1;1;;0;1;;a.zip ;", false},
        {"p;1;1;1;1;;0;1;;NUL.zip;", false},
        {"p;1;1;1;1;;0;1;;com1;", false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.line);
        EXPECT_EQ(IsDownloadable(ParseManifestLine(r.line)), r.ok);
    }
    UpdateEntry withNul = ParseManifestLine(std::string("p;1;1;1;1;;0;1;;a\0b.zip;", 25));
    ASSERT_TRUE(withNul.fileName);
    EXPECT_EQ(withNul.fileName->size(), 7u);
    EXPECT_FALSE(IsDownloadable(withNul));
}

TEST(UpdateManifest, HostileTextNeverBreaksTheParse)
{
    std::string binary;
    for (int i = 0; i < 256 * 40; ++i)
        binary += static_cast<char>(i * 37 + 11);
    UpdateList list = ParseManifest(binary);
    EXPECT_FALSE(list.empty());

    std::string many;
    for (std::size_t i = 0; i < kManifestEntryMax + 500; ++i)
        many += "x;1;\n";
    many += "portelan;9;9;9;9;;0;1;;late.zip;\n";
    list = ParseManifest(many);
    EXPECT_EQ(list.size(), kManifestEntryMax);
    EXPECT_EQ(FindEntry("portelan", list), nullptr);

    list = ParseManifest(std::string(1 << 20, ';'));
    ASSERT_EQ(list.size(), 1024u);
    EXPECT_EQ(list[0].version, (VersionNumbers{0, 0, 0, 0}));
}

TEST(UpdateManifest, AnEleventhFieldOf64HexDigitsIsTheSha256)
{
    const std::string hex = "0123456789ABCDEFabcdef0123456789abcdef0123456789abcdef0123456789";
    const std::string lower = "0123456789abcdefabcdef0123456789abcdef0123456789abcdef0123456789";
    const std::string head = "p;1;1;1;1;;0;1;d/;f.zip;";
    struct Row {
        std::string line;
        std::optional<std::string> sha256;
    } rows[] = {
        {head + hex + ";\n", lower},
        {head + hex + "\r\n", lower},
        {head + hex, lower},
        {head + hex + ";more;", lower},
        {head + "\n", std::nullopt},
        {head + ";\n", std::nullopt},
        {head + hex + "0;", std::nullopt},
        {head + hex.substr(1) + "g;", std::nullopt},
        {head + " " + hex.substr(1) + ";", std::nullopt},
        {"p;1;1;1;1;;0;1;f.zip;" + hex + ";", std::nullopt}, // the hash would be the file name
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.line);
        EXPECT_EQ(ParseManifestLine(r.line).sha256, r.sha256);
    }
}

} // namespace
} // namespace portelan
