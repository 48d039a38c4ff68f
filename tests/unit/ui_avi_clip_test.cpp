// The clip decoder of the portable windows: the clips resgen draws, read back
// frame by frame; small hand-made clips for every RLE8 code and both row
// orders; damaged and hostile files refused or clipped, never read past.
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "splitter/ui/AviClip.h"

namespace portelan::test {
namespace {

using Data = std::vector<std::uint8_t>;
using namespace std::chrono_literals;

// ---------------------------------------------------------------------------
// Building clips by hand

Data Raw(std::initializer_list<int> bytes)
{
    Data d;
    for (int b : bytes)
        d.push_back(static_cast<std::uint8_t>(b));
    return d;
}

void Put16(Data& d, std::uint32_t v)
{
    d.push_back(static_cast<std::uint8_t>(v & 0xFF));
    d.push_back(static_cast<std::uint8_t>(v >> 8 & 0xFF));
}

void Put32(Data& d, std::uint32_t v)
{
    Put16(d, v & 0xFFFF);
    Put16(d, v >> 16);
}

void Set32(Data& d, std::size_t at, std::uint32_t v)
{
    for (int k = 0; k < 4; ++k)
        d.at(at + static_cast<std::size_t>(k)) = static_cast<std::uint8_t>(v >> (8 * k));
}

std::uint32_t Get32(const Data& d, std::size_t at)
{
    std::uint32_t v = 0;
    for (int k = 3; k >= 0; --k)
        v = v << 8 | d.at(at + static_cast<std::size_t>(k));
    return v;
}

void PutId(Data& d, const std::string& id) { d.insert(d.end(), id.begin(), id.end()); }

// A chunk with its pad byte.
Data Chunk(const std::string& id, const Data& payload)
{
    Data d;
    PutId(d, id);
    Put32(d, static_cast<std::uint32_t>(payload.size()));
    d.insert(d.end(), payload.begin(), payload.end());
    if (payload.size() % 2)
        d.push_back(0);
    return d;
}

Data List(const std::string& type, std::initializer_list<Data> items)
{
    Data payload;
    PutId(payload, type);
    for (const Data& item : items)
        payload.insert(payload.end(), item.begin(), item.end());
    return Chunk("LIST", payload);
}

Data Riff(std::initializer_list<Data> items)
{
    Data payload;
    PutId(payload, "AVI ");
    for (const Data& item : items)
        payload.insert(payload.end(), item.begin(), item.end());
    Data d;
    PutId(d, "RIFF");
    Put32(d, static_cast<std::uint32_t>(payload.size()));
    d.insert(d.end(), payload.begin(), payload.end());
    return d;
}

Data Avih(std::uint32_t usecPerFrame)
{
    Data d;
    Put32(d, usecPerFrame);
    while (d.size() < 56)
        Put32(d, 0);
    return Chunk("avih", d);
}

Data Strh(const std::string& type, std::uint32_t scale, std::uint32_t rate)
{
    Data d;
    PutId(d, type);
    while (d.size() < 20)
        Put32(d, 0);
    Put32(d, scale);
    Put32(d, rate);
    while (d.size() < 56)
        Put32(d, 0);
    return Chunk("strh", d);
}

// A hand-made clip: one video stream, its frames as '00dc' chunks.
struct TinyAvi {
    std::int32_t width = 4, height = 2;
    std::uint32_t bitCount = 8, compression = 1; // BI_RLE8
    std::uint32_t usecPerFrame = 50000, scale = 0, rate = 0;
    std::vector<std::uint32_t> palette = {0x101010, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00};
    std::optional<std::uint32_t> clrUsed; // else the palette's size
    std::vector<Data> frames;

