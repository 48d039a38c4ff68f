// MD5 and the field GF(2^16) the PAR2 recovery data is computed in.
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "par2/Gf16.h"
#include "par2/Gf16Fast.h"
#include "par2/Md5.h"
#include "par2/ReedSolomon.h"

namespace portelan::par2 {
namespace {

std::string Hex(const Md5Digest& digest)
{
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (unsigned char b : digest) {
        text += digits[b >> 4];
        text += digits[b & 15];
    }
    return text;
}

TEST(Par2Md5, MatchesTheTestSuiteOfRfc1321)
{
    const struct {
        const char* input;
        const char* digest;
    } cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Hex(Md5::Of(c.input, std::strlen(c.input))), c.digest) << c.input;
}

TEST(Par2Md5, GivesTheSameDigestWhateverTheBlocksItIsFedIn)
{
    const std::string data = test::RandomBytes(10000, 7);
    const Md5Digest whole = Md5::Of(data.data(), data.size());
    for (std::size_t step : {1u, 55u, 63u, 64u, 65u, 1000u}) {
        Md5 md5;
        for (std::size_t at = 0; at < data.size(); at += step)
            md5.Update(data.data() + at, std::min(step, data.size() - at));
        EXPECT_EQ(md5.Final(), whole) << step;
    }
    // Two digests fed at once, the second having had lead bytes before:
    // in one pass when their lengths agree modulo 64, one by one otherwise;
    // each over the same bytes or over bytes of its own.
    for (std::size_t lead : {0u, 5u, 64u, 130u}) {
        const Md5Digest led = Md5::Of((data + data).data() + data.size() - lead, data.size() + lead);
        for (std::size_t step : {1u, 63u, 64u, 1000u}) {
            Md5 one, two;
            two.Update(data.data() + data.size() - lead, lead);
            Md5 own, reversed;
            own.Update(data.data() + data.size() - lead, lead);
            const std::string backwards(data.rbegin(), data.rend());
            for (std::size_t at = 0; at < data.size(); at += step) {
                const std::size_t n = std::min(step, data.size() - at);
                Md5::UpdateBoth(one, two, data.data() + at, n);
                Md5::UpdateBoth(reversed, backwards.data() + at, own, data.data() + at, n);
            }
            EXPECT_EQ(one.Final(), whole) << lead << " " << step;
            EXPECT_EQ(two.Final(), led) << lead << " " << step;
            EXPECT_EQ(own.Final(), led) << lead << " " << step;
            EXPECT_EQ(reversed.Final(), Md5::Of(backwards.data(), backwards.size())) << lead << " " << step;
        }
    }
}

TEST(Par2Field, KeepsTheIdentitiesOfAField)
{
    using gf16::Word;
    // x^16 reduces by the generator to x^12 + x^3 + x + 1.
    EXPECT_EQ(gf16::Pow(2, 16), 0x100B);
    EXPECT_EQ(gf16::Mul(0x8000, 2), 0x100B);
    // The constants of the first input slices, as the PAR2 format lists them.
    const std::vector<Word> first = {2, 4, 16, 128, 256, 2048, 8192, 16384, 4107, 32856};
    EXPECT_EQ(InputConstants(10), first);
    std::mt19937 rng(3);
    for (int i = 0; i < 2000; ++i) {
        const Word a = static_cast<Word>(rng()), b = static_cast<Word>(rng()), c = static_cast<Word>(rng());
        EXPECT_EQ(gf16::Mul(a, b), gf16::Mul(b, a));
        EXPECT_EQ(gf16::Mul(a, b ^ c), gf16::Mul(a, b) ^ gf16::Mul(a, c));
        EXPECT_EQ(gf16::Mul(gf16::Mul(a, b), c), gf16::Mul(a, gf16::Mul(b, c)));
        if (a) {
            EXPECT_EQ(gf16::Mul(a, gf16::Inv(a)), 1);
            EXPECT_EQ(gf16::Pow(a, 65535), 1);
        }
        EXPECT_EQ(gf16::Pow(a, 3), gf16::Mul(a, gf16::Mul(a, a)));
    }
}

TEST(Par2Field, EveryKernelComputesWhatThePlainCodeDoes)
{
    struct Kernel {
        const char* name;
        bool available;
        gf16::MulAddKernel run;
    };
    const Kernel kernels[] = {{"ssse3", gf16::HasSsse3(), &gf16::MulAddSsse3},
                              {"avx2", gf16::HasAvx2(), &gf16::MulAddAvx2}};
    const std::string src = test::RandomBytes(4096 + 64, 11);
    const std::string start = test::RandomBytes(4096 + 64, 12);
    std::mt19937 rng(5);
    for (const Kernel& kernel : kernels) {
        if (!kernel.available)
            continue;
        for (std::size_t bytes : {0u, 2u, 30u, 32u, 34u, 62u, 64u, 66u, 126u, 4094u, 4096u}) {
            for (gf16::Word factor :
                 {gf16::Word(0), gf16::Word(1), gf16::Word(2), static_cast<gf16::Word>(rng())}) {
                const std::size_t shift = 2 * (rng() % 8); // unaligned starts
                std::string expected = start, got = start;
                gf16::MulAddPlain(expected.data() + shift, src.data() + shift, factor, bytes);
                kernel.run(got.data() + shift, src.data() + shift, factor, bytes);
                EXPECT_EQ(got, expected) << kernel.name << " " << bytes << " bytes, factor " << factor;
            }
        }
    }
    // The plain code itself against the word-by-word product.
    std::string dst = start;
    gf16::MulAddPlain(dst.data(), src.data(), 0x1234, 200);
    for (std::size_t i = 0; i < 200; i += 2) {
        auto word = [](const std::string& s, std::size_t at) {
            return static_cast<gf16::Word>(static_cast<unsigned char>(s[at]) |
                                           static_cast<unsigned char>(s[at + 1]) << 8);
        };
        ASSERT_EQ(word(dst, i), word(start, i) ^ gf16::Mul(0x1234, word(src, i))) << i;
    }
}

TEST(Par2Field, SolvesForLostSlicesAndSkipsExponentsThatAddNothing)
{
    const std::vector<gf16::Word> c = InputConstants(40);
    const std::vector<gf16::Word> lost = {c[3], c[17], c[39]};
    Solution solution;
    // 0 and 65535 give the same row (c^65535 = c^0 = 1), so one is skipped.
    ASSERT_TRUE(Solve(lost, {0, 65535, 5, 9}, solution));
    EXPECT_EQ(solution.exponents, (std::vector<std::uint32_t>{0, 5, 9}));
    for (std::size_t j = 0; j < lost.size(); ++j)
        for (std::size_t k = 0; k < lost.size(); ++k) {
            gf16::Word sum = 0; // (inverse · matrix)[j][k]
            for (std::size_t r = 0; r < lost.size(); ++r)
                sum ^= gf16::Mul(solution.inverse[j * lost.size() + r],
                                 gf16::Pow(lost[k], solution.exponents[r]));
            EXPECT_EQ(sum, j == k ? 1 : 0);
        }
    EXPECT_FALSE(Solve(lost, {0, 65535, 5}, solution));
}

} // namespace
} // namespace portelan::par2
