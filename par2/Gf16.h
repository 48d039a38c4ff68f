// The Galois field GF(2^16) of the PAR2 format (generator x^16 + x^12 + x^3 +
// x + 1), on 16-bit words stored little-endian.
#pragma once

#include <cstddef>
#include <cstdint>

namespace portelan::par2::gf16 {

using Word = std::uint16_t;

// Builds the log and antilog tables (384 KiB of zeroed memory, not of the
// program file). Every other function calls it; call it once on the main
// thread before starting threads that use the field.
void Init();

Word Mul(Word a, Word b);
// a / b for b != 0 (0 for b == 0).
Word Div(Word a, Word b);
Word Pow(Word a, std::uint64_t e);
// The inverse of a != 0 (0 for a == 0).
Word Inv(Word a);
// a · x, the step the split tables are built from.
inline Word MulX(Word a) { return static_cast<Word>((a << 1) ^ ((a & 0x8000) ? 0x100B : 0)); }

// dst ^= factor · src, word by word over bytes (even) bytes, through the
// kernel installed (the plain one unless another was).
void MulAdd(void* dst, const void* src, Word factor, std::size_t bytes);
// The same in plain C++, whatever kernel is installed.
void MulAddPlain(void* dst, const void* src, Word factor, std::size_t bytes);

// A faster kernel, installed from a library that knows the processor; the
// joiners install none and carry no vector code.
using MulAddKernel = void (*)(void* dst, const void* src, Word factor, std::size_t bytes);
void InstallKernel(MulAddKernel kernel, const char* name);
const char* KernelName();

// The products factor · (n << 4k) for n < 16, k < 4, as the split-table
// kernels look them up: table[k][n].
void NibbleProducts(Word factor, Word table[4][16]);

} // namespace portelan::par2::gf16
