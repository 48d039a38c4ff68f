// The chunked copy and the CRC-32 that is read back beside it.
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "common/Checksum.h"
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

TEST(ChecksumTrailer, NothingAddedGivesTheEmptySum)
{
    CChecksumTrailer trailer;
    CChecksumTrailer::Result sum = trailer.Finish();
    EXPECT_TRUE(sum.ok);
    EXPECT_EQ(sum.crc, ZlibCrc(""));
}

TEST(ChecksumTrailer, RangeThatCannotBeReadBackFails)
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
