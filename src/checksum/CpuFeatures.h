#pragma once

namespace quorvane {

// What the x86 processor and the operating system offer to the SIMD kernels, read once with cpuid and
// xgetbv. On other processors everything is false.

struct TCpuFeatures {
    bool Pclmul = false;     // PCLMULQDQ with SSE4.1
    bool Avx2 = false;       // AVX2, with the ymm state saved by the operating system
    bool Vpclmul = false;    // VPCLMULQDQ on ymm registers (needs Avx2 too to be usable)
    bool Avx512 = false;     // AVX-512 F, BW and VL, with the opmask and full zmm state saved by the system
    bool Vpclmul512 = false; // VPCLMULQDQ on zmm registers: Avx512 and Vpclmul both present
};

// The features of this machine; computed on first call, thread-safe.
const TCpuFeatures& CpuFeatures();

} // namespace quorvane
