// The --size argument of portelan-cli: any text. What it accepts is the
// presets or a size no larger than the window's cap of 2^30 bytes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "splitter/ui/PieceSize.h"
#include "splitter/ui/cli/SizeArgument.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const auto bytes = portelan::ParsePieceSize(text);
    const portelan::PiecePreset* preset = portelan::FindPiecePreset(text);
    if (bytes && !preset && bytes->value > (std::int64_t{1} << 30))
        __builtin_trap();
    if (preset && (!bytes || bytes->value != preset->bytes))
        __builtin_trap();
    return 0;
}
