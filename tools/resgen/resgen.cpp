// resgen: draws the programs' icon and their animation clips at build time, so
// that the repository keeps no binary pictures. It runs on the build machine
// (in a cross build too), so it uses nothing but the C++ standard library and
// writes every field byte by byte in little-endian order.
//
//   resgen icon OUT.ico
//       the program icon: 32x32 and 16x16, 16 colours, transparent background
//   resgen png OUT.png SIZE
//       the same icon as a SIZExSIZE PNG for a desktop's icon theme; SIZE is a
//       multiple of 16 up to 512: the 32x32 drawing (or the 16x16 one where 32
//       does not divide SIZE) with every pixel a square, as pixel art scales
//   resgen avi OUT.avi WIDTH HEIGHT FRAMES USEC_PER_FRAME STYLE [--pixels OUT.raw]
//       an RLE8 clip for the common Animate control; STYLE is one of
//       split  a page cut into three pieces that move apart and back
//       join   three flat pieces of a page that slide together from the top
//              and the bottom edge; the whole page turns green, a white tick
//              is written on it, and after a pause it falls out at the bottom
//       info   a pulsing "i" emblem inside a turning ring
//       heart  a beating heart with circling sparkles
//       With --pixels, also the frames as drawn, for tests to compare the
//       clip with: a palette index a pixel, rows top-down, frame after frame.
//
// A clip's frames: the first is a key frame that paints every pixel; every
// later one is a delta frame that paints only the pixels that differ from the
// frame before and skips the rest with RLE8 deltas (a frame equal to the one
// before is the end-of-bitmap code alone). The Animate control plays them in
// order and starts over at the key frame; only that one is marked a key frame
// in the index. join is drawn for this: flat colours on whole pixels, few
// pixels changing a frame, so its 133 frames take about 6 KB, most of it
// the 24 bytes of chunk header and index entry every frame costs. Frames of
// 20 ms: Windows' timer ticks every 15.6 ms, so shorter ones would only be
// dropped, at 24 bytes each in the joiner that every set carries.
//
// The clips the programs carry:
//   resgen avi clip130.avi 80 57 10 100000 split    (130, splitting)
//   resgen avi clip132.avi 64 64 133 20000 join     (132, joining)
//   resgen avi clip133.avi 96 96 24 100000 info     (133, fits a 66x94 DLU box)
//   resgen avi clip134.avi 64 64 20 100000 heart    (134, fits a 69x80 DLU box)
//
// Exit status: 0 on success, 1 when the output cannot be written, 2 for bad
// arguments (with a usage text).
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;

// ---------------------------------------------------------------------------
// Little-endian output and RIFF chunks

class Bytes {
  public:
    void U8(std::uint32_t v) { m_data.push_back(static_cast<std::uint8_t>(v & 0xFF)); }
    void U16(std::uint32_t v)
    {
        U8(v);
        U8(v >> 8);
    }
    void U32(std::uint32_t v)
    {
        U16(v & 0xFFFF);
        U16(v >> 16);
    }
    void I32(std::int32_t v) { U32(static_cast<std::uint32_t>(v)); }
    void FourCC(std::string_view id)
    {
        for (char c : id)
            U8(static_cast<unsigned char>(c));
    }
    void Append(const std::vector<std::uint8_t>& more)
    {
        m_data.insert(m_data.end(), more.begin(), more.end());
    }
    std::size_t Size() const { return m_data.size(); }
    const std::vector<std::uint8_t>& Data() const { return m_data; }

    // A chunk header whose size is filled in by CloseChunk; returns where the size goes.
    std::size_t OpenChunk(std::string_view id)
    {
        FourCC(id);
        const std::size_t at = Size();
        U32(0);
        return at;
    }
    std::size_t OpenList(std::string_view id, std::string_view type)
    {
        const std::size_t at = OpenChunk(id);
        FourCC(type);
        return at;
    }
    // The size excludes the pad byte that keeps the next chunk on an even offset.
    void CloseChunk(std::size_t sizeAt)
    {
        const auto size = static_cast<std::uint32_t>(Size() - sizeAt - 4);
        for (int i = 0; i < 4; ++i)
            m_data[sizeAt + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(size >> (8 * i));
        if (Size() % 2)
            U8(0);
    }

  private:
    std::vector<std::uint8_t> m_data;
};

// ---------------------------------------------------------------------------
// The icon: pixel art in a 16-colour palette, one drawing per size

namespace icon {

enum Ink : std::uint8_t { kClear = 0, kEdge, kPaper, kFold, kText, kCut };

// Index 0 is black because transparent pixels must leave the screen untouched
// (screen AND 1 XOR 0); the drawing never uses it for a visible pixel.
constexpr std::array<std::array<std::uint8_t, 3>, 16> kPalette = {{
    {0, 0, 0},
    {32, 40, 80},
    {255, 255, 255},
    {196, 210, 236},
    {56, 108, 204},
    {220, 32, 40},
    {128, 128, 128},
    {192, 192, 192},
    {0, 128, 0},
    {255, 255, 0},
    {0, 0, 128},
    {128, 0, 0},
    {0, 128, 128},
    {128, 0, 128},
    {128, 128, 0},
    {0, 255, 255},
}};

struct Image {
    int size;
    std::vector<std::uint8_t> px;

