#include "checksum/CpuFeatures.h"

#include <cstdint>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

namespace quorvane {

namespace {

TCpuFeatures Detect() {
    TCpuFeatures Features;
#if defined(__x86_64__) || defined(__i386__)
    unsigned A = 0, B = 0, C = 0, D = 0;
    if (!__get_cpuid(1, &A, &B, &C, &D))
        return Features;
    const bool Sse41 = (C & bit_SSE4_1) != 0;
    Features.Pclmul = Sse41 && (C & bit_PCLMUL) != 0;
    const bool OsXsave = (C & bit_OSXSAVE) != 0;
    const bool Avx = (C & bit_AVX) != 0;
    std::uint32_t Xcr0 = 0;
    if (OsXsave && Avx) {
        // xgetbv is issued directly so that this file needs no instruction-set flags.
        std::uint32_t High = 0;
        __asm__ volatile("xgetbv" : "=a"(Xcr0), "=d"(High) : "c"(0));
    }
    const bool YmmSaved = (Xcr0 & 0x6u) == 0x6u;   // bits 1, 2: XMM and YMM state
    const bool ZmmSaved = (Xcr0 & 0xE6u) == 0xE6u; // and bits 5, 6, 7: opmask, upper zmm0-15, zmm16-31
    if (YmmSaved && __get_cpuid_count(7, 0, &A, &B, &C, &D)) {
        Features.Avx2 = (B & bit_AVX2) != 0;
        Features.Vpclmul = Features.Avx2 && Features.Pclmul && (C & bit_VPCLMULQDQ) != 0;
        constexpr unsigned Avx512Bits = bit_AVX512F | bit_AVX512BW | bit_AVX512VL;
        Features.Avx512 = ZmmSaved && (B & Avx512Bits) == Avx512Bits;
        Features.Vpclmul512 = Features.Avx512 && Features.Vpclmul;
    }
#endif
    return Features;
}

} // namespace

const TCpuFeatures& CpuFeatures() {
    static const TCpuFeatures Features = Detect();
    return Features;
}

} // namespace quorvane
