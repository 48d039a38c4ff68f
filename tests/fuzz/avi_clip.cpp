// The animation-clip decoder of the portable windows: any bytes as an AVI
// file. A clip it accepts has every frame whole; with the transparent corner
// the same file decodes to the same shape. The pixel limit is lowered from
// 64 Mi to 256 Ki (the real clips hold up to a million): a few bytes can
// claim the whole limit, and decoding 256 MiB per input would leave the
// fuzzer no time for anything else; the limit is checked by the same code.
#include <cstddef>
#include <cstdint>
#include <span>

#include "splitter/ui/AviClip.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace portelan;
    const std::span<const std::uint8_t> bytes(data, size);
    AviClipOptions options;
    options.maxPixels = std::uint64_t{1} << 18;
    const auto clip = CAviClip::Parse(bytes, options);
    if (!clip)
        return 0;
    const std::size_t pixels =
        static_cast<std::size_t>(clip->Width()) * static_cast<std::size_t>(clip->Height());
    if (clip->Width() <= 0 || clip->Height() <= 0 || clip->Width() > CAviClip::kMaxSide ||
        clip->Height() > CAviClip::kMaxSide || clip->FrameDuration().count() < 1000)
        __builtin_trap();
    for (std::size_t i = 0; i < clip->FrameCount(); ++i)
        if (clip->Frame(i).size() != pixels)
            __builtin_trap();
    options.transparentCorner = true;
    const auto transparent = CAviClip::Parse(bytes, options);
    if (!transparent || transparent->FrameCount() != clip->FrameCount() ||
        transparent->Width() != clip->Width())
        __builtin_trap();
    return 0;
}
