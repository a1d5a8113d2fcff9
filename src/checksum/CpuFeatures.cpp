#include "checksum/CpuFeatures.h"

#include <cstdint>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>

namespace quorvane {
#endif

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
    bool YmmSaved = false;
    if (OsXsave && Avx) {
        // xgetbv is issued directly so that this file needs no instruction-set flags.
        std::uint32_t Low = 0, High = 0;
        __asm__ volatile("xgetbv" : "=a"(Low), "=d"(High) : "c"(0));
        YmmSaved = (Low & 0x6u) == 0x6u;  // XMM and YMM state enabled
    }
    if (YmmSaved && __get_cpuid_count(7, 0, &A, &B, &C, &D)) {
        Features.Avx2 = (B & bit_AVX2) != 0;
        Features.Vpclmul = Features.Avx2 && Features.Pclmul && (C & bit_VPCLMULQDQ) != 0;
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
