// resgen's pictures read back by readers of our own: each clip as the Animate
// control needs it (RIFF layout, headers, strict RLE8 key and delta frames that
// decode to the pixels resgen drew, the index), the icon as Windows reads it,
// its PNGs for icon themes as zlib reads them, and the command line's refusals
// and failures.
#include <sys/wait.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <optional>
#include <ostream>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <zlib.h>

#include "TestSupport.h"

namespace portelan::test {
namespace {

std::string Resgen()
{
    const char* dir = std::getenv("PORTELAN_BIN_DIR");
    return std::string(dir && *dir ? dir : ".") + "/resgen";
}

// Runs `prefix resgen args` through the shell, its error output into
// `errors`; returns the exit status, or -1 when it did not exit normally.
int RunResgen(const std::string& args, const std::string& errors, const std::string& prefix = "")
{
    const std::string command = prefix + "'" + Resgen() + "' " + args + " >/dev/null 2>'" + errors + "'";
    const int status = std::system(command.c_str());
    return status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::uint32_t U16(const std::string& d, std::size_t at)
{
    if (at + 2 > d.size())
        throw std::out_of_range("read past the end at " + std::to_string(at));
    return static_cast<std::uint8_t>(d[at]) | static_cast<std::uint32_t>(static_cast<std::uint8_t>(d[at + 1]))
                                                  << 8;
}

std::uint32_t U32(const std::string& d, std::size_t at) { return U16(d, at) | U16(d, at + 2) << 16; }

std::int32_t I32(const std::string& d, std::size_t at) { return static_cast<std::int32_t>(U32(d, at)); }

// ---------------------------------------------------------------------------
// RIFF

struct Chunk {
    std::string id, type; // type: of a RIFF or LIST
    std::size_t at = 0;   // the header
    std::uint32_t size = 0;
    std::vector<Chunk> kids;

    std::size_t Data() const { return at + 8; }
};

// The chunks of [begin, end), which they must fill exactly, each (with its pad
// byte) inside its parent; lists are read recursively.
std::vector<Chunk> ParseChunks(const std::string& d, std::size_t begin, std::size_t end)
{
    std::vector<Chunk> chunks;
    std::size_t at = begin;
    while (at < end) {
        if (end - at < 8)
            throw std::runtime_error("a chunk header cut off at " + std::to_string(at));
        Chunk c;
        c.id = d.substr(at, 4);
        c.at = at;
        c.size = U32(d, at + 4);
        const std::size_t next = at + 8 + c.size + (c.size & 1);
        if (next > end)
            throw std::runtime_error("chunk '" + c.id + "' at " + std::to_string(at) +
                                     " overruns its parent");
        if (c.id == "RIFF" || c.id == "LIST") {
            if (c.size < 4)
                throw std::runtime_error("list without a type at " + std::to_string(at));
            c.type = d.substr(at + 8, 4);
            c.kids = ParseChunks(d, at + 12, at + 8 + c.size);
        }
        chunks.push_back(c);
        at = next;
    }
    return chunks;
}

std::vector<std::string> Names(const std::vector<Chunk>& chunks)
{
    std::vector<std::string> names;
    for (const Chunk& c : chunks)
        names.push_back(c.type.empty() ? c.id : c.id + ":" + c.type);
    return names;
}

// ---------------------------------------------------------------------------
// RLE8

// One frame decoded strictly. A key frame (no `before`) paints everything:
// every row complete and closed by an end of line, the end of bitmap right
// after the last one, no deltas. A delta frame paints over `before`: deltas
// that move, and only to a pixel inside the picture, rows left at any point,
// the end of bitmap anywhere. Both: nothing behind the end of bitmap, absolute
// runs padded to a word, no run past its row, every index inside the palette.
// Pixels top-down, or nothing and the reason.
std::optional<std::vector<std::uint8_t>> DecodeRle8(const std::string& data, int w, int h,
                                                    std::uint32_t colours, std::string& error,
                                                    const std::vector<std::uint8_t>* before = nullptr)
{
    std::vector<std::uint8_t> px =
        before ? *before : std::vector<std::uint8_t>(static_cast<std::size_t>(w * h));
    int x = 0, row = 0; // row 0 is the bottom one
    std::size_t i = 0;
    const auto fail = [&](const std::string& why) {
        error = why + " (byte " + std::to_string(i) + ", row " + std::to_string(row) + ", x " +
                std::to_string(x) + ")";
        return std::nullopt;
    };
    const auto put = [&](std::uint8_t index) {
        px[static_cast<std::size_t>((h - 1 - row) * w + x)] = index;
        ++x;
    };
    for (;;) {
        if (i + 2 > data.size())
            return fail("no end of bitmap");
        const auto count = static_cast<std::uint8_t>(data[i]), value = static_cast<std::uint8_t>(data[i + 1]);
        i += 2;
        if (count > 0) {
            if (row >= h)
                return fail("pixels below the last row");
            if (x + count > w)
                return fail("a run overflows its row");
            if (value >= colours)
                return fail("an index outside the palette");
            for (int k = 0; k < count; ++k)
                put(value);
        } else if (value == 0) {
            if (row >= h)
                return fail("an end of line after the last row");
            if (!before && x != w)
                return fail("a row ends short");
            x = 0;
            ++row;
        } else if (value == 1) {
            if (!before && (row != h || x != 0))
                return fail("an end of bitmap before every row was closed");
            if (i != data.size())
                return fail("bytes after the end of bitmap");
            return px;
        } else if (value == 2) {
            if (!before)
                return fail("a delta in a key frame");
            if (i + 2 > data.size())
                return fail("a delta cut off");
            const int dx = static_cast<std::uint8_t>(data[i]), dy = static_cast<std::uint8_t>(data[i + 1]);
            i += 2;
            if (dx == 0 && dy == 0)
                return fail("a delta that does not move");
            if (x + dx >= w || row + dy >= h)
                return fail("a delta out of the picture");
            x += dx;
            row += dy;
        } else {
            if (row >= h)
                return fail("pixels below the last row");
            if (x + value > w)
                return fail("an absolute run overflows its row");
            if (i + value + (value & 1) > data.size())
                return fail("an absolute run cut off");
            for (int k = 0; k < value; ++k) {
                const auto index = static_cast<std::uint8_t>(data[i + static_cast<std::size_t>(k)]);
                if (index >= colours)
                    return fail("an index outside the palette");
                put(index);
            }
            if ((value & 1) && data[i + value] != 0)
                return fail("an odd absolute run without its pad byte");
            i += value + (value & 1);
        }
    }
}

std::string Raw(std::initializer_list<int> bytes)
{
    std::string s;
    for (int b : bytes)
        s.push_back(static_cast<char>(b));
    return s;
}

// The clip checks below are only as good as this reader's refusals.
TEST(ResgenRle8Reader, DecodesBottomUpAndRefusesMalformedFrames)
{
    std::string error;
    const auto good = DecodeRle8(Raw({4, 1, 0, 0, 0, 4, 0, 1, 2, 0, 0, 0, 0, 1}), 4, 2, 3, error);
    ASSERT_TRUE(good) << error;
    EXPECT_EQ(*good, (std::vector<std::uint8_t>{0, 1, 2, 0, 1, 1, 1, 1}));
    const auto odd = DecodeRle8(Raw({0, 3, 2, 1, 2, 0, 1, 0, 0, 0, 0, 1}), 4, 1, 3, error);
    ASSERT_TRUE(odd) << error;
    EXPECT_EQ(*odd, (std::vector<std::uint8_t>{2, 1, 2, 0}));

    struct Case {
        const char* what;
        std::string data;
    };
    const std::vector<Case> bad = {
        {"run past the row", Raw({5, 1, 0, 0, 4, 1, 0, 0, 0, 1})},
        {"absolute run past the row", Raw({0, 6, 1, 1, 1, 1, 1, 1, 0, 0, 4, 1, 0, 0, 0, 1})},
        {"short row", Raw({3, 1, 0, 0, 4, 1, 0, 0, 0, 1})},
        {"last end of line missing", Raw({4, 1, 0, 0, 4, 1, 0, 1})},
        {"end of bitmap missing", Raw({4, 1, 0, 0, 4, 1, 0, 0})},
        {"a third row", Raw({4, 1, 0, 0, 4, 1, 0, 0, 4, 1, 0, 0, 0, 1})},
        {"trailing bytes", Raw({4, 1, 0, 0, 4, 1, 0, 0, 0, 1, 0, 0})},
        {"pad byte missing", Raw({0, 3, 2, 1, 2, 1, 0, 0, 0, 4, 1, 0, 0, 0, 1})},
        {"index 3 of 3 colours", Raw({4, 3, 0, 0, 4, 1, 0, 0, 0, 1})},
        {"delta", Raw({0, 2, 0, 1, 0, 0, 0, 1})},
        {"cut off", Raw({4, 1, 0, 0, 0, 4, 1, 1})},
    };
    for (const Case& c : bad)
        EXPECT_FALSE(DecodeRle8(c.data, 4, 2, 3, error)) << c.what;

    // Delta frames paint over the frame before.
    const std::vector<std::uint8_t> before = {0, 0, 0, 0, 1, 1, 1, 1};
    const auto delta =
        DecodeRle8(Raw({0, 2, 1, 0, 2, 2, 0, 0, 0, 2, 3, 0, 1, 2, 0, 1}), 4, 2, 3, error, &before);
    ASSERT_TRUE(delta) << error;
    EXPECT_EQ(*delta, (std::vector<std::uint8_t>{0, 0, 0, 2, 1, 2, 2, 1}));
    const auto up = DecodeRle8(Raw({0, 2, 3, 1, 1, 2, 0, 1}), 4, 2, 3, error, &before);
    ASSERT_TRUE(up) << error;
    EXPECT_EQ(*up, (std::vector<std::uint8_t>{0, 0, 0, 2, 1, 1, 1, 1}));
    const auto still = DecodeRle8(Raw({0, 1}), 4, 2, 3, error, &before);
    ASSERT_TRUE(still) << error;
    EXPECT_EQ(*still, before);
    const std::vector<Case> badDeltas = {
        {"delta past the row", Raw({0, 2, 4, 0, 1, 1, 0, 1})},
        {"delta past the top", Raw({0, 2, 0, 2, 0, 1})},
        {"delta that does not move", Raw({0, 2, 0, 0, 0, 1})},
        {"delta cut off", Raw({0, 2, 1})},
        {"end of line past the top", Raw({0, 0, 0, 0, 0, 0, 0, 1})},
        {"run past the row", Raw({0, 2, 2, 0, 3, 1, 0, 1})},
        {"trailing bytes", Raw({1, 1, 0, 1, 0, 0})},
    };
    for (const Case& c : badDeltas)
        EXPECT_FALSE(DecodeRle8(c.data, 4, 2, 3, error, &before)) << c.what;
}

// ---------------------------------------------------------------------------
// The clips

struct Clip {
    const char* style;
    int width, height, frames;
    std::uint32_t usec;
    std::uint32_t pause; // the longest the picture stands still, in us: frames that repeat the one before
};

// The clips the programs carry (see the top of resgen.cpp).
const Clip kClips[] = {
    {"split", 80, 57, 10, 100000, 0},
    {"join", 64, 64, 133, 20000, 1000000},
    {"info", 96, 96, 24, 100000, 0},
    {"heart", 64, 64, 20, 100000, 0},
};

void PrintTo(const Clip& clip, std::ostream* out)
{
    *out << clip.style << ' ' << clip.width << 'x' << clip.height << ", " << clip.frames << " frames of "
         << clip.usec << " us";
}

class ResgenClip : public ::testing::TestWithParam<Clip> {};

std::size_t Differences(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b)
{
    std::size_t n = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        n += a[i] != b[i];
    return n;
}

TEST_P(ResgenClip, PlaysInTheAnimateControl)
{
    const Clip& clip = GetParam();
    TempDir dir;
    const std::string path = dir / "clip.avi", drawn = dir / "clip.raw";
    ASSERT_EQ(RunResgen("avi '" + path + "' " + std::to_string(clip.width) + " " +
                            std::to_string(clip.height) + " " + std::to_string(clip.frames) + " " +
                            std::to_string(clip.usec) + " " + clip.style + " --pixels '" + drawn + "'",
                        dir / "errors"),
              0)
        << ReadFile(dir / "errors");
    const std::string d = ReadFile(path);
    // What resgen drew: a palette index a pixel, rows top-down, frame after frame.
    const std::string raw = ReadFile(drawn);
    const std::size_t pixels = static_cast<std::size_t>(clip.width) * static_cast<std::size_t>(clip.height);
    ASSERT_EQ(raw.size(), pixels * static_cast<std::size_t>(clip.frames));

    // RIFF('AVI ' LIST('hdrl' avih LIST('strl' strh strf)) LIST('movi' 00dc...) idx1), sizes adding up.
    const std::vector<Chunk> file = ParseChunks(d, 0, d.size());
    ASSERT_EQ(Names(file), (std::vector<std::string>{"RIFF:AVI "}));
    ASSERT_EQ(file[0].size + 8, d.size());
    const std::vector<Chunk>& top = file[0].kids;
    ASSERT_EQ(Names(top), (std::vector<std::string>{"LIST:hdrl", "LIST:movi", "idx1"}));
    ASSERT_EQ(Names(top[0].kids), (std::vector<std::string>{"avih", "LIST:strl"}));
    ASSERT_EQ(Names(top[0].kids[1].kids), (std::vector<std::string>{"strh", "strf"}));
    const Chunk& avih = top[0].kids[0];
    const Chunk& strh = top[0].kids[1].kids[0];
    const Chunk& strf = top[0].kids[1].kids[1];
    const Chunk& movi = top[1];
    const Chunk& idx1 = top[2];

    const std::vector<Chunk>& frames = movi.kids;
    ASSERT_EQ(frames.size(), static_cast<std::size_t>(clip.frames));
    std::uint32_t largest = 0;
    for (const Chunk& f : frames) {
        EXPECT_EQ(f.id, "00dc");
        largest = std::max(largest, f.size);
    }

    ASSERT_EQ(avih.size, 56u);
    const std::size_t a = avih.Data();
    EXPECT_EQ(U32(d, a), clip.usec);
    EXPECT_NE(U32(d, a + 12) & 0x10, 0u) << "AVIF_HASINDEX";
    EXPECT_EQ(U32(d, a + 16), static_cast<std::uint32_t>(clip.frames));
    EXPECT_EQ(U32(d, a + 24), 1u) << "streams";
    EXPECT_EQ(U32(d, a + 32), static_cast<std::uint32_t>(clip.width));
    EXPECT_EQ(U32(d, a + 36), static_cast<std::uint32_t>(clip.height));

    ASSERT_EQ(strh.size, 56u);
    const std::size_t s = strh.Data();
    EXPECT_EQ(d.substr(s, 4), "vids");
    const std::string handler = d.substr(s + 4, 4);
    EXPECT_TRUE(handler == std::string(4, '\0') || handler == "mrle") << handler;
    EXPECT_EQ(U32(d, s + 20), clip.usec) << "dwScale";
    EXPECT_EQ(U32(d, s + 24), 1000000u) << "dwRate";
    EXPECT_EQ(U32(d, s + 32), static_cast<std::uint32_t>(clip.frames)) << "dwLength";
    // The control reads this many bytes of every frame.
    EXPECT_GE(U32(d, s + 36), largest) << "dwSuggestedBufferSize";
    EXPECT_EQ(U16(d, s + 48), 0u);
    EXPECT_EQ(U16(d, s + 50), 0u);
    EXPECT_EQ(U16(d, s + 52), static_cast<std::uint32_t>(clip.width));
    EXPECT_EQ(U16(d, s + 54), static_cast<std::uint32_t>(clip.height));

    const std::size_t b = strf.Data();
    ASSERT_GE(strf.size, 40u);
    const std::uint32_t colours = U32(d, b + 32);
    ASSERT_GE(colours, 1u);
    ASSERT_LE(colours, 256u);
    EXPECT_EQ(strf.size, 40 + 4 * colours) << "header and palette";
    EXPECT_EQ(U32(d, b), 40u);
    EXPECT_EQ(I32(d, b + 4), clip.width);
    EXPECT_EQ(I32(d, b + 8), clip.height) << "bottom-up";
    EXPECT_EQ(U16(d, b + 12), 1u);
    EXPECT_EQ(U16(d, b + 14), 8u);
    EXPECT_EQ(U32(d, b + 16), 1u) << "BI_RLE8";
    // GDI decodes no more than biSizeImage bytes of any frame.
    const std::uint32_t sizeImage = U32(d, b + 20);
    EXPECT_TRUE(sizeImage == 0 || sizeImage == largest) << sizeImage;

    // idx1: an entry per frame, pointing (from the 'movi' fourcc) at its chunk;
    // the first frame the only key frame, every later one a delta over the one before.
    ASSERT_EQ(idx1.size, 16u * frames.size());
    const std::size_t moviFourcc = movi.Data();
    for (std::size_t i = 0; i < frames.size(); ++i) {
        const std::size_t e = idx1.Data() + 16 * i;
        EXPECT_EQ(d.substr(e, 4), "00dc") << i;
        EXPECT_EQ(U32(d, e + 4) & 0x10, i == 0 ? 0x10u : 0u) << "AVIIF_KEYFRAME " << i;
        EXPECT_EQ(moviFourcc + U32(d, e + 8), frames[i].at) << i;
        EXPECT_EQ(U32(d, e + 12), frames[i].size) << i;
    }

    // Every frame decodes to exactly the pixels it was drawn from; a frame
    // that repeats the one before is the end of bitmap alone.
    std::vector<std::vector<std::uint8_t>> pictures;
    for (std::size_t i = 0; i < frames.size(); ++i) {
        std::string error;
        const std::string data = d.substr(frames[i].Data(), frames[i].size);
        const auto px =
            DecodeRle8(data, clip.width, clip.height, colours, error, i ? &pictures.back() : nullptr);
        ASSERT_TRUE(px) << "frame " << i << ": " << error;
        ASSERT_EQ(*px, std::vector<std::uint8_t>(raw.begin() + static_cast<std::ptrdiff_t>(i * pixels),
                                                 raw.begin() + static_cast<std::ptrdiff_t>((i + 1) * pixels)))
            << "frame " << i;
        if (i > 0 && *px == pictures.back()) {
            EXPECT_EQ(data, Raw({0, 1})) << "frame " << i;
        }
        pictures.push_back(*px);
    }

    // An animation: the frames move on from the one before, standing still no
    // longer than the clip's pause, and the first moves on from the last.
    std::size_t widest = 0, still = 0;
    for (std::size_t i = 0; i + 1 < pictures.size(); ++i) {
        const std::size_t changed = Differences(pictures[i], pictures[i + 1]);
        still = changed ? 0 : still + 1;
        EXPECT_LE(still * clip.usec, clip.pause)
            << "frames " << i + 1 - still << " to " << i + 1 << " are the same";
        widest = std::max(widest, changed);
    }
    const std::size_t seam = Differences(pictures.back(), pictures.front());
    EXPECT_GT(seam, 0u) << "the last frame repeats the first";
    // A clean loop: going round is no bigger a step than any inside the clip.
    EXPECT_LE(seam, widest);

    // The control takes the colour made transparent from the first frame's
    // top left pixel; the background stays put in every corner of every frame.
    const std::uint8_t background = pictures[0][0];
    const std::size_t w = static_cast<std::size_t>(clip.width), last = pictures[0].size() - 1;
    for (std::size_t i = 0; i < pictures.size(); ++i)
        for (std::size_t corner : {std::size_t{0}, w - 1, last - (w - 1), last})
            EXPECT_EQ(pictures[i][corner], background) << "frame " << i << ", pixel " << corner;
}

INSTANTIATE_TEST_SUITE_P(Programs, ResgenClip, ::testing::ValuesIn(kClips),
                         [](const ::testing::TestParamInfo<Clip>& param) {
                             return std::string(param.param.style);
                         });

TEST(ResgenClipStyles, LookDifferentFromEachOther)
{
    TempDir dir;
    std::set<std::string> clips;
    for (const char* style : {"split", "join", "info", "heart"}) {
        const std::string path = dir / (std::string(style) + ".avi");
        ASSERT_EQ(RunResgen("avi '" + path + "' 48 48 4 100000 " + style, dir / "errors"), 0)
            << ReadFile(dir / "errors");
        const std::string d = ReadFile(path);
        const std::size_t movi = d.find("movi");
        ASSERT_NE(movi, std::string::npos) << style;
        clips.insert(d.substr(movi));
    }
    EXPECT_EQ(clips.size(), 4u);
}

// ---------------------------------------------------------------------------
// The icon

std::uint32_t RowBytes(int width, int bits)
{
    return static_cast<std::uint32_t>((width * bits + 31) / 32 * 4);
}

TEST(ResgenIcon, TwoSixteenColourImagesWithATransparentBackground)
{
    TempDir dir;
    const std::string path = dir / "portelan.ico";
    ASSERT_EQ(RunResgen("icon '" + path + "'", dir / "errors"), 0) << ReadFile(dir / "errors");
    const std::string d = ReadFile(path);

    EXPECT_EQ(U16(d, 0), 0u);
    EXPECT_EQ(U16(d, 2), 1u) << "an icon";
    ASSERT_EQ(U16(d, 4), 2u);
    std::size_t expectedOffset = 6 + 2 * 16;
    const int sizes[] = {32, 16};
    for (std::size_t k = 0; k < 2; ++k) {
        const int n = sizes[k];
        SCOPED_TRACE(std::to_string(n) + "x" + std::to_string(n));
        const std::size_t e = 6 + 16 * k;
        EXPECT_EQ(static_cast<std::uint8_t>(d[e]), n);
        EXPECT_EQ(static_cast<std::uint8_t>(d[e + 1]), n);
        EXPECT_EQ(static_cast<std::uint8_t>(d[e + 2]), 16) << "colours";
        EXPECT_EQ(d[e + 3], 0);
        EXPECT_EQ(U16(d, e + 4), 1u) << "planes";
        EXPECT_EQ(U16(d, e + 6), 4u) << "bits per pixel";
        const std::uint32_t xorRow = RowBytes(n, 4), andRow = RowBytes(n, 1);
        const std::uint32_t bytes = U32(d, e + 8);
        EXPECT_EQ(bytes, 40 + 16 * 4 + (xorRow + andRow) * static_cast<std::uint32_t>(n));
        const std::size_t at = U32(d, e + 12);
        ASSERT_EQ(at, expectedOffset);
        ASSERT_LE(at + bytes, d.size());
        expectedOffset += bytes;

        EXPECT_EQ(U32(d, at), 40u);
        EXPECT_EQ(I32(d, at + 4), n);
        EXPECT_EQ(I32(d, at + 8), 2 * n) << "colour bitmap and mask";
        EXPECT_EQ(U16(d, at + 12), 1u);
        EXPECT_EQ(U16(d, at + 14), 4u);
        EXPECT_EQ(U32(d, at + 16), 0u) << "BI_RGB";
        const std::uint32_t used = U32(d, at + 32);
        EXPECT_TRUE(used == 0 || used == 16) << used;

        const std::size_t palette = at + 40, colour = palette + 64,
                          mask = colour + xorRow * static_cast<std::size_t>(n);
        int clear = 0, opaque = 0;
        std::set<std::uint32_t> inks;
        for (int y = 0; y < n; ++y) { // stored bottom-up
            for (int x = 0; x < n; ++x) {
                const std::size_t row = static_cast<std::size_t>(n - 1 - y);
                const auto pair =
                    static_cast<std::uint8_t>(d[colour + row * xorRow + static_cast<std::size_t>(x / 2)]);
                const int index = x % 2 ? pair & 0x0F : pair >> 4;
                const std::uint32_t rgb = U32(d, palette + 4 * static_cast<std::size_t>(index)) & 0xFFFFFF;
                const auto bits =
                    static_cast<std::uint8_t>(d[mask + row * andRow + static_cast<std::size_t>(x / 8)]);
                if (bits & (0x80 >> (x % 8))) {
                    ++clear;
                    // screen AND 1 XOR black leaves the screen as it is
                    EXPECT_EQ(rgb, 0u) << "a transparent pixel with colour at " << x << "," << y;
                } else {
                    ++opaque;
                    inks.insert(rgb);
                }
            }
        }
        EXPECT_GE(clear, n * n / 5) << "transparent pixels";
        EXPECT_GE(opaque, n * n / 5) << "opaque pixels";
        EXPECT_GE(inks.size(), 3u) << "a few clear colours";
    }
    EXPECT_EQ(expectedOffset, d.size());
}

std::uint32_t U32Be(const std::string& d, std::size_t at)
{
    if (at + 4 > d.size())
        throw std::out_of_range("read past the end at " + std::to_string(at));
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < 4; ++i)
        v = v << 8 | static_cast<std::uint8_t>(d[at + i]);
    return v;
}

// Each PNG is the icon's own drawing (the 32x32 one, or the 16x16 one where 32
// does not divide the size) with every pixel a square, in the icon's palette.
TEST(ResgenPng, TheIconEnlargedByWholePixels)
{
    TempDir dir;
    ASSERT_EQ(RunResgen("icon '" + dir / "i.ico" + "'", dir / "errors"), 0) << ReadFile(dir / "errors");
    const std::string ico = ReadFile(dir / "i.ico");
    for (const int n : {16, 32, 48, 64, 128, 256}) {
        SCOPED_TRACE(std::to_string(n) + "x" + std::to_string(n));
        const std::string path = dir / (std::to_string(n) + ".png");
        ASSERT_EQ(RunResgen("png '" + path + "' " + std::to_string(n), dir / "errors"), 0);
        const std::string d = ReadFile(path);
        ASSERT_EQ(d.substr(0, 8), std::string("\x89PNG\r\n\x1A\n", 8));

        std::map<std::string, std::string> chunks;
        std::vector<std::string> order;
        for (std::size_t at = 8; at < d.size();) {
            const std::uint32_t length = U32Be(d, at);
            ASSERT_LE(at + 12 + length, d.size());
            const std::string type = d.substr(at + 4, 4), data = d.substr(at + 8, length);
            const auto* typeAndData = reinterpret_cast<const Bytef*>(d.data() + at + 4);
            EXPECT_EQ(U32Be(d, at + 8 + length), crc32(0, typeAndData, length + 4)) << type;
            chunks[type] += data;
            order.push_back(type);
            at += 12 + length;
        }
        ASSERT_EQ(order, (std::vector<std::string>{"IHDR", "PLTE", "tRNS", "IDAT", "IEND"}));
        const std::string& header = chunks["IHDR"];
        EXPECT_EQ(U32Be(header, 0), static_cast<std::uint32_t>(n));
        EXPECT_EQ(U32Be(header, 4), static_cast<std::uint32_t>(n));
        EXPECT_EQ(header.substr(8), std::string("\x04\x03\x00\x00\x00", 5)) << "4-bit indexed";
        EXPECT_EQ(chunks["tRNS"], std::string(1, '\0')) << "only index 0 transparent";

        const std::size_t rowBytes = 1 + static_cast<std::size_t>(n / 2); // the filter, two pixels a byte
        std::string raw(rowBytes * static_cast<std::size_t>(n), '\0');
        uLongf rawSize = static_cast<uLongf>(raw.size());
        ASSERT_EQ(uncompress(reinterpret_cast<Bytef*>(raw.data()), &rawSize,
                             reinterpret_cast<const Bytef*>(chunks["IDAT"].data()),
                             static_cast<uLong>(chunks["IDAT"].size())),
                  Z_OK);
        ASSERT_EQ(rawSize, raw.size());

        const std::size_t k = n % 32 == 0 ? 0 : 1; // the 32x32 image comes first in the icon
        const int source = k == 0 ? 32 : 16, scale = n / source;
        const std::size_t image = U32(ico, 6 + 16 * k + 12), palette = image + 40, colour = palette + 64;
        for (int i = 0; i < 16; ++i) {
            const std::uint32_t bgr = U32(ico, palette + 4 * static_cast<std::size_t>(i));
            const std::string& plte = chunks["PLTE"];
            ASSERT_EQ(plte.size(), 48u);
            EXPECT_EQ(static_cast<std::uint8_t>(plte[3 * i]), bgr >> 16 & 0xFF) << "red of " << i;
            EXPECT_EQ(static_cast<std::uint8_t>(plte[3 * i + 1]), bgr >> 8 & 0xFF);
            EXPECT_EQ(static_cast<std::uint8_t>(plte[3 * i + 2]), bgr & 0xFF);
        }
        int wrong = 0;
        for (int y = 0; y < n; ++y) {
            const std::size_t rowAt = rowBytes * static_cast<std::size_t>(y);
            EXPECT_EQ(raw[rowAt], 0) << "filter of row " << y;
            for (int x = 0; x < n; ++x) {
                const std::size_t row = static_cast<std::size_t>(source - 1 - y / scale); // bottom-up
                const auto pair = static_cast<std::uint8_t>(
                    ico[colour + row * RowBytes(source, 4) + static_cast<std::size_t>(x / scale / 2)]);
                const int index = (x / scale) % 2 ? pair & 0x0F : pair >> 4;
                const auto packed =
                    static_cast<std::uint8_t>(raw[rowAt + 1 + static_cast<std::size_t>(x / 2)]);
                wrong += (x % 2 ? packed & 0x0F : packed >> 4) != index;
            }
        }
        EXPECT_EQ(wrong, 0) << "pixels unlike the icon's";
    }
}

// ---------------------------------------------------------------------------
// The command line

TEST(ResgenCommandLine, RefusesBadArgumentsWithTheUsage)
{
    TempDir dir;
    const std::string out = dir / "out";
    const std::vector<std::string> bad = {
        "",
        "icon",
        "icon '" + out + "' more",
        "picture '" + out + "'",
        "png '" + out + "'",
        "png '" + out + "' 0",
        "png '" + out + "' 24",
        "png '" + out + "' 528",
        "png '" + out + "' 32 more",
        "png '' 32",
        "avi '" + out + "' 80 57 10 100000",
        "avi '" + out + "' 80 57 10 100000 split more",
        "avi '" + out + "' 0 57 10 100000 split",
        "avi '" + out + "' 80 x57 10 100000 split",
        "avi '" + out + "' 80 57 -10 100000 split",
        "avi '" + out + "' 80 57 0 100000 split",
        "avi '" + out + "' 80 57 10 0 split",
        "avi '" + out + "' 99999 57 10 100000 split",
        "avi '" + out + "' 80 57 10 100000 spiral",
        "avi '' 80 57 10 100000 split",
        "avi '" + out + "' 80 57 10 100000 split --pixels",
        "avi '" + out + "' 80 57 10 100000 split --raw '" + out + ".raw'",
        "avi '" + out + "' 80 57 10 100000 split --pixels ''",
        "avi '' 80 57 10 100000 split --pixels '" + out + ".raw'",
    };
    for (const std::string& args : bad) {
        EXPECT_EQ(RunResgen(args, dir / "errors"), 2) << args;
        EXPECT_NE(ReadFile(dir / "errors").find("usage"), std::string::npos) << args;
        EXPECT_FALSE(FileExists(out)) << args;
        EXPECT_FALSE(FileExists(out + ".raw")) << args;
    }
}

TEST(ResgenCommandLine, FailsWhenTheFileCannotBeWritten)
{
    TempDir dir;
    WriteFile(dir / "plain", "a regular file");
    for (const std::string& out : {dir / "plain/icon.ico", dir / "missing/icon.ico"}) {
        EXPECT_EQ(RunResgen("icon '" + out + "'", dir / "errors"), 1) << out;
        EXPECT_NE(ReadFile(dir / "errors").find(out), std::string::npos) << out;
    }

    // A full disk: the clip outgrows a file-size limit of a few KiB, and no broken
    // clip is left for the next build to take as done.
    const std::string clip = dir / "clip.avi";
    EXPECT_EQ(RunResgen("avi '" + clip + "' 80 57 10 100000 split", dir / "errors",
                        "trap '' XFSZ; ulimit -f 8; exec "),
              1)
        << ReadFile(dir / "errors");
    EXPECT_FALSE(FileExists(clip));
    EXPECT_EQ(RunResgen("avi '" + clip + "' 80 57 10 100000 split", dir / "errors"), 0)
        << "without the limit";
    EXPECT_TRUE(FileExists(clip));

    // The drawn pixels cannot be written: the clip goes too.
    const std::string lost = dir / "missing/clip.raw";
    EXPECT_EQ(RunResgen("avi '" + clip + "' 80 57 10 100000 split --pixels '" + lost + "'", dir / "errors"),
              1);
    EXPECT_NE(ReadFile(dir / "errors").find(lost), std::string::npos);
    EXPECT_FALSE(FileExists(clip));
}

} // namespace
} // namespace portelan::test