    explicit Image(int n) : size(n), px(static_cast<std::size_t>(n * n), kClear) {}
    void Set(int x, int y, Ink ink)
    {
        if (x >= 0 && y >= 0 && x < size && y < size)
            px[static_cast<std::size_t>(y * size + x)] = ink;
    }
    std::uint8_t At(int x, int y) const { return px[static_cast<std::size_t>(y * size + x)]; }
    void Rect(int x0, int y0, int x1, int y1, Ink ink)
    {
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x)
                Set(x, y, ink);
    }
};

struct TextLine {
    int y, x0, x1;
};

// One piece of the cut sheet: a framed white band (inclusive corners), the
// top piece with a dog-eared corner of `fold` pixels.
void Piece(Image& img, int x0, int y0, int x1, int y1, int fold, const std::vector<TextLine>& lines)
{
    img.Rect(x0, y0, x1, y1, kEdge);
    img.Rect(x0 + 1, y0 + 1, x1 - 1, y1 - 1, kPaper);
    for (const TextLine& line : lines)
        img.Rect(line.x0, line.y, line.x1, line.y, kText);
    if (fold <= 0)
        return;
    // The folded-down corner: clear above the diagonal, the flap below it.
    for (int i = 0; i <= fold; ++i) {
        const int y = y0 + i;
        for (int x = x1 - fold + i + 1; x <= x1; ++x)
            img.Set(x, y, kClear);
        img.Set(x1 - fold + i, y, kEdge); // the diagonal crease
        for (int x = x1 - fold + 1; x < x1 - fold + i; ++x)
            img.Set(x, y, kFold);
    }
    img.Rect(x1 - fold, y0, x1 - fold, y0 + fold, kEdge); // the flap's edges
    img.Rect(x1 - fold, y0 + fold, x1, y0 + fold, kEdge);
}

// A dashed cut line across the gap between two pieces.
void CutLine(Image& img, int y, int period, int dash)
{
    for (int x = 0; x < img.size; ++x)
        if (x % period < dash)
            img.Set(x, y, kCut);
}

Image Draw32()
{
    Image img(32);
    CutLine(img, 11, 4, 2);
    CutLine(img, 21, 4, 2);
    Piece(img, 2, 1, 21, 9, 5, {{4, 5, 12}, {6, 5, 15}});
    Piece(img, 10, 13, 29, 19, 0, {{15, 13, 26}, {17, 13, 22}});
    Piece(img, 5, 23, 24, 30, 0, {{25, 8, 21}, {27, 8, 18}});
    return img;
}

// Drawn for its size: 1-pixel gaps, one text line a piece, a small fold.
Image Draw16()
{
    Image img(16);
    Piece(img, 1, 0, 10, 4, 3, {{2, 3, 5}});
    Piece(img, 5, 6, 14, 9, 0, {{7, 7, 12}});
    Piece(img, 2, 11, 11, 15, 0, {{12, 4, 9}, {14, 4, 7}});
    // Cut marks where the gaps meet the edges.
    for (int y : {5, 10}) {
        img.Set(0, y, kCut);
        img.Set(15, y, kCut);
    }
    return img;
}

constexpr int kHeaderSize = 40;

std::uint32_t RowBytes(int width, int bitsPerPixel)
{
    return static_cast<std::uint32_t>((width * bitsPerPixel + 31) / 32 * 4);
}

std::uint32_t ImageBytes(int size)
{
    return kHeaderSize + 16 * 4 + (RowBytes(size, 4) + RowBytes(size, 1)) * static_cast<std::uint32_t>(size);
}

// BITMAPINFOHEADER (height doubled: colour bitmap plus mask), palette, the
// 4-bit colour bitmap and the 1-bit AND mask, both bottom-up.
void WriteImage(Bytes& out, const Image& img)
{
    const int n = img.size;
    out.U32(kHeaderSize);
    out.I32(n);
    out.I32(2 * n);
    out.U16(1);
    out.U16(4);
    out.U32(0); // BI_RGB
    out.U32((RowBytes(n, 4) + RowBytes(n, 1)) * static_cast<std::uint32_t>(n));
    out.I32(0);
    out.I32(0);
    out.U32(0); // all 16 colours
    out.U32(0);
    for (const auto& rgb : kPalette) {
        out.U8(rgb[2]);
        out.U8(rgb[1]);
        out.U8(rgb[0]);
        out.U8(0);
    }
    for (int y = n - 1; y >= 0; --y) {
        for (int x = 0; x < n; x += 2)
            out.U8(static_cast<std::uint32_t>(img.At(x, y) << 4 | (x + 1 < n ? img.At(x + 1, y) : 0)));
        for (std::uint32_t pad = static_cast<std::uint32_t>((n + 1) / 2); pad < RowBytes(n, 4); ++pad)
            out.U8(0);
    }
    for (int y = n - 1; y >= 0; --y) {
        for (std::uint32_t byte = 0; byte < RowBytes(n, 1); ++byte) {
            std::uint32_t bits = 0;
            for (int bit = 0; bit < 8; ++bit) {
                const int x = static_cast<int>(byte) * 8 + bit;
                if (x < n && img.At(x, y) == kClear)
                    bits |= 0x80u >> bit;
            }
            out.U8(bits);
        }
    }
}

std::vector<std::uint8_t> Build()
{
    const std::array<Image, 2> images = {Draw32(), Draw16()};
    Bytes out;
    out.U16(0); // ICONDIR
    out.U16(1);
    out.U16(static_cast<std::uint32_t>(images.size()));
    std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(images.size());
    for (const Image& img : images) { // ICONDIRENTRY
        out.U8(static_cast<std::uint32_t>(img.size));
        out.U8(static_cast<std::uint32_t>(img.size));
        out.U8(16);
        out.U8(0);
        out.U16(1);
        out.U16(4);
        out.U32(ImageBytes(img.size));
        out.U32(offset);
        offset += ImageBytes(img.size);
    }
    for (const Image& img : images)
        WriteImage(out, img);
    return out.Data();
}

// A PNG of the drawing that fits `size`, enlarged by whole pixels: 4-bit
// indexed colour with the icon's palette, index 0 transparent. The image data
// is stored uncompressed (deflate's stored blocks), which needs no zlib and
// keeps even 256x256 at 33 KB.
namespace png {

std::uint32_t Crc32(const std::vector<std::uint8_t>& data, std::size_t from)
{
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = from; i < data.size(); ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = crc & 1 ? crc >> 1 ^ 0xEDB88320u : crc >> 1;
    }
    return ~crc;
}

void U32Be(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(v >> shift));
}

void Chunk(std::vector<std::uint8_t>& out, std::string_view type, const std::vector<std::uint8_t>& data)
{
    U32Be(out, static_cast<std::uint32_t>(data.size()));
    const std::size_t typeAt = out.size();
    out.insert(out.end(), type.begin(), type.end());
    out.insert(out.end(), data.begin(), data.end());
    U32Be(out, Crc32(out, typeAt));
}

// A zlib stream of stored blocks (at most 65535 bytes each) and its Adler-32.
std::vector<std::uint8_t> StoredZlib(const std::vector<std::uint8_t>& raw)
{
    std::vector<std::uint8_t> out = {0x78, 0x01};
    std::size_t at = 0;
    do {
        const std::size_t n = std::min<std::size_t>(raw.size() - at, 0xFFFF);
        out.push_back(at + n == raw.size() ? 1 : 0); // BFINAL on the last, BTYPE 00
        for (std::uint32_t len : {static_cast<std::uint32_t>(n), static_cast<std::uint32_t>(~n & 0xFFFF)}) {
            out.push_back(static_cast<std::uint8_t>(len));
            out.push_back(static_cast<std::uint8_t>(len >> 8));
        }
        out.insert(out.end(), raw.begin() + static_cast<std::ptrdiff_t>(at),
                   raw.begin() + static_cast<std::ptrdiff_t>(at + n));
        at += n;
    } while (at < raw.size());
    std::uint32_t a = 1, b = 0;
    for (std::uint8_t byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    U32Be(out, b << 16 | a);
    return out;
}

bool SizeSupported(long size) { return size >= 16 && size <= 512 && size % 16 == 0; }

std::vector<std::uint8_t> Build(int size)
{
    const Image drawing = size % 32 == 0 ? Draw32() : Draw16();
    const int scale = size / drawing.size;
    std::vector<std::uint8_t> raw; // each row: filter type 0, then two pixels a byte, the left one high
    for (int y = 0; y < size; ++y) {
        raw.push_back(0);
        for (int x = 0; x < size; x += 2)
            raw.push_back(static_cast<std::uint8_t>(drawing.At(x / scale, y / scale) << 4 |
                                                    drawing.At((x + 1) / scale, y / scale)));
    }

    std::vector<std::uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<std::uint8_t> header;
    U32Be(header, static_cast<std::uint32_t>(size));
    U32Be(header, static_cast<std::uint32_t>(size));
    header.insert(header.end(), {4, 3, 0, 0, 0}); // 4 bits, indexed, deflate, no filter choice, no interlace
    Chunk(out, "IHDR", header);
    std::vector<std::uint8_t> palette;
    for (const auto& rgb : kPalette)
        palette.insert(palette.end(), rgb.begin(), rgb.end());
    Chunk(out, "PLTE", palette);
    Chunk(out, "tRNS", {0}); // index 0 fully transparent, the others opaque
    Chunk(out, "IDAT", StoredZlib(raw));
    Chunk(out, "IEND", {});
    return out;
}

} // namespace png

} // namespace icon

