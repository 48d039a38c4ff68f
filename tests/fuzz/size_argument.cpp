// The --size argument of portelan-cli: any text. What it accepts is the
// preset or a size no larger than the window's cap of 2^30 bytes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "splitter/ui/cli/SizeArgument.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const auto bytes = portelan::ParsePieceSize(text);
    if (bytes && *bytes > (std::int64_t{1} << 30))
        __builtin_trap();
    if (text == "disk" && bytes != 1457664)
        __builtin_trap();
    return 0;
}
