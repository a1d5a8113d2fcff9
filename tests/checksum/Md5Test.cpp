// MD5: the RFC 1321 test suite, splitting of the input, the context after MD5Final, and the two file routines.

#include <cerrno>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "EngineFixture.h"
#include "checksum/Md5.h"
#include "checksum/ThreadHash.h"
#include "support/TestSupport.h"

namespace {

const char* const EmptyMd5 = "D41D8CD98F00B204E9800998ECF8427E";

std::string Md5Of(const std::string& Bytes) {
    MD5Context Context;
    MD5Init(Context);
    MD5Update(Context, Bytes.data(), static_cast<std::ptrdiff_t>(Bytes.size()));
    MD5Digest Digest;
    MD5Final(Digest, Context);
    return Md5ToText(Digest);
}

TEST(Md5, Rfc1321TestSuite) {
    const std::pair<const char*, const char*> Suite[] = {
        {"", "D41D8CD98F00B204E9800998ECF8427E"},
        {"a", "0CC175B9C0F1B6A831C399E269772661"},
        {"abc", "900150983CD24FB0D6963F7D28E17F72"},
        {"message digest", "F96B697D7CB7938D525A2F31AAF161D0"},
        {"abcdefghijklmnopqrstuvwxyz", "C3FCD3D76192E4007DFB496CCA67E13B"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "D174AB98D277D9F5A5611C2C9F419D9F"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57EDF4A22BE3C955AC49DA2E2107B67A"},
    };
    for (const auto& [Input, Digest] : Suite)
        EXPECT_EQ(Md5Of(Input), Digest) << '"' << Input << '"';
}

TEST(Md5, AnySplitGivesTheSameDigest) {
    const std::string Bytes = qvtest::PatternBytes(100000, 5);
    const std::string Whole = Md5Of(Bytes);
    for (std::size_t Piece : {1u, 3u, 55u, 56u, 63u, 64u, 65u, 1000u, 16384u, 65536u}) {
        MD5Context Context;
        MD5Init(Context);
        for (std::size_t At = 0; At < Bytes.size(); At += Piece)
            MD5Update(Context, Bytes.data() + At, static_cast<std::ptrdiff_t>(std::min(Piece, Bytes.size() - At)));
        MD5Digest Digest;
        MD5Final(Digest, Context);
        EXPECT_EQ(Md5ToText(Digest), Whole) << "pieces of " << Piece;
    }
}

TEST(Md5, PaddingBoundaryLengths) {
    // Lengths around 56 mod 64 need one or two padding blocks; each must differ from its neighbours.
    std::vector<std::string> Digests;
    for (std::size_t Length = 54; Length <= 66; ++Length)
        Digests.push_back(Md5Of(std::string(Length, 'a')));
    EXPECT_EQ(Md5Of(std::string(64, 'a')), "014842D480B571495A4A0363793F7367");
    for (std::size_t I = 1; I < Digests.size(); ++I)
        EXPECT_NE(Digests[I], Digests[I - 1]);
}

TEST(Md5, NonPositiveLengthFeedsNothing) {
    MD5Context Context;
    MD5Init(Context);
    MD5Update(Context, "abc", 0);
    MD5Update(Context, "abc", -3);
    MD5Digest Digest;
    MD5Final(Digest, Context);
    EXPECT_EQ(Md5ToText(Digest), EmptyMd5);
}

TEST(Md5, FinalZeroesTheContext) {
    MD5Context Context;
    MD5Init(Context);
    MD5Update(Context, "some bytes", 10);
    MD5Digest Digest;
    MD5Final(Digest, Context);
    MD5Context Zero;
    std::memset(&Zero, 0, sizeof Zero);
    EXPECT_EQ(std::memcmp(&Context, &Zero, sizeof Context), 0);
}

TEST(Md5, BitCountCarriesIntoHighWord) {
    MD5Context Context;
    MD5Init(Context);
    Context.Count[0] = 0xFFFFFFF8u;  // as if 2^29 - 1 bytes had been fed
    MD5Update(Context, "x", 1);
    EXPECT_EQ(Context.Count[0], 0u);
    EXPECT_EQ(Context.Count[1], 1u);
}

class Md5FileTest : public EngineFixture {
protected:
    qvtest::TempDir Dir;
};

TEST_F(Md5FileTest, FileTextMatchesBufferDigest) {
    for (std::size_t Size : {0u, 3u, 65536u, 150001u}) {
        const std::string Bytes = qvtest::PatternBytes(Size, 9);
        const std::string Path = Dir.Write("m" + std::to_string(Size), Bytes);
        EXPECT_EQ(FileMd5Text(Path), Md5Of(Bytes)) << Size;
        EXPECT_EQ(ThreadMd5Text(Path), Md5Of(Bytes)) << Size;
    }
}

TEST_F(Md5FileTest, UnopenableFileGivesEmptyInputDigestAndOutcome) {
    FileReadOutcome Outcome;
    EXPECT_EQ(FileMd5Text(Dir / "missing", &Outcome), EmptyMd5);
    EXPECT_FALSE(Outcome.Opened);
    EXPECT_EQ(Outcome.Error, ENOENT);
    Outcome = {};
    EXPECT_EQ(ThreadMd5Text(Dir / "missing", &Outcome), EmptyMd5);
    EXPECT_FALSE(Outcome.Opened);
    std::filesystem::create_directory(Dir.Path() / "folder");
    EXPECT_EQ(ThreadMd5Text(Dir / "folder", &Outcome), EmptyMd5);
    EXPECT_FALSE(Outcome.Opened);
}

TEST_F(Md5FileTest, CreationRoutineReportsEveryChunkAndAlwaysPumps) {
    std::vector<std::pair<int, int>> Calls;
    int Pumps = 0;
    CrcOnProgress = [&Calls](std::uint8_t Percent, std::int32_t Chunk) { Calls.emplace_back(Percent, Chunk); };
    CrcMessagePump = [&Pumps] { ++Pumps; };
    CrcInThread = true;  // the creation routine runs on the user-interface thread whatever this says
    FileMd5Text(Dir.Write("64k", qvtest::PatternBytes(65536)));
    EXPECT_EQ(Calls, (std::vector<std::pair<int, int>>{{100, 65536}, {100, 0}}));
    EXPECT_EQ(Pumps, 2);
}

TEST_F(Md5FileTest, CreationRoutineMakesNoProgressCallForEmptyFile) {
    int Calls = 0, Pumps = 0;
    CrcOnProgress = [&Calls](std::uint8_t, std::int32_t) { ++Calls; };
    CrcMessagePump = [&Pumps] { ++Pumps; };
    EXPECT_EQ(FileMd5Text(Dir.Write("empty", "")), EmptyMd5);
    EXPECT_EQ(Calls, 0);
    EXPECT_EQ(Pumps, 1);
}

TEST_F(Md5FileTest, AbortThroughThePumpStopsAfterTheChunk) {
    const std::string Bytes = qvtest::PatternBytes(200000);
    CrcMessagePump = [] { CrcAbort = true; };
    FileReadOutcome Outcome;
    EXPECT_EQ(FileMd5Text(Dir.Write("big", Bytes), &Outcome), Md5Of(Bytes.substr(0, 65536)));
    EXPECT_TRUE(Outcome.Aborted);
    EXPECT_TRUE(CrcAbort);
}

TEST_F(Md5FileTest, WorkerRoutineNeverPumpsAndKeepsAbortRequest) {
    const std::string Bytes = qvtest::PatternBytes(200000);
    const std::string Path = Dir.Write("big", Bytes);
    int Pumps = 0;
    std::vector<std::pair<int, int>> Calls;
    CrcMessagePump = [&Pumps] { ++Pumps; };
    CrcOnProgress = [&Calls](std::uint8_t Percent, std::int32_t Chunk) { Calls.emplace_back(Percent, Chunk); };
    EXPECT_EQ(ThreadMd5Text(Path), Md5Of(Bytes));
    EXPECT_EQ(Pumps, 0);
    EXPECT_EQ(Calls.size(), 4u);
    EXPECT_EQ(Calls.back(), (std::pair<int, int>{100, 200000 - 3 * 65536}));

    Calls.clear();
    CrcAbort = true;  // set by the user before this file's hashing began
    FileReadOutcome Outcome;
    EXPECT_EQ(ThreadMd5Text(Path, &Outcome), Md5Of(Bytes.substr(0, 65536)));
    EXPECT_EQ(Calls.size(), 1u);
    EXPECT_TRUE(CrcAbort);
    EXPECT_TRUE(Outcome.Aborted);
}

TEST_F(Md5FileTest, WorkerRoutineGivesEmptyTextWhenCallbackFails) {
    CrcOnProgress = [](std::uint8_t, std::int32_t) { throw std::runtime_error("gone"); };
    FileReadOutcome Outcome;
    EXPECT_EQ(ThreadMd5Text(Dir.Write("x", "abc"), &Outcome), "");
    EXPECT_TRUE(Outcome.ReadError);
}

} // namespace