    Data Strf() const
    {
        Data d;
        Put32(d, 40);
        Put32(d, static_cast<std::uint32_t>(width));
        Put32(d, static_cast<std::uint32_t>(height));
        Put16(d, 1);
        Put16(d, bitCount);
        Put32(d, compression);
        for (int i = 0; i < 3; ++i)
            Put32(d, 0);
        Put32(d, clrUsed ? *clrUsed : static_cast<std::uint32_t>(palette.size()));
        Put32(d, 0);
        for (std::uint32_t rgb : palette)
            Put32(d, rgb);
        return Chunk("strf", d);
    }
    Data VideoStream() const { return List("strl", {Strh("vids", scale, rate), Strf()}); }
    Data Headers() const { return List("hdrl", {Avih(usecPerFrame), VideoStream()}); }
    Data Movi() const
    {
        Data payload;
        PutId(payload, "movi");
        for (const Data& frame : frames) {
            const Data chunk = Chunk("00dc", frame);
            payload.insert(payload.end(), chunk.begin(), chunk.end());
        }
        return Chunk("LIST", payload);
    }
    Data Build() const { return Riff({Headers(), Movi()}); }
};

// The bytes in a buffer of their own, so that any read past them is caught.
std::optional<CAviClip> ParseCopy(const Data& d, std::string* error = nullptr, bool transparent = false)
{
    const Data exact(d.begin(), d.end());
    return CAviClip::Parse(exact, AviClipOptions{transparent}, error);
}

constexpr std::uint32_t kP0 = 0xFF101010, kP1 = 0xFFFF0000, kP2 = 0xFF00FF00, kP3 = 0xFF0000FF,
                        kP4 = 0xFFFFFF00;

// ---------------------------------------------------------------------------
// RLE8 and the row orders

TEST(AviClipRle8, EveryCodeDrawsItsPixelsOverThePreviousFrame)
{
    TinyAvi avi;
    avi.width = 5;
    avi.height = 3; // bottom-up: the first stored row is the lowest
    avi.frames = {
        Raw({2, 1,                     // a run of two
             0, 3, 2, 3, 4, 0,         // three absolute pixels and their pad byte
             0, 0,                     // end of line
             1, 2, 0, 2, 2, 0, 2, 3,   // a delta of two columns leaves two pixels unpainted
             0, 0,                     //
             0, 4, 1, 2, 3, 4,         // four absolute pixels, no pad
             0, 1,                     // end of bitmap: the last pixel stays unpainted
             5, 1}),                   // nothing after the end counts
        Raw({0, 2, 1, 2, 2, 4, 0, 1}), // a delta up two rows, then a run; the rest stays
        Raw({}),                       // an empty frame repeats the one before
    };
    std::string error;
    const auto clip = ParseCopy(avi.Build(), &error);
    ASSERT_TRUE(clip) << error;
    EXPECT_EQ(clip->Width(), 5);
    EXPECT_EQ(clip->Height(), 3);
    ASSERT_EQ(clip->FrameCount(), 3u);
    EXPECT_EQ(clip->FrameDuration(), 50ms);
    const std::vector<std::uint32_t> first = {
        kP1, kP2, kP3, kP4, kP0, //
        kP2, kP0, kP0, kP3, kP3, //
        kP1, kP1, kP2, kP3, kP4, //
    };
    EXPECT_EQ(clip->Frame(0), first);
    const std::vector<std::uint32_t> second = {
        kP1, kP4, kP4, kP4, kP0, //
        kP2, kP0, kP0, kP3, kP3, //
        kP1, kP1, kP2, kP3, kP4, //
    };
    EXPECT_EQ(clip->Frame(1), second);
    EXPECT_EQ(clip->Frame(2), second);
    EXPECT_THROW(clip->Frame(3), std::out_of_range);
}

TEST(AviClipRle8, TopDownAndBottomUpFramesAreMirrorImages)
{
    // Two rows as stored: four of index 1, then four of index 2.
    TinyAvi rle;
    rle.frames = {Raw({4, 1, 0, 0, 4, 2, 0, 0, 0, 1})};
    // Uncompressed rows of three, each padded to four bytes.
    TinyAvi rgb;
    rgb.compression = 0;
    rgb.width = 3;
    rgb.frames = {Raw({1, 2, 3, 0, 3, 2, 4, 0})};

    for (const bool topDown : {false, true}) {
        SCOPED_TRACE(topDown ? "top-down" : "bottom-up");
        std::string error;
        rle.height = topDown ? -2 : 2;
        const auto a = ParseCopy(rle.Build(), &error);
        ASSERT_TRUE(a) << error;
        EXPECT_EQ(a->Height(), 2);
        const std::vector<std::uint32_t> lowerOnes = {kP2, kP2, kP2, kP2, kP1, kP1, kP1, kP1};
        const std::vector<std::uint32_t> upperOnes = {kP1, kP1, kP1, kP1, kP2, kP2, kP2, kP2};
        EXPECT_EQ(a->Frame(0), topDown ? upperOnes : lowerOnes);

        rgb.height = topDown ? -2 : 2;
        const auto b = ParseCopy(rgb.Build(), &error);
        ASSERT_TRUE(b) << error;
        EXPECT_EQ(b->Width(), 3);
        const std::vector<std::uint32_t> stored = {kP1, kP2, kP3, kP3, kP2, kP4};
        const std::vector<std::uint32_t> flipped = {kP3, kP2, kP4, kP1, kP2, kP3};
        EXPECT_EQ(b->Frame(0), topDown ? stored : flipped);
    }
}

TEST(AviClipRle8, RunsPastTheLineThePictureOrThePaletteAreClipped)
{
    TinyAvi avi; // 4 x 2, bottom-up, five colours
    avi.frames = {
        Raw({10, 1,                       // a run ten long in a row of four: no wrap into the next row
             4,  3,                       // still past the line
             0,  0,                       //
             0,  6, 2,   2,   2, 7, 3, 3, // an absolute run past the line; 7 is beyond the palette
             0,  0,                       //
             0,  0, 3,   3,               // below the picture's last row
             0,  2, 255, 255, 1, 3,       // a delta far out of the picture
             0,  0, 0,   1}),
        Raw({0, 2, 255, 0, 2, 4, 0, 2, 0, 255, 0, 0, 0, 1}), // deltas past the line and past the top
    };
    std::string error;
    const auto clip = ParseCopy(avi.Build(), &error);
    ASSERT_TRUE(clip) << error;
    const std::vector<std::uint32_t> expected = {kP2, kP2, kP2, kP0, kP1, kP1, kP1, kP1};
    EXPECT_EQ(clip->Frame(0), expected);
    EXPECT_EQ(clip->Frame(1), expected);
}

TEST(AviClipRle8, FrameDataEndingInTheMiddleOfACodeIsRefused)
{
    const std::vector<Data> cutOff = {
        Raw({4, 1, 0, 0, 4}),       // a run's index missing
        Raw({4, 1, 0, 0, 0, 5, 1}), // an absolute run short of its pixels
        Raw({4, 1, 0, 2, 1}),       // a delta short of its dy
    };
    for (const Data& frame : cutOff) {
        TinyAvi avi;
        avi.frames = {Raw({4, 1, 0, 0, 4, 1, 0, 0, 0, 1}), frame};
        std::string error;
        EXPECT_FALSE(ParseCopy(avi.Build(), &error)) << frame.size();
        EXPECT_NE(error.find("frame 1"), std::string::npos) << error;
    }
    // Without an end of bitmap, or without the last pad byte, the frame ends with its data.
    TinyAvi open;
    open.frames = {Raw({4, 1, 0, 0, 0, 3, 2, 3, 4})};
    std::string error;
    const auto clip = ParseCopy(open.Build(), &error);
    ASSERT_TRUE(clip) << error;
    EXPECT_EQ(clip->Frame(0), (std::vector<std::uint32_t>{kP2, kP3, kP4, kP0, kP1, kP1, kP1, kP1}));
}

// ---------------------------------------------------------------------------
// The file around the frames

TEST(AviClipFile, FindsTheVideoFramesAmongOtherChunks)
{
    TinyAvi avi;
    // An audio stream first makes the video stream number 1: its frames are '01dc'/'01db'.
    Data wave;
    for (int i = 0; i < 9; ++i)
        Put16(wave, 1);
    const Data audio = List("strl", {Strh("auds", 1, 8000), Chunk("strf", wave)});
    const Data file = Riff({
        Chunk("JUNK", Raw({1, 2, 3})), // odd size, padded
        List("hdrl", {Avih(40000), Chunk("odd!", Raw({9})), audio, avi.VideoStream()}),
        List("INFO", {Chunk("ISFT", Raw({'x', 0}))}),
        List("movi",
             {
                 Chunk("00dc", Raw({4, 4, 0, 0, 4, 4, 0, 1})), // the audio stream's number
                 Chunk("01wb", Raw({1, 2, 3, 4})),
                 Chunk("01dc", Raw({4, 1, 0, 0, 4, 1, 0, 1})),
                 List("rec ", {Chunk("01wb", Raw({5})), Chunk("01dc", Raw({2, 2, 0, 1}))}),
                 Chunk("01db", Raw({3, 3, 0, 1})),
                 Chunk("01pc", Raw({0, 1, 0, 0})),
             }),
        Chunk("idx1", Raw({'0', '1', 'd', 'c', 0x10, 0, 0, 0, 4, 0, 0, 0, 8, 0, 0, 0})),
    });
    std::string error;
    const auto clip = ParseCopy(file, &error);
    ASSERT_TRUE(clip) << error;
    ASSERT_EQ(clip->FrameCount(), 3u);
    EXPECT_EQ(clip->FrameDuration(), 40ms);
    EXPECT_EQ(clip->Frame(0), (std::vector<std::uint32_t>{kP1, kP1, kP1, kP1, kP1, kP1, kP1, kP1}));
    EXPECT_EQ(clip->Frame(1), (std::vector<std::uint32_t>{kP1, kP1, kP1, kP1, kP2, kP2, kP1, kP1}));
    EXPECT_EQ(clip->Frame(2), (std::vector<std::uint32_t>{kP1, kP1, kP1, kP1, kP3, kP3, kP3, kP1}));
}

TEST(AviClipFile, FrameDurationFromEitherHeaderAndAtLeastAMillisecond)
{
    struct Case {
        std::uint32_t usec, scale, rate;
        std::chrono::microseconds expected;
    };
    const Case cases[] = {
        {100000, 1, 25, 100ms},                      // the main header wins
        {0, 1, 25, 40ms},                            // else the stream's rate
        {0, 1001, 30000, 33366us},                   // NTSC
        {0, 0, 25, CAviClip::kDefaultFrameDuration}, // neither
        {0, 1, 0, CAviClip::kDefaultFrameDuration},  //
        {500, 0, 0, 1ms},                            // too fast for a timer
        {0, 1, 100000, 1ms},                         //
        {0xFFFFFFFF, 0, 0, std::chrono::microseconds(0xFFFFFFFFll)},
    };
    for (const Case& c : cases) {
        TinyAvi avi;
        avi.usecPerFrame = c.usec;
        avi.scale = c.scale;
        avi.rate = c.rate;
        avi.frames = {Raw({0, 1})};
        const auto clip = ParseCopy(avi.Build());
        ASSERT_TRUE(clip);
        EXPECT_EQ(clip->FrameDuration(), c.expected) << c.usec << " " << c.scale << "/" << c.rate;
    }
}

TEST(AviClipFile, TransparentCornerClearsExactlyThatColour)
{
    // The corner is the top left pixel of the first frame: here never painted,
    // so palette entry 0, whose colour entry 2 repeats.
    TinyAvi avi;
    avi.palette = {0x101010, 0xF0F0F0, 0x101010, 0x00FF00};
    avi.frames = {Raw({1, 3, 1, 2, 2, 1, 0, 0, 0, 1}), Raw({0, 2, 1, 1, 1, 3, 0, 1})};
    std::string error;
    const auto plain = ParseCopy(avi.Build(), &error);
    ASSERT_TRUE(plain) << error;
    EXPECT_FALSE(plain->TransparentCorner());
    EXPECT_EQ(plain->CornerColour(), 0xFF101010u);
    const auto clear = ParseCopy(avi.Build(), &error, true);
    ASSERT_TRUE(clear) << error;
    EXPECT_TRUE(clear->TransparentCorner());
    EXPECT_EQ(clear->CornerColour(), 0xFF101010u);
    // The colour goes clear wherever it is, whichever entry drew it.
    EXPECT_EQ(plain->Frame(0), (std::vector<std::uint32_t>{0xFF101010, 0xFF101010, 0xFF101010, 0xFF101010,
                                                           0xFF00FF00, 0xFF101010, 0xFFF0F0F0, 0xFFF0F0F0}));
    EXPECT_EQ(clear->Frame(0), (std::vector<std::uint32_t>{0x00101010, 0x00101010, 0x00101010, 0x00101010,
                                                           0xFF00FF00, 0x00101010, 0xFFF0F0F0, 0xFFF0F0F0}));
    EXPECT_EQ(clear->Frame(1), (std::vector<std::uint32_t>{0x00101010, 0xFF00FF00, 0x00101010, 0x00101010,
                                                           0xFF00FF00, 0x00101010, 0xFFF0F0F0, 0xFFF0F0F0}));
}

TEST(AviClipFile, RefusesWhatItCannotShowWithAReason)
{
    const Data frame = Raw({4, 1, 0, 0, 4, 1, 0, 1});
    const auto with = [&frame](auto change) {
        TinyAvi avi;
        avi.frames = {frame};
        change(avi);
        return avi.Build();
    };
    const TinyAvi good = [&frame] {
        TinyAvi avi;
        avi.frames = {frame};
        return avi;
    }();
    Data wave = good.Build();
    std::copy_n("WAVE", 4, wave.begin() + 8);
    // Sizes two bytes too large: of RIFF, of LIST movi (the last in RIFF), of the frame (the last in movi).
    const auto grow = [](Data d, std::size_t at) {
        Set32(d, at, Get32(d, at) + 2);
        return d;
    };
    const Data file = good.Build();
    const Data longer = grow(file, 4);
    const Data movedOut = grow(file, file.size() - good.Movi().size() + 4);
    const Data frameOut = grow(file, file.size() - frame.size() - 4);

    struct Case {
        const char* what;
        Data file;
    };
    const std::vector<Case> bad = {
        {"empty", {}},
        {"not RIFF", Raw({'R', 'I', 'F', 'X', 4, 0, 0, 0, 'A', 'V', 'I', ' '})},
        {"a wave file", wave},
        {"RIFF size past the end", longer},
        {"movi past the end of RIFF", movedOut},
        {"a frame past the end of movi", frameOut},
        {"no header list", Riff({good.Movi()})},
        {"no video stream", Riff({List("hdrl", {Avih(1000)}), good.Movi()})},
        {"no format", Riff({List("hdrl", {List("strl", {Strh("vids", 1, 10)})}), good.Movi()})},
        {"no movi", Riff({good.Headers()})},
        {"no frames", with([](TinyAvi& a) { a.frames.clear(); })},
        {"24 bits", with([](TinyAvi& a) { a.bitCount = 24; })},
        {"RLE4", with([](TinyAvi& a) { a.compression = 2; })},
        {"width 0", with([](TinyAvi& a) { a.width = 0; })},
        {"width -4", with([](TinyAvi& a) { a.width = -4; })},
        {"height 0", with([](TinyAvi& a) { a.height = 0; })},
        {"width 4097", with([](TinyAvi& a) { a.width = 4097; })},
        {"height -4097", with([](TinyAvi& a) { a.height = -4097; })},
        {"height INT_MIN", with([](TinyAvi& a) { a.height = INT32_MIN; })},
        {"257 colours", with([](TinyAvi& a) { a.clrUsed = 257; })},
        {"palette cut short", with([](TinyAvi& a) { a.clrUsed = 6; })},
        {"256 colours by 0, five given", with([](TinyAvi& a) { a.clrUsed = 0; })},
        {"80 Mi pixels in five frames", with([](TinyAvi& a) {
             a.width = a.height = 4096;
             a.frames.assign(5, Data{});
         })},
        {"an uncompressed frame short of a row", with([](TinyAvi& a) {
             a.compression = 0;
             a.frames = {Raw({1, 2, 3, 4})};
         })},
    };
    for (const Case& c : bad) {
        std::string error;
        EXPECT_FALSE(ParseCopy(c.file, &error)) << c.what;
        EXPECT_FALSE(error.empty()) << c.what;
        EXPECT_FALSE(ParseCopy(c.file)) << c.what << " without an error string";
    }

    // The largest sides still pass.
    for (const auto& [w, h] : {std::pair{4096, 1}, std::pair{1, -4096}}) {
        std::string error;
        const auto clip = ParseCopy(with([w = w, h = h](TinyAvi& a) {
                                        a.width = w;
                                        a.height = h;
                                        a.frames = {Raw({0, 1})};
                                    }),
                                    &error);
        ASSERT_TRUE(clip) << w << "x" << h << ": " << error;
        EXPECT_EQ(clip->Frame(0).size(), 4096u);
    }
}

// ---------------------------------------------------------------------------
// The clips resgen draws

std::string Resgen()
{
    const char* dir = std::getenv("PORTELAN_BIN_DIR");
    return std::string(dir && *dir ? dir : ".") + "/resgen";
}

struct Made {
    Data clip;   // the AVI file
    Data pixels; // what was drawn: a palette index a pixel, rows top-down, frame after frame
};

// What "resgen avi ARGS --pixels" writes, made once per argument list (empty
// when resgen fails, which fails the test).
const Made& ResgenMade(const std::string& args)
{
    static std::map<std::string, Made> made;
    static const Made none;
    const auto known = made.find(args);
    if (known != made.end())
        return known->second;
    TempDir dir;
    const std::string command = "'" + Resgen() + "' avi '" + (dir / "clip.avi") + "' " + args +
                                " --pixels '" + (dir / "clip.raw") + "' 2>'" + (dir / "errors") + "'";
    const int status = std::system(command.c_str());
    if (status == -1 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        ADD_FAILURE() << command << ": " << ReadFile(dir / "errors");
        return none;
    }
    const std::string bytes = ReadFile(dir / "clip.avi"), pixels = ReadFile(dir / "clip.raw");
    return made[args] = {Data(bytes.begin(), bytes.end()), Data(pixels.begin(), pixels.end())};
}

const Data& ResgenClip(const std::string& args) { return ResgenMade(args).clip; }

struct RealClip {
    const char* style;
    int width, height, frames;
    std::chrono::microseconds duration;
    std::chrono::microseconds pause; // the longest the picture stands still

