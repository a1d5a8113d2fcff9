#pragma once

// BLAKE3 hash of a byte stream, unkeyed, with its default 32-byte output: the incremental hasher.
// A hasher belongs to one thread; nothing is shared but the kernel choice (Blake3Kernels.h). Never throws.

#include <cstddef>
#include <cstdint>

namespace quorvane {

struct TBlake3Kernel;

class TBlake3Hasher {
public:
    static constexpr std::size_t DigestSize = 32;

    TBlake3Hasher();                                        // hashes with the fastest kernel the CPU supports
    explicit TBlake3Hasher(const TBlake3Kernel& UseKernel); // hashes with the given kernel (tests, benchmarks)

    void Reset();                                          // back to the hash of empty input
    void Update(const void* Data, std::size_t Count);      // any number of bytes, any split
    void Final(unsigned char (&Digest)[DigestSize]) const; // the hash of all bytes fed; may be fed further

private:
    // Chunks whose chaining values are joined into one subtree before it goes onto the stack.
    static constexpr std::size_t GroupChunks = 64;
    static constexpr std::size_t StackSize = 56; // 2^64 bytes are 2^48 groups

    void HashChunks(const unsigned char* const* Chunks, std::size_t Count);
    void PushGroup();

    const TBlake3Kernel* Kernel;
    std::uint64_t ChunkCounter = 0; // index of the chunk in ChunkBuffer: the chunks before it are hashed
    std::size_t ChunkFill = 0;      // bytes in ChunkBuffer, 0..1024; only the last chunk of the input stays here
    std::size_t CvCount = 0;        // chaining values of the current group's chunks, in Cvs
    std::uint64_t Groups = 0;       // whole groups hashed
    std::size_t StackDepth = 0;     // subtrees of whole groups in Stack, largest first
    unsigned char ChunkBuffer[1024];
    unsigned char Cvs[2 * GroupChunks][32];
    unsigned char Stack[StackSize][32];
};

} // namespace quorvane
