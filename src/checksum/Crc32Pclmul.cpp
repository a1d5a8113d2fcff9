// CRC-32 by folding with carry-less multiplication (PCLMULQDQ), four 128-bit lanes at a time.
//
// The register is exclusive-ored into the first four bytes; then four lanes of 16 bytes each are folded
// forward by 512 bits per step, reduced to one lane by folds of 128 bits, and the remaining whole blocks
// are folded in one by one. The last lane stands for everything before it, so its CRC from a zero
// register (sixteen table steps) is the register at that point; a tail shorter than 16 bytes follows.
// The constants and the reasoning behind them are in Crc32Tables.h.

#include <immintrin.h>

#include "checksum/Crc32Kernels.h"
#include "checksum/Crc32Tables.h"

namespace quorvane {

namespace {

inline __m128i Fold(__m128i Lane, __m128i Constants) {
    return _mm_xor_si128(_mm_clmulepi64_si128(Lane, Constants, 0x00), _mm_clmulepi64_si128(Lane, Constants, 0x11));
}

inline __m128i Load(const unsigned char* P) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(P)); }

template <unsigned Distance>
inline __m128i FoldPair() {
    constexpr std::uint64_t High = Crc32FoldConstant(Distance - 32), Low = Crc32FoldConstant(Distance + 32);
    return _mm_set_epi64x(static_cast<long long>(High), static_cast<long long>(Low));
}

} // namespace

std::uint32_t Crc32UpdatePclmul(std::uint32_t Crc, const unsigned char* Data, std::size_t Count) {
    if (Count < 128)
        return Crc32UpdateSlicing16(Crc, Data, Count);
    const __m128i By512 = FoldPair<512>();
    const __m128i By128 = FoldPair<128>();

    __m128i X0 = _mm_xor_si128(Load(Data), _mm_cvtsi32_si128(static_cast<int>(Crc)));
    __m128i X1 = Load(Data + 16);
    __m128i X2 = Load(Data + 32);
    __m128i X3 = Load(Data + 48);
    Data += 64;
    Count -= 64;
    while (Count >= 64) {
        X0 = _mm_xor_si128(Fold(X0, By512), Load(Data));
        X1 = _mm_xor_si128(Fold(X1, By512), Load(Data + 16));
        X2 = _mm_xor_si128(Fold(X2, By512), Load(Data + 32));
        X3 = _mm_xor_si128(Fold(X3, By512), Load(Data + 48));
        Data += 64;
        Count -= 64;
    }
    __m128i X = _mm_xor_si128(Fold(X0, By128), X1);
    X = _mm_xor_si128(Fold(X, By128), X2);
    X = _mm_xor_si128(Fold(X, By128), X3);
    while (Count >= 16) {
        X = _mm_xor_si128(Fold(X, By128), Load(Data));
        Data += 16;
        Count -= 16;
    }
    alignas(16) unsigned char Lane[16];
    _mm_store_si128(reinterpret_cast<__m128i*>(Lane), X);
    return Crc32UpdateSlicing16(Crc32UpdateSlicing16(0, Lane, 16), Data, Count);
}

} // namespace quorvane
