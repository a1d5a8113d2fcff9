#pragma once

// The BLAKE3 kernels: interchangeable implementations of the bulk step of TBlake3Hasher, which compresses
// many independent inputs of whole 64-byte blocks at once (whole chunks, or parent blocks of two chaining
// values) and writes one 32-byte chaining value per input. All give exactly the portable kernel's result.
//
// Which kernels exist depends on the build (QUORVANE_SIMD); the active one is chosen once, on first use, as
// the last supported entry of Blake3Kernels(). Thread-safe.

#include <cstddef>
#include <cstdint>
#include <span>

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
