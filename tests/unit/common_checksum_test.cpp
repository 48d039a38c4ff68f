// The chunked copy and the CRC-32 that is read back beside it.
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "common/Checksum.h"
#include "common/ChecksumList.h"
#include "common/Crc32.h"
#include "platform/Platform.h"

namespace portelan {
namespace {

using platform::CopyResult;
using platform::File;
using test::RandomBytes;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

std::uint32_t ZlibCrc(const std::string& bytes)
{
    return static_cast<std::uint32_t>(
        crc32_z(crc32_z(0, nullptr, 0), reinterpret_cast<const Bytef*>(bytes.data()), bytes.size()));
}

// Random bytes a word at a time: the multi-chunk copy needs many of them.
std::string ManyRandomBytes(std::size_t n, unsigned seed)
{
    std::mt19937_64 rng(seed);
    std::string bytes(n, '\0');
    for (std::size_t i = 0; i < n; i += 8) {
        std::uint64_t word = rng();
        std::memcpy(bytes.data() + i, &word, std::min<std::size_t>(8, n - i));
    }
    return bytes;
}

// The whole file in one read: ReadFile goes byte by byte, too slow for megabytes.
std::string ReadLargeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    std::string bytes(static_cast<std::size_t>(in.tellg()), '\0');
    in.seekg(0);
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

// A handle for reading path; an unopened one when it cannot be opened.
std::shared_ptr<File> Opened(const std::string& path)
{
    auto file = std::make_shared<File>();
    file->Open(path, File::Mode::Read);
    return file;
}

TEST(CopyChunked, CopiesAMultiChunkFileAndTheTrailerSumsIt)
{
    // Larger than two copy chunks, and not a multiple of one.
    const std::string data = ManyRandomBytes((20u << 20) + 12345, 3);
    TempDir dir;
    WriteFile(dir / "in", data);

    File in, out;
    ASSERT_TRUE(in.Open(dir / "in", File::Mode::Read));
    ASSERT_TRUE(out.Open(dir / "out", File::Mode::CreateWrite));
    // A header already in the output: the trailer must read from outOffset on.
    ASSERT_TRUE(out.Write("HEAD", 4));

    CChecksumTrailer trailer;
    ReadBack readBack{trailer, out.Duplicate(), dir / "out", 4};
    CopyResult result = CopyChunked(in, out, static_cast<std::int64_t>(data.size()), &readBack);
    EXPECT_EQ(result.status, CopyResult::Status::Ok);
    EXPECT_EQ(result.bytes, static_cast<std::int64_t>(data.size()));
    ASSERT_TRUE(out.Close());

    CChecksumTrailer::Result sum = trailer.Finish();
    EXPECT_TRUE(sum.ok);
    EXPECT_TRUE(sum.failedPath.empty());
    EXPECT_EQ(sum.crc, ZlibCrc(data));
    EXPECT_TRUE(ReadLargeFile(dir / "out") == "HEAD" + data);
}

TEST(CopyChunked, HandsEveryChunkToEachChainedReadBack)
{
    // The join's two: one flushing each chunk alone and reading it from the
    // medium, sealed at the end, and one reading the cache.
    const std::string data = ManyRandomBytes((20u << 20) + 777, 5);
    TempDir dir;
    WriteFile(dir / "in", data);
    File in, out;
    ASSERT_TRUE(in.Open(dir / "in", File::Mode::Read));
    ASSERT_TRUE(out.Open(dir / "out", File::Mode::CreateWrite));

    CChecksumTrailer medium;
    CChecksumTrailer cache(CChecksumTrailer::Source::Cache);
    const ReadBack cached{cache, out.Duplicate(), dir / "out"};
    const ReadBack ranged{medium, out.Duplicate(), dir / "out", 0, 0, CChecksumTrailer::Flush::Range,
                          &cached};
    EXPECT_EQ(CopyChunked(in, out, static_cast<std::int64_t>(data.size()), &ranged).bytes,
              static_cast<std::int64_t>(data.size()));
    medium.Seal(ranged.file, dir / "out", 0);
    for (CChecksumTrailer* trailer : {&medium, &cache}) {
        const CChecksumTrailer::Result sum = trailer->Finish();
        EXPECT_TRUE(sum.ok);
        EXPECT_EQ(sum.crc, ZlibCrc(data));
    }
}

// Pieces of any length appended to one file, as the join writes it: each
// copy hands whole blocks only, the partial last one with the next copy, so
// the bytes handed always end at the last block boundary written.
TEST(CopyChunked, HandsWholeBlocksOfAFileWrittenOnInPiecesOfAnyLength)
{
    const std::string data = ManyRandomBytes((9u << 20) + 1, 6);
    const std::size_t cuts[] = {0, 1457664, 1457664 + 3000, 1457664 + 3000 + 4096, 3u << 20, data.size()};
    TempDir dir;
    File out;
    ASSERT_TRUE(out.Open(dir / "out", File::Mode::CreateWrite));
    CChecksumTrailer medium;
    const std::shared_ptr<File> reader = out.Duplicate();
    const std::size_t block = File::kMediumBlock;
    for (std::size_t i = 1; i < std::size(cuts); ++i) {
        const std::string piece = data.substr(cuts[i - 1], cuts[i] - cuts[i - 1]);
        WriteFile(dir / "in", piece);
        File in;
        ASSERT_TRUE(in.Open(dir / "in", File::Mode::Read));
        const auto at = static_cast<std::int64_t>(cuts[i - 1]);
        const ReadBack back{medium, reader, dir / "out", at, 0, CChecksumTrailer::Flush::Continued};
        ASSERT_EQ(CopyChunked(in, out, static_cast<std::int64_t>(piece.size()), &back).bytes,
                  static_cast<std::int64_t>(piece.size()));
        EXPECT_EQ(medium.WaitForPiece(0), ZlibCrc(data.substr(0, cuts[i] / block * block))) << "piece " << i;
    }
    const std::size_t whole = data.size() / block * block;
    medium.Add(reader, dir / "out", static_cast<std::int64_t>(whole),
               static_cast<std::int64_t>(data.size() - whole), 0, CChecksumTrailer::Flush::Continued);
    medium.Seal(reader, dir / "out", 0);
    const CChecksumTrailer::Result sum = medium.Finish();
    EXPECT_TRUE(sum.ok);
    EXPECT_EQ(sum.crc, ZlibCrc(data));
}

TEST(ChecksumTrailer, SumsRangesOfSeveralFilesInTheOrderAdded)
{
    const std::string a = RandomBytes(300000, 4);
    const std::string b = RandomBytes(70000, 5);
    TempDir dir;
    WriteFile(dir / "a", a);
    WriteFile(dir / "b", b);

    CChecksumTrailer trailer;
    trailer.Add(Opened(dir / "a"), dir / "a", 0, 100000);
    trailer.Add(Opened(dir / "b"), dir / "b", 0, 70000);
    trailer.Add(Opened(dir / "a"), dir / "a", 100000, 200000);
    trailer.Add(Opened(dir / "b"), dir / "b", 5, 0); // nothing to add
    CChecksumTrailer::Result sum = trailer.Finish();
    EXPECT_TRUE(sum.ok);
    EXPECT_EQ(sum.crc, ZlibCrc(a.substr(0, 100000) + b + a.substr(100000)));
}

// What a consumer of the read-back bytes is given: each piece's bytes, whole
// and in order, from the medium and from the cache alike, ranges at offsets
// off the medium's block boundaries included, and a range read in several
// blocks, each summed while the next is read.
TEST(ChecksumTrailer, HandsEachPieceItsBytesInOrder)
{
    struct Collected final : IReadBackConsumer {
        std::vector<std::string> pieces;
        void Take(int piece, std::span<const unsigned char> bytes) override
        {
            if (pieces.size() <= static_cast<std::size_t>(piece))
                pieces.resize(static_cast<std::size_t>(piece) + 1);
            pieces[static_cast<std::size_t>(piece)].append(reinterpret_cast<const char*>(bytes.data()),
                                                           bytes.size());
        }
    };
    const std::string a = ManyRandomBytes((9u << 20) + 777, 6);
    TempDir dir;
    WriteFile(dir / "a", a);
    for (CChecksumTrailer::Source source :
         {CChecksumTrailer::Source::Medium, CChecksumTrailer::Source::Cache}) {
        SCOPED_TRACE(source == CChecksumTrailer::Source::Medium ? "medium" : "cache");
        Collected consumer;
        CChecksumTrailer trailer(source);
        trailer.AddConsumer(consumer);
        trailer.Add(Opened(dir / "a"), dir / "a", 5000, (1u << 20) + 3, 0);
        trailer.Add(Opened(dir / "a"), dir / "a", 0, 5000, 1);
        trailer.Add(Opened(dir / "a"), dir / "a", 5000 + (1 << 20) + 3,
                    static_cast<std::int64_t>(a.size()) - 5003 - (1 << 20), 1);
        CChecksumTrailer::Result sum = trailer.Finish();
        ASSERT_TRUE(sum.ok);
        ASSERT_EQ(consumer.pieces.size(), 2u);
        EXPECT_TRUE(consumer.pieces[0] == a.substr(5000, (1u << 20) + 3));
        EXPECT_TRUE(consumer.pieces[1] == a.substr(0, 5000) + a.substr(5003 + (1u << 20)));
        EXPECT_EQ(sum.pieceCrc,
                  (std::vector<std::uint32_t>{ZlibCrc(consumer.pieces[0]), ZlibCrc(consumer.pieces[1])}));
    }
}

// A trailer given up while its folding thread is still at work (a stopped
// split): the reader's buffers outlive what the folder was handed, and what
// the consumer got is the file's bytes, in order, however far it got.
TEST(ChecksumTrailer, GivenUpWhileSummingKeepsItsBuffersForTheFolder)
{
    struct Slow final : IReadBackConsumer {
        std::string bytes;
        std::atomic<bool> started{false};
        void Take(int, std::span<const unsigned char> part) override
        {
            started = true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            bytes.append(reinterpret_cast<const char*>(part.data()), part.size());
        }
    };
    const std::string a = ManyRandomBytes(9u << 20, 16);
    TempDir dir;
    WriteFile(dir / "a", a);
    Slow consumer;
    {
        CChecksumTrailer trailer;
        trailer.AddConsumer(consumer);
        for (std::int64_t at = 0; at < static_cast<std::int64_t>(a.size()); at += 3 << 20)
            trailer.Add(Opened(dir / "a"), dir / "a", at, 3 << 20);
        while (!consumer.started)
            std::this_thread::yield();
    }
    EXPECT_FALSE(consumer.bytes.empty());
    EXPECT_TRUE(a.compare(0, consumer.bytes.size(), consumer.bytes) == 0);
}

// Our CRC-32 and its combination against zlib's, at every length around the
// folding's block sizes and at odd offsets.
TEST(Crc32, MatchesZlibAndCombinesAsZlibDoes)
{
    const std::string data = RandomBytes(5000, 12);
    for (std::size_t offset : {0u, 1u, 7u}) {
        for (std::size_t n = 0; n + offset <= 300; ++n) {
            const std::string part = data.substr(offset, n);
            ASSERT_EQ(Crc32Update(0, part.data(), n), ZlibCrc(part)) << offset << "+" << n;
        }
    }
    for (std::size_t cut : {0u, 1u, 64u, 1000u, 4999u, 5000u}) {
        const std::string a = data.substr(0, cut), b = data.substr(cut);
        EXPECT_EQ(Crc32Combine(ZlibCrc(a), ZlibCrc(b), b.size()), ZlibCrc(data)) << cut;
    }
    EXPECT_EQ(Crc32Update(Crc32Update(0, data.data(), 777), data.data() + 777, data.size() - 777),
              ZlibCrc(data));
}

// Each piece gets its own sum, the whole is their combination, and a piece
// taken back out starts afresh.
TEST(ChecksumTrailer, SumsEachPieceAndForgetsATakenBackOne)
{
    const std::string a = RandomBytes(300000, 14);
    const std::string b = RandomBytes(70000, 15);
    TempDir dir;
    WriteFile(dir / "a", a);
    WriteFile(dir / "b", b);

    CChecksumTrailer trailer;
    trailer.Add(Opened(dir / "a"), dir / "a", 0, 100000, 0);
    trailer.Add(Opened(dir / "a"), dir / "a", 100000, 200000, 0);
    trailer.Add(Opened(dir / "a"), dir / "a", 0, 5, 1);
    EXPECT_EQ(trailer.WaitForPiece(0), ZlibCrc(a));
    EXPECT_EQ(trailer.WaitForPiece(1), ZlibCrc(a.substr(0, 5)));
    trailer.ForgetPiece(1);
    trailer.Add(Opened(dir / "b"), dir / "b", 0, 70000, 1);
    EXPECT_EQ(trailer.WaitForPiece(1), ZlibCrc(b));
    CChecksumTrailer::Result sum = trailer.Finish();
    EXPECT_TRUE(sum.ok);
    EXPECT_EQ(sum.crc, ZlibCrc(a + b));
    EXPECT_EQ(sum.pieceCrc, (std::vector<std::uint32_t>{ZlibCrc(a), ZlibCrc(b)}));
}

// A list is outside input: only well-formed lines naming a piece of the set
// count, whatever else the file holds.
TEST(ChecksumList, ReadsWellFormedEntriesAndIgnoresTheRest)
{
    TempDir dir;
    const std::string path = dir / "_x 2.sfv";
    std::string text =
        FormatChecksumList("Portelan test", {{"x 2.001", 0x0A1B2C3D}, {"x 2.002", 0xFFFFFFFF}});
    EXPECT_EQ(text, "; Portelan test\r\nx 2.001 0A1B2C3D\r\nx 2.002 FFFFFFFF\r\n");
    text += std::string("x 2.003 1234567\n")         // seven digits
            + "x 2.003 1234567G\n"                   // not hexadecimal
            + "../x 2.003 12345678\n"                // a path
            + "x 2.003\t12345678\n"                  // no blank
            + "x 2.03 12345678\nx 2.0003 12345678\n" // not a piece's name
            + "x 2.004 11111111\nx 2.004 22222222\n" // listed twice, differently
            + "x 2.005 abcdef01\nx 2.005 ABCDEF01\n" // twice, the same
            + "x 2.009 12345678\nx 2.000 12345678\n" // beyond the count
            + std::string(5000, 'n') + " 12345678\n" + std::string("\0\x01\xff", 3) + " 12345678\n" +
            "x 2.006 00000006"; // the last line without a line end
    WriteFile(path, text);
    auto read = ReadChecksumList(path, "x 2", 7);
    ASSERT_TRUE(read.has_value());
    const std::vector<std::optional<std::uint32_t>> expected = {
        0x0A1B2C3D, 0xFFFFFFFF, std::nullopt, std::nullopt, 0xABCDEF01, 0x00000006, std::nullopt};
    EXPECT_EQ(*read, expected);
    EXPECT_FALSE(ReadChecksumList(dir / "missing.sfv", "x 2", 7).has_value());

    // Only the first bytes of a huge list are read.
    std::string huge(kMaxChecksumListBytes, ';');
    huge += "\nx 2.001 00000001\n";
    WriteFile(path, huge);
    read = ReadChecksumList(path, "x 2", 7);
    ASSERT_TRUE(read.has_value());
    EXPECT_FALSE((*read)[0].has_value());
}

TEST(ChecksumTrailer, NothingAddedGivesTheEmptySum)
{
    CChecksumTrailer trailer;
    CChecksumTrailer::Result sum = trailer.Finish();
    EXPECT_TRUE(sum.ok);
    EXPECT_EQ(sum.crc, ZlibCrc(""));
}

TEST(ChecksumTrailer, RangeThatCannotBeReadBackOrFlushedFails)
{
    TempDir dir;
    WriteFile(dir / "short", "12345");
    WriteFile(dir / "good", RandomBytes(1000, 6));
    {
        SCOPED_TRACE("missing file");
        CChecksumTrailer trailer;
        trailer.Add(Opened(dir / "good"), dir / "good", 0, 1000);
        trailer.Add(Opened(dir / "gone"), dir / "gone", 0, 10);
        trailer.Add(Opened(dir / "good"), dir / "good", 0, 10);
        CChecksumTrailer::Result sum = trailer.Finish();
        EXPECT_FALSE(sum.ok);
        EXPECT_EQ(sum.failedPath, dir / "gone");
    }
    {
        SCOPED_TRACE("range beyond the end");
        CChecksumTrailer trailer;
        trailer.Add(Opened(dir / "short"), dir / "short", 0, 10);
        CChecksumTrailer::Result sum = trailer.Finish();
        EXPECT_FALSE(sum.ok);
        EXPECT_EQ(sum.failedPath, dir / "short");
    }
    {
        SCOPED_TRACE("a directory");
        CChecksumTrailer trailer;
        trailer.Add(Opened(dir.Dir()), dir.Dir(), 0, 10);
        CChecksumTrailer::Result sum = trailer.Finish();
        EXPECT_FALSE(sum.ok);
        EXPECT_EQ(sum.failedPath, dir.Dir());
    }
    {
        SCOPED_TRACE("a file that cannot be flushed whole, the read of the next one meanwhile");
        CChecksumTrailer trailer;
        trailer.Add(Opened(dir / "good"), dir / "good", 0, 1000);
        trailer.Seal(Opened(dir / "gone"), dir / "gone", 0);
        trailer.Add(Opened(dir / "good"), dir / "good", 0, 10, 1);
        CChecksumTrailer::Result sum = trailer.Finish();
        EXPECT_FALSE(sum.ok);
        EXPECT_TRUE(sum.flushFailed);
        EXPECT_EQ(sum.failedPath, dir / "gone");
    }
}

// The sum is of the bytes written, not of whatever bears their name later.
TEST(CopyChunked, ReadBackSurvivesTheOutputBeingRenamedAndReplaced)
{
    const std::string data = ManyRandomBytes((10u << 20) + 7, 11);
    TempDir dir;
    WriteFile(dir / "in", data);
    File in, out;
    ASSERT_TRUE(in.Open(dir / "in", File::Mode::Read));
    ASSERT_TRUE(out.Open(dir / "out", File::Mode::CreateWrite));
    CChecksumTrailer trailer;
    ReadBack readBack{trailer, out.Duplicate(), dir / "out", 0};
    ASSERT_EQ(CopyChunked(in, out, static_cast<std::int64_t>(data.size()), &readBack).bytes,
              static_cast<std::int64_t>(data.size()));
    ASSERT_TRUE(out.Close());
    ASSERT_EQ(std::rename((dir / "out").c_str(), (dir / "moved").c_str()), 0);
    WriteFile(dir / "out", "something else entirely");

    CChecksumTrailer::Result sum = trailer.Finish();
    EXPECT_TRUE(sum.ok);
    EXPECT_EQ(sum.crc, ZlibCrc(data));
}

TEST(CopyChunked, StopsOkAtTheEndOfInput)
{
    const std::string data = RandomBytes(1000, 7);
    TempDir dir;
    WriteFile(dir / "in", data);

    File in, out;
    ASSERT_TRUE(in.Open(dir / "in", File::Mode::Read));
    ASSERT_TRUE(out.Open(dir / "out", File::Mode::CreateWrite));
    CChecksumTrailer trailer;
    ReadBack readBack{trailer, out.Duplicate(), dir / "out", 0};
    CopyResult result = CopyChunked(in, out, 5000, &readBack);
    EXPECT_EQ(result.status, CopyResult::Status::Ok);
    EXPECT_EQ(result.bytes, 1000);
    ASSERT_TRUE(out.Close());
    EXPECT_EQ(trailer.Finish().crc, ZlibCrc(data));
    EXPECT_EQ(ReadFile(dir / "out"), data);
}

TEST(CopyChunked, CopiesOnlyNBytesAndAdvancesBothPositions)
{
    const std::string data = RandomBytes(1000, 8);
    TempDir dir;
    WriteFile(dir / "in", data);

    File in, out;
    ASSERT_TRUE(in.Open(dir / "in", File::Mode::Read));
    ASSERT_TRUE(out.Open(dir / "out", File::Mode::CreateWrite));
    CopyResult result = CopyChunked(in, out, 600);
    EXPECT_EQ(result.status, CopyResult::Status::Ok);
    EXPECT_EQ(result.bytes, 600);

    char next = 0;
    ASSERT_EQ(in.Read(&next, 1), 1);
    EXPECT_EQ(next, data[600]);
    ASSERT_TRUE(out.Write("TAIL", 4));
    ASSERT_TRUE(out.Close());
    EXPECT_EQ(ReadFile(dir / "out"), data.substr(0, 600) + "TAIL");
}

TEST(CopyChunked, StopFlagEndsTheCopyWithoutFailure)
{
    TempDir dir;
    WriteFile(dir / "in", RandomBytes(1000, 9));
    File in, out;
    ASSERT_TRUE(in.Open(dir / "in", File::Mode::Read));
    ASSERT_TRUE(out.Open(dir / "out", File::Mode::CreateWrite));
    std::atomic<bool> stop{true};
    CopyResult result = CopyChunked(in, out, 1000, nullptr, &stop);
    EXPECT_EQ(result.status, CopyResult::Status::Ok);
    EXPECT_EQ(result.bytes, 0);
    ASSERT_TRUE(out.Close());
    EXPECT_EQ(ReadFile(dir / "out"), "");
}

TEST(CopyChunked, FileSizeLimitMakesTheWriteFail)
{
    constexpr std::int64_t kLimit = 1536 * 1024;
    const std::string data = RandomBytes(3u << 20, 10);
    TempDir dir;
    WriteFile(dir / "in", data);

    File in, out;
    ASSERT_TRUE(in.Open(dir / "in", File::Mode::Read));
    ASSERT_TRUE(out.Open(dir / "out", File::Mode::CreateWrite));
    CChecksumTrailer trailer;
    ReadBack readBack{trailer, out.Duplicate(), dir / "out", 0};
    CopyResult result;
    {
        test::FileSizeLimit limit(kLimit);
        result = CopyChunked(in, out, static_cast<std::int64_t>(data.size()), &readBack);
    }
    EXPECT_EQ(result.status, CopyResult::Status::WriteFailed);
    EXPECT_GT(result.bytes, 0);
    EXPECT_LE(result.bytes, kLimit);
    ASSERT_TRUE(out.Close());

    // What was reported as copied is in the file, and the trailer summed just that.
    const std::string written = ReadLargeFile(dir / "out");
    ASSERT_GE(static_cast<std::int64_t>(written.size()), result.bytes);
    const std::string copied = data.substr(0, static_cast<std::size_t>(result.bytes));
    EXPECT_TRUE(written.substr(0, copied.size()) == copied);
    CChecksumTrailer::Result sum = trailer.Finish();
    EXPECT_TRUE(sum.ok);
    EXPECT_EQ(sum.crc, ZlibCrc(copied));
}

TEST(CopyChunked, UnopenedFilesFailOnTheirSide)
{
    TempDir dir;
    WriteFile(dir / "in", "abc");
    File in, out, closed;
    ASSERT_TRUE(in.Open(dir / "in", File::Mode::Read));
    ASSERT_TRUE(out.Open(dir / "out", File::Mode::CreateWrite));
    EXPECT_EQ(CopyChunked(closed, out, 3).status, CopyResult::Status::ReadFailed);
    EXPECT_EQ(CopyChunked(in, closed, 3).status, CopyResult::Status::WriteFailed);
}

} // namespace
} // namespace portelan
