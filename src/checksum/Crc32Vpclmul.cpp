// CRC-32 by folding with carry-less multiplication on 256-bit registers (VPCLMULQDQ, AVX2).
//
// The method of Crc32Pclmul.cpp with two 128-bit lanes per register: eight lanes (four registers) are
// folded forward by 1024 bits per step, then the registers are folded into one by 256 bits, its two
// lanes into one by 128 bits, and the end is handled as in the 128-bit kernel. Constants: Crc32Tables.h.

#include <immintrin.h>

#include "checksum/Crc32Kernels.h"
#include "checksum/Crc32Tables.h"

namespace quorvane {

namespace {

inline __m256i Fold(__m256i Lanes, __m256i Constants) {
    return _mm256_xor_si256(_mm256_clmulepi64_epi128(Lanes, Constants, 0x00),
                            _mm256_clmulepi64_epi128(Lanes, Constants, 0x11));
}

inline __m256i Load(const unsigned char* P) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(P)); }

template <unsigned Distance>
inline __m256i FoldPair() {
    constexpr std::uint64_t High = Crc32FoldConstant(Distance - 32), Low = Crc32FoldConstant(Distance + 32);
    const __m128i Pair = _mm_set_epi64x(static_cast<long long>(High), static_cast<long long>(Low));
    return _mm256_broadcastsi128_si256(Pair);
}

} // namespace

std::uint32_t Crc32UpdateVpclmul256(std::uint32_t Crc, const unsigned char* Data, std::size_t Count) {
    if (Count < 256)
        return Crc32UpdatePclmul(Crc, Data, Count);
    const __m256i By1024 = FoldPair<1024>();
    const __m256i By256 = FoldPair<256>();

    __m256i Y0 = _mm256_xor_si256(Load(Data), _mm256_zextsi128_si256(_mm_cvtsi32_si128(static_cast<int>(Crc))));
    __m256i Y1 = Load(Data + 32);
    __m256i Y2 = Load(Data + 64);
    __m256i Y3 = Load(Data + 96);
    Data += 128;
    Count -= 128;
    while (Count >= 128) {
        Y0 = _mm256_xor_si256(Fold(Y0, By1024), Load(Data));
        Y1 = _mm256_xor_si256(Fold(Y1, By1024), Load(Data + 32));
        Y2 = _mm256_xor_si256(Fold(Y2, By1024), Load(Data + 64));
        Y3 = _mm256_xor_si256(Fold(Y3, By1024), Load(Data + 96));
        Data += 128;
        Count -= 128;
    }
    __m256i Y = _mm256_xor_si256(Fold(Y0, By256), Y1);
    Y = _mm256_xor_si256(Fold(Y, By256), Y2);
    Y = _mm256_xor_si256(Fold(Y, By256), Y3);

    const __m128i By128 = _mm256_castsi256_si128(FoldPair<128>());
    const __m128i Low = _mm256_castsi256_si128(Y);
    const __m128i Folded = _mm_xor_si128(_mm_clmulepi64_si128(Low, By128, 0x00), _mm_clmulepi64_si128(Low, By128, 0x11));
    __m128i X = _mm_xor_si128(Folded, _mm256_extracti128_si256(Y, 1));
    while (Count >= 16) {
        const __m128i Next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Data));
        X = _mm_xor_si128(_mm_xor_si128(_mm_clmulepi64_si128(X, By128, 0x00), _mm_clmulepi64_si128(X, By128, 0x11)),
                          Next);
        Data += 16;
        Count -= 16;
    }
    alignas(16) unsigned char Lane[16];
    _mm_store_si128(reinterpret_cast<__m128i*>(Lane), X);
    return Crc32UpdateSlicing16(Crc32UpdateSlicing16(0, Lane, 16), Data, Count);
}

} // namespace quorvane
