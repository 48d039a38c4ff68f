#include "par2/Gf16.h"

#include <atomic>
#include <cstring>

namespace portelan::par2::gf16 {

namespace {

constexpr unsigned kOrder = 65535; // the multiplicative group's order
Word g_log[65536];
Word g_exp[2 * kOrder]; // doubled, so that exp[log a + log b] needs no reduction
std::atomic<bool> g_built{false};
std::atomic<MulAddKernel> g_kernel{&MulAddPlain};
std::atomic<const char*> g_kernelName{"plain"};

inline Word Load(const unsigned char* p) { return static_cast<Word>(p[0] | p[1] << 8); }
inline void Store(unsigned char* p, Word w)
{
    p[0] = static_cast<unsigned char>(w);
    p[1] = static_cast<unsigned char>(w >> 8);
}

} // namespace

void Init()
{
    if (g_built.load(std::memory_order_acquire))
        return;
    Word x = 1;
    for (unsigned i = 0; i < kOrder; ++i) {
        g_exp[i] = g_exp[i + kOrder] = x;
        g_log[x] = static_cast<Word>(i);
        x = MulX(x);
    }
    g_built.store(true, std::memory_order_release);
}

Word Mul(Word a, Word b)
{
    Init();
    return a && b ? g_exp[g_log[a] + g_log[b]] : 0;
}

Word Div(Word a, Word b)
{
    Init();
    return a && b ? g_exp[g_log[a] + kOrder - g_log[b]] : 0;
}

Word Pow(Word a, std::uint64_t e)
{
    Init();
    if (e == 0)
        return 1;
    if (a == 0)
        return 0;
    return g_exp[(g_log[a] * (e % kOrder)) % kOrder];
}

Word Inv(Word a) { return Div(1, a); }

void NibbleProducts(Word factor, Word table[4][16])
{
    Word bit = factor; // factor · x^j for the bit j in turn
    for (int k = 0; k < 4; ++k) {
        table[k][0] = 0;
        for (int j = 0; j < 4; ++j, bit = MulX(bit))
            for (int n = 0; n < (1 << j); ++n)
                table[k][(1 << j) + n] = table[k][n] ^ bit;
    }
}

void MulAddPlain(void* dst, const void* src, Word factor, std::size_t bytes)
{
    auto d = static_cast<unsigned char*>(dst);
    auto s = static_cast<const unsigned char*>(src);
    const std::size_t words = bytes / 2;
    if (factor == 0)
        return;
    if (factor == 1) {
        for (std::size_t i = 0; i < bytes; ++i)
            d[i] ^= s[i];
        return;
    }
    // Two byte tables of 256 products each: built from 16 doublings, they
    // pay for themselves after a few hundred words.
    Word low[256], high[256];
    Word bit = factor;
    low[0] = high[0] = 0;
    for (int j = 0; j < 16; ++j, bit = MulX(bit)) {
        Word* table = j < 8 ? low : high;
        const int b = 1 << (j & 7);
        for (int n = 0; n < b; ++n)
            table[b + n] = table[n] ^ bit;
    }
    for (std::size_t i = 0; i < words; ++i, d += 2, s += 2)
        Store(d, static_cast<Word>(Load(d) ^ low[s[0]] ^ high[s[1]]));
}

void MulAdd(void* dst, const void* src, Word factor, std::size_t bytes)
{
    g_kernel.load(std::memory_order_relaxed)(dst, src, factor, bytes);
}

void InstallKernel(MulAddKernel kernel, const char* name)
{
    g_kernel.store(kernel);
    g_kernelName.store(name);
}

const char* KernelName() { return g_kernelName.load(); }

} // namespace portelan::par2::gf16
