#include "splitter/ui/AviClip.h"

#include <algorithm>
#include <array>
#include <utility>

namespace portelan {

namespace {

using Bytes = std::span<const std::uint8_t>;

// Every read below is checked against the data's size before it is made.
std::uint32_t U16(Bytes d, std::size_t at) { return d[at] | static_cast<std::uint32_t>(d[at + 1]) << 8; }
std::uint32_t U32(Bytes d, std::size_t at) { return U16(d, at) | U16(d, at + 2) << 16; }
std::int32_t I32(Bytes d, std::size_t at) { return static_cast<std::int32_t>(U32(d, at)); }

constexpr std::uint32_t FourCC(const char (&id)[5])
{
    return static_cast<std::uint8_t>(id[0]) |
           static_cast<std::uint32_t>(static_cast<std::uint8_t>(id[1])) << 8 |
           static_cast<std::uint32_t>(static_cast<std::uint8_t>(id[2])) << 16 |
           static_cast<std::uint32_t>(static_cast<std::uint8_t>(id[3])) << 24;
}

constexpr std::uint32_t kRiff = FourCC("RIFF"), kAvi = FourCC("AVI "), kList = FourCC("LIST"),
                        kHdrl = FourCC("hdrl"), kAvih = FourCC("avih"), kStrl = FourCC("strl"),
                        kStrh = FourCC("strh"), kStrf = FourCC("strf"), kVids = FourCC("vids"),
                        kMovi = FourCC("movi"), kRec = FourCC("rec ");

constexpr std::uint32_t kBiRgb = 0, kBiRle8 = 1;

struct Chunk {
    std::uint32_t id = 0;
    std::size_t data = 0; // where its data starts
    std::size_t size = 0; // without the pad byte
};

// The chunks of [begin, end) in turn. A chunk reaching past `end`, or bytes
// too few for a chunk header, end the walk as damage; only the pad byte of the
// last chunk may be missing, as some writers leave it out.
class ChunkWalk {
  public:
    ChunkWalk(Bytes d, std::size_t begin, std::size_t end) : m_d(d), m_at(begin), m_end(end) {}
    // A list's items, after its type.
    ChunkWalk(Bytes d, const Chunk& list) : ChunkWalk(d, list.data + 4, list.data + list.size) {}

    bool Next(Chunk& c)
    {
        if (m_at >= m_end)
            return false;
        if (m_end - m_at < 8) {
            m_damaged = true;
            return false;
        }
        c.id = U32(m_d, m_at);
        c.size = U32(m_d, m_at + 4);
        c.data = m_at + 8;
        if (c.size > m_end - c.data) {
            m_damaged = true;
            return false;
        }
        m_at = c.data + c.size + (c.size & 1);
        return true;
    }
    bool Damaged() const { return m_damaged; }

  private:
    Bytes m_d;
    std::size_t m_at, m_end;
    bool m_damaged = false;
};

bool IsList(Bytes d, const Chunk& c, std::uint32_t type)
{
    return c.id == kList && c.size >= 4 && U32(d, c.data) == type;
}

// The picture being drawn: palette indexes, rows top-down; each frame paints
// over what the ones before left.
struct Canvas {
    int width, height;
    bool topDown;
    std::vector<std::uint8_t> px;

