// CRC-32 of buffers: the check value, the text form, the kernel in use, and every compiled-in kernel
// against the byte-wise table method at any length, alignment and start value.

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "checksum/Crc32.h"
#include "checksum/Crc32Kernels.h"
#include "support/TestSupport.h"

using namespace quorvane;

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
    for (std::size_t Length : {511u, 512u, 513u, 1023u, 1024u, 1025u, 4095u, 4096u, 4097u, 8191u, 65536u, 65537u})
        for (std::size_t Offset : {0u, 1u, 3u, 15u, 31u})
            Vectors.emplace_back(Offset, Length);
    for (const auto& [Offset, Length] : Vectors)
        for (std::uint32_t Start : {0xFFFFFFFFu, 0u, 0x12345678u, 0xDEADBEEFu})
            ASSERT_EQ(Kernel.Update(Start, Base + Offset, Length), Crc32UpdateBytewise(Start, Base + Offset, Length))
                << "length " << Length << " offset " << Offset << " start " << Start;
}

INSTANTIATE_TEST_SUITE_P(AllKernels, Crc32KernelTest, ::testing::ValuesIn(Crc32Kernels().begin(), Crc32Kernels().end()),
                         [](const auto& Info) { return std::string(Info.param.Name); });

} // namespace