    std::string Args() const
    {
        return std::to_string(width) + " " + std::to_string(height) + " " + std::to_string(frames) + " " +
               std::to_string(duration.count()) + " " + style;
    }
};

// The clips the programs carry (cmake/Pictures.cmake).
const RealClip kClips[] = {
    {"split", 80, 57, 10, 100ms, 0ms},
    {"join", 64, 64, 266, 10ms, 1000ms},
    {"info", 96, 96, 24, 100ms, 0ms},
    {"heart", 64, 64, 20, 100ms, 0ms},
};

void PrintTo(const RealClip& clip, std::ostream* out) { *out << clip.style; }

std::uint32_t At(const CAviClip& clip, std::size_t frame, int x, int y)
{
    return clip.Frame(frame)[static_cast<std::size_t>(y) * static_cast<std::size_t>(clip.Width()) +
                             static_cast<std::size_t>(x)];
}

// Colours resgen paints with (its flat areas keep their exact colours).
constexpr std::uint32_t kBackground = 0xFFF0F0F0, kPaper = 0xFFFFFFFF, kCut = 0xFFCC0000, kGreen = 0xFF009933,
                        kHeart = 0xFFCC0033, kBlue = 0xFF0066CC, kDarkBlue = 0xFF003399, kText = 0xFF6699CC;

class AviClipOfResgen : public ::testing::TestWithParam<RealClip> {};

TEST_P(AviClipOfResgen, PlaysAsDrawn)
{
    const RealClip& real = GetParam();
    const Data& bytes = ResgenClip(real.Args());
    std::string error;
    const auto clip = ParseCopy(bytes, &error);
    ASSERT_TRUE(clip) << error;
    EXPECT_EQ(clip->Width(), real.width);
    EXPECT_EQ(clip->Height(), real.height);
    ASSERT_EQ(clip->FrameCount(), static_cast<std::size_t>(real.frames));
    EXPECT_EQ(clip->FrameDuration(), real.duration);

    // The background in every corner of every frame (the control takes the
    // transparent colour from the top left one), and the frames move on,
    // standing still no longer than the clip's pause.
    const int w = real.width, h = real.height;
    std::size_t still = 0;
    for (std::size_t i = 0; i < clip->FrameCount(); ++i) {
        ASSERT_EQ(clip->Frame(i).size(), static_cast<std::size_t>(w * h));
        for (const auto& [x, y] :
             {std::pair{0, 0}, std::pair{w - 1, 0}, std::pair{0, h - 1}, std::pair{w - 1, h - 1}})
            EXPECT_EQ(At(*clip, i, x, y), kBackground) << "frame " << i << " at " << x << "," << y;
        still = i > 0 && clip->Frame(i) == clip->Frame(i - 1) ? still + 1 : 0;
        EXPECT_LE(still * real.duration, real.pause) << "frame " << i;
    }
    EXPECT_EQ(clip->CornerColour(), kBackground);

    // With ACS_TRANSPARENT the background goes clear, every other pixel stays as it was.
    const auto clear = ParseCopy(bytes, &error, true);
    ASSERT_TRUE(clear) << error;
    for (std::size_t i = 0; i < clip->FrameCount(); ++i) {
        std::size_t cleared = 0, wrong = 0;
        for (std::size_t p = 0; p < clip->Frame(i).size(); ++p) {
            const std::uint32_t was = clip->Frame(i)[p], is = clear->Frame(i)[p];
            cleared += is == (kBackground & 0xFFFFFF);
            wrong += is != (was == kBackground ? was & 0xFFFFFF : was);
        }
        EXPECT_EQ(wrong, 0u) << "frame " << i;
        EXPECT_GT(cleared, 0u) << "frame " << i;
        EXPECT_LT(cleared, clip->Frame(i).size()) << "frame " << i;
    }
}

// Each frame, drawn over the ones before, shows exactly what resgen drew: every
// pixel the colour of the palette entry resgen put there.
TEST_P(AviClipOfResgen, DecodesToTheDrawnPixels)
{
    const RealClip& real = GetParam();
    const Made& made = ResgenMade(real.Args());
    std::string error;
    const auto clip = ParseCopy(made.clip, &error);
    ASSERT_TRUE(clip) << error;
    const std::size_t pixels = static_cast<std::size_t>(real.width) * static_cast<std::size_t>(real.height);
    ASSERT_EQ(made.pixels.size(), pixels * clip->FrameCount());
    const std::string strf = "strf";
    const auto palette =
        static_cast<std::size_t>(std::search(made.clip.begin(), made.clip.end(), strf.begin(), strf.end()) -
                                 made.clip.begin() + 8 + 40);
    for (std::size_t i = 0; i < clip->FrameCount(); ++i) {
        std::size_t wrong = 0;
        for (std::size_t p = 0; p < pixels; ++p) {
            const std::size_t entry = palette + 4 * std::size_t{made.pixels[i * pixels + p]};
            wrong += clip->Frame(i)[p] != (0xFF000000u | std::uint32_t{made.clip.at(entry + 2)} << 16 |
                                           std::uint32_t{made.clip.at(entry + 1)} << 8 | made.clip.at(entry));
        }
        EXPECT_EQ(wrong, 0u) << "frame " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Programs, AviClipOfResgen, ::testing::ValuesIn(kClips),
                         [](const ::testing::TestParamInfo<RealClip>& param) {
                             return std::string(param.param.style);
                         });

// Pixels whose colour follows from what resgen draws where.
TEST(AviClipOfResgenPictures, ShowTheirShapes)
{
    std::string error;
    const auto split = ParseCopy(ResgenClip(kClips[0].Args()), &error);
    ASSERT_TRUE(split) << error;
    // At the start the pieces lie together: paper in the middle of the page,
    // the cut lines hidden under it; halfway they are apart and the dashed
    // line shows left of the page.
    EXPECT_EQ(At(*split, 0, 40, 26), kPaper);
    EXPECT_EQ(At(*split, 0, 12, 18), kBackground);
    EXPECT_EQ(At(*split, 5, 12, 18), kCut);
    EXPECT_EQ(At(*split, 5, 13, 18), kCut);

    // join: at the start only the middle piece's bottom row at the top edge;
    // later the three pieces together, then one green page with the white
    // tick; at the end the page (without the tick) falling out at the bottom.
    const auto join = ParseCopy(ResgenClip(kClips[1].Args()), &error);
    ASSERT_TRUE(join) << error;
    EXPECT_EQ(At(*join, 0, 32, 0), kText);
    EXPECT_EQ(At(*join, 0, 32, 32), kBackground);
    EXPECT_EQ(At(*join, 76, 32, 20), kBlue);
    EXPECT_EQ(At(*join, 76, 32, 32), kText);
    EXPECT_EQ(At(*join, 76, 32, 44), kDarkBlue);
    EXPECT_EQ(At(*join, 133, 32, 20), kGreen);
    EXPECT_EQ(At(*join, 133, 28, 37), kPaper);
    EXPECT_EQ(At(*join, 265, 32, 32), kBackground);
    EXPECT_EQ(At(*join, 265, 32, 63), kGreen);

    // info: the white stem of the "i" in the middle of every frame.
    const auto info = ParseCopy(ResgenClip(kClips[2].Args()), &error);
    ASSERT_TRUE(info) << error;
    // heart: the heart's red in the middle of every frame.
    const auto heart = ParseCopy(ResgenClip(kClips[3].Args()), &error);
    ASSERT_TRUE(heart) << error;
    for (std::size_t i = 0; i < info->FrameCount(); ++i)
        EXPECT_EQ(At(*info, i, 48, 48), kPaper) << "frame " << i;
    for (std::size_t i = 0; i < heart->FrameCount(); ++i)
        EXPECT_EQ(At(*heart, i, 32, 33), kHeart) << "frame " << i;
}

// ---------------------------------------------------------------------------
// Damaged real clips

TEST(AviClipDamage, EveryCutOffClipIsRefused)
{
    const Data& whole = ResgenClip(kClips[0].Args());
    ASSERT_TRUE(ParseCopy(whole));
    for (std::size_t n = 0; n < whole.size(); ++n) {
        const Data cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(n));
        std::string error;
        ASSERT_FALSE(ParseCopy(cut, &error)) << "cut at " << n;
        ASSERT_FALSE(error.empty()) << "cut at " << n;
    }
}

// A clip cut off whose RIFF size is made to fit: the cut chunk itself must be
// found out, at whatever depth it is.
TEST(AviClipDamage, CutOffInsideAFittingRiffIsRefusedOrWhole)
{
    const Data& whole = ResgenClip(kClips[0].Args());
    std::size_t accepted = 0;
    for (std::size_t n = 12; n < whole.size(); ++n) {
        Data cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(n));
        const auto size = static_cast<std::uint32_t>(n - 8);
        for (int k = 0; k < 4; ++k)
            cut[4 + static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(size >> (8 * k));
        std::string error;
        const auto clip = ParseCopy(cut, &error);
        if (!clip) {
            ASSERT_FALSE(error.empty()) << "cut at " << n;
            continue;
        }
        // Only the cut right after the frames (the index left out) leaves a clip, and a whole one.
        ++accepted;
        ASSERT_EQ(clip->FrameCount(), 10u) << "cut at " << n;
    }
    EXPECT_EQ(accepted, 1u);
}

// Every byte of a small real clip changed in turn: refused with a reason or
// decoded into whole frames, never a read or write out of bounds (the
// sanitizer builds run this too).
TEST(AviClipDamage, AnyChangedByteIsRefusedOrDecodedSafely)
{
    const Data& whole = ResgenClip("24 18 3 100000 split");
    ASSERT_TRUE(ParseCopy(whole));
    std::size_t refused = 0, decoded = 0;
    for (std::size_t at = 0; at < whole.size(); ++at) {
        for (const int change : {0x00, 0xFF, 0x80, whole[at] ^ 0x01, whole[at] + 2}) {
            Data d = whole;
            d[at] = static_cast<std::uint8_t>(change);
            std::string error;
            const auto clip = ParseCopy(d, &error, at % 2 == 0);
            if (!clip) {
                ++refused;
                ASSERT_FALSE(error.empty()) << at;
                continue;
            }
            ++decoded;
            ASSERT_GE(clip->Width(), 1);
            ASSERT_LE(clip->Width(), CAviClip::kMaxSide);
            ASSERT_GE(clip->Height(), 1);
            ASSERT_LE(clip->Height(), CAviClip::kMaxSide);
            ASSERT_GE(clip->FrameCount(), 1u);
            ASSERT_GE(clip->FrameDuration(), 1ms);
            for (std::size_t i = 0; i < clip->FrameCount(); ++i)
                ASSERT_EQ(clip->Frame(i).size(), static_cast<std::size_t>(clip->Width() * clip->Height()))
                    << at;
        }
    }
    EXPECT_GT(refused, 0u);
    EXPECT_GT(decoded, 0u);
}

} // namespace
} // namespace portelan::test
