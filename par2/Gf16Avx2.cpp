// Built with -mavx2; called only where the processor has it.
#include "par2/Gf16Fast.h"

#include <immintrin.h>

namespace portelan::par2::gf16 {

void MulAddAvx2(void* dst, const void* src, Word factor, std::size_t bytes)
{
    if (factor == 0)
        return;
    // As the SSSE3 kernel, on two 128-bit lanes: packing and unpacking stay
    // within a lane, so the words come back in their own places.
    Word products[4][16];
    NibbleProducts(factor, products);
    alignas(16) unsigned char low[4][16], high[4][16];
    for (int k = 0; k < 4; ++k)
        for (int n = 0; n < 16; ++n) {
            low[k][n] = static_cast<unsigned char>(products[k][n]);
            high[k][n] = static_cast<unsigned char>(products[k][n] >> 8);
        }
    __m256i tl[4], th[4];
    for (int k = 0; k < 4; ++k) {
        tl[k] = _mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i*>(low[k])));
        th[k] = _mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i*>(high[k])));
    }
    const __m256i nibble = _mm256_set1_epi8(0x0F);
    const __m256i lowBytes = _mm256_set1_epi16(0x00FF);
    auto d = static_cast<unsigned char*>(dst);
    auto s = static_cast<const unsigned char*>(src);
    const std::size_t vectorBytes = bytes & ~std::size_t(63);
    for (std::size_t i = 0; i < vectorBytes; i += 64) {
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i));
        const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i + 32));
        const __m256i l = _mm256_packus_epi16(_mm256_and_si256(a, lowBytes), _mm256_and_si256(b, lowBytes));
        const __m256i h = _mm256_packus_epi16(_mm256_srli_epi16(a, 8), _mm256_srli_epi16(b, 8));
        const __m256i n0 = _mm256_and_si256(l, nibble),
                      n1 = _mm256_and_si256(_mm256_srli_epi16(l, 4), nibble);
        const __m256i n2 = _mm256_and_si256(h, nibble),
                      n3 = _mm256_and_si256(_mm256_srli_epi16(h, 4), nibble);
        const __m256i rl = _mm256_xor_si256(
            _mm256_xor_si256(_mm256_shuffle_epi8(tl[0], n0), _mm256_shuffle_epi8(tl[1], n1)),
            _mm256_xor_si256(_mm256_shuffle_epi8(tl[2], n2), _mm256_shuffle_epi8(tl[3], n3)));
        const __m256i rh = _mm256_xor_si256(
            _mm256_xor_si256(_mm256_shuffle_epi8(th[0], n0), _mm256_shuffle_epi8(th[1], n1)),
            _mm256_xor_si256(_mm256_shuffle_epi8(th[2], n2), _mm256_shuffle_epi8(th[3], n3)));
        __m256i* out = reinterpret_cast<__m256i*>(d + i);
        _mm256_storeu_si256(out, _mm256_xor_si256(_mm256_loadu_si256(out), _mm256_unpacklo_epi8(rl, rh)));
        _mm256_storeu_si256(out + 1,
                            _mm256_xor_si256(_mm256_loadu_si256(out + 1), _mm256_unpackhi_epi8(rl, rh)));
    }
    MulAddPlain(d + vectorBytes, s + vectorBytes, factor, bytes - vectorBytes);
}

} // namespace portelan::par2::gf16