// ---------------------------------------------------------------------------
// Clip pictures: shapes painted with 4x4 supersampling in full colour, then
// reduced to the clip's own 8-bit palette. The smooth edges make even sub-pixel
// motion visible, so slow movements still change every frame. (join places its
// flat shapes on whole pixels instead, where the supersampling changes nothing.)

struct Rgb {
    double r, g, b;
};

struct Pt {
    double x, y;
};

// x' = a x + b y + e, y' = c x + d y + f
struct Affine {
    double a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;

    Pt operator()(Pt p) const { return {a * p.x + b * p.y + e, c * p.x + d * p.y + f}; }
    Affine Inverse() const
    {
        const double det = a * d - b * c;
        Affine inv{d / det, -b / det, -c / det, a / det, 0, 0};
        inv.e = -(inv.a * e + inv.b * f);
        inv.f = -(inv.c * e + inv.d * f);
        return inv;
    }
};

// l after r: (l * r)(p) = l(r(p))
Affine operator*(const Affine& l, const Affine& r)
{
    return {l.a * r.a + l.b * r.c, l.a * r.b + l.b * r.d,       l.c * r.a + l.d * r.c,
            l.c * r.b + l.d * r.d, l.a * r.e + l.b * r.f + l.e, l.c * r.e + l.d * r.f + l.f};
}
Affine Translate(double x, double y) { return {1, 0, 0, 1, x, y}; }
Affine Scale(double s) { return {s, 0, 0, s, 0, 0}; }
Affine Scale(double sx, double sy) { return {sx, 0, 0, sy, 0, 0}; }
Affine Rotate(double degrees)
{
    const double r = degrees * kPi / 180;
    return {std::cos(r), -std::sin(r), std::sin(r), std::cos(r), 0, 0};
}

class Canvas {
  public:
    Canvas(int w, int h, Rgb background)
        : m_w(w), m_h(h), m_px(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), background)
    {
    }
    int Width() const { return m_w; }
    int Height() const { return m_h; }
    const Rgb& At(int x, int y) const { return m_px[Index(x, y)]; }

    // Paints the shape `inside` (in its own coordinates, within the box
    // x0..x1, y0..y1) placed on the canvas by `place`.
    template <class Inside>
    void Paint(const Affine& place, double x0, double y0, double x1, double y1, Rgb ink, double opacity,
               Inside inside)
    {
        if (opacity <= 0)
            return;
        double minX = 1e9, minY = 1e9, maxX = -1e9, maxY = -1e9;
        for (Pt corner : {Pt{x0, y0}, Pt{x1, y0}, Pt{x0, y1}, Pt{x1, y1}}) {
            const Pt p = place(corner);
            minX = std::min(minX, p.x);
            maxX = std::max(maxX, p.x);
            minY = std::min(minY, p.y);
            maxY = std::max(maxY, p.y);
        }
        const int left = std::max(0, static_cast<int>(std::floor(minX)));
        const int right = std::min(m_w - 1, static_cast<int>(std::ceil(maxX)));
        const int top = std::max(0, static_cast<int>(std::floor(minY)));
        const int bottom = std::min(m_h - 1, static_cast<int>(std::ceil(maxY)));
        const Affine back = place.Inverse();
        constexpr int kSamples = 4;
        for (int y = top; y <= bottom; ++y) {
            for (int x = left; x <= right; ++x) {
                int hits = 0;
                for (int sy = 0; sy < kSamples; ++sy)
                    for (int sx = 0; sx < kSamples; ++sx)
                        if (inside(back({x + (sx + 0.5) / kSamples, y + (sy + 0.5) / kSamples})))
                            ++hits;
                if (hits == 0)
                    continue;
                const double alpha = opacity * hits / (kSamples * kSamples);
                Rgb& px = m_px[Index(x, y)];
                px.r += (ink.r - px.r) * alpha;
                px.g += (ink.g - px.g) * alpha;
                px.b += (ink.b - px.b) * alpha;
            }
        }
    }

  private:
    std::size_t Index(int x, int y) const
    {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(m_w) + static_cast<std::size_t>(x);
    }

    int m_w, m_h;
    std::vector<Rgb> m_px;
};

void FillRect(Canvas& c, const Affine& place, double x0, double y0, double x1, double y1, Rgb ink,
              double opacity = 1)
{
    c.Paint(place, x0, y0, x1, y1, ink, opacity,
            [=](Pt p) { return p.x >= x0 && p.x < x1 && p.y >= y0 && p.y < y1; });
}

void FillPolygon(Canvas& c, const Affine& place, const std::vector<Pt>& poly, Rgb ink, double opacity = 1)
{
    double x0 = 1e9, y0 = 1e9, x1 = -1e9, y1 = -1e9;
    for (Pt p : poly) {
        x0 = std::min(x0, p.x);
        x1 = std::max(x1, p.x);
        y0 = std::min(y0, p.y);
        y1 = std::max(y1, p.y);
    }
    c.Paint(place, x0, y0, x1, y1, ink, opacity, [&poly](Pt p) {
        bool in = false;
        for (std::size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
            const Pt& a = poly[i];
            const Pt& b = poly[j];
            if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x)
                in = !in;
        }
        return in;
    });
}

void FillDisc(Canvas& c, const Affine& place, Pt centre, double r, Rgb ink, double opacity = 1)
{
    c.Paint(place, centre.x - r, centre.y - r, centre.x + r, centre.y + r, ink, opacity, [=](Pt p) {
        const double dx = p.x - centre.x, dy = p.y - centre.y;
        return dx * dx + dy * dy <= r * r;
    });
}

