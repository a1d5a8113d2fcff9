// CRC-32 of buffers: the check value, the text form, the kernel in use, and every compiled-in kernel
// against the byte-wise table method at any length, alignment and start value, against known results
// of long inputs, and against the portable kernel at random lengths, offsets and splits.

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <ostream>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "checksum/CpuFeatures.h"
#include "checksum/Crc32.h"
#include "checksum/Crc32Kernels.h"
#include "support/TestSupport.h"

using namespace quorvane;

namespace quorvane {
// Kernels print as their names in test results.
void PrintTo(const TCrc32Kernel& Kernel, std::ostream* Out) { *Out << Kernel.Name; }
} // namespace quorvane

namespace {

TEST(Crc32Update, CheckValueNegativeCountTextAndTheActiveKernel) {
    EXPECT_EQ(Crc32Update(0xFFFFFFFFu, "123456789", 9) ^ 0xFFFFFFFFu, 0xCBF43926u);
    EXPECT_EQ(Crc32Update(0x1234ABCDu, "123456789", -5), 0x1234ABCDu);
    EXPECT_EQ(Crc32ToText(0x00A1B2C3u), "00A1B2C3");
    // The fastest kernel the CPU runs: the last supported entry.
    const auto Kernels = Crc32Kernels();
    const auto Last = std::find_if(Kernels.rbegin(), Kernels.rend(), [](const auto& K) { return K.Supported(); });
    ASSERT_NE(Last, Kernels.rend());
    EXPECT_STREQ(ActiveCrc32Kernel().Name, Last->Name);
}

// The detection agrees with the flags Linux reports (it lists them only where the system saves their state),
// so a kernel is not skipped on a machine that can run it.
TEST(CpuFeatures, AgreeWithTheFlagsLinuxReports) {
    std::ifstream CpuInfo("/proc/cpuinfo");
    std::string Line;
    while (std::getline(CpuInfo, Line) && Line.rfind("flags", 0) != 0) {
    }
    if (Line.empty())
        GTEST_SKIP() << "no /proc/cpuinfo flags";
    std::istringstream Words(Line.substr(Line.find(':') + 1));
    std::vector<std::string> Flags{std::istream_iterator<std::string>(Words), std::istream_iterator<std::string>()};
    const auto Has = [&](const char* Flag) { return std::find(Flags.begin(), Flags.end(), Flag) != Flags.end(); };
    const TCpuFeatures& Features = CpuFeatures();
    EXPECT_EQ(Features.Pclmul, Has("pclmulqdq") && Has("sse4_1"));
    EXPECT_EQ(Features.Avx2, Has("avx2"));
    EXPECT_EQ(Features.Vpclmul, Has("vpclmulqdq") && Has("avx2") && Has("pclmulqdq") && Has("sse4_1"));
    EXPECT_EQ(Features.Avx512, Has("avx512f") && Has("avx512bw") && Has("avx512vl"));
    EXPECT_EQ(Features.Vpclmul512, Features.Avx512 && Features.Vpclmul);
}

class Crc32KernelTest : public ::testing::TestWithParam<TCrc32Kernel> {};

TEST_P(Crc32KernelTest, MatchesBytewiseMethodAtEveryLengthOffsetAndStart) {
    const TCrc32Kernel& Kernel = GetParam();
    if (!Kernel.Supported())
        GTEST_SKIP() << "this CPU lacks what kernel " << Kernel.Name << " needs";
    const std::string Pattern = qvtest::PatternBytes(65536 + 64, 7);
    const auto* Base = reinterpret_cast<const unsigned char*>(Pattern.data());
    // Every length up to 300 (offset varying for unaligned loads), then block boundaries at several offsets.
    std::vector<std::pair<std::size_t, std::size_t>> Vectors; // offset, length
    for (std::size_t Length = 0; Length <= 300; ++Length)
        Vectors.emplace_back(Length % 7, Length);
    // (The 512-bit kernel steps by 256 bytes, then 64 and 16: 575 = 512 + 63, 831 = 768 + 63, 1279 = 1024 + 255.)
    for (std::size_t Length : {511u, 512u, 513u, 575u, 767u, 768u, 831u, 1023u, 1024u, 1025u, 1279u, 4095u, 4096u,
                               4097u, 8191u, 65536u, 65537u})
        for (std::size_t Offset : {0u, 1u, 3u, 15u, 31u})
            Vectors.emplace_back(Offset, Length);
    for (const auto& [Offset, Length] : Vectors)
        for (std::uint32_t Start : {0xFFFFFFFFu, 0u, 0x12345678u, 0xDEADBEEFu})
            ASSERT_EQ(Kernel.Update(Start, Base + Offset, Length), Crc32UpdateBytewise(Start, Base + Offset, Length))
                << "length " << Length << " offset " << Offset << " start " << Start;
}

// Known CRC-32 results (preset and final inversion included) of inputs long enough for every SIMD path,
// computed with rhash: Fill < 0 stands for byte I = I*I + 7*I + 3 (mod 256), otherwise every byte is Fill.
TEST_P(Crc32KernelTest, GivesKnownResultsOfLongInputs) {
    const TCrc32Kernel& Kernel = GetParam();
    if (!Kernel.Supported())
        GTEST_SKIP() << "this CPU lacks what kernel " << Kernel.Name << " needs";
    struct TKnown {
        int Fill;
        std::size_t Length;
        std::uint32_t Crc;
    };
    constexpr TKnown Known[] = {
        {0x00, 512, 0xB2AA7578u}, {0x00, 1000, 0x060B1780u}, {0x00, 4096, 0xC71C0011u}, {0x00, 65537, 0xE50D43F3u},
        {0xFF, 512, 0xBD7BC39Fu}, {0xFF, 1000, 0xE0533230u}, {0xFF, 4096, 0xF154670Au}, {0xFF, 65537, 0x6EBAC7E9u},
        {-1, 777, 0x1910192Bu},   {-1, 8192, 0x3E3EA7DAu},   {-1, 100000, 0xAA1903ABu},
    };
    for (const TKnown& K : Known) {
        // The input at the start of a buffer and one byte into one, for an aligned and an unaligned start.
        std::vector<unsigned char> Bytes(K.Length);
        for (std::size_t I = 0; I < K.Length; ++I)
            Bytes[I] = K.Fill >= 0 ? static_cast<unsigned char>(K.Fill) : static_cast<unsigned char>(I * I + 7 * I + 3);
        std::vector<unsigned char> Shifted(1);
        Shifted.insert(Shifted.end(), Bytes.begin(), Bytes.end());
        EXPECT_EQ(Kernel.Update(0xFFFFFFFFu, Bytes.data(), K.Length) ^ 0xFFFFFFFFu, K.Crc)
            << "fill " << K.Fill << " length " << K.Length;
        EXPECT_EQ(Kernel.Update(0xFFFFFFFFu, Shifted.data() + 1, K.Length) ^ 0xFFFFFFFFu, K.Crc)
            << "fill " << K.Fill << " length " << K.Length << " offset 1";
    }
}

// Random lengths up to 8 KiB at random offsets (0..63, so every alignment of a 64-byte load), each
// computed once whole and once chained over random pieces, against the portable slicing kernel.
TEST_P(Crc32KernelTest, MatchesPortableKernelAtRandomLengthsOffsetsAndSplits) {
    const TCrc32Kernel& Kernel = GetParam();
    if (!Kernel.Supported())
        GTEST_SKIP() << "this CPU lacks what kernel " << Kernel.Name << " needs";
    const std::string Pattern = qvtest::PatternBytes(8192 + 64, 11);
    const auto* Base = reinterpret_cast<const unsigned char*>(Pattern.data());
    std::mt19937 Random(20240607u);
    for (int Round = 0; Round < 1500; ++Round) {
        const std::size_t Offset = Random() % 64;
        const std::size_t Length = Random() % 8193;
        const std::uint32_t Start = static_cast<std::uint32_t>(Random());
        const unsigned char* Data = Base + Offset;
        const std::uint32_t Expected = Crc32UpdateSlicing16(Start, Data, Length);
        ASSERT_EQ(Kernel.Update(Start, Data, Length), Expected)
            << "round " << Round << " length " << Length << " offset " << Offset << " start " << Start;
        // Chained: pieces of random size, short and long, each continuing from the last result.
        std::uint32_t Crc = Start;
        for (std::size_t Done = 0; Done < Length;) {
            const std::size_t Limit = Random() % 2 ? 64 : 2048;
            const std::size_t Piece = std::min<std::size_t>(Length - Done, Random() % (Limit + 1));
            Crc = Kernel.Update(Crc, Data + Done, Piece);
            Done += Piece;
        }
        ASSERT_EQ(Crc, Expected) << "chained, round " << Round << " length " << Length << " offset " << Offset;
    }
}

INSTANTIATE_TEST_SUITE_P(AllKernels, Crc32KernelTest, ::testing::ValuesIn(Crc32Kernels().begin(), Crc32Kernels().end()),
                         [](const auto& Info) { return std::string(Info.param.Name); });

} // namespace
