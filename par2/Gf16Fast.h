// The field's vector kernels (split 4-bit tables looked up with PSHUFB), for
// the programs that may carry them; the joiners keep the plain code.
#pragma once

#include <cstddef>

#include "par2/Gf16.h"

namespace portelan::par2 {

// Installs the fastest kernel this processor runs; false when none is
// better than the plain code.
bool UseFastKernels();

namespace gf16 {
bool HasSsse3();
bool HasAvx2();
// Only where the processor has the instructions.
void MulAddSsse3(void* dst, const void* src, Word factor, std::size_t bytes);
void MulAddAvx2(void* dst, const void* src, Word factor, std::size_t bytes);
} // namespace gf16

} // namespace portelan::par2