// A thick line with round ends.
void FillCapsule(Canvas& c, const Affine& place, Pt a, Pt b, double r, Rgb ink, double opacity = 1)
{
    c.Paint(place, std::min(a.x, b.x) - r, std::min(a.y, b.y) - r, std::max(a.x, b.x) + r,
            std::max(a.y, b.y) + r, ink, opacity, [=](Pt p) {
                const double vx = b.x - a.x, vy = b.y - a.y;
                const double len2 = vx * vx + vy * vy;
                double s = len2 > 0 ? ((p.x - a.x) * vx + (p.y - a.y) * vy) / len2 : 0;
                s = std::clamp(s, 0.0, 1.0);
                const double dx = p.x - (a.x + s * vx), dy = p.y - (a.y + s * vy);
                return dx * dx + dy * dy <= r * r;
            });
}

// Arcs of a ring: the part of the annulus r0..r1 whose angle (degrees,
// clockwise from the top) modulo `period` is below `span`.
void FillArcs(Canvas& c, const Affine& place, Pt centre, double r0, double r1, double start, double period,
              double span, Rgb ink, double opacity = 1)
{
    c.Paint(place, centre.x - r1, centre.y - r1, centre.x + r1, centre.y + r1, ink, opacity, [=](Pt p) {
        const double dx = p.x - centre.x, dy = p.y - centre.y;
        const double d2 = dx * dx + dy * dy;
        if (d2 < r0 * r0 || d2 > r1 * r1)
            return false;
        const double angle = std::atan2(dx, -dy) * 180 / kPi - start;
        return std::fmod(std::fmod(angle, period) + period, period) < span;
    });
}

// Maps a scene drawn for refW x refH onto the canvas, centred and uniformly scaled.
Affine View(const Canvas& c, double refW, double refH)
{
    const double k = std::min(c.Width() / refW, c.Height() / refH);
    return Translate((c.Width() - refW * k) / 2, (c.Height() - refH * k) / 2) * Scale(k);
}

// Colours of the clips. The background is a dialog's face colour; with
// ACS_TRANSPARENT the control replaces it (it takes the first frame's top left
// pixel), so nothing else may touch the corners.
constexpr Rgb kBackground{240, 240, 240};
constexpr Rgb kEdge{51, 51, 102};
constexpr Rgb kPaper{255, 255, 255};
constexpr Rgb kFold{204, 204, 255};
constexpr Rgb kText{102, 153, 204};
constexpr Rgb kCut{204, 0, 0};
constexpr Rgb kBlue{0, 102, 204};
constexpr Rgb kDarkBlue{0, 51, 153};
constexpr Rgb kLightBlue{153, 204, 255};
constexpr Rgb kGreen{0, 153, 51};
constexpr Rgb kHeart{204, 0, 51};
constexpr Rgb kHeartEdge{102, 0, 0};
constexpr Rgb kHeartGloss{255, 102, 153};
constexpr Rgb kGold{255, 204, 0};

// A sheet of paper with lines of text, w x h, dog-eared at the top right.
struct Page {
    double w, h, fold;
    std::vector<std::array<double, 3>> lines; // y, x0, x1

    static Page Make(double w, double h, double fold)
    {
        static constexpr std::array<double, 8> kLengths = {0.62, 0.78, 0.55, 0.72, 0.4, 0.8, 0.66, 0.5};
        Page page{w, h, fold, {}};
        const double margin = std::round(w * 0.15);
        int i = 0;
        for (double y = 4; y + 2 <= h - 2; y += 4, ++i) {
            double length = (w - 2 * margin) * kLengths[static_cast<std::size_t>(i) % kLengths.size()];
            if (y < fold + 1) // keep clear of the folded corner
                length = std::min(length, w - fold - margin - 2);
            page.lines.push_back({y, margin, margin + std::round(length)});
        }
        return page;
    }
};

// The band top..bottom of the page as a piece of its own, framed on every side
// (the frame along a cut is the cut edge). `place` maps page coordinates to the canvas.
void DrawPiece(Canvas& c, const Affine& place, const Page& page, double top, double bottom)
{
    constexpr double kLine = 1;
    const double w = page.w, f = page.fold;
    if (top <= 0 && f > 0) {
        FillPolygon(c, place, {{0, top}, {w - f, top}, {w, top + f}, {w, bottom}, {0, bottom}}, kEdge);
        FillPolygon(c, place,
                    {{kLine, top + kLine},
                     {w - f - 0.414 * kLine, top + kLine},
                     {w - kLine, top + f + 0.414 * kLine},
                     {w - kLine, bottom - kLine},
                     {kLine, bottom - kLine}},
                    kPaper);
        FillPolygon(c, place, {{w - f, top}, {w - f, top + f}, {w, top + f}}, kFold);
        FillRect(c, place, w - f, top, w - f + kLine, top + f, kEdge);
        FillRect(c, place, w - f, top + f - kLine, w, top + f, kEdge);
    } else {
        FillRect(c, place, 0, top, w, bottom, kEdge);
        FillRect(c, place, kLine, top + kLine, w - kLine, bottom - kLine, kPaper);
    }
    // Text cut by the scissors stays cut: each piece shows its share of a line.
    for (const auto& line : page.lines) {
        const double y0 = std::max(line[0], top + kLine), y1 = std::min(line[0] + 2, bottom - kLine);
        if (y1 > y0)
            FillRect(c, place, line[1], y0, line[2], y1, kText);
    }
}

// A piece moved by (dx, dy) and turned about its own middle.
Affine PiecePlace(const Affine& page, const Page& p, double top, double bottom, double dx, double dy,
                  double degrees)
{
    const double cx = p.w / 2, cy = (top + bottom) / 2;
    return page * Translate(dx + cx, dy + cy) * Rotate(degrees) * Translate(-cx, -cy);
}

// split: the pieces drift apart (s) with a sideways sway (w) so that the way
// out and the way back differ, and are back together as the loop closes.
void DrawSplit(Canvas& c, double t)
{
    const Affine view = View(c, 80, 57);
    const Page page = Page::Make(36, 45, 7);
    const Affine onPage = view * Translate(22, 6);
    const double s = (1 - std::cos(2 * kPi * t)) / 2, w = std::sin(2 * kPi * t);
    const std::array<double, 4> cuts = {0, 15, 30, page.h};
    const std::array<std::array<double, 3>, 3> moves = {{
        {-3 * s - 0.8 * w, -5 * s, -4 * s},
        {4 * s + 1.2 * w, 0, 2 * w},
        {-2 * s - 0.6 * w, 5 * s, 3 * s},
    }};
    // The dashed cut lines lie under the pieces, in the middle of each gap.
    for (std::size_t k = 1; k < 3; ++k) {
        const double y = cuts[k] + (moves[k - 1][1] + moves[k][1]) / 2;
        const double x0 = std::min(moves[k - 1][0], moves[k][0]) - 7;
        const double x1 = page.w + std::max(moves[k - 1][0], moves[k][0]) + 7;
        for (double x = x0; x < x1; x += 4)
            FillRect(c, onPage, x, y - 0.5, std::min(x + 2.5, x1), y + 0.5, kCut);
    }
    for (std::size_t k = 0; k < 3; ++k)
        DrawPiece(c, PiecePlace(onPage, page, cuts[k], cuts[k + 1], moves[k][0], moves[k][1], moves[k][2]),
                  page, cuts[k], cuts[k + 1]);
}

