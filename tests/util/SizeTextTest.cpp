#include "util/SizeText.h"

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

namespace {

const LocaleFormat English; // "," and "."

LocaleFormat German() {
    LocaleFormat L;
    L.ThousandSeparator = ".";
    L.DecimalSeparator = ",";
    return L;
}

struct SizeCase {
    int Mode;
    bool UnitWord;
    double Bytes;
    const char* Text;
};

TEST(SizeToText, SpecifiedEdgesAcrossTheUnits) {
    const SizeCase Cases[] = {
        {smAuto, true, 0, "0 bytes"},
        {smAuto, true, 1023, "1,023 bytes"},
        {smAuto, false, 1023, "1,023"},
        {smBytes, false, 5000000, "5,000,000"},
        {smBytes, true, 5000000, "5,000,000 bytes"},
        {smAuto, true, 1024, "1 KB"},
        {smAuto, true, 1535, "1 KB"}, // truncated, not rounded
        {smAuto, true, 1048575, "1,023 KB"},
        {smAuto, true, 1048576, "1.00 MB"},
        {smAuto, true, 1073741823, "1,024.00 MB"}, // rounding, not a switch to GB
        {smAuto, true, 1073741824, "1.00 GB"},
        {smAuto, true, 1099511627775.0, "1,024.00 GB"},
        {smAuto, true, 1099511627776.0, "1.00 TB"},
        {smAuto, true, 1099511627776.0 * 2048, "2,048.00 TB"},
        {smAuto, true, 1179648, "1.13 MB"}, // 1.125 exactly: halves away from zero
        {smKB, true, 1023, "1,023 bytes"},  // below 1024 every mode shows bytes
        {smKB, false, 1048576, "1,024 KB"},
        {smKB, false, 1073741824, "1,048,576 KB"},
    };
    for (const auto& C : Cases)
        EXPECT_EQ(SizeToText(C.Mode, C.UnitWord, C.Bytes, English), C.Text) << C.Bytes << " mode " << C.Mode;
}

TEST(SizeToText, KilobyteModeBeyondThe32BitRangeDoesNotThrow) {
    // 2^31 KB and more: the original raised a range error; sizes are 64-bit here (design.md).
    EXPECT_EQ(SizeToText(smKB, false, 2147483648.0 * 1024), "2,147,483,648 KB");
    EXPECT_EQ(SizeToText(smKB, false, 2147483647.0 * 1024 + 1023), "2,147,483,647 KB");
    EXPECT_EQ(SizeToText(smKB, false, 9223372036854775807.0), "9,007,199,254,740,992 KB");
    EXPECT_EQ(SizeToText(smKB, false, 1e300).substr(0, 8), "976,562,");
    EXPECT_NO_THROW(SizeToText(smKB, false, std::numeric_limits<double>::max()));
    EXPECT_NO_THROW(SizeToText(smKB, false, std::numeric_limits<double>::infinity()));
}

TEST(SizeToText, LocaleSeparatorsAreParameters) {
    EXPECT_EQ(SizeToText(smAuto, true, 1048575, German()), "1.023 KB");
    EXPECT_EQ(SizeToText(smAuto, true, 1572864, German()), "1,50 MB");
    EXPECT_EQ(SizeToText(smAuto, true, 1073741823, German()), "1.024,00 MB");
    LocaleFormat Narrow;
    Narrow.ThousandSeparator = "\u202f"; // several bytes
    EXPECT_EQ(SizeToText(smBytes, false, 1234567, Narrow), "1\u202f234\u202f567");
    LocaleFormat None;
    None.ThousandSeparator = "";
    EXPECT_EQ(SizeToText(smBytes, true, 1234567, None), "1234567 bytes");
}

TEST(InsertThousandSeparators, GroupsOfThreeFromTheRight) {
    const std::pair<const char*, const char*> Cases[] = {
        {"", ""},
        {"1", "1"},
        {"123", "123"},
        {"1234", "1,234"},
        {"12345", "12,345"},
        {"123456", "123,456"},
        {"1234567", "1,234,567"},
        {"1000000000", "1,000,000,000"},
    };
    for (const auto& [In, Out] : Cases)
        EXPECT_EQ(InsertThousandSeparators(In, ","), Out) << In;
    EXPECT_EQ(InsertThousandSeparators("1234567", "'"), "1'234'567");
}

TEST(FormatNumber, RoundsHalvesAwayFromZero) {
    EXPECT_EQ(FormatNumber(0.5, 0), "1");
    EXPECT_EQ(FormatNumber(1.5, 0), "2");
    EXPECT_EQ(FormatNumber(2.5, 0), "3");
    EXPECT_EQ(FormatNumber(-2.5, 0), "-3");
    EXPECT_EQ(FormatNumber(1.125, 2), "1.13");
    EXPECT_EQ(FormatNumber(1.005, 2), "1.00"); // 1.005 is 1.00499999... in binary
    EXPECT_EQ(FormatNumber(0.00005, 4), "0.0001");
    EXPECT_EQ(FormatNumber(1234567.891, 2), "1,234,567.89");
    EXPECT_EQ(FormatNumber(2.675, 2), "2.67");       // 2.67499999... in binary
    EXPECT_EQ(FormatNumber(999.995, 2), "1,000.00"); // 999.99500000000000454... in binary
}

TEST(FormatNumber, SignsZerosAndSpecialValues) {
    EXPECT_EQ(FormatNumber(0, 2), "0.00");
    EXPECT_EQ(FormatNumber(-0.4, 0), "0");
    EXPECT_EQ(FormatNumber(-0.0, 2), "0.00");
    EXPECT_EQ(FormatNumber(-1234.5, 1), "-1,234.5");
    EXPECT_EQ(FormatNumber(1e20, 0), "100,000,000,000,000,000,000");
    EXPECT_EQ(FormatNumber(1.5, 6), "1.500000");
    EXPECT_EQ(FormatNumber(2, -3), "2");
    EXPECT_EQ(FormatNumber(std::nan(""), 2), "NAN");
    EXPECT_EQ(FormatNumber(-std::numeric_limits<double>::infinity(), 2), "-INF");
    EXPECT_EQ(FormatNumber(std::numeric_limits<double>::max(), 2).size(), 309 + 102 + 3u); // digits, groups, ".00"
}

} // namespace