    // Row `y` as stored in the frame data (0 = the first stored row).
    std::uint8_t* Row(int y)
    {
        const int row = topDown ? y : height - 1 - y;
        return px.data() + static_cast<std::size_t>(row) * static_cast<std::size_t>(width);
    }
};

// RLE8 as Windows reads it: a count and an index draw a run; 0,0 ends the
// line, 0,1 the bitmap, 0,2,dx,dy moves the pen, 0,n (n >= 3) draws the next
// n indexes, padded to a word. The pen never leaves the picture by more than
// one column or row, so what falls outside is dropped and the loop stays bounded.
// False when the data stops in the middle of a code.
bool DecodeRle8(Bytes d, Canvas& canvas)
{
    const int w = canvas.width, h = canvas.height;
    int x = 0, y = 0;
    const auto draw = [&](std::uint8_t index) {
        if (x < w) {
            if (y < h)
                canvas.Row(y)[x] = index;
            ++x;
        }
    };
    std::size_t i = 0;
    while (i < d.size()) {
        if (d.size() - i < 2)
            return false;
        const std::uint8_t count = d[i], code = d[i + 1];
        i += 2;
        if (count > 0) {
            for (int k = 0; k < count && x < w; ++k)
                draw(code);
            continue;
        }
        switch (code) {
        case 0:
            x = 0;
            y = std::min(y + 1, h);
            break;
        case 1:
            return true;
        case 2:
            if (d.size() - i < 2)
                return false;
            x = std::min(x + d[i], w);
            y = std::min(y + d[i + 1], h);
            i += 2;
            break;
        default:
            if (d.size() - i < code)
                return false;
            for (std::size_t k = 0; k < code; ++k)
                draw(d[i + k]);
            i += std::min<std::size_t>(code + (code & 1), d.size() - i);
            break;
        }
    }
    return true;
}

// BI_RGB, 8 bits: every row in full, padded to four bytes.
bool CopyRgb8(Bytes d, Canvas& canvas)
{
    const std::size_t w = static_cast<std::size_t>(canvas.width);
    const std::size_t stride = (w + 3) / 4 * 4;
    if (d.size() / stride < static_cast<std::size_t>(canvas.height))
        return false;
    for (int y = 0; y < canvas.height; ++y) {
        const auto row = d.subspan(static_cast<std::size_t>(y) * stride, w);
        std::copy(row.begin(), row.end(), canvas.Row(y));
    }
    return true;
}

// Why a clip is refused: thrown by the steps below, caught by Parse.
struct Refusal {
    std::string why;
};

// The top level: the header list, and the frame list when there is one.
struct TopLists {
    Chunk hdrl;
    std::optional<Chunk> movi;
};

TopLists FindLists(Bytes d)
{
    if (d.size() < 12 || U32(d, 0) != kRiff || U32(d, 8) != kAvi)
        throw Refusal{"not an AVI file"};
    const std::size_t riffSize = U32(d, 4);
    if (riffSize > d.size() - 8)
        throw Refusal{"the file is cut off"};
    std::optional<Chunk> hdrl, movi;
    Chunk c;
    ChunkWalk top(d, 12, 8 + riffSize);
    while (top.Next(c)) {
        if (!hdrl && IsList(d, c, kHdrl))
            hdrl = c;
        else if (!movi && IsList(d, c, kMovi))
            movi = c;
    }
    if (top.Damaged())
        throw Refusal{"a chunk reaches past the end of the file"};
    if (!hdrl)
        throw Refusal{"no header list"};
    return TopLists{*hdrl, movi};
}

// The first video stream as the headers describe it.
struct VideoStream {
    unsigned index = 0; // among all streams, which numbers its frame chunks
    Chunk format;       // strf
    std::uint32_t usecPerFrame = 0, scale = 0, rate = 0;

