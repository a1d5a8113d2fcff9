// BLAKE3 bulk step on 256-bit registers (AVX2): eight inputs side by side, one 32-bit lane each.
//
// The method of Blake3Avx512.cpp with eight lanes: the rotations by 16 and 8 bits are byte shuffles, those
// by 12 and 7 two shifts and an or. A block of each input is loaded as two rows of eight words; each half
// of the eight rows is transposed into eight registers of one message word each. Fewer than eight inputs
// are padded.

#include <immintrin.h>

#include <cstring>

#include "checksum/Blake3Kernels.h"

namespace quorvane {

namespace {

using namespace blake3;

constexpr std::size_t Lanes = 8;

// One 32-bit word per lane, for the rounds of Blake3Kernels.h.
struct TLaneOps {
    static __m256i Add(__m256i A, __m256i B) { return _mm256_add_epi32(A, B); }
    static __m256i Xor(__m256i A, __m256i B) { return _mm256_xor_si256(A, B); }
    static __m256i Set(std::uint32_t X) { return _mm256_set1_epi32(static_cast<int>(X)); }

    static __m256i Ror16(__m256i X) {
        const __m256i Order = _mm256_setr_epi8(2, 3, 0, 1, 6, 7, 4, 5, 10, 11, 8, 9, 14, 15, 12, 13, 2, 3, 0, 1, 6, 7,
                                               4, 5, 10, 11, 8, 9, 14, 15, 12, 13);
        return _mm256_shuffle_epi8(X, Order);
    }
    static __m256i Ror8(__m256i X) {
        const __m256i Order = _mm256_setr_epi8(1, 2, 3, 0, 5, 6, 7, 4, 9, 10, 11, 8, 13, 14, 15, 12, 1, 2, 3, 0, 5, 6,
                                               7, 4, 9, 10, 11, 8, 13, 14, 15, 12);
        return _mm256_shuffle_epi8(X, Order);
    }
    static __m256i Ror12(__m256i X) { return _mm256_or_si256(_mm256_srli_epi32(X, 12), _mm256_slli_epi32(X, 20)); }
    static __m256i Ror7(__m256i X) { return _mm256_or_si256(_mm256_srli_epi32(X, 7), _mm256_slli_epi32(X, 25)); }
};

// Eight rows of eight words in, eight columns out: X[J] word I becomes X[I] word J.
inline void Transpose(__m256i* X) {
    const __m256i T0 = _mm256_unpacklo_epi32(X[0], X[1]), T1 = _mm256_unpackhi_epi32(X[0], X[1]);
    const __m256i T2 = _mm256_unpacklo_epi32(X[2], X[3]), T3 = _mm256_unpackhi_epi32(X[2], X[3]);
    const __m256i T4 = _mm256_unpacklo_epi32(X[4], X[5]), T5 = _mm256_unpackhi_epi32(X[4], X[5]);
    const __m256i T6 = _mm256_unpacklo_epi32(X[6], X[7]), T7 = _mm256_unpackhi_epi32(X[6], X[7]);
    // U[K] holds words K (low 128-bit lane) and K+4 (high lane) of rows 0..3; U[4+K] of rows 4..7.
    const __m256i U0 = _mm256_unpacklo_epi64(T0, T2), U1 = _mm256_unpackhi_epi64(T0, T2);
    const __m256i U2 = _mm256_unpacklo_epi64(T1, T3), U3 = _mm256_unpackhi_epi64(T1, T3);
    const __m256i U4 = _mm256_unpacklo_epi64(T4, T6), U5 = _mm256_unpackhi_epi64(T4, T6);
    const __m256i U6 = _mm256_unpacklo_epi64(T5, T7), U7 = _mm256_unpackhi_epi64(T5, T7);
    X[0] = _mm256_permute2x128_si256(U0, U4, 0x20);
    X[1] = _mm256_permute2x128_si256(U1, U5, 0x20);
    X[2] = _mm256_permute2x128_si256(U2, U6, 0x20);
    X[3] = _mm256_permute2x128_si256(U3, U7, 0x20);
    X[4] = _mm256_permute2x128_si256(U0, U4, 0x31);
    X[5] = _mm256_permute2x128_si256(U1, U5, 0x31);
    X[6] = _mm256_permute2x128_si256(U2, U6, 0x31);
    X[7] = _mm256_permute2x128_si256(U3, U7, 0x31);
}

inline __m256i Load(const unsigned char* P) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(P));
}

void HashEight(const unsigned char* const* Inputs, std::size_t Blocks, std::uint64_t Counter, bool IncrementCounter,
               std::uint32_t Flags, std::uint32_t FlagsStart, std::uint32_t FlagsEnd, unsigned char* Out) {
    const __m256i Base = TLaneOps::Set(static_cast<std::uint32_t>(Counter));
    const __m256i Low = IncrementCounter ? TLaneOps::Add(Base, _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7)) : Base;
    // Low < Base (unsigned) where the low word wrapped: the comparison gives -1 there, subtracted from High.
    const __m256i Sign = TLaneOps::Set(0x80000000u);
    const __m256i Wrapped = _mm256_cmpgt_epi32(TLaneOps::Xor(Base, Sign), TLaneOps::Xor(Low, Sign));
    const __m256i High = _mm256_sub_epi32(TLaneOps::Set(static_cast<std::uint32_t>(Counter >> 32)), Wrapped);
    __m256i H[8];
    for (int I = 0; I < 8; ++I)
        H[I] = TLaneOps::Set(Iv[I]);
    for (std::size_t B = 0; B < Blocks; ++B) {
        __m256i M[16];
        for (std::size_t I = 0; I < Lanes; ++I) {
            M[I] = Load(Inputs[I] + B * BlockLen);
            M[8 + I] = Load(Inputs[I] + B * BlockLen + 32);
        }
        Transpose(M);
        Transpose(M + 8);
        CompressLanes<TLaneOps>(H, M, Low, High, Flags | (B == 0 ? FlagsStart : 0) | (B + 1 == Blocks ? FlagsEnd : 0));
    }
    Transpose(H);
    for (std::size_t I = 0; I < Lanes; ++I)
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(Out + I * CvLen), H[I]);
}

} // namespace

void Blake3HashManyAvx2(const unsigned char* const* Inputs, std::size_t Count, std::size_t Blocks,
                        std::uint64_t Counter, bool IncrementCounter, std::uint32_t Flags, std::uint32_t FlagsStart,
                        std::uint32_t FlagsEnd, unsigned char* Out) {
    HashManyInGroups<Lanes>(HashEight, Inputs, Count, Blocks, Counter, IncrementCounter, Flags, FlagsStart, FlagsEnd,
                            Out);
}

} // namespace quorvane
