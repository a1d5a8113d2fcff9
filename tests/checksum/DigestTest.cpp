// Digests of every kind through TDigest: the FIPS 180 test messages for SHA-1, SHA-256 and SHA-512, BLAKE3
// on its usual test inputs (byte I is I % 251) against b3sum, the texts of every kind, and the file routines
// against sha1sum, sha256sum, sha512sum and b3sum on random files.

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "checksum/Digest.h"
#include "checksum/ThreadHash.h"
#include "support/TestSupport.h"

using namespace quorvane;

namespace {

// Text of Bytes fed in pieces of Piece bytes, with empty updates in between.
std::string TextOf(THashKind Kind, const std::string& Bytes, std::size_t Piece = SIZE_MAX) {
    TDigest Digest(Kind);
    for (std::size_t At = 0; At < Bytes.size(); At += Piece) {
        Digest.Update(Bytes.data() + At, std::min(Piece, Bytes.size() - At));
        Digest.Update("", 0);
    }
    return DigestToText(Digest.Final());
}

// The usual BLAKE3 test input: byte I is I % 251.
std::string Blake3Input(std::size_t Length) {
    std::string Bytes(Length, '\0');
    for (std::size_t I = 0; I < Length; ++I)
        Bytes[I] = static_cast<char>(I % 251);
    return Bytes;
}

// The first word of a peer's output line: the digest.
std::string PeerText(const std::string& Program, const std::string& File) {
    const qvtest::RunResult R = qvtest::Run({Program, File});
    EXPECT_EQ(R.ExitCode, 0) << Program << ": " << R.Err;
    return R.Out.substr(0, R.Out.find(' '));
}

TEST(Digest, ShaTestMessagesInAnySplitAndTheTextsOfEveryKind) {
    const std::string Abc = "abc", Empty, Long = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
                      Million(1000000, 'a');
    const struct {
        THashKind Kind;
        const std::string& Input;
        const char* Text;
    } Vectors[] = {
        {THashKind::Sha1, Abc, "a9993e364706816aba3e25717850c26c9cd0d89d"},
        {THashKind::Sha1, Empty, "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
        {THashKind::Sha1, Long, "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
        {THashKind::Sha1, Million, "34aa973cd4c4daa4f61eeb2bdbad27316534016f"},
        {THashKind::Sha256, Abc, "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {THashKind::Sha256, Empty, "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {THashKind::Sha256, Long, "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {THashKind::Sha256, Million, "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
        {THashKind::Sha512, Abc,
         "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a2192992a274fc1a836ba3c23a3feebbd454d4423643ce"
         "80e"
         "2a9ac94fa54ca49f"},
        {THashKind::Sha512, Empty,
         "cf83e1357eefb8bdf1542850d66d8007d620e4050b5715dc83f4a921d36ce9ce47d0d13c5d85f2b0ff8318d2877eec2f63b931bd47417"
         "a81a"
         "538327af927da3e"},
        {THashKind::Sha512, Long,
         "204a8fc6dda82f0a0ced7beb8e08a41657c16ef468b228a8279be331a703c33596fd15c13b1b07f9aa1d3bea57789ca031ad85c7a71dd"
         "703"
         "54ec631238ca3445"},
        {THashKind::Sha512, Million,
         "e718483d0ce769644e2e42c7bc15b4638e1f98b13b2044285632a803afa973ebde0ff244877ea60a4cb0432ce577c31beb009c5c2c49a"
         "a2e"
         "4eadb217ad8cc09b"},
        // BLAKE3 of empty input, of one zero byte and of "abc"; CRC-32 and MD5 keep their upper-case texts.
        {THashKind::Blake3, Empty, "af1349b9f5f9a1a6a0404dea36dcc9499bcb25c9adc112b7cc9a93cae41f3262"},
        {THashKind::Blake3, Blake3Input(1), "2d3adedff11b61f14c886e35afa036736dcd87a74d27b5c1510225d0f592e213"},
        {THashKind::Blake3, Abc, "6437b3ac38465133ffb63b75273a8db548c558465d79db03fd359c6cd5bd9d85"},
        {THashKind::Crc32, Abc, "352441C2"},
        {THashKind::Md5, Abc, "900150983CD24FB0D6963F7D28E17F72"},
    };
    for (const auto& V : Vectors)
        for (const std::size_t Piece : {SIZE_MAX, std::size_t{1000}, std::size_t{63}, std::size_t{1}}) {
            if (Piece < 100 && V.Input.size() > 100000)
                continue; // a million updates say nothing more
            EXPECT_EQ(TextOf(V.Kind, V.Input, Piece), V.Text)
                << TagName(V.Kind) << " of " << V.Input.size() << " bytes in pieces of " << Piece;
        }
    // Final starts afresh.
    for (const THashKind Kind : AllHashKinds) {
        TDigest Digest(Kind);
        Digest.Update("abc", 3);
        Digest.Final();
        EXPECT_EQ(DigestToText(Digest.Final()), TextOf(Kind, "")) << TagName(Kind);
        EXPECT_EQ(TextOf(Kind, "").size(), HexDigits(Kind)) << TagName(Kind);
    }
}

TEST(Digest, Blake3TestInputsAgreeWithB3sum) {
    if (!qvtest::HaveProgram("b3sum"))
        GTEST_SKIP() << "b3sum is missing (scripts/deps.sh installs it)";
    qvtest::TempDir Dir;
    for (const std::size_t Length : {0,    1,    1023, 1024, 1025, 2048, 2049, 3072, 3073,  4096,  4097,
                                     5120, 5121, 6144, 6145, 7168, 7169, 8192, 8193, 16384, 31744, 102400}) {
        const std::string Bytes = Blake3Input(Length);
        const std::string Expected = PeerText("b3sum", Dir.Write("in", Bytes));
        EXPECT_EQ(TextOf(THashKind::Blake3, Bytes), Expected) << Length;
        EXPECT_EQ(TextOf(THashKind::Blake3, Bytes, 1000), Expected) << Length;
    }
}

TEST(Digest, FileRoutinesAgreeWithThePeerToolsOnRandomFiles) {
    const std::pair<THashKind, const char*> Peers[] = {{THashKind::Sha1, "sha1sum"},
                                                       {THashKind::Sha256, "sha256sum"},
                                                       {THashKind::Sha512, "sha512sum"},
                                                       {THashKind::Blake3, "b3sum"}};
    std::string Missing;
    for (const auto& [Kind, Peer] : Peers)
        if (!qvtest::HaveProgram(Peer))
            Missing += std::string(" ") + Peer;
    qvtest::TempDir Dir;
    std::mt19937 Random(3);
    for (int Round = 0; Round < 12; ++Round) {
        const std::size_t Size = std::uniform_int_distribution<std::size_t>(0, Round < 8 ? 70000 : 3000000)(Random);
        const std::string File = Dir.Write("f", qvtest::PatternBytes(Size, static_cast<unsigned>(Round)));
        for (const auto& [Kind, Peer] : Peers) {
            if (Missing.find(Peer) != std::string::npos)
                continue;
            const std::string Expected = PeerText(Peer, File);
            EXPECT_EQ(FileDigestText(Kind, File), Expected) << Peer << ", " << Size << " bytes";
            EXPECT_EQ(ThreadDigestText(Kind, File), Expected) << Peer << ", " << Size << " bytes";
        }
    }
    if (!Missing.empty())
        GTEST_SKIP() << "missing peers (scripts/deps.sh installs them):" << Missing;
}

} // namespace
