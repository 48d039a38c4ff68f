#include "common/Crc32.h"

#include <array>

#include <cpuid.h>
#include <immintrin.h>

namespace portelan {

namespace {

// One byte at a time, for the short tails the folding leaves and for the
// rare processor without carry-less multiplication. The table is filled at
// start (see kHasCarryLessMultiply): its 1 KiB then costs the joiner's file
// nothing.
std::array<std::uint32_t, 256> g_table;

void FillTable()
{
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t c = i;
        for (int k = 0; k < 8; ++k)
            c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
        g_table[i] = c;
    }
}

// Works on the inverted register, as the folding below does.
std::uint32_t Bytewise(std::uint32_t crc, const unsigned char* p, std::size_t n)
{
    while (n--)
        crc = (crc >> 8) ^ g_table[(crc ^ *p++) & 0xFF];
    return crc;
}

#define PORTELAN_CLMUL __attribute__((target("pclmul,sse4.1")))

PORTELAN_CLMUL __m128i Load(const unsigned char* at)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
}

// x folded 128 bits forward with the constant pair k, then next added.
PORTELAN_CLMUL __m128i FoldInto(__m128i x, __m128i k, __m128i next)
{
    return _mm_xor_si128(_mm_xor_si128(_mm_clmulepi64_si128(x, k, 0x11), _mm_clmulepi64_si128(x, k, 0x00)),
                         next);
}

// Folding with carry-less multiplication (Intel's "Fast CRC Computation for
// Generic Polynomials Using PCLMULQDQ"), four 128-bit lanes at a time, then a
// Barrett reduction. n is at least 64 and a multiple of 16; crc is inverted.
PORTELAN_CLMUL std::uint32_t Fold(std::uint32_t crc, const unsigned char* p, std::size_t n)
{
    // The constants of the reflected CRC-32 polynomial: x^(4*128+32) mod P,
    // x^(4*128-32) mod P, x^(128+32) mod P, x^(128-32) mod P, x^64 mod P,
    // then P and its Barrett quotient.
    const __m128i k1k2 = _mm_set_epi64x(0x01c6e41596, 0x0154442bd4);
    const __m128i k3k4 = _mm_set_epi64x(0x00ccaa009e, 0x01751997d0);
    const __m128i k5k0 = _mm_set_epi64x(0, 0x0163cd6124);
    const __m128i poly = _mm_set_epi64x(0x01f7011641, 0x01db710641);
    __m128i x1 = _mm_xor_si128(Load(p), _mm_cvtsi32_si128(static_cast<int>(crc)));
    __m128i x2 = Load(p + 16);
    __m128i x3 = Load(p + 32);
    __m128i x4 = Load(p + 48);
    p += 64;
    n -= 64;
    for (; n >= 64; p += 64, n -= 64) {
        x1 = FoldInto(x1, k1k2, Load(p));
        x2 = FoldInto(x2, k1k2, Load(p + 16));
        x3 = FoldInto(x3, k1k2, Load(p + 32));
        x4 = FoldInto(x4, k1k2, Load(p + 48));
    }
    x1 = FoldInto(x1, k3k4, x2);
    x1 = FoldInto(x1, k3k4, x3);
    x1 = FoldInto(x1, k3k4, x4);
    for (; n >= 16; p += 16, n -= 16)
        x1 = FoldInto(x1, k3k4, Load(p));

    // 128 bits to 64, then Barrett reduction to 32.
    const __m128i low32 = _mm_setr_epi32(~0, 0, ~0, 0);
    __m128i x2b = _mm_clmulepi64_si128(x1, k3k4, 0x10);
    x1 = _mm_xor_si128(_mm_srli_si128(x1, 8), x2b);
    x2b = _mm_srli_si128(x1, 4);
    x1 = _mm_xor_si128(_mm_clmulepi64_si128(_mm_and_si128(x1, low32), k5k0, 0x00), x2b);
    x2b = _mm_clmulepi64_si128(_mm_and_si128(x1, low32), poly, 0x10);
    x2b = _mm_clmulepi64_si128(_mm_and_si128(x2b, low32), poly, 0x00);
    x1 = _mm_xor_si128(x1, x2b);
    return static_cast<std::uint32_t>(_mm_extract_epi32(x1, 1));
}

#undef PORTELAN_CLMUL

// Asked of the processor directly: the compiler's own feature check is
// larger than this whole file.
// Fills the table too, in the same initialisation at start.
bool DetectCarryLessMultiply()
{
    FillTable();
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    return __get_cpuid(1, &eax, &ebx, &ecx, &edx) && (ecx & bit_PCLMUL) && (ecx & bit_SSE4_1);
}

const bool kHasCarryLessMultiply = DetectCarryLessMultiply();

// a * b modulo the polynomial, both as reflected polynomials over GF(2).
std::uint32_t MultiplyModP(std::uint32_t a, std::uint32_t b)
{
    std::uint32_t product = 0;
    for (std::uint32_t bit = 1u << 31; bit != 0; bit >>= 1) {
        if (a & bit)
            product ^= b;
        b = (b >> 1) ^ (0xEDB88320u & (0u - (b & 1u)));
    }
    return product;
}

} // namespace

std::uint32_t Crc32Combine(std::uint32_t crcA, std::uint32_t crcB, std::uint64_t lengthB)
{
    // Appending n bytes multiplies A's register by x^(8n): square x^8 up
    // through the bits of n.
    std::uint32_t shift = 1u << 31; // x^0
    std::uint32_t power = 1u << 23; // x^8
    for (; lengthB != 0; lengthB >>= 1) {
        if (lengthB & 1)
            shift = MultiplyModP(power, shift);
        power = MultiplyModP(power, power);
    }
    return MultiplyModP(shift, crcA) ^ crcB;
}

std::uint32_t Crc32Update(std::uint32_t crc, const void* data, std::size_t length)
{
    const unsigned char* p = static_cast<const unsigned char*>(data);
    crc = ~crc;
    if (length >= 64 && kHasCarryLessMultiply) {
        const std::size_t folded = length & ~std::size_t{15};
        crc = Fold(crc, p, folded);
        p += folded;
        length -= folded;
    }
    return ~Bytewise(crc, p, length);
}

} // namespace portelan
