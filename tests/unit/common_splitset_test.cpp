// Names of the set's members and the 536-byte configuration record.
#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "common/SplitSet.h"
#include "platform/Platform.h"

namespace portelan {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

std::string ImageBytes(const CSplitConfig& record)
{
    CSplitConfig::Image image = record.Serialize();
    return std::string(image.begin(), image.end());
}

void ExpectSameRecord(const CSplitConfig& actual, const CSplitConfig& expected)
{
    EXPECT_EQ(actual.m_nTypeWord, expected.m_nTypeWord);
    EXPECT_EQ(actual.m_reserved1, expected.m_reserved1);
    EXPECT_EQ(actual.m_nSourceSize, expected.m_nSourceSize);
    EXPECT_EQ(actual.Extension(), expected.Extension());
    EXPECT_EQ(actual.BaseName(), expected.BaseName());
    EXPECT_EQ(actual.m_szExtension, expected.m_szExtension);
    EXPECT_EQ(actual.m_szBaseName, expected.m_szBaseName);
    EXPECT_EQ(actual.m_nCount, expected.m_nCount);
    EXPECT_EQ(actual.m_nReserved2, expected.m_nReserved2);
    EXPECT_EQ(actual.HasChecksum(), expected.HasChecksum());
}

TEST(SetNames, SplitSourceNameCutsAtTheLastDot)
{
    struct Case {
        std::string name, base, ext;
    };
    const std::vector<Case> cases = {
        {"film.avi", "film", "avi"},
        {"archive.tar.gz", "archive.tar", "gz"},
        {"README", "README", "xxx"},
        {".profile", "", "profile"},
        {"film.", "film", ""},
        {"a.b.c", "a.b", "c"},
        {"", "", "xxx"},
        {"Mixed.Case.EXT", "Mixed.Case", "EXT"},
    };
    for (const Case& c : cases) {
        SourceNameParts parts = SplitSourceName(c.name);
        EXPECT_EQ(parts.baseName, c.base) << "name \"" << c.name << "\"";
        EXPECT_EQ(parts.extension, c.ext) << "name \"" << c.name << "\"";
    }
}

TEST(SetNames, MemberNamesFollowTheBaseName)
{
    EXPECT_EQ(PieceFileName("/t/", "film", 1), "/t/film.001");
    EXPECT_EQ(PieceFileName("/t/", "film", 10), "/t/film.010");
    EXPECT_EQ(PieceFileName("/t/", "film", 999), "/t/film.999");
    EXPECT_EQ(PieceFileName("/t/", "archive.tar", 2), "/t/archive.tar.002");
    EXPECT_EQ(PieceFileName("", "README", 7), "README.007");
    EXPECT_EQ(PieceFileName("/t/", "", 1), "/t/.001");

    EXPECT_EQ(ConfigFileName("/t/", "archive.tar"), "/t/_archive.tar.cfg");
    EXPECT_EQ(ConfigFileName("/t/", "README"), "/t/_README.cfg");
    EXPECT_EQ(ConfigFileName("/t/", ""), "/t/_.cfg");
    EXPECT_EQ(JoinerFileName("/t/", "archive.tar"), "/t/_archive.tar.exe");
    EXPECT_EQ(JoinerFileName("/t/", "README"), "/t/_README.exe");
    EXPECT_EQ(JoinerFileName("", "film"), "_film.exe");
}

TEST(SetNames, PieceNumberOfAnExtension)
{
    const std::vector<std::pair<std::string, std::optional<int>>> cases = {
        {"001", 1},
        {"003", 3},
        {"999", 999},
        {"1000", 1000},
        {"0", 0},
        {"7", 7},
        {"123456789", 123456789},
        {"", std::nullopt},
        {"avi", std::nullopt},
        {"01a", std::nullopt},
        {"a01", std::nullopt},
        {"-1", std::nullopt},
        {"+1", std::nullopt},
        {" 1", std::nullopt},
        {"1.0", std::nullopt},
        {"99999999999999999999", std::nullopt}, // no int holds it
    };
    for (const auto& [ext, number] : cases)
        EXPECT_EQ(PieceNumberOfExtension(ext), number) << "extension \"" << ext << "\"";
}

TEST(SplitConfig, ImageHasTheFixedLittleEndianLayout)
{
    CSplitConfig record(4, "film", "avi", 5000000);

    CSplitConfig::Image expected{};
    const unsigned char type[] = {0x44, 0xA4, 0x40, 0x00};
    const unsigned char size[] = {0x40, 0x4B, 0x4C, 0x00, 0x00, 0x00, 0x00, 0x00};
    std::copy(std::begin(type), std::end(type), expected.begin());
    std::copy(std::begin(size), std::end(size), expected.begin() + 8);
    expected[16] = 'a';
    expected[17] = 'v';
    expected[18] = 'i';
    expected[272] = 'f';
    expected[273] = 'i';
    expected[274] = 'l';
    expected[275] = 'm';
    expected[528] = 0x04;
    EXPECT_EQ(record.Serialize(), expected);
    EXPECT_FALSE(record.HasChecksum());

    record.SetChecksum(0xCAFEBABE);
    expected[4] = 'P';
    expected[5] = 'C';
    expected[6] = '3';
    expected[7] = '2';
    expected[532] = 0xBE;
    expected[533] = 0xBA;
    expected[534] = 0xFE;
    expected[535] = 0xCA;
    EXPECT_EQ(record.Serialize(), expected);
    EXPECT_TRUE(record.HasChecksum());
    EXPECT_EQ(record.Checksum(), 0xCAFEBABEu);

    // Written to a real file: exactly these 536 bytes.
    TempDir dir;
    platform::File file;
    ASSERT_TRUE(file.Open(dir / "_film.cfg", platform::File::Mode::CreateWrite));
    ASSERT_TRUE(record.Write(file));
    ASSERT_TRUE(file.Close());
    EXPECT_EQ(ReadFile(dir / "_film.cfg"), std::string(expected.begin(), expected.end()));
}

TEST(SplitConfig, RoundTripKeepsEveryField)
{
    std::vector<CSplitConfig> records = {
        CSplitConfig(4, "film", "avi", 5000000),
        CSplitConfig(-1, "", "", -7),
        CSplitConfig(999, "archive.tar", "gz", (std::int64_t{1} << 40) + 3),
        CSplitConfig(std::numeric_limits<std::int32_t>::max(), std::string(256, 'b'), std::string(256, 'e'),
                     std::numeric_limits<std::int64_t>::max()),
        CSplitConfig(std::numeric_limits<std::int32_t>::min(), "\xC3\xA4", "\x01", 1),
    };
    records[2].SetChecksum(0xFFFFFFFF);
    records[3].SetChecksum(0);
    records[4].m_reserved1 = {'A', 'B', 'C', 'D'};
    records[4].m_nReserved2 = 0x80000001;
    for (std::size_t i = 0; i < records.size(); ++i) {
        SCOPED_TRACE("record " + std::to_string(i));
        CSplitConfig::Image image = records[i].Serialize();
        CSplitConfig back;
        back.Deserialize(image.data(), image.size());
        ExpectSameRecord(back, records[i]);
        EXPECT_EQ(back.Serialize(), image);
    }
}

TEST(SplitConfig, FullLengthTextsHaveNoTerminator)
{
    const std::string base(256, 'b');
    const std::string ext(256, 'e');
    CSplitConfig record(2, base, ext, 10);
    CSplitConfig::Image image = record.Serialize();
    EXPECT_EQ(std::string(image.begin() + 16, image.begin() + 272), ext);
    EXPECT_EQ(std::string(image.begin() + 272, image.begin() + 528), base);
    EXPECT_EQ(image[528], 2); // the count right behind the base name is intact

    CSplitConfig back;
    back.Deserialize(image.data(), image.size());
    EXPECT_EQ(back.BaseName(), base);
    EXPECT_EQ(back.Extension(), ext);
    EXPECT_EQ(back.m_nCount, 2);

    // A longer text is cut to the field, never spilling into the next one.
    CSplitConfig longer(3, std::string(300, 'B'), std::string(300, 'E'), 10);
    EXPECT_EQ(longer.BaseName(), std::string(256, 'B'));
    EXPECT_EQ(longer.Extension(), std::string(256, 'E'));
    EXPECT_EQ(longer.Serialize()[528], 3);
}

TEST(SplitConfig, TextStopsAtTheFirstNul)
{
    CSplitConfig::Image image = CSplitConfig(1, "film", "avi", 1).Serialize();
    image[272 + 2] = '\0'; // "fi\0m"
    image[272 + 10] = 'z'; // junk after the terminator
    CSplitConfig back;
    back.Deserialize(image.data(), image.size());
    EXPECT_EQ(back.BaseName(), "fi");
}

TEST(SplitConfig, ShortFilesLeaveMissingFieldsAtDefaults)
{
    CSplitConfig full(3, "film", "avi", 5000000);
    full.SetChecksum(0x12345678);
    const std::string bytes = ImageBytes(full);

    TempDir dir;
    const std::string path = dir / "_film.cfg";
    struct Case {
        std::size_t length;
        std::uint32_t type;
        bool marker;
        std::int64_t size;
        std::string ext, base;
        std::int32_t count;
        std::uint32_t crc;
    };
    const std::vector<Case> cases = {
        {0, 0, false, 0, "", "", 0, 0},
        {20, CSplitConfig::kTypeWord, true, 5000000, "avi", "", 0, 0},
        {274, CSplitConfig::kTypeWord, true, 5000000, "avi", "fi", 0, 0},
        {530, CSplitConfig::kTypeWord, true, 5000000, "avi", "film", 3, 0},
        {536, CSplitConfig::kTypeWord, true, 5000000, "avi", "film", 3, 0x12345678},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("length " + std::to_string(c.length));
        WriteFile(path, bytes.substr(0, c.length));
        platform::File file;
        ASSERT_TRUE(file.Open(path, platform::File::Mode::Read));
        CSplitConfig record;
        ASSERT_TRUE(record.Read(file));
        EXPECT_EQ(record.m_nTypeWord, c.type);
        EXPECT_EQ(record.HasChecksum(), c.marker);
        EXPECT_EQ(record.m_nSourceSize, c.size);
        EXPECT_EQ(record.Extension(), c.ext);
        EXPECT_EQ(record.BaseName(), c.base);
        EXPECT_EQ(record.m_nCount, c.count);
        EXPECT_EQ(record.Checksum(), c.crc);
    }
}

TEST(SplitConfig, BytesAfterTheRecordAreIgnored)
{
    CSplitConfig full(5, "archive.tar", "gz", 123456789);
    full.SetChecksum(0xA5A5A5A5);
    const std::string trailing = test::RandomBytes(1000, 9);

    TempDir dir;
    WriteFile(dir / "_archive.tar.cfg", ImageBytes(full) + trailing);
    platform::File file;
    ASSERT_TRUE(file.Open(dir / "_archive.tar.cfg", platform::File::Mode::Read));
    CSplitConfig record;
    ASSERT_TRUE(record.Read(file));
    ExpectSameRecord(record, full);

    std::string buffer = ImageBytes(full) + trailing;
    CSplitConfig fromBuffer;
    fromBuffer.Deserialize(reinterpret_cast<const unsigned char*>(buffer.data()), buffer.size());
    ExpectSameRecord(fromBuffer, full);
}

TEST(SplitConfig, ReadFromAFileThatCannotBeReadFails)
{
    TempDir dir;
    WriteFile(dir / "_film.cfg", ImageBytes(CSplitConfig(3, "film", "avi", 10)));
    platform::File file;
    // Opened for writing only: the read itself fails.
    ASSERT_TRUE(file.Open(dir / "_film.cfg", platform::File::Mode::WriteExisting));
    CSplitConfig record;
    EXPECT_FALSE(record.Read(file));

    platform::File closed;
    EXPECT_FALSE(record.Read(closed));
}

TEST(SplitConfig, OnlyOurTwoMarkersMeanAChecksumAndOnlyPu32MeansUtf8)
{
    struct Case {
        std::array<unsigned char, 4> marker;
        bool checksum;
        NameEncoding encoding;
    };
    const std::vector<Case> cases = {
        {{'P', 'C', '3', '2'}, true, NameEncoding::Windows1252},
        {{'P', 'U', '3', '2'}, true, NameEncoding::Utf8},
        {{0, 0, 0, 0}, false, NameEncoding::Windows1252},
        {{'p', 'c', '3', '2'}, false, NameEncoding::Windows1252},
        {{'p', 'u', '3', '2'}, false, NameEncoding::Windows1252},
        {{'P', 'C', '3', '3'}, false, NameEncoding::Windows1252},
        {{'P', 'U', '3', 0}, false, NameEncoding::Windows1252},
        {{'A', 'B', 'C', 'D'}, false, NameEncoding::Windows1252},
        {{'2', '3', 'C', 'P'}, false, NameEncoding::Windows1252},
        {{0xFF, 0xFF, 0xFF, 0xFF}, false, NameEncoding::Windows1252},
    };
    for (const Case& c : cases) {
        CSplitConfig::Image image = CSplitConfig(1, "a", "b", 1).Serialize();
        std::copy(c.marker.begin(), c.marker.end(), image.begin() + 4);
        image[532] = 0x11; // a non-zero value in the checksum field does not count
        CSplitConfig record;
        record.Deserialize(image.data(), image.size());
        const std::string marker(c.marker.begin(), c.marker.end());
        EXPECT_EQ(record.HasChecksum(), c.checksum) << marker;
        EXPECT_EQ(record.StoredNameEncoding(), c.encoding) << marker;
    }
}

// "Südtirol" as Windows-1252 spells it: ü is 0xFC (octal 374).
const std::string kSuedtirol1252 = "S\374dtirol";

std::string Times(const std::string& text, std::size_t n)
{
    std::string all;
    for (std::size_t i = 0; i < n; ++i)
        all += text;
    return all;
}

// What goes into the record for names as the programs hold them.
TEST(StoredNames, Windows1252WhenItHoldsBothNamesUtf8Otherwise)
{
    const NameEncoding cp = NameEncoding::Windows1252;
    const NameEncoding utf8 = NameEncoding::Utf8;
    struct Case {
        const char* what;
        std::string base, ext;             // as the programs hold them
        std::string storedBase, storedExt; // in the record
        NameEncoding encoding;
        bool fit, readable;
    };
    const std::vector<Case> cases = {
        {"ASCII", "film", "avi", "film", "avi", cp, true, true},
        {"letters of Windows-1252", "Südtirol", "avi", kSuedtirol1252, "avi", cp, true, true},
        {"beyond Windows-1252", "Łódź", "avi", "Łódź", "avi", utf8, true, true},
        {"CJK", "東京", "mp4", "東京", "mp4", utf8, true, true},
        {"both names in one encoding", "Süd", "東京", "Süd", "東京", utf8, true, true},
        // Names that are no UTF-8 (a Linux file system's own bytes).
        {"Latin-1 bytes", kSuedtirol1252, "avi", kSuedtirol1252, "avi", cp, true, true},
        {"bytes that Windows-1252 lacks", "\x81x", "avi", "\x81x", "avi", cp, true, false},
        // The fields: Windows-1252 may fill all 256 bytes, UTF-8 leaves one for the NUL.
        {"256 bytes", std::string(256, 'a'), "avi", std::string(256, 'a'), "avi", cp, true, true},
        {"257 bytes", std::string(257, 'a'), "avi", std::string(257, 'a'), "avi", cp, false, true},
        {"256 bytes that are 128 letters", Times("ä", 128), "avi", std::string(128, '\xE4'), "avi", cp, true,
         true},
        {"UTF-8 of 255 bytes", "Ł" + std::string(253, 'a'), "avi", "Ł" + std::string(253, 'a'), "avi", utf8,
         true, true},
        {"UTF-8 of 256 bytes", "Ł" + std::string(254, 'a'), "avi", "Ł" + std::string(254, 'a'), "avi", utf8,
         false, true},
        {"extension of 255 bytes", "x", Times("東", 85), "x", Times("東", 85), utf8, true, true},
        {"extension of 258 bytes", "x", Times("東", 86), "x", Times("東", 86), utf8, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        StoredNames stored = EncodeNames(c.base, c.ext);
        EXPECT_EQ(stored.baseName, c.storedBase);
        EXPECT_EQ(stored.extension, c.storedExt);
        EXPECT_EQ(stored.encoding, c.encoding);
        EXPECT_EQ(stored.Fit(), c.fit);
        EXPECT_EQ(stored.Readable(), c.readable);
    }
}

TEST(SplitConfig, ForSetMarksTheEncodingAndNeverCutsACharacter)
{
    struct Case {
        std::string base, ext;
        const char* marker;
        std::string storedBase; // up to the first NUL
        std::string decodedBase;
    };
    const std::vector<Case> cases = {
        {"東京", "mp4", "PU32", "東京", "東京"},
        // 258 bytes: whole characters only, and a NUL behind them.
        {Times("東", 86), "mp4", "PU32", Times("東", 85), Times("東", 85)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.marker + std::string(" ") + c.base);
        CSplitConfig record = CSplitConfig::ForSet(3, c.base, c.ext, 1000, 0xCAFEBABE);
        CSplitConfig::Image image = record.Serialize();
        EXPECT_EQ(std::string(image.begin() + 4, image.begin() + 8), c.marker);
        EXPECT_EQ(record.BaseName(), c.storedBase);
        EXPECT_EQ(image[272 + c.storedBase.size()], 0);
        EXPECT_EQ(record.DecodedBaseName(), c.decodedBase);
        EXPECT_EQ(record.DecodedExtension(), c.ext);
        EXPECT_TRUE(record.HasChecksum());
        EXPECT_EQ(record.Checksum(), 0xCAFEBABEu);
        // Setting the checksum again keeps the declared encoding.
        record.SetChecksum(7);
        EXPECT_EQ(std::string(record.m_reserved1.begin(), record.m_reserved1.end()), c.marker);
    }
}

TEST(SplitConfig, NamesAreDecodedAsTheMarkerSays)
{
    struct Case {
        const char* marker; // four bytes, or "" for none
        std::string base, ext;
        std::optional<std::string> decodedBase, decodedExt;
    };
    const std::vector<Case> cases = {
        {"", kSuedtirol1252, "avi", "Südtirol", "avi"},
        {"PC32", kSuedtirol1252, "\x80", "Südtirol", "€"},
        {"ABCD", kSuedtirol1252, "avi", "Südtirol", "avi"},
        {"PU32", "Łódź", "avi", "Łódź", "avi"},
        // Not valid in the declared encoding.
        {"PU32", kSuedtirol1252, "avi", std::nullopt, "avi"},
        {"PU32", "film", "av\xC3", "film", std::nullopt},
        {"", "Łódź", "avi", std::nullopt, "avi"}, // UTF-8 read as Windows-1252 meets the hole 0x81
        {"PC32", "film", "\x9D", "film", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.marker) + " " + c.base + "." + c.ext);
        CSplitConfig::Image image = CSplitConfig(2, c.base, c.ext, 10).Serialize();
        std::copy(c.marker, c.marker + std::char_traits<char>::length(c.marker), image.begin() + 4);
        CSplitConfig record;
        record.Deserialize(image.data(), image.size());
        EXPECT_EQ(record.BaseName(), c.base);
        EXPECT_EQ(record.Extension(), c.ext);
        EXPECT_EQ(record.DecodedBaseName(), c.decodedBase);
        EXPECT_EQ(record.DecodedExtension(), c.decodedExt);
    }
}

} // namespace
} // namespace portelan
