// The checksum list beside a set: any text, for a base name and a piece
// count as an accepted record gives them, fed in blocks as the reader reads
// a file; in any blocks it must give what it gives for the whole text.
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>

#include <fuzzer/FuzzedDataProvider.h>

#include "common/ChecksumList.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace portelan;
    FuzzedDataProvider provider(data, size);
    // The joiner accepts any positive count; the splitter writes 2 ... 999.
    const int count = provider.ConsumeBool()
                          ? provider.ConsumeIntegralInRange(1, 999)
                          : provider.ConsumeIntegralInRange(1, std::numeric_limits<int>::max());
    const std::size_t block = provider.ConsumeIntegralInRange<std::size_t>(1, 4096);
    const std::string baseName = provider.ConsumeRandomLengthString(300);
    const std::string text = provider.ConsumeRemainingBytesAsString();

    ChecksumListReader whole(baseName, count);
    whole.Feed(text.data(), text.size());
    ChecksumListReader blocks(baseName, count);
    for (std::size_t at = 0; at < text.size(); at += block)
        blocks.Feed(text.data() + at, std::min(block, text.size() - at));
    if (whole.Finish() != blocks.Finish())
        __builtin_trap();
    return 0;
}
