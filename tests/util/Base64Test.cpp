#include "util/Base64.h"

#include <string>

#include <gtest/gtest.h>

#include "support/TestSupport.h"

namespace {

std::string Encode(const std::string& Bytes) {
    static const char* Alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string Text;
    std::size_t I = 0;
    for (; I + 2 < Bytes.size(); I += 3) {
        const unsigned V = static_cast<unsigned char>(Bytes[I]) << 16 | static_cast<unsigned char>(Bytes[I + 1]) << 8 |
                           static_cast<unsigned char>(Bytes[I + 2]);
        for (int S = 18; S >= 0; S -= 6)
            Text += Alphabet[(V >> S) & 63];
    }
    if (Bytes.size() - I == 2) {
        const unsigned V = static_cast<unsigned char>(Bytes[I]) << 16 | static_cast<unsigned char>(Bytes[I + 1]) << 8;
        Text += std::string{Alphabet[V >> 18], Alphabet[(V >> 12) & 63], Alphabet[(V >> 6) & 63]} + "=";
    } else if (Bytes.size() - I == 1) {
        const unsigned V = static_cast<unsigned char>(Bytes[I]) << 16;
        Text += std::string{Alphabet[V >> 18], Alphabet[(V >> 12) & 63]} + "==";
    }
    return Text;
}

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

TEST(Base64Decode, EveryByteValueRoundTrips) {
    std::string All;
    for (int C = 0; C < 256; ++C)
        All += static_cast<char>(C);
    for (std::size_t Cut = 0; Cut < 4; ++Cut)
        EXPECT_EQ(Base64Decode(Encode(All.substr(Cut))), All.substr(Cut));
    const std::string Random = qvtest::PatternBytes(100000, 7);
    EXPECT_EQ(Base64Decode(Encode(Random)), Random);
}

} // namespace
