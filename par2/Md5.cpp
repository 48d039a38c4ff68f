#include "par2/Md5.h"

#include <cstring>

namespace portelan::par2 {

namespace {

inline std::uint32_t Rotl(std::uint32_t x, int s) { return (x << s) | (x >> (32 - s)); }

inline std::uint32_t Word(const unsigned char* p)
{
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

// The four rounds written out: the compiler keeps the state in registers.
// G is computed as (b & d) + (c & ~d), the two parts having no bit in common.
#define PORTELAN_MD5_STEP(f, a, b, c, d, x, t, s)                                                            \
    a += f(b, c, d) + (x) + (t);                                                                             \
    a = Rotl(a, s) + b;
#define PORTELAN_MD5_F(b, c, d) ((d) ^ ((b) & ((c) ^ (d))))
#define PORTELAN_MD5_G(b, c, d) (((b) & (d)) + ((c) & ~(d)))
#define PORTELAN_MD5_H(b, c, d) ((b) ^ (c) ^ (d))
#define PORTELAN_MD5_I(b, c, d) ((c) ^ ((b) | ~(d)))

// The 64 steps, each as STEP(function, a, b, c, d, word, constant, shift).
#define PORTELAN_MD5_ROUNDS(STEP)                                                                            \
    STEP(F, a, b, c, d, 0, 0xd76aa478, 7)                                                                    \
    STEP(F, d, a, b, c, 1, 0xe8c7b756, 12)                                                                   \
    STEP(F, c, d, a, b, 2, 0x242070db, 17)                                                                   \
    STEP(F, b, c, d, a, 3, 0xc1bdceee, 22)                                                                   \
    STEP(F, a, b, c, d, 4, 0xf57c0faf, 7)                                                                    \
    STEP(F, d, a, b, c, 5, 0x4787c62a, 12)                                                                   \
    STEP(F, c, d, a, b, 6, 0xa8304613, 17)                                                                   \
    STEP(F, b, c, d, a, 7, 0xfd469501, 22)                                                                   \
    STEP(F, a, b, c, d, 8, 0x698098d8, 7)                                                                    \
    STEP(F, d, a, b, c, 9, 0x8b44f7af, 12)                                                                   \
    STEP(F, c, d, a, b, 10, 0xffff5bb1, 17)                                                                  \
    STEP(F, b, c, d, a, 11, 0x895cd7be, 22)                                                                  \
    STEP(F, a, b, c, d, 12, 0x6b901122, 7)                                                                   \
    STEP(F, d, a, b, c, 13, 0xfd987193, 12)                                                                  \
    STEP(F, c, d, a, b, 14, 0xa679438e, 17)                                                                  \
    STEP(F, b, c, d, a, 15, 0x49b40821, 22)                                                                  \
    STEP(G, a, b, c, d, 1, 0xf61e2562, 5)                                                                    \
    STEP(G, d, a, b, c, 6, 0xc040b340, 9)                                                                    \
    STEP(G, c, d, a, b, 11, 0x265e5a51, 14)                                                                  \
    STEP(G, b, c, d, a, 0, 0xe9b6c7aa, 20)                                                                   \
    STEP(G, a, b, c, d, 5, 0xd62f105d, 5)                                                                    \
    STEP(G, d, a, b, c, 10, 0x02441453, 9)                                                                   \
    STEP(G, c, d, a, b, 15, 0xd8a1e681, 14)                                                                  \
    STEP(G, b, c, d, a, 4, 0xe7d3fbc8, 20)                                                                   \
    STEP(G, a, b, c, d, 9, 0x21e1cde6, 5)                                                                    \
    STEP(G, d, a, b, c, 14, 0xc33707d6, 9)                                                                   \
    STEP(G, c, d, a, b, 3, 0xf4d50d87, 14)                                                                   \
    STEP(G, b, c, d, a, 8, 0x455a14ed, 20)                                                                   \
    STEP(G, a, b, c, d, 13, 0xa9e3e905, 5)                                                                   \
    STEP(G, d, a, b, c, 2, 0xfcefa3f8, 9)                                                                    \
    STEP(G, c, d, a, b, 7, 0x676f02d9, 14)                                                                   \
    STEP(G, b, c, d, a, 12, 0x8d2a4c8a, 20)                                                                  \
    STEP(H, a, b, c, d, 5, 0xfffa3942, 4)                                                                    \
    STEP(H, d, a, b, c, 8, 0x8771f681, 11)                                                                   \
    STEP(H, c, d, a, b, 11, 0x6d9d6122, 16)                                                                  \
    STEP(H, b, c, d, a, 14, 0xfde5380c, 23)                                                                  \
    STEP(H, a, b, c, d, 1, 0xa4beea44, 4)                                                                    \
    STEP(H, d, a, b, c, 4, 0x4bdecfa9, 11)                                                                   \
    STEP(H, c, d, a, b, 7, 0xf6bb4b60, 16)                                                                   \
    STEP(H, b, c, d, a, 10, 0xbebfbc70, 23)                                                                  \
    STEP(H, a, b, c, d, 13, 0x289b7ec6, 4)                                                                   \
    STEP(H, d, a, b, c, 0, 0xeaa127fa, 11)                                                                   \
    STEP(H, c, d, a, b, 3, 0xd4ef3085, 16)                                                                   \
    STEP(H, b, c, d, a, 6, 0x04881d05, 23)                                                                   \
    STEP(H, a, b, c, d, 9, 0xd9d4d039, 4)                                                                    \
    STEP(H, d, a, b, c, 12, 0xe6db99e5, 11)                                                                  \
    STEP(H, c, d, a, b, 15, 0x1fa27cf8, 16)                                                                  \
    STEP(H, b, c, d, a, 2, 0xc4ac5665, 23)                                                                   \
    STEP(I, a, b, c, d, 0, 0xf4292244, 6)                                                                    \
    STEP(I, d, a, b, c, 7, 0x432aff97, 10)                                                                   \
    STEP(I, c, d, a, b, 14, 0xab9423a7, 15)                                                                  \
    STEP(I, b, c, d, a, 5, 0xfc93a039, 21)                                                                   \
    STEP(I, a, b, c, d, 12, 0x655b59c3, 6)                                                                   \
    STEP(I, d, a, b, c, 3, 0x8f0ccc92, 10)                                                                   \
    STEP(I, c, d, a, b, 10, 0xffeff47d, 15)                                                                  \
    STEP(I, b, c, d, a, 1, 0x85845dd1, 21)                                                                   \
    STEP(I, a, b, c, d, 8, 0x6fa87e4f, 6)                                                                    \
    STEP(I, d, a, b, c, 15, 0xfe2ce6e0, 10)                                                                  \
    STEP(I, c, d, a, b, 6, 0xa3014314, 15)                                                                   \
    STEP(I, b, c, d, a, 13, 0x4e0811a1, 21)                                                                  \
    STEP(I, a, b, c, d, 4, 0xf7537e82, 6)                                                                    \
    STEP(I, d, a, b, c, 11, 0xbd3af235, 10)                                                                  \
    STEP(I, c, d, a, b, 2, 0x2ad7d2bb, 15)                                                                   \
    STEP(I, b, c, d, a, 9, 0xeb86d391, 21)

} // namespace

void Md5::Reset()
{
    m_state[0] = 0x67452301;
    m_state[1] = 0xefcdab89;
    m_state[2] = 0x98badcfe;
    m_state[3] = 0x10325476;
    m_length = 0;
}

#if defined(__OPTIMIZE_SIZE__)
// Built for size (the joiners): the same rounds as one loop over tables.
void Md5::Blocks(const unsigned char* p, std::size_t blocks)
{
    static const std::uint32_t kSine[64] = {
        0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
        0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
        0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
        0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
        0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
        0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
        0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
        0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};
    static const unsigned char kShift[16] = {7, 12, 17, 22, 5, 9, 14, 20, 4, 11, 16, 23, 6, 10, 15, 21};
    for (; blocks; --blocks, p += 64) {
        std::uint32_t a = m_state[0], b = m_state[1], c = m_state[2], d = m_state[3];
        for (int i = 0; i < 64; ++i) {
            std::uint32_t f;
            int g;
            switch (i >> 4) {
            case 0:
                f = PORTELAN_MD5_F(b, c, d);
                g = i;
                break;
            case 1:
                f = PORTELAN_MD5_G(b, c, d);
                g = 5 * i + 1;
                break;
            case 2:
                f = PORTELAN_MD5_H(b, c, d);
                g = 3 * i + 5;
                break;
            default:
                f = PORTELAN_MD5_I(b, c, d);
                g = 7 * i;
                break;
            }
            const std::uint32_t next =
                b + Rotl(a + f + kSine[i] + Word(p + 4 * (g & 15)), kShift[(i >> 4) * 4 + (i & 3)]);
            a = d;
            d = c;
            c = b;
            b = next;
        }
        m_state[0] += a;
        m_state[1] += b;
        m_state[2] += c;
        m_state[3] += d;
    }
}

void Md5::BlocksBoth(Md5& one, const unsigned char* p, Md5& two, const unsigned char* q, std::size_t blocks)
{
    one.Blocks(p, blocks);
    two.Blocks(q, blocks);
}
#else
// One state's step, and the same step for a second state (a2 … d2) over its
// own word: MD5 waits on each step's result, so the processor runs the
// second chain in the gaps of the first.
#define PORTELAN_MD5_ONE(f, a, b, c, d, i, t, s) PORTELAN_MD5_STEP(PORTELAN_MD5_##f, a, b, c, d, x[i], t, s)
#define PORTELAN_MD5_TWO(f, a, b, c, d, i, t, s)                                                             \
    PORTELAN_MD5_STEP(PORTELAN_MD5_##f, a, b, c, d, x[i], t, s)                                              \
    PORTELAN_MD5_STEP(PORTELAN_MD5_##f, a##2, b##2, c##2, d##2, y[i], t, s)

void Md5::Blocks(const unsigned char* p, std::size_t blocks)
{
    std::uint32_t a = m_state[0], b = m_state[1], c = m_state[2], d = m_state[3];
    for (; blocks; --blocks, p += 64) {
        std::uint32_t x[16];
        for (int i = 0; i < 16; ++i)
            x[i] = Word(p + 4 * i);
        const std::uint32_t a0 = a, b0 = b, c0 = c, d0 = d;
        PORTELAN_MD5_ROUNDS(PORTELAN_MD5_ONE)
        a += a0;
        b += b0;
        c += c0;
        d += d0;
    }
    m_state[0] = a;
    m_state[1] = b;
    m_state[2] = c;
    m_state[3] = d;
}

void Md5::BlocksBoth(Md5& one, const unsigned char* p, Md5& two, const unsigned char* q, std::size_t blocks)
{
    std::uint32_t a = one.m_state[0], b = one.m_state[1], c = one.m_state[2], d = one.m_state[3];
    std::uint32_t a2 = two.m_state[0], b2 = two.m_state[1], c2 = two.m_state[2], d2 = two.m_state[3];
    for (; blocks; --blocks, p += 64, q += 64) {
        std::uint32_t x[16], y[16];
        for (int i = 0; i < 16; ++i) {
            x[i] = Word(p + 4 * i);
            y[i] = Word(q + 4 * i);
        }
        const std::uint32_t a0 = a, b0 = b, c0 = c, d0 = d, a20 = a2, b20 = b2, c20 = c2, d20 = d2;
        PORTELAN_MD5_ROUNDS(PORTELAN_MD5_TWO)
        a += a0;
        b += b0;
        c += c0;
        d += d0;
        a2 += a20;
        b2 += b20;
        c2 += c20;
        d2 += d20;
    }
    one.m_state[0] = a;
    one.m_state[1] = b;
    one.m_state[2] = c;
    one.m_state[3] = d;
    two.m_state[0] = a2;
    two.m_state[1] = b2;
    two.m_state[2] = c2;
    two.m_state[3] = d2;
}

#endif

void Md5::Update(const void* data, std::size_t n)
{
    auto p = static_cast<const unsigned char*>(data);
    std::size_t used = m_length & 63;
    m_length += n;
    if (used) {
        const std::size_t take = n < 64 - used ? n : 64 - used;
        std::memcpy(m_buffer + used, p, take);
        p += take;
        n -= take;
        if (used + take < 64)
            return;
        Blocks(m_buffer, 1);
    }
    Blocks(p, n / 64);
    std::memcpy(m_buffer, p + (n & ~std::size_t(63)), n & 63);
}

void Md5::UpdateBoth(Md5& one, const void* data, Md5& two, const void* other, std::size_t n)
{
    auto p = static_cast<const unsigned char*>(data);
    auto q = static_cast<const unsigned char*>(other);
    if ((one.m_length & 63) != (two.m_length & 63)) {
        one.Update(p, n);
        two.Update(q, n);
        return;
    }
    if (const std::size_t used = one.m_length & 63) {
        const std::size_t take = n < 64 - used ? n : 64 - used;
        one.Update(p, take);
        two.Update(q, take);
        p += take;
        q += take;
        n -= take;
    }
    const std::size_t blocks = n / 64;
    BlocksBoth(one, p, two, q, blocks);
    one.m_length += blocks * 64;
    two.m_length += blocks * 64;
    one.Update(p + blocks * 64, n & 63);
    two.Update(q + blocks * 64, n & 63);
}

Md5Digest Md5::Final()
{
    const std::uint64_t bits = m_length * 8;
    unsigned char pad[72] = {0x80};
    const std::size_t used = m_length & 63;
    const std::size_t padLength = (used < 56 ? 56 : 120) - used;
    for (int i = 0; i < 8; ++i)
        pad[padLength + i] = static_cast<unsigned char>(bits >> (8 * i));
    Update(pad, padLength + 8);
    Md5Digest digest;
    for (int i = 0; i < 16; ++i)
        digest[i] = static_cast<unsigned char>(m_state[i / 4] >> (8 * (i % 4)));
    Reset();
    return digest;
}

} // namespace portelan::par2
