// CRC-32 by folding with carry-less multiplication on 512-bit registers (VPCLMULQDQ, AVX-512F/BW/VL).
//
// The method of Crc32Pclmul.cpp with four 128-bit lanes per register: sixteen lanes (four registers) are
// folded forward by 2048 bits per step, the two products and the new data combined by one three-way
// exclusive or (vpternlogq). The registers are then folded into one by 1536, 1024 and 512 bits, further
// whole 64-byte blocks are folded in by 512 bits, and the register's four lanes are folded into its last
// one by 384, 256 and 128 bits with one multiplication whose constant differs per lane. The end is handled
// as in the 128-bit kernel. Inputs shorter than two steps go to the 256-bit kernel. Constants: Crc32Tables.h.

// GCC 12 warns falsely inside the AVX-512 extract intrinsics (their "undefined" source operand).
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <immintrin.h>
#pragma GCC diagnostic pop

#include "checksum/Crc32Kernels.h"
#include "checksum/Crc32Tables.h"

namespace quorvane {

namespace {

// Lanes folded by the constants, exclusive-ored with Next: (L.lo * K.lo) ^ (L.hi * K.hi) ^ Next per lane.
inline __m512i FoldInto(__m512i Lanes, __m512i Constants, __m512i Next) {
    return _mm512_ternarylogic_epi64(_mm512_clmulepi64_epi128(Lanes, Constants, 0x00),
                                     _mm512_clmulepi64_epi128(Lanes, Constants, 0x11), Next, 0x96);
}

inline __m512i Load(const unsigned char* P) { return _mm512_loadu_si512(P); }

// The two multipliers that fold a lane forward by Distance bits: for its low (earlier) and its high half.
template <unsigned Distance>
constexpr long long LowOf = static_cast<long long>(Crc32FoldConstant(Distance + 32));
template <unsigned Distance>
constexpr long long HighOf = static_cast<long long>(Crc32FoldConstant(Distance - 32));

template <unsigned Distance>
inline __m512i FoldPair() {
    return _mm512_set4_epi64(HighOf<Distance>, LowOf<Distance>, HighOf<Distance>, LowOf<Distance>);
}

} // namespace

std::uint32_t Crc32UpdateVpclmul512(std::uint32_t Crc, const unsigned char* Data, std::size_t Count) {
    if (Count < 512)
        return Crc32UpdateVpclmul256(Crc, Data, Count);
    const __m512i By2048 = FoldPair<2048>();

    __m512i Z0 = _mm512_xor_si512(Load(Data), _mm512_zextsi128_si512(_mm_cvtsi32_si128(static_cast<int>(Crc))));
    __m512i Z1 = Load(Data + 64);
    __m512i Z2 = Load(Data + 128);
    __m512i Z3 = Load(Data + 192);
    Data += 256;
    Count -= 256;
    while (Count >= 256) {
        Z0 = FoldInto(Z0, By2048, Load(Data));
        Z1 = FoldInto(Z1, By2048, Load(Data + 64));
        Z2 = FoldInto(Z2, By2048, Load(Data + 128));
        Z3 = FoldInto(Z3, By2048, Load(Data + 192));
        Data += 256;
        Count -= 256;
    }
    // Each register folded straight onto the last: three independent products instead of a chain.
    __m512i Z = FoldInto(Z0, FoldPair<1536>(), FoldInto(Z1, FoldPair<1024>(), Z3));
    Z = FoldInto(Z2, FoldPair<512>(), Z);
    const __m512i By512 = FoldPair<512>();
    while (Count >= 64) {
        Z = FoldInto(Z, By512, Load(Data));
        Data += 64;
        Count -= 64;
    }

    // Lanes 0, 1, 2 lie 384, 256 and 128 bits before lane 3; its constant is zero, so its product
    // vanishes and lane 3 itself is added back.
    const __m512i ToLast =
        _mm512_set_epi64(0, 0, HighOf<128>, LowOf<128>, HighOf<256>, LowOf<256>, HighOf<384>, LowOf<384>);
    const __m512i Products = FoldInto(Z, ToLast, _mm512_setzero_si512());
    const __m256i Halves = _mm256_xor_si256(_mm512_castsi512_si256(Products), _mm512_extracti64x4_epi64(Products, 1));
    __m128i X = _mm_ternarylogic_epi64(_mm256_castsi256_si128(Halves), _mm256_extracti128_si256(Halves, 1),
                                       _mm512_extracti32x4_epi32(Z, 3), 0x96);

    const __m128i By128 = _mm_set_epi64x(HighOf<128>, LowOf<128>);
    while (Count >= 16) {
        const __m128i Next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Data));
        X = _mm_ternarylogic_epi64(_mm_clmulepi64_si128(X, By128, 0x00), _mm_clmulepi64_si128(X, By128, 0x11), Next,
                                   0x96);
        Data += 16;
        Count -= 16;
    }
    alignas(16) unsigned char Lane[16];
    _mm_store_si128(reinterpret_cast<__m128i*>(Lane), X);
    return Crc32UpdateSlicing16(Crc32UpdateSlicing16(0, Lane, 16), Data, Count);
}

} // namespace quorvane
