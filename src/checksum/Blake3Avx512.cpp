// BLAKE3 bulk step on 512-bit registers (AVX-512F): sixteen inputs side by side, one 32-bit lane each.
//
// Register I of the state holds state word I of all sixteen inputs, so one instruction does the same step
// of the compression function for all of them; the rotations are single vprord instructions. Every block
// is loaded as sixteen rows of sixteen message words and transposed into sixteen registers of one word each
// (unpacks within 128-bit lanes, then two shuffles of whole 128-bit lanes); the chaining values are
// transposed back at the end. Fewer than sixteen inputs are padded; eight or fewer go to the AVX2 kernel.

// GCC 12 warns falsely inside the AVX-512 intrinsics wherever they are inlined (their "undefined" source
// operands), so the warnings are off for the whole file.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#pragma GCC diagnostic ignored "-Wuninitialized"
#include <immintrin.h>

#include <cstring>

#include "checksum/Blake3Kernels.h"

namespace quorvane {

namespace {

using namespace blake3;

constexpr std::size_t Lanes = 16;

// One 32-bit word per lane, for the rounds of Blake3Kernels.h.
struct TLaneOps {
    static __m512i Add(__m512i A, __m512i B) { return _mm512_add_epi32(A, B); }
    static __m512i Xor(__m512i A, __m512i B) { return _mm512_xor_si512(A, B); }
    static __m512i Set(std::uint32_t X) { return _mm512_set1_epi32(static_cast<int>(X)); }
    static __m512i Ror16(__m512i X) { return _mm512_ror_epi32(X, 16); }
    static __m512i Ror12(__m512i X) { return _mm512_ror_epi32(X, 12); }
    static __m512i Ror8(__m512i X) { return _mm512_ror_epi32(X, 8); }
    static __m512i Ror7(__m512i X) { return _mm512_ror_epi32(X, 7); }
};

// Sixteen rows of sixteen words in, sixteen columns out: X[J] word I becomes X[I] word J.
inline void Transpose(__m512i (&X)[16]) {
    __m512i U[16];
    for (int G = 0; G < 4; ++G) {
        // Rows 4G..4G+3: U[4G+K] gets, in 128-bit lane L, their words 4L+K.
        const __m512i T0 = _mm512_unpacklo_epi32(X[4 * G], X[4 * G + 1]);
        const __m512i T1 = _mm512_unpackhi_epi32(X[4 * G], X[4 * G + 1]);
        const __m512i T2 = _mm512_unpacklo_epi32(X[4 * G + 2], X[4 * G + 3]);
        const __m512i T3 = _mm512_unpackhi_epi32(X[4 * G + 2], X[4 * G + 3]);
        U[4 * G] = _mm512_unpacklo_epi64(T0, T2);
        U[4 * G + 1] = _mm512_unpackhi_epi64(T0, T2);
        U[4 * G + 2] = _mm512_unpacklo_epi64(T1, T3);
        U[4 * G + 3] = _mm512_unpackhi_epi64(T1, T3);
    }
    for (int K = 0; K < 4; ++K) {
        // Column 4L+K takes lane L of U[K], U[4+K], U[8+K], U[12+K].
        const __m512i V0 = _mm512_shuffle_i32x4(U[K], U[4 + K], 0x44);
        const __m512i V1 = _mm512_shuffle_i32x4(U[K], U[4 + K], 0xEE);
        const __m512i V2 = _mm512_shuffle_i32x4(U[8 + K], U[12 + K], 0x44);
        const __m512i V3 = _mm512_shuffle_i32x4(U[8 + K], U[12 + K], 0xEE);
        X[K] = _mm512_shuffle_i32x4(V0, V2, 0x88);
        X[4 + K] = _mm512_shuffle_i32x4(V0, V2, 0xDD);
        X[8 + K] = _mm512_shuffle_i32x4(V1, V3, 0x88);
        X[12 + K] = _mm512_shuffle_i32x4(V1, V3, 0xDD);
    }
}

void HashSixteen(const unsigned char* const* Inputs, std::size_t Blocks, std::uint64_t Counter, bool IncrementCounter,
                 std::uint32_t Flags, std::uint32_t FlagsStart, std::uint32_t FlagsEnd, unsigned char* Out) {
    const __m512i Base = TLaneOps::Set(static_cast<std::uint32_t>(Counter));
    const __m512i Low =
        IncrementCounter ? TLaneOps::Add(Base, _mm512_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15))
                         : Base;
    const __m512i BaseHigh = TLaneOps::Set(static_cast<std::uint32_t>(Counter >> 32));
    const __m512i High =
        _mm512_mask_add_epi32(BaseHigh, _mm512_cmplt_epu32_mask(Low, Base), BaseHigh, TLaneOps::Set(1));
    __m512i H[16];
    for (int I = 0; I < 8; ++I)
        H[I] = TLaneOps::Set(Iv[I]);
    for (std::size_t B = 0; B < Blocks; ++B) {
        __m512i M[16];
        for (std::size_t I = 0; I < Lanes; ++I)
            M[I] = _mm512_loadu_si512(Inputs[I] + B * BlockLen);
        Transpose(M);
        CompressLanes<TLaneOps>(H, M, Low, High, Flags | (B == 0 ? FlagsStart : 0) | (B + 1 == Blocks ? FlagsEnd : 0));
    }
    for (int I = 8; I < 16; ++I)
        H[I] = _mm512_setzero_si512();
    Transpose(H);
    for (std::size_t I = 0; I < Lanes; ++I)
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(Out + I * CvLen), _mm512_castsi512_si256(H[I]));
}

} // namespace

void Blake3HashManyAvx512(const unsigned char* const* Inputs, std::size_t Count, std::size_t Blocks,
                          std::uint64_t Counter, bool IncrementCounter, std::uint32_t Flags, std::uint32_t FlagsStart,
                          std::uint32_t FlagsEnd, unsigned char* Out) {
    HashManyInGroups<Lanes>(HashSixteen, Inputs, Count, Blocks, Counter, IncrementCounter, Flags, FlagsStart, FlagsEnd,
                            Out, Lanes / 2, Blake3HashManyAvx2);
}

} // namespace quorvane
