// BLAKE3 (unkeyed hash mode, 32-byte output).
//
// The input is cut into 1024-byte chunks of sixteen 64-byte blocks. Each chunk is compressed block by block
// from the initial chaining value (SHA-256's IV) with its index as the counter, the first block flagged
// CHUNK_START, the last CHUNK_END. Chaining values are joined pairwise by PARENT nodes into a binary tree
// whose left subtrees are always complete and as large as possible; the single node at the top is compressed
// once more with the ROOT flag, and the first eight words of that output are the hash. The compression
// function is BLAKE2s's: seven rounds of the quarter-round G over columns then diagonals, the message words
// permuted between rounds, the output the two halves of the state exclusive-ored.
//
// The hasher keeps the last chunk of the input in a buffer until more input arrives, so that the chunk that
// may turn out to be the root is never compressed too early. Whole chunks before it go to the kernel many at
// a time; their chaining values are joined in groups of 64 chunks (again by the kernel, level by level), and
// a stack of group subtrees is merged as soon as two of equal size lie on it. Final joins what is left from
// the right.

#include "checksum/Blake3.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "checksum/Blake3Kernels.h"
#include "checksum/CpuFeatures.h"

namespace quorvane {

namespace {

using namespace blake3;

inline std::uint32_t Load32(const unsigned char* P) {
    std::uint32_t Value;
    std::memcpy(&Value, P, sizeof Value);
    if constexpr (std::endian::native == std::endian::big)
        Value = __builtin_bswap32(Value);
    return Value;
}

inline void Store32(unsigned char* P, std::uint32_t Value) {
    if constexpr (std::endian::native == std::endian::big)
        Value = __builtin_bswap32(Value);
    std::memcpy(P, &Value, sizeof Value);
}

inline void StoreCv(unsigned char* P, const std::uint32_t* Words) {
    for (int I = 0; I < 8; ++I)
        Store32(P + 4 * I, Words[I]);
}

// One 32-bit word.
struct TWordOps {
    static std::uint32_t Add(std::uint32_t A, std::uint32_t B) { return A + B; }
    static std::uint32_t Xor(std::uint32_t A, std::uint32_t B) { return A ^ B; }
    static std::uint32_t Ror16(std::uint32_t X) { return std::rotr(X, 16); }
    static std::uint32_t Ror12(std::uint32_t X) { return std::rotr(X, 12); }
    static std::uint32_t Ror8(std::uint32_t X) { return std::rotr(X, 8); }
    static std::uint32_t Ror7(std::uint32_t X) { return std::rotr(X, 7); }
};

bool Always() {
    return true;
}
#ifdef QUORVANE_HAVE_SIMD_BLAKE3
bool HasAvx2() {
    return CpuFeatures().Avx2;
}
bool HasAvx512() {
    return CpuFeatures().Avx512;
}
#endif

constexpr TBlake3Kernel Kernels[] = {
    {"portable", Always, Blake3HashManyPortable},
#ifdef QUORVANE_HAVE_SIMD_BLAKE3
    {"avx2", HasAvx2, Blake3HashManyAvx2},
    {"avx512", HasAvx512, Blake3HashManyAvx512},
#endif
};

// The chaining value of the parent of two subtrees, not the root.
void JoinParent(const TBlake3Kernel& Kernel, const unsigned char* Left, const unsigned char* Right,
                unsigned char* Out) {
    unsigned char Block[BlockLen];
    std::memcpy(Block, Left, CvLen);
    std::memcpy(Block + CvLen, Right, CvLen);
    const unsigned char* Input = Block;
    Kernel.HashMany(&Input, 1, 1, 0, false, Parent, 0, 0, Out);
}

} // namespace

void blake3::Compress(const std::uint32_t Cv[8], const unsigned char Block[BlockLen], std::uint32_t BlockLength,
                      std::uint64_t Counter, std::uint32_t Flags, std::uint32_t Out[16]) {
    std::uint32_t M[16];
    for (int I = 0; I < 16; ++I)
        M[I] = Load32(Block + 4 * I);
    std::uint32_t V[16] = {Cv[0],
                           Cv[1],
                           Cv[2],
                           Cv[3],
                           Cv[4],
                           Cv[5],
                           Cv[6],
                           Cv[7],
                           Iv[0],
                           Iv[1],
                           Iv[2],
                           Iv[3],
                           static_cast<std::uint32_t>(Counter),
                           static_cast<std::uint32_t>(Counter >> 32),
                           BlockLength,
                           Flags};
    Rounds<TWordOps>(V, M);
    for (int I = 0; I < 8; ++I) // the upper half first: Out may be Cv
        Out[I + 8] = V[I + 8] ^ Cv[I];
    for (int I = 0; I < 8; ++I)
        Out[I] = V[I] ^ V[I + 8];
}

void Blake3HashManyPortable(const unsigned char* const* Inputs, std::size_t Count, std::size_t Blocks,
                            std::uint64_t Counter, bool IncrementCounter, std::uint32_t Flags, std::uint32_t FlagsStart,
                            std::uint32_t FlagsEnd, unsigned char* Out) {
    for (std::size_t I = 0; I < Count; ++I) {
        std::uint32_t Cv[16];
        std::copy(std::begin(Iv), std::end(Iv), Cv);
        for (std::size_t B = 0; B < Blocks; ++B) {
            const std::uint32_t BlockFlags = Flags | (B == 0 ? FlagsStart : 0) | (B + 1 == Blocks ? FlagsEnd : 0);
            blake3::Compress(Cv, Inputs[I] + B * BlockLen, BlockLen, Counter + (IncrementCounter ? I : 0), BlockFlags,
                             Cv);
        }
        StoreCv(Out + I * CvLen, Cv);
    }
}

std::span<const TBlake3Kernel> Blake3Kernels() {
    return Kernels;
}

const TBlake3Kernel& ActiveBlake3Kernel() {
    static const TBlake3Kernel& Active =
        *std::find_if(std::rbegin(Kernels), std::rend(Kernels), [](const TBlake3Kernel& K) { return K.Supported(); });
    return Active;
}

TBlake3Hasher::TBlake3Hasher() : TBlake3Hasher(ActiveBlake3Kernel()) {}

TBlake3Hasher::TBlake3Hasher(const TBlake3Kernel& UseKernel) : Kernel(&UseKernel) {}

void TBlake3Hasher::Reset() {
    ChunkCounter = 0;
    ChunkFill = 0;
    CvCount = 0;
    Groups = 0;
    StackDepth = 0;
}

void TBlake3Hasher::Update(const void* Data, std::size_t Count) {
    const auto* In = static_cast<const unsigned char*>(Data);
    while (Count > 0) {
        if (ChunkFill < ChunkLen && (ChunkFill > 0 || Count <= ChunkLen)) {
            const std::size_t Take = std::min(ChunkLen - ChunkFill, Count);
            std::memcpy(ChunkBuffer + ChunkFill, In, Take);
            ChunkFill += Take;
            In += Take;
            Count -= Take;
            continue;
        }
        // Chunks known not to be the last: a full buffered one, then those of the input that leave a byte.
        const unsigned char* Chunks[GroupChunks];
        std::size_t N = 0;
        if (ChunkFill == ChunkLen)
            Chunks[N++] = ChunkBuffer;
        const std::size_t Whole = std::min((Count - 1) / ChunkLen, GroupChunks - N);
        for (std::size_t I = 0; I < Whole; ++I)
            Chunks[N++] = In + I * ChunkLen;
        HashChunks(Chunks, N);
        ChunkFill = 0;
        In += Whole * ChunkLen;
        Count -= Whole * ChunkLen;
    }
}

void TBlake3Hasher::HashChunks(const unsigned char* const* Chunks, std::size_t Count) {
    Kernel->HashMany(Chunks, Count, BlocksPerChunk, ChunkCounter, true, 0, ChunkStart, ChunkEnd, Cvs[CvCount]);
    CvCount += Count;
    ChunkCounter += Count;
    if (CvCount >= GroupChunks) {
        PushGroup();
        CvCount -= GroupChunks;
        std::memmove(Cvs[0], Cvs[GroupChunks], CvCount * CvLen);
    }
}

void TBlake3Hasher::PushGroup() {
    // The group's 64 chaining values joined level by level; the pairs of a level lie side by side.
    unsigned char Level[2][GroupChunks / 2][CvLen];
    const unsigned char* Pairs[GroupChunks / 2];
    const unsigned char* From = Cvs[0];
    std::size_t Count = GroupChunks;
    for (int L = 0; Count > 1; L ^= 1) {
        Count /= 2;
        for (std::size_t I = 0; I < Count; ++I)
            Pairs[I] = From + 2 * I * CvLen;
        Kernel->HashMany(Pairs, Count, 1, 0, false, Parent, 0, 0, Level[L][0]);
        From = Level[L][0];
    }
    unsigned char Cv[CvLen];
    std::memcpy(Cv, From, CvLen);
    ++Groups;
    for (std::uint64_t T = Groups; (T & 1) == 0; T >>= 1) {
        --StackDepth;
        JoinParent(*Kernel, Stack[StackDepth], Cv, Cv);
    }
    std::memcpy(Stack[StackDepth++], Cv, CvLen);
}

void TBlake3Hasher::Final(unsigned char (&Digest)[DigestSize]) const {
    // The last chunk up to its final block, which stays the pending output node.
    std::uint32_t Cv[16];
    std::copy(std::begin(Iv), std::end(Iv), Cv);
    const std::size_t Blocks = ChunkFill == 0 ? 1 : (ChunkFill + BlockLen - 1) / BlockLen;
    for (std::size_t B = 0; B + 1 < Blocks; ++B)
        blake3::Compress(Cv, ChunkBuffer + B * BlockLen, BlockLen, ChunkCounter, B == 0 ? ChunkStart : 0, Cv);
    unsigned char Block[BlockLen] = {};
    std::uint32_t BlockLength = static_cast<std::uint32_t>(ChunkFill - (Blocks - 1) * BlockLen);
    std::memcpy(Block, ChunkBuffer + (Blocks - 1) * BlockLen, BlockLength);
    std::uint64_t Counter = ChunkCounter;
    std::uint32_t Flags = (Blocks == 1 ? ChunkStart : 0) | ChunkEnd;

    // The subtrees to its left, largest first: the whole groups, then the current group's chunks joined as
    // far as they go.
    unsigned char Left[StackSize + 8][CvLen];
    std::memcpy(Left, Stack, StackDepth * CvLen);
    std::size_t LeftCount = StackDepth;
    for (std::size_t I = 0; I < CvCount; ++I) {
        unsigned char Joined[CvLen];
        std::memcpy(Joined, Cvs[I], CvLen);
        for (std::size_t T = I + 1; (T & 1) == 0; T >>= 1) {
            --LeftCount;
            JoinParent(*Kernel, Left[LeftCount], Joined, Joined);
        }
        std::memcpy(Left[LeftCount++], Joined, CvLen);
    }

    // Joined from the right; the last node compressed is the root.
    while (LeftCount > 0) {
        std::uint32_t Out[16];
        blake3::Compress(Cv, Block, BlockLength, Counter, Flags, Out);
        std::memcpy(Block, Left[--LeftCount], CvLen);
        StoreCv(Block + CvLen, Out);
        std::copy(std::begin(Iv), std::end(Iv), Cv);
        BlockLength = BlockLen;
        Counter = 0;
        Flags = Parent;
    }
    std::uint32_t Out[16];
    blake3::Compress(Cv, Block, BlockLength, Counter, Flags | Root, Out);
    StoreCv(Digest, Out);
}

} // namespace quorvane