// join: three flat pieces of a page come together and the page is ticked off.
// The middle piece drops in from the top, then the top and the bottom piece
// close in on it from either edge; whole, the page turns green and a white
// tick is written on it pixel by pixel; after a pause the tick goes and the
// page falls out at the bottom, and the loop starts again with the middle
// piece at the top edge. Everything sits on whole pixels of the 64 x 64 scene
// in flat colours, so a frame differs from the one before only where
// something moved, often not at all.
void DrawJoin(Canvas& c, double t)
{
    const Affine view = View(c, 64, 64);
    constexpr int kLeft = 18, kRight = 46, kTop = 14, kBand = 12, kBottom = kTop + 3 * kBand; // the page
    // When (in parts of the loop) the middle piece has landed, the others have
    // closed in, the page turns green, the tick is begun and done, the page leaves.
    constexpr double kLanded = 0.15, kClosed = 0.28, kWhole = 0.3, kTicking = 0.31, kTicked = 0.5,
                     kLeaves = 0.76;
    const auto phase = [t](double from, double to) { return std::clamp((t - from) / (to - from), 0.0, 1.0); };
    const auto easeOut = [](double u) { return 1 - (1 - u) * (1 - u); };
    const auto band = [&](int top, Rgb ink) { FillRect(c, view, kLeft, top, kRight, top + kBand, ink); };

    if (t < kWhole) {
        // The middle piece shows its bottom row at the top edge from the first frame on.
        const double fall = kTop + 2 * kBand - 1, close = kTop + kBand;
        band(kTop + kBand - static_cast<int>(std::lround(fall * (1 - easeOut(phase(0, kLanded))))), kText);
        const int away = static_cast<int>(std::lround(close * (1 - easeOut(phase(kLanded, kClosed)))));
        band(kTop - away, kBlue);
        band(kTop + 2 * kBand + away, kDarkBlue);
        return;
    }
    if (t >= kLeaves) { // falls out at the bottom, speeding up; a row or two still shows in the last frame
        const double u = phase(kLeaves, 1);
        const int drop = static_cast<int>(std::lround((64 - kTop) * u * u));
        FillRect(c, view, kLeft, kTop + drop, kRight, kBottom + drop, kGreen);
        return;
    }
    FillRect(c, view, kLeft, kTop, kRight, kBottom, kGreen);
    // The tick's pixels in the order a pen draws them: those within 1.6 of the
    // two strokes, by how far along the strokes they lie.
    static const std::vector<Pt> tick = [] {
        const std::array<Pt, 3> stroke = {{{23, 32}, {28.5, 37.5}, {40.5, 25.5}}};
        std::vector<std::pair<double, Pt>> found;
        for (int y = kTop; y < kBottom; ++y) {
            for (int x = kLeft; x < kRight; ++x) {
                const Pt p{x + 0.5, y + 0.5};
                double best = 1e9, along = 0, walked = 0;
                for (std::size_t k = 0; k + 1 < stroke.size(); ++k) {
                    const Pt a = stroke[k], b = stroke[k + 1];
                    const double vx = b.x - a.x, vy = b.y - a.y, length = std::hypot(vx, vy);
                    const double s =
                        std::clamp(((p.x - a.x) * vx + (p.y - a.y) * vy) / (length * length), 0.0, 1.0);
                    const double d = std::hypot(p.x - a.x - s * vx, p.y - a.y - s * vy);
                    if (d < best) {
                        best = d;
                        along = walked + s * length;
                    }
                    walked += length;
                }
                if (best <= 1.6)
                    found.push_back({along, {static_cast<double>(x), static_cast<double>(y)}});
            }
        }
        std::stable_sort(found.begin(), found.end(),
                         [](const auto& l, const auto& r) { return l.first < r.first; });
        std::vector<Pt> pixels;
        for (const auto& [along, p] : found)
            pixels.push_back(p);
        return pixels;
    }();
    const auto shown =
        static_cast<std::size_t>(std::lround(static_cast<double>(tick.size()) * phase(kTicking, kTicked)));
    for (std::size_t i = 0; i < shown; ++i)
        FillRect(c, view, tick[i].x, tick[i].y, tick[i].x + 1, tick[i].y + 1, kPaper);
}

// info: an "i" on a blue disc that breathes, inside a ring of three arcs
// turning a third of a round a loop (the ring has threefold symmetry).
void DrawInfo(Canvas& c, double t)
{
    const Affine view = View(c, 96, 96);
    const Pt o{48, 48};
    const double pulse = 1 + 0.06 * std::sin(2 * kPi * t);
    FillDisc(c, view, o, 34 * pulse, kLightBlue, 0.35 + 0.25 * std::sin(2 * kPi * t));
    FillArcs(c, view, o, 38, 43, 120 * t, 120, 80, kBlue);
    FillArcs(c, view, o, 38, 43, 120 * t + 85, 120, 30, kLightBlue);
    const Affine emblem = view * Translate(o.x, o.y) * Scale(pulse);
    FillDisc(c, emblem, {0, 0}, 28, kDarkBlue);
    FillDisc(c, emblem, {0, 0}, 25.5, kBlue);
    FillDisc(c, emblem, {-7, -9}, 12, kLightBlue, 0.35); // a gloss
    FillDisc(c, emblem, {0, -13}, 4, kPaper);
    FillCapsule(c, emblem, {0, -3}, {0, 14}, 3.5, kPaper);
}

// heart: two beats a loop, three sparkles circling a third of a round.
void DrawHeart(Canvas& c, double t)
{
    const Affine view = View(c, 64, 64);
    const Pt o{32, 32};
    for (int k = 0; k < 3; ++k) {
        const double a = 2 * kPi * (t / 3 + k / 3.0);
        const double size = 3.4 + 0.9 * std::sin(4 * kPi * t);
        const Pt at{o.x + 25 * std::sin(a), o.y - 25 * std::cos(a)};
        std::vector<Pt> star;
        for (int i = 0; i < 8; ++i) {
            const double r = i % 2 ? size * 0.35 : size, b = i * kPi / 4 + 2 * kPi * t;
            star.push_back({at.x + r * std::sin(b), at.y - r * std::cos(b)});
        }
        FillPolygon(c, view, star, kGold);
    }
    const double beat = std::pow(0.5 + 0.5 * std::cos(2 * kPi * 2 * t), 3);
    const double size = 15.5 * (1 + 0.14 * beat);
    // (x^2 + y^2 - 1)^3 - x^2 y^3 <= 0, y upwards, spans about -1.14..1.14 by -1..1.25.
    const auto heart = [](double grow) {
        return [grow](Pt p) {
            const double x = p.x / grow, y = -p.y / grow;
            const double q = x * x + y * y - 1;
            return q * q * q - x * x * y * y * y <= 0;
        };
    };
    const Affine at = view * Translate(o.x, o.y + 1) * Scale(size);
    c.Paint(at, -1.3, -1.4, 1.3, 1.2, kHeartEdge, 1, heart(1.0));
    c.Paint(at, -1.3, -1.4, 1.3, 1.2, kHeart, 1, heart(0.9));
    FillDisc(c, at * Translate(-0.52, -0.5) * Rotate(-40) * Scale(1, 0.6), {0, 0}, 0.24, kHeartGloss, 0.8);
}

