#include "par2/Gf16Fast.h"

namespace portelan::par2 {

namespace gf16 {

#if defined(__x86_64__) || defined(__i386__)
bool HasSsse3() { return __builtin_cpu_supports("ssse3"); }
bool HasAvx2() { return __builtin_cpu_supports("avx2"); }
#else
bool HasSsse3() { return false; }
bool HasAvx2() { return false; }
void MulAddSsse3(void* dst, const void* src, Word factor, std::size_t bytes)
{
    MulAddPlain(dst, src, factor, bytes);
}
void MulAddAvx2(void* dst, const void* src, Word factor, std::size_t bytes)
{
    MulAddPlain(dst, src, factor, bytes);
}
#endif

} // namespace gf16

bool UseFastKernels()
{
    gf16::Init();
    if (gf16::HasAvx2())
        gf16::InstallKernel(&gf16::MulAddAvx2, "avx2");
    else if (gf16::HasSsse3())
        gf16::InstallKernel(&gf16::MulAddSsse3, "ssse3");
    else
        return false;
    return true;
}

} // namespace portelan::par2
