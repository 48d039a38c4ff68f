// How a range written a moment ago is read back from the medium on Linux.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "platform/Platform.h"

namespace portelan {
namespace {

using platform::File;

// The pages of [0, length) of the mapped file that the cache holds.
int ResidentPages(const void* map, std::size_t length)
{
    const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    std::vector<unsigned char> resident((length + page - 1) / page);
    if (::mincore(const_cast<void*>(map), length, resident.data()) != 0)
        return -1;
    int count = 0;
    for (unsigned char r : resident)
        count += r & 1;
    return count;
}

bool Direct(const File& file) { return (::fcntl(static_cast<int>(file.Handle()), F_GETFL) & O_DIRECT) != 0; }

// A range from the middle of one page to the middle of another, read back
// after a flush: its pages are let go, the two it shares with its
// neighbours too, and it is read through the cache only while the system
// can tell that none stayed. A page held by a mapping stays, and that range
// is read past the cache. Both read the bytes written. The ranges end where
// the cache's larger units of pages may end.
TEST(File, ReadBackLetsGoOfTheRangesPagesAndPassesTheCacheWhereOneStays)
{
    test::TempDir dir;
    const std::string path = dir / "f";
    const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    constexpr std::size_t kUnit = 2 << 20;
    const std::string bytes = test::RandomBytes(kUnit + kUnit / 2, 3);
    File out;
    ASSERT_TRUE(out.Open(path, File::Mode::CreateWrite));
    ASSERT_TRUE(out.Write(bytes.data(), bytes.size()));
    ASSERT_TRUE(out.Flush());
    void* map = ::mmap(nullptr, bytes.size(), PROT_READ, MAP_SHARED, static_cast<int>(out.Handle()), 0);
    ASSERT_NE(map, MAP_FAILED);
    ASSERT_GT(ResidentPages(map, bytes.size()), 0);

    // Where the system answers cachestat (Linux 6.5) and has direct reads.
    struct {
        std::uint64_t offset = 0, length = 0;
    } range;
    std::uint64_t stat[5] = {};
    const bool tells = ::syscall(451, static_cast<int>(out.Handle()), &range, stat, 0) == 0;
    const int probe = ::open(path.c_str(), O_RDONLY | O_DIRECT);
    const bool direct = probe >= 0;
    if (direct)
        ::close(probe);

    const std::shared_ptr<File> reader = out.Duplicate();
    ASSERT_TRUE(reader);
    std::unique_ptr<void, decltype(&std::free)> buffer(std::aligned_alloc(page, kUnit), &std::free);
    ASSERT_TRUE(reader->BypassCache(std::int64_t(page / 2), std::int64_t(kUnit - page)));
    EXPECT_EQ(ResidentPages(map, kUnit), 0);
    EXPECT_EQ(Direct(*reader), !tells && direct);
    ASSERT_EQ(reader->ReadAt(buffer.get(), kUnit, 0), std::int64_t(kUnit));
    EXPECT_EQ(std::memcmp(buffer.get(), bytes.data(), kUnit), 0);

    // A page of the next range held by the mapping: it cannot go.
    volatile const char touched = static_cast<const char*>(map)[kUnit + page];
    (void)touched;
    ASSERT_TRUE(reader->BypassCache(std::int64_t(kUnit), std::int64_t(kUnit / 2)));
    EXPECT_EQ(Direct(*reader), direct);
    ASSERT_EQ(reader->ReadAt(buffer.get(), kUnit / 2, std::int64_t(kUnit)), std::int64_t(kUnit / 2));
    EXPECT_EQ(std::memcmp(buffer.get(), bytes.data() + kUnit, kUnit / 2), 0);
    // The writer's own handle is left as it was.
    EXPECT_FALSE(Direct(out));
    ::munmap(map, bytes.size());
}

} // namespace
} // namespace portelan