// ---------------------------------------------------------------------------
// The palette and RLE8

// The clip's own palette, from every colour its frames use: the most used
// colours (the flat areas) exactly, the rest (the smooth edges) by median cut.
class Palette {
  public:
    using Key = std::uint32_t; // 0xRRGGBB

    static Key KeyOf(const Rgb& c)
    {
        const auto channel = [](double v) {
            return static_cast<Key>(std::lround(std::clamp(v, 0.0, 255.0)));
        };
        return channel(c.r) << 16 | channel(c.g) << 8 | channel(c.b);
    }

    void Count(Key key) { ++m_counts[key]; }

    void Build()
    {
        std::vector<Colour> colours;
        std::uint64_t total = 0;
        for (const auto& [key, count] : m_counts) {
            colours.push_back({key, count});
            total += count;
        }
        std::sort(colours.begin(), colours.end(), [](const Colour& a, const Colour& b) {
            return a.count != b.count ? a.count > b.count : a.key < b.key;
        });
        std::size_t exact = colours.size() <= kMaxEntries ? colours.size() : 0;
        while (exact == 0 || (exact < colours.size() && exact < kMaxExact &&
                              colours[exact].count * 500 >= total)) // at least 0.2 % of the pixels
            ++exact;
        for (std::size_t i = 0; i < exact; ++i)
            m_entries.push_back(colours[i].key);
        if (exact < colours.size())
            MedianCut({colours.begin() + static_cast<std::ptrdiff_t>(exact), colours.end()},
                      kMaxEntries - exact);
        for (const auto& [key, count] : m_counts)
            m_index[key] = Nearest(key);
    }

    const std::vector<Key>& Entries() const { return m_entries; }
    std::uint8_t Index(Key key) const { return m_index.at(key); }

  private:
    static constexpr std::size_t kMaxEntries = 256, kMaxExact = 48;

    struct Colour {
        Key key;
        std::uint32_t count;
    };
    static int Channel(Key key, int axis) { return static_cast<int>(key >> (16 - 8 * axis) & 0xFF); }

    // Splits the colour box with the largest squared error at the weighted
    // median of its widest channel until `slots` boxes exist; each gives its mean.
    void MedianCut(std::vector<Colour> rest, std::size_t slots)
    {
        using Box = std::pair<std::size_t, std::size_t>; // range in `rest`
        const auto error = [&rest](Box box, int& axis) {
            double best = -1, sum = 0;
            for (int a = 0; a < 3; ++a) {
                double n = 0, mean = 0, sq = 0;
                for (std::size_t i = box.first; i < box.second; ++i) {
                    n += rest[i].count;
                    mean += static_cast<double>(rest[i].count) * Channel(rest[i].key, a);
                }
                mean /= n;
                for (std::size_t i = box.first; i < box.second; ++i)
                    sq += rest[i].count * (Channel(rest[i].key, a) - mean) * (Channel(rest[i].key, a) - mean);
                sum += sq;
                if (sq > best) {
                    best = sq;
                    axis = a;
                }
            }
            return sum;
        };
        std::vector<Box> boxes = {{0, rest.size()}};
        while (boxes.size() < slots) {
            std::size_t worst = boxes.size();
            int axis = 0;
            double worstError = 0;
            for (std::size_t b = 0; b < boxes.size(); ++b) {
                int a = 0;
                const double e = boxes[b].second - boxes[b].first > 1 ? error(boxes[b], a) : 0;
                if (e > worstError) {
                    worstError = e;
                    worst = b;
                    axis = a;
                }
            }
            if (worst == boxes.size())
                break; // every box holds a single colour
            const Box box = boxes[worst];
            const auto first = rest.begin() + static_cast<std::ptrdiff_t>(box.first);
            const auto last = rest.begin() + static_cast<std::ptrdiff_t>(box.second);
            std::sort(first, last, [axis](const Colour& a, const Colour& b) {
                return Channel(a.key, axis) != Channel(b.key, axis)
                           ? Channel(a.key, axis) < Channel(b.key, axis)
                           : a.key < b.key;
            });
            std::uint64_t half = 0, seen = 0;
            for (auto it = first; it != last; ++it)
                half += it->count;
            half /= 2;
            std::size_t cut = box.first + 1;
            for (std::size_t i = box.first; i + 1 < box.second; ++i) {
                seen += rest[i].count;
                cut = i + 1;
                if (seen >= half)
                    break;
            }
            boxes[worst] = {box.first, cut};
            boxes.push_back({cut, box.second});
        }
        for (const Box& box : boxes) {
            std::array<double, 3> mean{};
            double n = 0;
            for (std::size_t i = box.first; i < box.second; ++i) {
                n += rest[i].count;
                for (int a = 0; a < 3; ++a)
                    mean[static_cast<std::size_t>(a)] +=
                        static_cast<double>(rest[i].count) * Channel(rest[i].key, a);
            }
            Key key = 0;
            for (int a = 0; a < 3; ++a)
                key = key << 8 | static_cast<Key>(std::lround(mean[static_cast<std::size_t>(a)] / n));
            m_entries.push_back(key);
        }
    }

    std::uint8_t Nearest(Key key) const
    {
        std::size_t best = 0;
        int bestDistance = 1 << 30;
        for (std::size_t i = 0; i < m_entries.size(); ++i) {
            int d = 0;
            for (int a = 0; a < 3; ++a) {
                const int diff = Channel(key, a) - Channel(m_entries[i], a);
                d += diff * diff;
            }
            if (d < bestDistance) {
                bestDistance = d;
                best = i;
            }
        }
        return static_cast<std::uint8_t>(best);
    }

    std::map<Key, std::uint32_t> m_counts;
    std::map<Key, std::uint8_t> m_index;
    std::vector<Key> m_entries;
};

