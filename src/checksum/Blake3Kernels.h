#pragma once

// The BLAKE3 kernels: interchangeable implementations of the bulk step of TBlake3Hasher, which compresses
// many independent inputs of whole 64-byte blocks at once (whole chunks, or parent blocks of two chaining
// values) and writes one 32-byte chaining value per input. All give exactly the portable kernel's result.
//
// Which kernels exist depends on the build (QUORVANE_SIMD); the active one is chosen once, on first use, as
// the last supported entry of Blake3Kernels(). Thread-safe.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <utility>

namespace quorvane {

namespace blake3 {

inline constexpr std::size_t BlockLen = 64;
inline constexpr std::size_t ChunkLen = 1024;
inline constexpr std::size_t BlocksPerChunk = ChunkLen / BlockLen;
inline constexpr std::size_t CvLen = 32;

// Domain flags of the compression function.
inline constexpr std::uint32_t ChunkStart = 1, ChunkEnd = 2, Parent = 4, Root = 8;

// The initial chaining value, which is SHA-256's.
inline constexpr std::uint32_t Iv[8] = {0x6A09E667, 0xBB67AE85, 0x3C6EF372, 0xA54FF53A,
                                        0x510E527F, 0x9B05688C, 0x1F83D9AB, 0x5BE0CD19};

// Message word order of each of the seven rounds: round 0 takes the words in order, every further round
// applies the fixed permutation (2, 6, 3, 10, 7, 0, 4, 13, 1, 11, 12, 5, 9, 14, 15, 8) once more.
struct TSchedule {
    std::uint8_t Word[7][16];
};
inline constexpr TSchedule Schedule = [] {
    constexpr std::uint8_t Permutation[16] = {2, 6, 3, 10, 7, 0, 4, 13, 1, 11, 12, 5, 9, 14, 15, 8};
    TSchedule S{};
    for (int I = 0; I < 16; ++I)
        S.Word[0][I] = static_cast<std::uint8_t>(I);
    for (int R = 1; R < 7; ++R)
        for (int I = 0; I < 16; ++I)
            S.Word[R][I] = S.Word[R - 1][Permutation[I]];
    return S;
}();

// The seven rounds of the compression function on the state V with the message words M, for any word type
// W whose operations Ops gives (static Add, Xor, Ror16, Ror12, Ror8, Ror7): one 32-bit word in the
// portable kernel, one 32-bit word per lane in the SIMD ones. Rounds and word indexes are compile-time
// constants, so a SIMD kernel keeps the whole state in registers.
template <typename Ops, typename W>
[[gnu::always_inline]] inline void G(W (&V)[16], int A, int B, int C, int D, W X, W Y) {
    V[A] = Ops::Add(Ops::Add(V[A], V[B]), X);
    V[D] = Ops::Ror16(Ops::Xor(V[D], V[A]));
    V[C] = Ops::Add(V[C], V[D]);
    V[B] = Ops::Ror12(Ops::Xor(V[B], V[C]));
    V[A] = Ops::Add(Ops::Add(V[A], V[B]), Y);
    V[D] = Ops::Ror8(Ops::Xor(V[D], V[A]));
    V[C] = Ops::Add(V[C], V[D]);
    V[B] = Ops::Ror7(Ops::Xor(V[B], V[C]));
}

template <typename Ops, std::size_t R, typename W>
[[gnu::always_inline]] inline void Round(W (&V)[16], const W (&M)[16]) {
    constexpr const std::uint8_t* S = Schedule.Word[R];
    G<Ops>(V, 0, 4, 8, 12, M[S[0]], M[S[1]]);
    G<Ops>(V, 1, 5, 9, 13, M[S[2]], M[S[3]]);
    G<Ops>(V, 2, 6, 10, 14, M[S[4]], M[S[5]]);
    G<Ops>(V, 3, 7, 11, 15, M[S[6]], M[S[7]]);
    G<Ops>(V, 0, 5, 10, 15, M[S[8]], M[S[9]]);
    G<Ops>(V, 1, 6, 11, 12, M[S[10]], M[S[11]]);
    G<Ops>(V, 2, 7, 8, 13, M[S[12]], M[S[13]]);
    G<Ops>(V, 3, 4, 9, 14, M[S[14]], M[S[15]]);
}

template <typename Ops, typename W> [[gnu::always_inline]] inline void Rounds(W (&V)[16], const W (&M)[16]) {
    [&]<std::size_t... R>(std::index_sequence<R...>) {
        (Round<Ops, R>(V, M), ...);
    }
    (std::make_index_sequence<7>());
}

// One block in every lane of a SIMD kernel: the state from the chaining values H[0..7], the counter words,
// the block length and the block's flags, then the rounds; H[0..7] become the new chaining values.
template <typename Ops, typename W>
[[gnu::always_inline]] inline void CompressLanes(W* H, const W (&M)[16], W Low, W High, std::uint32_t BlockFlags) {
    W V[16];
    for (int I = 0; I < 8; ++I)
        V[I] = H[I];
    for (int I = 0; I < 4; ++I)
        V[8 + I] = Ops::Set(Iv[I]);
    V[12] = Low;
    V[13] = High;
    V[14] = Ops::Set(BlockLen);
    V[15] = Ops::Set(BlockFlags);
    Rounds<Ops>(V, M);
    for (int I = 0; I < 8; ++I)
        H[I] = Ops::Xor(V[I], V[I + 8]);
}

// The bulk step of a SIMD kernel from its step for Lanes inputs at once (HashLanes, with the arguments of
// TBlake3HashManyFn but no count): whole groups first, then the rest padded with copies of its first input,
// or, when there are no more than Fewest of them, by Fewer (another kernel) instead.
template <std::size_t Lanes, typename THashLanes>
void HashManyInGroups(THashLanes HashLanes, const unsigned char* const* Inputs, std::size_t Count, std::size_t Blocks,
                      std::uint64_t Counter, bool IncrementCounter, std::uint32_t Flags, std::uint32_t FlagsStart,
                      std::uint32_t FlagsEnd, unsigned char* Out, std::size_t Fewest = 0,
                      void (*Fewer)(const unsigned char* const*, std::size_t, std::size_t, std::uint64_t, bool,
                                    std::uint32_t, std::uint32_t, std::uint32_t, unsigned char*) = nullptr) {
    for (; Count >= Lanes; Count -= Lanes) {
        HashLanes(Inputs, Blocks, Counter, IncrementCounter, Flags, FlagsStart, FlagsEnd, Out);
        Inputs += Lanes;
        Out += Lanes * CvLen;
        Counter += IncrementCounter ? Lanes : 0;
    }
    if (Count == 0)
        return;
    if (Count <= Fewest && Fewer) {
        Fewer(Inputs, Count, Blocks, Counter, IncrementCounter, Flags, FlagsStart, FlagsEnd, Out);
        return;
    }
    const unsigned char* Padded[Lanes];
    for (std::size_t I = 0; I < Lanes; ++I)
        Padded[I] = Inputs[I < Count ? I : 0];
    unsigned char Cvs[Lanes * CvLen];
    HashLanes(Padded, Blocks, Counter, IncrementCounter, Flags, FlagsStart, FlagsEnd, Cvs);
    std::memcpy(Out, Cvs, Count * CvLen);
}

// The compression function: the 16 output words of compressing Block (BlockLength bytes of it meaningful,
// the rest zero) into chaining value Cv with the 64-bit Counter and the domain Flags.
void Compress(const std::uint32_t Cv[8], const unsigned char Block[BlockLen], std::uint32_t BlockLength,
              std::uint64_t Counter, std::uint32_t Flags, std::uint32_t Out[16]);

} // namespace blake3

// Compresses Count inputs of Blocks blocks each, starting from the initial chaining value. Input I is hashed
// with counter Counter + I when IncrementCounter, else Counter; every block gets Flags, the first one also
// FlagsStart, the last one also FlagsEnd. Writes Count chaining values of 32 bytes (little-endian words) to
// Out. Inputs must be readable for Blocks * 64 bytes; Out may not overlap them.
using TBlake3HashManyFn = void (*)(const unsigned char* const* Inputs, std::size_t Count, std::size_t Blocks,
                                   std::uint64_t Counter, bool IncrementCounter, std::uint32_t Flags,
                                   std::uint32_t FlagsStart, std::uint32_t FlagsEnd, unsigned char* Out);

struct TBlake3Kernel {
    const char* Name;           // short name for tests and benchmarks ("portable", "avx2", "avx512")
    bool (*Supported)();        // true when the CPU and the operating system can run it
    TBlake3HashManyFn HashMany; // the bulk step
};

// Every compiled-in kernel, slowest first: portable, then the SIMD ones.
std::span<const TBlake3Kernel> Blake3Kernels();

// The kernel TBlake3Hasher uses by default: the fastest supported one.
const TBlake3Kernel& ActiveBlake3Kernel();

// One input after the other through the compression function.
void Blake3HashManyPortable(const unsigned char* const* Inputs, std::size_t Count, std::size_t Blocks,
                            std::uint64_t Counter, bool IncrementCounter, std::uint32_t Flags, std::uint32_t FlagsStart,
                            std::uint32_t FlagsEnd, unsigned char* Out);

#ifdef QUORVANE_HAVE_SIMD_BLAKE3
// Eight inputs side by side in 256-bit registers, one 32-bit lane each; built with -mavx2.
void Blake3HashManyAvx2(const unsigned char* const* Inputs, std::size_t Count, std::size_t Blocks,
                        std::uint64_t Counter, bool IncrementCounter, std::uint32_t Flags, std::uint32_t FlagsStart,
                        std::uint32_t FlagsEnd, unsigned char* Out);
// Sixteen inputs side by side in 512-bit registers; built with -mavx512f -mavx512vl -mavx2.
void Blake3HashManyAvx512(const unsigned char* const* Inputs, std::size_t Count, std::size_t Blocks,
                          std::uint64_t Counter, bool IncrementCounter, std::uint32_t Flags, std::uint32_t FlagsStart,
                          std::uint32_t FlagsEnd, unsigned char* Out);
#endif

} // namespace quorvane
