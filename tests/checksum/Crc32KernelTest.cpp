// Every compiled-in CRC-32 kernel against the byte-wise table method, over one table of vectors.

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "checksum/Crc32.h"
#include "checksum/Crc32Kernels.h"
#include "support/TestSupport.h"

namespace {

struct TVector {
    std::size_t Offset;  // start inside the pattern, for unaligned loads
    std::size_t Length;
};

std::vector<TVector> Vectors() {
    std::vector<TVector> Result;
    for (std::size_t Length = 0; Length <= 300; ++Length)
        Result.push_back({Length % 7, Length});
    for (std::size_t Length : {511u, 512u, 513u, 1023u, 1024u, 1025u, 4095u, 4096u, 4097u, 8191u, 65536u, 65537u})
        for (std::size_t Offset : {0u, 1u, 3u, 15u, 31u})
            Result.push_back({Offset, Length});
    return Result;
}

class Crc32KernelTest : public ::testing::TestWithParam<TCrc32Kernel> {
protected:
    void SetUp() override {
        if (!GetParam().Supported())
            GTEST_SKIP() << "this CPU lacks what kernel " << GetParam().Name << " needs";
    }
};

TEST_P(Crc32KernelTest, CheckValueOfNineDigits) {
    const std::string Digits = "123456789";
    const auto* Data = reinterpret_cast<const unsigned char*>(Digits.data());
    EXPECT_EQ(GetParam().Update(0xFFFFFFFFu, Data, Digits.size()) ^ 0xFFFFFFFFu, 0xCBF43926u);
}

TEST_P(Crc32KernelTest, MatchesBytewiseMethodOverTableOfVectors) {
    const std::string Pattern = qvtest::PatternBytes(65536 + 64, 7);
    const auto* Base = reinterpret_cast<const unsigned char*>(Pattern.data());
    for (const TVector& V : Vectors()) {
        for (std::uint32_t Start : {0xFFFFFFFFu, 0u, 0x12345678u}) {
            const std::uint32_t Expected = Crc32UpdateBytewise(Start, Base + V.Offset, V.Length);
            ASSERT_EQ(GetParam().Update(Start, Base + V.Offset, V.Length), Expected)
                << "length " << V.Length << " offset " << V.Offset << " start " << Start;
        }
    }
}

TEST_P(Crc32KernelTest, ChainedCallsEqualOneCall) {
    const std::string Pattern = qvtest::PatternBytes(20000, 3);
    const auto* Data = reinterpret_cast<const unsigned char*>(Pattern.data());
    const std::uint32_t Whole = Crc32UpdateBytewise(0xFFFFFFFFu, Data, Pattern.size());
    for (std::size_t Split : {1u, 15u, 16u, 17u, 127u, 128u, 255u, 256u, 257u, 4099u, 19999u}) {
        const std::uint32_t First = GetParam().Update(0xFFFFFFFFu, Data, Split);
        EXPECT_EQ(GetParam().Update(First, Data + Split, Pattern.size() - Split), Whole) << "split at " << Split;
    }
}

TEST_P(Crc32KernelTest, ZeroBytesLeaveRegisterUnchanged) {
    const unsigned char Byte = 0;
    EXPECT_EQ(GetParam().Update(0xDEADBEEFu, &Byte, 0), 0xDEADBEEFu);
}

INSTANTIATE_TEST_SUITE_P(AllKernels, Crc32KernelTest, ::testing::ValuesIn(Crc32Kernels().begin(), Crc32Kernels().end()),
                         [](const ::testing::TestParamInfo<TCrc32Kernel>& Info) { return std::string(Info.param.Name); });

TEST(Crc32KernelChoice, ActiveKernelIsTheLastSupportedOne) {
    const TCrc32Kernel* Expected = nullptr;
    for (const TCrc32Kernel& Kernel : Crc32Kernels())
        if (Kernel.Supported())
            Expected = &Kernel;
    ASSERT_NE(Expected, nullptr);
    EXPECT_STREQ(ActiveCrc32Kernel().Name, Expected->Name);
}

TEST(Crc32KernelChoice, PortableKernelsAreAlwaysPresent) {
    ASSERT_GE(Crc32Kernels().size(), 2u);
    EXPECT_STREQ(Crc32Kernels()[0].Name, "bytewise");
    EXPECT_STREQ(Crc32Kernels()[1].Name, "slicing16");
}

} // namespace