// The RLE8 codes of the pixels row[a..b) of one row: runs of three or more
// equal pixels as encoded runs, the rest as absolute stretches (word-aligned;
// absolute mode needs three pixels, so shorter stretches go as runs of one).
void EncodeSpan(std::vector<std::uint8_t>& out, const std::uint8_t* row, int a, int b)
{
    const auto put = [&out](int v) { out.push_back(static_cast<std::uint8_t>(v)); };
    const auto runStarts = [&](int i) { return i + 2 < b && row[i] == row[i + 1] && row[i] == row[i + 2]; };
    int x = a;
    while (x < b) {
        if (runStarts(x)) {
            int run = 3;
            while (x + run < b && run < 255 && row[x + run] == row[x])
                ++run;
            put(run);
            put(row[x]);
            x += run;
            continue;
        }
        int end = x + 1;
        while (end < b && end - x < 255 && !runStarts(end))
            ++end;
        const int n = end - x;
        if (n >= 3) {
            put(0);
            put(n);
            out.insert(out.end(), row + x, row + end);
            if (n % 2)
                put(0);
        } else {
            for (int i = x; i < end; ++i) {
                put(1);
                put(row[i]);
            }
        }
        x = end;
    }
}

// A key frame, the complete picture: every row (bottom-up) in full, closed by
// an end of line, the whole by an end of bitmap.
std::vector<std::uint8_t> EncodeRle8(const std::vector<std::uint8_t>& px, int w, int h)
{
    std::vector<std::uint8_t> out;
    for (int y = h - 1; y >= 0; --y) {
        EncodeSpan(out, px.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(w), 0, w);
        out.insert(out.end(), {0, 0});
    }
    out.insert(out.end(), {0, 1});
    return out;
}

// A delta frame, drawn over the picture `before`: only the pixels that differ
// from it are painted, the pen skipping the rest with deltas (0, 2, dx, dy),
// which only move right and up, and with ends of line, which go back to the
// left edge one row up; the end of bitmap follows the last painted pixel. A
// frame equal to the one before is the end of bitmap alone. Unchanged pixels
// are painted over again where that takes fewer bytes than skipping them.
std::vector<std::uint8_t> EncodeRle8Delta(const std::vector<std::uint8_t>& before,
                                          const std::vector<std::uint8_t>& px, int w, int h)
{
    std::vector<std::uint8_t> out;
    int penX = 0, penRow = 0; // rows counted from the bottom, as stored
    const auto deltaBytes = [](int dx, int dy) { return 4 * std::max((dx + 254) / 255, (dy + 254) / 255); };
    const auto moveTo = [&](int x, int row) {
        while (penX < x || penRow < row) {
            const int dx = std::min(x - penX, 255), dy = std::min(row - penRow, 255);
            out.insert(out.end(), {0, 2, static_cast<std::uint8_t>(dx), static_cast<std::uint8_t>(dy)});
            penX += dx;
            penRow += dy;
        }
    };
    for (int r = 0; r < h; ++r) {
        const std::size_t at = static_cast<std::size_t>(h - 1 - r) * static_cast<std::size_t>(w);
        const std::uint8_t* row = px.data() + at;
        const std::uint8_t* old = before.data() + at;
        const auto bytes = [row](int a, int b) {
            std::vector<std::uint8_t> codes;
            EncodeSpan(codes, row, a, b);
            return static_cast<int>(codes.size());
        };
        // The changed stretches [a, b) of the row, the gap between two joined
        // when painting it costs no more than the delta over it.
        std::vector<std::pair<int, int>> spans;
        for (int x = 0; x < w; ++x) {
            if (row[x] == old[x])
                continue;
            int end = x + 1;
            while (end < w && row[end] != old[end])
                ++end;
            if (!spans.empty() && bytes(spans.back().first, end) <=
                                      bytes(spans.back().first, spans.back().second) + 4 + bytes(x, end))
                spans.back().second = end;
            else
                spans.push_back({x, end});
            x = end;
        }
        if (spans.empty())
            continue;
        // To the first stretch: a delta, or an end of line and then a delta;
        // from a pen already on this row, painting the pixels up to the stretch may be cheaper.
        auto [a, b] = spans.front();
        const auto startFrom = [&](int x0) {
            return bytes(x0, b) <= (a > x0 ? 4 : 0) + bytes(a, b) ? x0 : a;
        };
        if (penRow < r) {
            const int direct = a >= penX ? deltaBytes(a - penX, r - penRow) + bytes(a, b) : 1 << 30;
            const int start = penRow + 1 == r ? startFrom(0) : a;
            const int viaEnd = 2 + (start < a ? 0 : deltaBytes(a, r - penRow - 1)) + bytes(start, b);
            if (viaEnd < direct) {
                out.insert(out.end(), {0, 0});
                penX = 0;
                ++penRow;
                a = start;
            }
        } else {
            a = startFrom(penX);
        }
        spans.front().first = a;
        for (const auto& [from, to] : spans) {
            moveTo(from, r);
            EncodeSpan(out, row, from, to);
            penX = to;
        }
    }
    out.insert(out.end(), {0, 1});
    return out;
}

// ---------------------------------------------------------------------------
// The AVI file

struct ClipArgs {
    int width, height, frames;
    std::uint32_t usecPerFrame;
    void (*draw)(Canvas&, double);
};

// The clip's frames as drawn: palette indexes, rows top-down, and the palette.
struct Drawing {
    std::vector<Palette::Key> palette;
    std::vector<std::vector<std::uint8_t>> frames;
};

Drawing Draw(const ClipArgs& clip)
{
    // Two passes over the same frames: one to learn the colours, one to index them.
    const auto render = [&clip](int i) {
        Canvas canvas(clip.width, clip.height, kBackground);
        clip.draw(canvas, static_cast<double>(i) / clip.frames);
        std::vector<Palette::Key> keys;
        keys.reserve(static_cast<std::size_t>(clip.width) * static_cast<std::size_t>(clip.height));
        for (int y = 0; y < clip.height; ++y)
            for (int x = 0; x < clip.width; ++x)
                keys.push_back(Palette::KeyOf(canvas.At(x, y)));
        return keys;
    };
    Palette palette;
    for (int i = 0; i < clip.frames; ++i)
        for (Palette::Key key : render(i))
            palette.Count(key);
    palette.Build();
    Drawing drawing{palette.Entries(), {}};
    for (int i = 0; i < clip.frames; ++i) {
        std::vector<std::uint8_t> px;
        for (Palette::Key key : render(i))
            px.push_back(palette.Index(key));
        drawing.frames.push_back(std::move(px));
    }
    return drawing;
}