    // avih's rate, else strh's, else the default; never below 1 ms.
    std::chrono::microseconds FrameDuration() const
    {
        std::uint64_t usec = usecPerFrame;
        if (usec == 0 && scale != 0 && rate != 0)
            usec = std::uint64_t{scale} * 1000000 / rate;
        if (usec == 0)
            usec = static_cast<std::uint64_t>(CAviClip::kDefaultFrameDuration.count());
        return std::chrono::microseconds(std::max<std::uint64_t>(usec, 1000));
    }
};

// One LIST 'strl': true with `video` filled when it is a video stream.
bool ReadStreamList(Bytes d, const Chunk& strl, VideoStream& video)
{
    std::optional<Chunk> strh, strf;
    Chunk s;
    ChunkWalk items(d, strl);
    while (items.Next(s)) {
        if (!strh && s.id == kStrh)
            strh = s;
        else if (!strf && s.id == kStrf)
            strf = s;
    }
    if (items.Damaged())
        throw Refusal{"a stream header is cut off"};
    if (!strh || strh->size < 4 || U32(d, strh->data) != kVids)
        return false;
    if (!strf)
        throw Refusal{"the video stream has no format"};
    if (strh->size >= 28) {
        video.scale = U32(d, strh->data + 20);
        video.rate = U32(d, strh->data + 24);
    }
    video.format = *strf;
    return true;
}

VideoStream FindVideoStream(Bytes d, const Chunk& hdrl)
{
    VideoStream video;
    bool found = false;
    unsigned streams = 0;
    Chunk c;
    ChunkWalk headers(d, hdrl);
    while (headers.Next(c)) {
        if (c.id == kAvih && c.size >= 4) {
            video.usecPerFrame = U32(d, c.data);
        } else if (IsList(d, c, kStrl)) {
            const unsigned index = streams++;
            if (found)
                continue;
            found = ReadStreamList(d, c, video);
            video.index = index;
        }
    }
    if (headers.Damaged())
        throw Refusal{"a header is cut off"};
    if (!found)
        throw Refusal{"no video stream"};
    return video;
}

// BITMAPINFOHEADER and the palette behind it.
struct FrameFormat {
    int width = 0, height = 0;
    bool topDown = false;
    bool rle8 = false;
    // Indexes beyond the palette draw its first colour.
    std::array<std::uint32_t, 256> palette{};

