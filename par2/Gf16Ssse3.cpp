// Built with -mssse3; called only where the processor has it.
#include "par2/Gf16Fast.h"

#include <immintrin.h>

namespace portelan::par2::gf16 {

void MulAddSsse3(void* dst, const void* src, Word factor, std::size_t bytes)
{
    if (factor == 0)
        return;
    // The product of a word is the sum of the products of its four nibbles;
    // each nibble looks up its product's low and high byte in a table of 16.
    Word products[4][16];
    NibbleProducts(factor, products);
    alignas(16) unsigned char low[4][16], high[4][16];
    for (int k = 0; k < 4; ++k)
        for (int n = 0; n < 16; ++n) {
            low[k][n] = static_cast<unsigned char>(products[k][n]);
            high[k][n] = static_cast<unsigned char>(products[k][n] >> 8);
        }
    __m128i tl[4], th[4];
    for (int k = 0; k < 4; ++k) {
        tl[k] = _mm_load_si128(reinterpret_cast<const __m128i*>(low[k]));
        th[k] = _mm_load_si128(reinterpret_cast<const __m128i*>(high[k]));
    }
    const __m128i nibble = _mm_set1_epi8(0x0F);
    const __m128i lowBytes = _mm_set1_epi16(0x00FF);
    auto d = static_cast<unsigned char*>(dst);
    auto s = static_cast<const unsigned char*>(src);
    const std::size_t vectorBytes = bytes & ~std::size_t(31);
    for (std::size_t i = 0; i < vectorBytes; i += 32) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i + 16));
        // Sixteen words as their low bytes and their high bytes.
        const __m128i l = _mm_packus_epi16(_mm_and_si128(a, lowBytes), _mm_and_si128(b, lowBytes));
        const __m128i h = _mm_packus_epi16(_mm_srli_epi16(a, 8), _mm_srli_epi16(b, 8));
        const __m128i n0 = _mm_and_si128(l, nibble), n1 = _mm_and_si128(_mm_srli_epi16(l, 4), nibble);
        const __m128i n2 = _mm_and_si128(h, nibble), n3 = _mm_and_si128(_mm_srli_epi16(h, 4), nibble);
        const __m128i rl =
            _mm_xor_si128(_mm_xor_si128(_mm_shuffle_epi8(tl[0], n0), _mm_shuffle_epi8(tl[1], n1)),
                          _mm_xor_si128(_mm_shuffle_epi8(tl[2], n2), _mm_shuffle_epi8(tl[3], n3)));
        const __m128i rh =
            _mm_xor_si128(_mm_xor_si128(_mm_shuffle_epi8(th[0], n0), _mm_shuffle_epi8(th[1], n1)),
                          _mm_xor_si128(_mm_shuffle_epi8(th[2], n2), _mm_shuffle_epi8(th[3], n3)));
        __m128i* out = reinterpret_cast<__m128i*>(d + i);
        _mm_storeu_si128(out, _mm_xor_si128(_mm_loadu_si128(out), _mm_unpacklo_epi8(rl, rh)));
        _mm_storeu_si128(out + 1, _mm_xor_si128(_mm_loadu_si128(out + 1), _mm_unpackhi_epi8(rl, rh)));
    }
    MulAddPlain(d + vectorBytes, s + vectorBytes, factor, bytes - vectorBytes);
}

} // namespace portelan::par2::gf16
