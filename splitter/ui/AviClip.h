// The animation clips of the splitter's windows (AVI files of 8-bit frames,
// RLE8-compressed or plain, with a palette) decoded into plain pixels, free of
// any window system, so that a desktop without the Animate control can show
// the same clips.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace portelan {

struct AviClipOptions {
    // As the Animate control with ACS_TRANSPARENT: every pixel of the colour of
    // the first frame's top left pixel gets alpha 0 (its RGB stays), all
    // others alpha 255.
    bool transparentCorner = false;
    // The most pixels of all frames together (256 MiB of decoded frames by
    // default); a clip that holds more is refused.
    std::uint64_t maxPixels = std::uint64_t{64} * 1024 * 1024;
};

// One decoded clip: every frame as 32-bit pixels 0xAARRGGBB, rows top-down.
//
// What it reads: RIFF 'AVI ' with LIST 'hdrl' (avih, LIST 'strl' with strh
// 'vids' and strf BITMAPINFOHEADER of 8 bits a pixel, BI_RLE8 or BI_RGB, and
// its palette) and LIST 'movi' with the video stream's 'NNdc'/'NNdb' chunks,
// also inside LIST 'rec '. The index, other streams and unknown chunks are
// skipped. Each frame is drawn over the one before, the first over palette
// entry 0; an empty frame chunk repeats the frame before.
//
// Damage it tolerates, drawing what can be drawn: RLE8 runs and deltas past
// the end of a line or of the picture lose the pixels outside (no wrap), a
// palette index beyond the palette draws palette entry 0, RLE8 data without
// an end of bitmap ends where its chunk ends. Anything else is refused.
class CAviClip {
  public:
    // The largest width and height, and the most pixels of all frames together.
    static constexpr int kMaxSide = 4096;
    static constexpr std::uint64_t kMaxPixels = AviClipOptions{}.maxPixels;
    // When neither avih nor strh gives a frame rate.
    static constexpr std::chrono::microseconds kDefaultFrameDuration{100000};

    // Parses a whole AVI file held in memory. On failure returns std::nullopt and, when
    // error is given, a short English reason for the log. Never crashes on any input.
    static std::optional<CAviClip> Parse(std::span<const std::uint8_t> bytes, std::string* error = nullptr);
    static std::optional<CAviClip> Parse(std::span<const std::uint8_t> bytes, const AviClipOptions& options,
                                         std::string* error = nullptr);

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    // From avih dwMicroSecPerFrame, else strh dwScale/dwRate, else
    // kDefaultFrameDuration; never below 1 ms.
    std::chrono::microseconds FrameDuration() const { return m_frameDuration; }
    std::size_t FrameCount() const { return m_frames.size(); }
    // Width()*Height() pixels; an index past the last frame throws std::out_of_range.
    const std::vector<std::uint32_t>& Frame(std::size_t index) const { return m_frames.at(index); }

    // Whether the frames have the corner colour at alpha 0, and that colour
    // (0xFFRRGGBB, the first frame's top left pixel as drawn).
    bool TransparentCorner() const { return m_transparentCorner; }
    std::uint32_t CornerColour() const { return m_cornerColour; }

  private:
    CAviClip() = default;

    int m_width = 0;
    int m_height = 0;
    std::chrono::microseconds m_frameDuration{0};
    std::vector<std::vector<std::uint32_t>> m_frames;
    bool m_transparentCorner = false;
    std::uint32_t m_cornerColour = 0;
};

} // namespace portelan