    std::size_t Pixels() const { return static_cast<std::size_t>(width) * static_cast<std::size_t>(height); }
};

FrameFormat ReadFrameFormat(Bytes d, const Chunk& format)
{
    if (format.size < 40)
        throw Refusal{"the video format is too short"};
    const std::size_t f = format.data;
    const std::uint32_t headerSize = U32(d, f);
    if (headerSize < 40 || headerSize > format.size)
        throw Refusal{"the video format has a bad header size"};
    const std::int64_t width = I32(d, f + 4), signedHeight = I32(d, f + 8);
    const std::uint32_t bitCount = U16(d, f + 14), compression = U32(d, f + 16), used = U32(d, f + 32);
    if (bitCount != 8 || (compression != kBiRle8 && compression != kBiRgb))
        throw Refusal{"the frames are neither RLE8 nor uncompressed 8-bit"};
    const std::int64_t height = signedHeight < 0 ? -signedHeight : signedHeight;
    if (width <= 0 || width > CAviClip::kMaxSide || height <= 0 || height > CAviClip::kMaxSide)
        throw Refusal{"the frame size " + std::to_string(width) + "x" + std::to_string(signedHeight) +
                      " is out of range"};
    if (used > 256)
        throw Refusal{"the palette has more than 256 colours"};
    const std::size_t colours = used ? used : 256;
    if ((format.size - headerSize) / 4 < colours)
        throw Refusal{"the palette is cut off"};

    FrameFormat frame{static_cast<int>(width), static_cast<int>(height), signedHeight < 0,
                      compression == kBiRle8};
    for (std::size_t k = 0; k < colours; ++k) {
        const std::size_t at = f + headerSize + 4 * k;
        frame.palette[k] = 0xFF000000u | static_cast<std::uint32_t>(d[at + 2]) << 16 |
                           static_cast<std::uint32_t>(d[at + 1]) << 8 | d[at];
    }
    std::fill(frame.palette.begin() + static_cast<std::ptrdiff_t>(colours), frame.palette.end(),
              frame.palette[0]);
    return frame;
}

// The video stream's frame chunks ('NNdc' or 'NNdb', also inside LIST
// 'rec '), all counted before anything is drawn: more than maxFrames refuse.
std::vector<Chunk> FindFrames(Bytes d, const std::optional<Chunk>& movi, unsigned stream,
                              std::uint64_t maxFrames, std::uint64_t maxPixels)
{
    if (!movi)
        throw Refusal{"no frames"};
    const char* const hex = "0123456789abcdef";
    const std::uint32_t streamId = stream < 256 ? static_cast<std::uint8_t>(hex[stream >> 4]) |
                                                      static_cast<std::uint32_t>(hex[stream & 15]) << 8
                                                : 0xFFFFFFFFu;
    const auto isFrame = [streamId](const Chunk& chunk) {
        return (chunk.id & 0xFFFF) == streamId &&
               ((chunk.id >> 16) == (FourCC("00dc") >> 16) || (chunk.id >> 16) == (FourCC("00db") >> 16));
    };
    std::vector<Chunk> frames;
    bool tooMany = false;
    const auto take = [&](const Chunk& chunk) {
        if (frames.size() >= maxFrames)
            tooMany = true;
        else
            frames.push_back(chunk);
    };
    Chunk c;
    ChunkWalk data(d, *movi);
    while (!tooMany && data.Next(c)) {
        if (IsList(d, c, kRec)) {
            ChunkWalk record(d, c);
            Chunk r;
            while (!tooMany && record.Next(r))
                if (isFrame(r))
                    take(r);
            if (record.Damaged())
                throw Refusal{"a frame is cut off"};
        } else if (isFrame(c)) {
            take(c);
        }
    }
    if (tooMany)
        throw Refusal{"the frames hold more than " + std::to_string(maxPixels) + " pixels"};
    if (data.Damaged())
        throw Refusal{"a frame is cut off"};
    if (frames.empty())
        throw Refusal{"no frames"};
    return frames;
}

// Each frame drawn over the one before, the first over palette entry 0, as
// 32-bit pixels.
std::vector<std::vector<std::uint32_t>> DrawFrames(Bytes d, const std::vector<Chunk>& frames,
                                                   const FrameFormat& format)
{
    Canvas canvas{format.width, format.height, format.topDown, std::vector<std::uint8_t>(format.Pixels(), 0)};
    std::vector<std::vector<std::uint32_t>> drawn;
    drawn.reserve(frames.size());
    for (std::size_t n = 0; n < frames.size(); ++n) {
        const Bytes bits = d.subspan(frames[n].data, frames[n].size);
        if (!bits.empty() && !(format.rle8 ? DecodeRle8(bits, canvas) : CopyRgb8(bits, canvas)))
            throw Refusal{"frame " + std::to_string(n) + " is cut off"};
        std::vector<std::uint32_t> argb(canvas.px.size());
        std::transform(canvas.px.begin(), canvas.px.end(), argb.begin(),
                       [&format](std::uint8_t index) { return format.palette[index]; });
        drawn.push_back(std::move(argb));
    }
    return drawn;
}

} // namespace

std::optional<CAviClip> CAviClip::Parse(Bytes bytes, std::string* error)
{
    return Parse(bytes, AviClipOptions{}, error);
}

std::optional<CAviClip> CAviClip::Parse(Bytes d, const AviClipOptions& options, std::string* error)
{
    try {
        const TopLists lists = FindLists(d);
        const VideoStream video = FindVideoStream(d, lists.hdrl);
        const FrameFormat format = ReadFrameFormat(d, video.format);
        const std::vector<Chunk> frames =
            FindFrames(d, lists.movi, video.index, options.maxPixels / format.Pixels(), options.maxPixels);

        CAviClip clip;
        clip.m_width = format.width;
        clip.m_height = format.height;
        clip.m_frameDuration = video.FrameDuration();
        clip.m_frames = DrawFrames(d, frames, format);
        clip.m_cornerColour = clip.m_frames[0][0];
        if (options.transparentCorner) {
            clip.m_transparentCorner = true;
            for (auto& frame : clip.m_frames)
                for (std::uint32_t& px : frame)
                    if (px == clip.m_cornerColour)
                        px &= 0x00FFFFFFu;
        }
        return clip;
    } catch (const Refusal& refusal) {
        if (error)
            *error = refusal.why;
        return std::nullopt;
    }
}

} // namespace portelan