// The first frame is the only key frame; every later one is a delta over the
// one before, as the Animate control plays them in order and starts over at
// the first.
std::vector<std::uint8_t> BuildAvi(const ClipArgs& clip, const Drawing& drawing)
{
    std::vector<std::vector<std::uint8_t>> frames;
    std::uint32_t largest = 0;
    for (std::size_t i = 0; i < drawing.frames.size(); ++i) {
        frames.push_back(
            i == 0 ? EncodeRle8(drawing.frames[i], clip.width, clip.height)
                   : EncodeRle8Delta(drawing.frames[i - 1], drawing.frames[i], clip.width, clip.height));
        largest = std::max(largest, static_cast<std::uint32_t>(frames.back().size()));
    }
    const auto width = static_cast<std::uint32_t>(clip.width),
               height = static_cast<std::uint32_t>(clip.height);
    const auto count = static_cast<std::uint32_t>(clip.frames);
    const auto colours = static_cast<std::uint32_t>(drawing.palette.size());
    const auto bytesPerSec = static_cast<std::uint32_t>(std::min<std::uint64_t>(
        0xFFFFFFFFu, (std::uint64_t{largest} * 1000000 + clip.usecPerFrame - 1) / clip.usecPerFrame));

    Bytes out;
    const std::size_t riff = out.OpenList("RIFF", "AVI ");
    const std::size_t hdrl = out.OpenList("LIST", "hdrl");
    const std::size_t avih = out.OpenChunk("avih");
    out.U32(clip.usecPerFrame);
    out.U32(bytesPerSec);
    out.U32(0);    // dwPaddingGranularity
    out.U32(0x10); // AVIF_HASINDEX
    out.U32(count);
    out.U32(0); // dwInitialFrames
    out.U32(1); // dwStreams
    out.U32(largest);
    out.U32(width);
    out.U32(height);
    for (int i = 0; i < 4; ++i)
        out.U32(0);
    out.CloseChunk(avih);

    const std::size_t strl = out.OpenList("LIST", "strl");
    const std::size_t strh = out.OpenChunk("strh");
    out.FourCC("vids");
    out.U32(0); // no handler: plain RLE8 that the Animate control decodes itself
    out.U32(0); // dwFlags
    out.U16(0); // wPriority
    out.U16(0); // wLanguage
    out.U32(0); // dwInitialFrames
    out.U32(clip.usecPerFrame);
    out.U32(1000000);
    out.U32(0); // dwStart
    out.U32(count);
    out.U32(largest);
    out.U32(0xFFFFFFFF); // dwQuality: default
    out.U32(0);          // dwSampleSize: frames vary in size
    out.U16(0);          // rcFrame
    out.U16(0);
    out.U16(width);
    out.U16(height);
    out.CloseChunk(strh);
    const std::size_t strf = out.OpenChunk("strf");
    out.U32(40);
    out.U32(width);
    out.U32(height); // positive: bottom-up
    out.U16(1);
    out.U16(8);
    out.U32(1); // BI_RLE8
    // GDI reads at most biSizeImage bytes of RLE data, and the control uses
    // this one header for every frame, so it holds the largest frame.
    out.U32(largest);
    out.U32(0);
    out.U32(0);
    out.U32(colours);
    out.U32(0);
    for (Palette::Key key : drawing.palette) {
        out.U8(key & 0xFF);
        out.U8(key >> 8 & 0xFF);
        out.U8(key >> 16);
        out.U8(0);
    }
    out.CloseChunk(strf);
    out.CloseChunk(strl);
    out.CloseChunk(hdrl);

    const std::size_t movi = out.OpenList("LIST", "movi");
    const std::size_t moviType = movi + 4;
    std::vector<std::uint32_t> offsets;
    for (const auto& frame : frames) {
        offsets.push_back(static_cast<std::uint32_t>(out.Size() - moviType));
        const std::size_t chunk = out.OpenChunk("00dc");
        out.Append(frame);
        out.CloseChunk(chunk);
    }
    out.CloseChunk(movi);

    const std::size_t idx1 = out.OpenChunk("idx1");
    for (std::size_t i = 0; i < frames.size(); ++i) {
        out.FourCC("00dc");
        out.U32(i == 0 ? 0x10 : 0); // AVIIF_KEYFRAME
        out.U32(offsets[i]);
        out.U32(static_cast<std::uint32_t>(frames[i].size()));
    }
    out.CloseChunk(idx1);
    out.CloseChunk(riff);
    return out.Data();
}

// ---------------------------------------------------------------------------
// Command line

constexpr const char* kUsage =
    "usage: resgen icon OUT.ico\n"
    "       resgen png OUT.png SIZE\n"
    "       resgen avi OUT.avi WIDTH HEIGHT FRAMES USEC_PER_FRAME STYLE [--pixels OUT.raw]\n"
    "STYLE is split, join, info or heart; WIDTH and HEIGHT 1..1024, FRAMES 1..10000,\n"
    "USEC_PER_FRAME 1..10000000; SIZE a multiple of 16 up to 512.\n";

bool ParseNumber(std::string_view text, long min, long max, long& value)
{
    if (text.empty() || text.size() > 9)
        return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    return value >= min && value <= max;
}

bool Save(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out)
        return false;
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (out.fail()) {
        std::remove(path.c_str()); // no half picture for the next build to trust
        return false;
    }
    return true;
}

int Usage()
{
    std::cerr << kUsage;
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    std::vector<std::pair<std::string, std::vector<std::uint8_t>>> outputs; // path, bytes
    if (args.size() == 2 && args[0] == "icon") {
        outputs.push_back({std::string(args[1]), icon::Build()});
    } else if (args.size() == 3 && args[0] == "png") {
        long size = 0;
        if (!ParseNumber(args[2], 16, 512, size) || !icon::png::SizeSupported(size))
            return Usage();
        outputs.push_back({std::string(args[1]), icon::png::Build(static_cast<int>(size))});
    } else if ((args.size() == 7 || (args.size() == 9 && args[7] == "--pixels")) && args[0] == "avi") {
        long width = 0, height = 0, frames = 0, usec = 0;
        if (!ParseNumber(args[2], 1, 1024, width) || !ParseNumber(args[3], 1, 1024, height) ||
            !ParseNumber(args[4], 1, 10000, frames) || !ParseNumber(args[5], 1, 10000000, usec))
            return Usage();
        void (*draw)(Canvas&, double) = nullptr;
        if (args[6] == "split")
            draw = DrawSplit;
        else if (args[6] == "join")
            draw = DrawJoin;
        else if (args[6] == "info")
            draw = DrawInfo;
        else if (args[6] == "heart")
            draw = DrawHeart;
        else
            return Usage();
        const ClipArgs clip{static_cast<int>(width), static_cast<int>(height), static_cast<int>(frames),
                            static_cast<std::uint32_t>(usec), draw};
        const Drawing drawing = Draw(clip);
        outputs.push_back({std::string(args[1]), BuildAvi(clip, drawing)});
        if (args.size() == 9) {
            std::vector<std::uint8_t> pixels;
            for (const auto& frame : drawing.frames)
                pixels.insert(pixels.end(), frame.begin(), frame.end());
            outputs.push_back({std::string(args[8]), std::move(pixels)});
        }
    } else {
        return Usage();
    }
    for (const auto& [path, bytes] : outputs)
        if (path.empty())
            return Usage();
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        if (!Save(outputs[i].first, outputs[i].second)) {
            std::cerr << "resgen: cannot write " << outputs[i].first << '\n';
            for (std::size_t k = 0; k < i; ++k) // all or nothing
                std::remove(outputs[k].first.c_str());
            return 1;
        }
    }
    return 0;
}
