#include "util/Base64.h"

#include <string>

#include <gtest/gtest.h>

namespace {

TEST(Base64Decode, Rfc4648Vectors) {
    const std::pair<const char*, const char*> Cases[] = {
        {"", ""},
        {"Zg==", "f"},
        {"Zm8=", "fo"},
        {"Zm9v", "foo"},
        {"Zm9vYg==", "foob"},
        {"Zm9vYmE=", "fooba"},
        {"Zm9vYmFy", "foobar"},
    };
    for (const auto& [In, Out] : Cases)
        EXPECT_EQ(Base64Decode(In), Out) << In;
}

TEST(Base64Decode, PaddingLineBreaksAndStrayCharactersAreSkipped) {
    EXPECT_EQ(Base64Decode("Zm9vYg"), "foob");
    EXPECT_EQ(Base64Decode("Zm9vYmE"), "fooba");
    EXPECT_EQ(Base64Decode("Zm9v\r\nYmFy\n"), "foobar");
    EXPECT_EQ(Base64Decode("Z m-9_v!"), "foo");
    EXPECT_EQ(Base64Decode("=Zm=9v="), "foo");
    EXPECT_EQ(Base64Decode("Zm9vY"), "foo"); // a final lone character is dropped
    EXPECT_EQ(Base64Decode("Z"), "");
}

TEST(Base64Decode, BinaryBytes) {
    EXPECT_EQ(Base64Decode("AP8QgA=="), std::string("\x00\xff\x10\x80", 4));
    EXPECT_EQ(Base64Decode("+/+/"), "\xfb\xff\xbf");
}

} // namespace
