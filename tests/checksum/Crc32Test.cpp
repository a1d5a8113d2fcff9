// CRC-32 of buffers: the check value, the text form, the kernel in use, and every compiled-in kernel
// against the byte-wise table method at any length, alignment and start value, and against the portable
// kernel at random lengths, offsets and splits.

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
