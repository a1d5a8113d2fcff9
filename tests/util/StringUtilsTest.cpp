#include "util/StringUtils.h"

#include <chrono>
#include <string>

#include <gtest/gtest.h>

namespace {

TEST(ReplaceText, SpecifiedCases) {
    EXPECT_EQ(ReplaceText("a**b*", "*", ""), "ab");
    EXPECT_EQ(ReplaceText("x", "x", "xx"), "xx"); // replacement text is never searched again
    EXPECT_EQ(ReplaceText("xxx", "x", "xx"), "xxxxxx");
    EXPECT_EQ(ReplaceText("a*b*c", "*", "-", true), "a-b*c");
    EXPECT_EQ(ReplaceText("abc", "b", "b"), "abc");
    EXPECT_EQ(ReplaceText("abc", "", "z"), "abc");  // an empty old never occurs
    EXPECT_EQ(ReplaceText("abc", "B", "z"), "abc"); // case-sensitive
    EXPECT_EQ(ReplaceText("aaa", "aa", "b"), "ba"); // left to right, no overlap
    EXPECT_EQ(ReplaceText("***", "*", ""), "");
    EXPECT_EQ(ReplaceText("", "*", ""), "");
    EXPECT_EQ(ReplaceText(std::string("a\0*b", 4), "*", ""), std::string("a\0b", 3));
}

TEST(ReplaceText, MegabytesOfMatchesTakeLinearTime) {
    const std::string Stars(8 << 20, '*');
    const auto Start = std::chrono::steady_clock::now();
    EXPECT_EQ(ReplaceText(Stars + "name" + Stars, "*", ""), "name");
    EXPECT_LT(std::chrono::steady_clock::now() - Start, std::chrono::seconds(10));
}

TEST(PosFrom, StartPositionsAndEmptyArguments) {
    EXPECT_EQ(PosFrom("b", "abcb", 0), 2); // 0 counts as 1
    EXPECT_EQ(PosFrom("b", "abcb", 1), 2);
    EXPECT_EQ(PosFrom("b", "abcb", 2), 2);
    EXPECT_EQ(PosFrom("b", "abcb", 3), 4);
    EXPECT_EQ(PosFrom("b", "abcb", 5), 0);
    EXPECT_EQ(PosFrom("b", "abcb", -1), 0);
    EXPECT_EQ(PosFrom("", "abc", 1), 0);
    EXPECT_EQ(PosFrom("a", "", 1), 0);
    EXPECT_EQ(PosFrom("cb", "abcb", 1), 3);
    EXPECT_EQ(PosFrom("B", "abcb", 1), 0);
    EXPECT_EQ(PosFrom("abcbx", "abcb", 1), 0);
}

TEST(Blanks, EveryCodeUpTo32AndNothingElse) {
    for (int C = 0; C < 256; ++C)
        EXPECT_EQ(IsBlank(static_cast<char>(C)), C <= 32) << C;
    EXPECT_EQ(TrimBlanks(std::string_view("\t\x01 a b\x1f \r\n", 10)), "a b");
    EXPECT_EQ(TrimBlanks(" \x7f "), "\x7f");
    EXPECT_EQ(TrimBlanks("\xa0x\xa0"), "\xa0x\xa0"); // a non-breaking space byte is no blank
    EXPECT_EQ(TrimBlanks("   "), "");
    EXPECT_EQ(TrimBlanks(""), "");
}

TEST(AsciiCase, OnlyAsciiLettersFold) {
    EXPECT_EQ(LowerAscii("AbZ@[`{09\xc3\x89"), "abz@[`{09\xc3\x89");
    EXPECT_EQ(UpperAscii("aBz@[`{09\xc3\xa9"), "ABZ@[`{09\xc3\xa9");
    EXPECT_TRUE(SameTextAscii("Disc1.SFV", "disc1.sfv"));
    EXPECT_FALSE(SameTextAscii("\xc3\x89", "\xc3\xa9")); // É and é in UTF-8: bytes, not letters
    EXPECT_FALSE(SameTextAscii("@", "`"));               // 0x40 and 0x60 differ by the case bit only
    EXPECT_FALSE(SameTextAscii("a", "ab"));
    EXPECT_TRUE(SameTextAscii("", ""));
}

} // namespace
