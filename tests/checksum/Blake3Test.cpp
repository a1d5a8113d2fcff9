// BLAKE3 kernels: every compiled-in kernel against the portable one, through the bulk step (counters that
// carry into the high word, any number of inputs) and through the hasher at random lengths and random splits.
// The hash values themselves are checked in DigestTest.cpp.

#include <cstdint>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "checksum/Blake3.h"
#include "checksum/Blake3Kernels.h"
#include "support/TestSupport.h"

using namespace quorvane;

namespace quorvane {
// Kernels print as their names in test results.
void PrintTo(const TBlake3Kernel& Kernel, std::ostream* Out) {
    *Out << Kernel.Name;
}
} // namespace quorvane

namespace {

using TBytes = std::vector<unsigned char>;

// Bytes hashed by a hasher on Kernel, fed in random pieces (some empty) when Split.
TBytes HashOf(const TBlake3Kernel& Kernel, const std::string& Bytes, std::mt19937& Random, bool Split) {
    TBlake3Hasher Hasher(Kernel);
    for (std::size_t At = 0; At < Bytes.size();) {
        std::size_t Piece = Bytes.size() - At;
        if (Split)
            Piece = std::min<std::size_t>(Piece, std::uniform_int_distribution<std::size_t>(0, 3 * 1024)(Random));
        Hasher.Update(Bytes.data() + At, Piece);
        At += Piece;
    }
    unsigned char Digest[TBlake3Hasher::DigestSize];
    Hasher.Final(Digest);
    return TBytes(std::begin(Digest), std::end(Digest));
}

class EachKernel : public ::testing::TestWithParam<TBlake3Kernel> {
protected:
    void SetUp() override {
        if (!GetParam().Supported())
            GTEST_SKIP() << GetParam().Name << " is not supported by this CPU";
    }
    const TBlake3Kernel& Portable = Blake3Kernels()[0];
};

TEST_P(EachKernel, BulkStepEqualsThePortableOneForAnyCountCounterAndFlags) {
    std::mt19937 Random(7);
    const std::string Bytes = qvtest::PatternBytes(40 * 1024, 7);
    // Chunks with counters crossing 2^32 and 2^33, and parent blocks with a fixed counter.
    const struct {
        std::size_t Blocks;
        std::uint64_t Counter;
        bool Increment;
        std::uint32_t Flags, Start, End;
    } Cases[] = {{16, 0, true, 0, blake3::ChunkStart, blake3::ChunkEnd},
                 {16, 0xFFFFFFF5u, true, 0, blake3::ChunkStart, blake3::ChunkEnd},
                 {16, 0x1FFFFFFFCu, true, 0, blake3::ChunkStart, blake3::ChunkEnd},
                 {1, 0, false, blake3::Parent, 0, 0},
                 {3, 0x123456789Au, false, blake3::Root, 1, 2}};
    for (const auto& C : Cases)
        for (std::size_t Count = 0; Count <= 40; ++Count) {
            std::vector<const unsigned char*> Inputs;
            for (std::size_t I = 0; I < Count; ++I) // anywhere in the buffer, at any alignment
                Inputs.push_back(reinterpret_cast<const unsigned char*>(Bytes.data()) +
                                 std::uniform_int_distribution<std::size_t>(0, Bytes.size() - C.Blocks * 64)(Random));
            TBytes Expected(Count * 32 + 1, 0xA5), Actual(Count * 32 + 1, 0xA5);
            Portable.HashMany(Inputs.data(), Count, C.Blocks, C.Counter, C.Increment, C.Flags, C.Start, C.End,
                              Expected.data());
            GetParam().HashMany(Inputs.data(), Count, C.Blocks, C.Counter, C.Increment, C.Flags, C.Start, C.End,
                                Actual.data());
            ASSERT_EQ(Actual, Expected) << Count << " inputs from counter " << C.Counter; // and not one byte more
        }
}

TEST_P(EachKernel, HasherEqualsThePortableOneAtRandomLengthsAndSplits) {
    std::mt19937 Random(11);
    for (int Round = 0; Round < 150; ++Round) {
        // Mostly around the tree's edges: whole chunks, whole groups of 64 chunks, plus or minus a little.
        const std::size_t Chunks = std::uniform_int_distribution<std::size_t>(0, Round < 100 ? 140 : 1100)(Random);
        const std::size_t Length = Chunks * 1024 + std::uniform_int_distribution<int>(-2, 2)(Random) +
                                   (Round % 3 == 0 ? std::uniform_int_distribution<std::size_t>(2, 1025)(Random) : 2);
        const std::string Bytes = qvtest::PatternBytes(Length, static_cast<unsigned>(Round));
        const TBytes Expected = HashOf(Portable, Bytes, Random, false);
        EXPECT_EQ(HashOf(GetParam(), Bytes, Random, false), Expected) << Length << " bytes in one piece";
        EXPECT_EQ(HashOf(GetParam(), Bytes, Random, true), Expected) << Length << " bytes in random pieces";
    }
}

INSTANTIATE_TEST_SUITE_P(AllKernels, EachKernel, ::testing::ValuesIn(Blake3Kernels()),
                         [](const auto& Info) { return std::string(Info.param.Name); });

TEST(Blake3, TheActiveKernelIsTheLastSupportedOneAndFinalLeavesTheHasherGoing) {
    const auto Kernels = Blake3Kernels();
    const auto Last = std::find_if(Kernels.rbegin(), Kernels.rend(), [](const auto& K) { return K.Supported(); });
    ASSERT_NE(Last, Kernels.rend());
    EXPECT_STREQ(ActiveBlake3Kernel().Name, Last->Name);
    const std::string Bytes = qvtest::PatternBytes(5000);
    TBlake3Hasher Whole, Parts;
    Whole.Update(Bytes.data(), Bytes.size());
    unsigned char Expected[32], Actual[32];
    Whole.Final(Expected);
    Parts.Update(Bytes.data(), 3000);
    Parts.Final(Actual);
    Parts.Update(Bytes.data() + 3000, 2000);
    Parts.Final(Actual);
    EXPECT_TRUE(std::equal(std::begin(Actual), std::end(Actual), Expected));
    Parts.Reset();
    Parts.Final(Actual);
    TBlake3Hasher().Final(Expected);
    EXPECT_TRUE(std::equal(std::begin(Actual), std::end(Actual), Expected));
}

} // namespace
