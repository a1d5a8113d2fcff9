// MD5 of buffers: the RFC 1321 test suite, padding boundaries, splitting of the input, the bit count.

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>

#include <gtest/gtest.h>

#include "checksum/Md5.h"

using namespace quorvane;

namespace {

// Digest of Bytes fed in pieces of Piece bytes, with empty and negative-length calls in between.
std::string Md5Of(const std::string& Bytes, std::size_t Piece) {
    MD5Context Context;
    MD5Init(Context);
    for (std::size_t At = 0; At < Bytes.size(); At += Piece) {
        MD5Update(Context, Bytes.data() + At, static_cast<std::ptrdiff_t>(std::min(Piece, Bytes.size() - At)));
        MD5Update(Context, "abc", 0);
        MD5Update(Context, "abc", -3);
    }
    MD5Digest Digest;
    MD5Final(Digest, Context);
    return Md5ToText(Digest);
}

TEST(Md5, Rfc1321SuitePaddingBoundariesAnySplitAndTheBitCountCarry) {
    // Runs of 55/56 and 119/120 'a' need one or two padding blocks; 1000 span several blocks in one call.
    const auto A = [](std::size_t Count) { return std::string(Count, 'a'); };
    const std::pair<std::string, const char*> Suite[] = {
        {"", "D41D8CD98F00B204E9800998ECF8427E"}, {"a", "0CC175B9C0F1B6A831C399E269772661"},
        {"abc", "900150983CD24FB0D6963F7D28E17F72"}, {"message digest", "F96B697D7CB7938D525A2F31AAF161D0"},
        {"abcdefghijklmnopqrstuvwxyz", "C3FCD3D76192E4007DFB496CCA67E13B"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "D174AB98D277D9F5A5611C2C9F419D9F"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57EDF4A22BE3C955AC49DA2E2107B67A"},
        {A(55), "EF1772B6DFF9A122358552954AD0DF65"}, {A(56), "3B0C8AC703F828B04C6C197006D17218"},
        {A(64), "014842D480B571495A4A0363793F7367"}, {A(119), "8A7BD0732ED6A28CE75F6DABC90E1613"},
        {A(120), "5F61C0CCAD4CAC44C75FF505E1F1E537"}, {A(1000), "CABE45DCC9AE5B66BA86600CCA6B8BA8"},
    };
    const std::size_t Pieces[] = {SIZE_MAX, 1, 3, 55, 56, 63, 64, 65, 129};
    for (const auto& [Input, Digest] : Suite)
        for (const std::size_t Piece : Pieces)
            EXPECT_EQ(Md5Of(Input, Piece), Digest) << '"' << Input << "\" in pieces of " << Piece;
    MD5Context Context;
    MD5Init(Context);
    Context.Count[0] = 0xFFFFFFF8u; // as if 2^29 - 1 bytes had been fed: one more carries into the high word
    MD5Update(Context, "x", 1);
    EXPECT_EQ(std::make_pair(Context.Count[0], Context.Count[1]), std::make_pair(0u, 1u));
}

} // namespace
