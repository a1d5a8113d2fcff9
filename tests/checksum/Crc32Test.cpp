// CRC-32 of buffers and files: results, progress calls, message pump, abort and unopenable files.

#include <cerrno>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "EngineFixture.h"
#include "checksum/Crc32.h"
#include "checksum/Crc32Kernels.h"
#include "checksum/ThreadHash.h"
#include "support/TestSupport.h"

namespace {

using TCalls = std::vector<std::pair<int, int>>;

std::uint32_t ReferenceCrc(const std::string& Bytes) {
    return Crc32UpdateBytewise(0xFFFFFFFFu, reinterpret_cast<const unsigned char*>(Bytes.data()), Bytes.size()) ^
           0xFFFFFFFFu;
}

TEST(Crc32Update, ChainsWithoutPresetOrInversion) {
    const std::string Digits = "123456789";
    EXPECT_EQ(Crc32Update(0xFFFFFFFFu, Digits.data(), 9) ^ 0xFFFFFFFFu, 0xCBF43926u);
    const std::uint32_t Half = Crc32Update(0xFFFFFFFFu, Digits.data(), 4);
    EXPECT_EQ(Crc32Update(Half, Digits.data() + 4, 5) ^ 0xFFFFFFFFu, 0xCBF43926u);
}

TEST(Crc32Update, CountOfZeroOrLessReturnsRegister) {
    const char Byte = 'x';
    EXPECT_EQ(Crc32Update(0x1234ABCDu, &Byte, 0), 0x1234ABCDu);
    EXPECT_EQ(Crc32Update(0x1234ABCDu, &Byte, -5), 0x1234ABCDu);
}

TEST(Crc32ToText, EightUpperCaseDigitsWithLeadingZeros) {
    EXPECT_EQ(Crc32ToText(0xCBF43926u), "CBF43926");
    EXPECT_EQ(Crc32ToText(0x00A1B2C3u), "00A1B2C3");
    EXPECT_EQ(Crc32ToText(0), "00000000");
}

class Crc32FileTest : public EngineFixture {
protected:
    qvtest::TempDir Dir;
    TCalls Calls;

    void RecordProgress() {
        CrcOnProgress = [this](std::uint8_t Percent, std::int32_t Chunk) { Calls.emplace_back(Percent, Chunk); };
    }
};

TEST_F(Crc32FileTest, EmptyFileGivesZeroWithoutProgressCall) {
    RecordProgress();
    const std::string Path = Dir.Write("empty.bin", "");
    FileReadOutcome Outcome;
    EXPECT_EQ(FileCrcText(Path, &Outcome), "00000000");
    EXPECT_TRUE(Outcome.Complete());
    EXPECT_TRUE(Calls.empty());
}

TEST_F(Crc32FileTest, ContentMatchesReferenceAcrossChunkBoundaries) {
    for (std::size_t Size : {1u, 65535u, 65536u, 65537u, 200000u}) {
        const std::string Bytes = qvtest::PatternBytes(Size, static_cast<unsigned>(Size));
        const std::string Path = Dir.Write("f" + std::to_string(Size), Bytes);
        EXPECT_EQ(Crc32OfFile(Path), ReferenceCrc(Bytes)) << Size;
    }
}

TEST_F(Crc32FileTest, ExactBufferSizeEndsWithZeroByteRead) {
    RecordProgress();
    const std::string Path = Dir.Write("64k.bin", qvtest::PatternBytes(65536));
    FileReadOutcome Outcome;
    Crc32OfFile(Path, &Outcome);
    EXPECT_EQ(Calls, (TCalls{{100, 65536}, {100, 0}}));
    EXPECT_EQ(Outcome.BytesRead, 65536u);
}

TEST_F(Crc32FileTest, PercentRoundsHalvesToEven) {
    RecordProgress();
    // 65536 of 524288 bytes is 12.5 %: the eighths of the file fall on halves.
    const std::string Path = Dir.Write("512k.bin", qvtest::PatternBytes(524288));
    Crc32OfFile(Path);
    std::vector<int> Percents;
    for (const auto& Call : Calls)
        Percents.push_back(Call.first);
    EXPECT_EQ(Percents, (std::vector<int>{12, 25, 38, 50, 62, 75, 88, 100, 100}));
}

TEST_F(Crc32FileTest, ShortLastChunkIsReported) {
    RecordProgress();
    const std::string Path = Dir.Write("odd.bin", qvtest::PatternBytes(100000));
    Crc32OfFile(Path);
    EXPECT_EQ(Calls, (TCalls{{66, 65536}, {100, 100000 - 65536}}));
}

TEST_F(Crc32FileTest, UnsetCallbackStillHashes) {
    const std::string Bytes = qvtest::PatternBytes(70000);
    EXPECT_EQ(Crc32OfFile(Dir.Write("a.bin", Bytes)), ReferenceCrc(Bytes));
}

TEST_F(Crc32FileTest, PumpRunsAfterEveryChunkOnlyOutsideTheWorker) {
    int Pumps = 0;
    CrcMessagePump = [&Pumps] { ++Pumps; };
    const std::string Path = Dir.Write("p.bin", qvtest::PatternBytes(140000));
    Crc32OfFile(Path);
    EXPECT_EQ(Pumps, 3);
    Pumps = 0;
    CrcInThread = true;
    Crc32OfFile(Path);
    EXPECT_EQ(Pumps, 0);
}

TEST_F(Crc32FileTest, AbortStopsAfterCurrentChunkAndStaysSet) {
    const std::string Bytes = qvtest::PatternBytes(300000);
    const std::string Path = Dir.Write("big.bin", Bytes);
    CrcOnProgress = [](std::uint8_t, std::int32_t) { CrcAbort = true; };
    FileReadOutcome Outcome;
    const std::uint32_t Crc = Crc32OfFile(Path, &Outcome);
    EXPECT_EQ(Crc, ReferenceCrc(Bytes.substr(0, 65536)));
    EXPECT_TRUE(Outcome.Aborted);
    EXPECT_FALSE(Outcome.Complete());
    EXPECT_TRUE(CrcAbort) << "the abort request must reach the run that owns it";
}

TEST_F(Crc32FileTest, RequestMadeBeforeTheFileStartsIsNotLost) {
    const std::string Bytes = qvtest::PatternBytes(300000);
    const std::string Path = Dir.Write("big.bin", Bytes);
    RecordProgress();
    CrcAbort = true;
    FileReadOutcome Outcome;
    Crc32OfFile(Path, &Outcome);
    EXPECT_EQ(Calls.size(), 1u);
    EXPECT_EQ(Outcome.BytesRead, 65536u);
    EXPECT_TRUE(CrcAbort);
}

TEST_F(Crc32FileTest, MissingFileGivesFailureTextAndOutcome) {
    FileReadOutcome Outcome;
    EXPECT_EQ(FileCrcText(Dir / "missing.bin", &Outcome), "FFFFFFFF");
    EXPECT_FALSE(Outcome.Opened);
    EXPECT_EQ(Outcome.Error, ENOENT);
    EXPECT_THROW(Crc32OfFile(Dir / "missing.bin"), std::system_error);
}

TEST_F(Crc32FileTest, FolderAndFifoAreRefusedWithoutBlocking) {
    std::filesystem::create_directory(Dir.Path() / "sub");
    EXPECT_EQ(FileCrcText(Dir / "sub"), "FFFFFFFF");
    const std::string Fifo = Dir / "fifo";
    ASSERT_EQ(::mkfifo(Fifo.c_str(), 0600), 0);
    FileReadOutcome Outcome;
    EXPECT_EQ(FileCrcText(Fifo, &Outcome), "FFFFFFFF");
    EXPECT_FALSE(Outcome.Opened);
}

TEST_F(Crc32FileTest, UnreadableFileGivesFailureText) {
    const std::string Path = Dir.Write("locked.bin", "secret");
    ::chmod(Path.c_str(), 0);
    if (::geteuid() == 0)
        GTEST_SKIP() << "root reads any file";
    FileReadOutcome Outcome;
    EXPECT_EQ(FileCrcText(Path, &Outcome), "FFFFFFFF");
    EXPECT_EQ(Outcome.Error, EACCES);
}

TEST_F(Crc32FileTest, ReadErrorEndsTheLoopAndIsReported) {
    // The kernel's view of our own memory is a regular file whose first page is never mapped:
    // opening works, reading at offset 0 fails with EIO.
    const std::string Path = "/proc/self/mem";
    FileReadOutcome Outcome;
    const std::string Text = ThreadCrcText(Path, &Outcome);
    if (!Outcome.Opened)
        GTEST_SKIP() << "no readable /proc/self/mem here";
    EXPECT_TRUE(Outcome.ReadError);
    EXPECT_EQ(Outcome.Error, EIO);
    EXPECT_FALSE(Outcome.Complete());
    EXPECT_EQ(Text, "00000000") << "the CRC of the bytes before the failure: none";
    Outcome = {};
    ThreadMd5Text(Path, &Outcome);
    EXPECT_TRUE(Outcome.ReadError);
}

TEST_F(Crc32FileTest, ThreadCrcTextMarksTheWorkerAndNeverPumps) {
    int Pumps = 0;
    bool InThreadSeen = false;
    CrcMessagePump = [&Pumps] { ++Pumps; };
    CrcOnProgress = [&InThreadSeen](std::uint8_t, std::int32_t) { InThreadSeen = CrcInThread.load(); };
    const std::string Bytes = qvtest::PatternBytes(70000);
    EXPECT_EQ(ThreadCrcText(Dir.Write("w.bin", Bytes)), Crc32ToText(ReferenceCrc(Bytes)));
    EXPECT_TRUE(InThreadSeen);
    EXPECT_EQ(Pumps, 0);
    EXPECT_FALSE(CrcInThread);
}

TEST_F(Crc32FileTest, ThreadCrcTextClearsWorkerFlagAfterFailure) {
    FileReadOutcome Outcome;
    EXPECT_EQ(ThreadCrcText(Dir / "missing.bin", &Outcome), "FFFFFFFF");
    EXPECT_FALSE(Outcome.Opened);
    EXPECT_FALSE(CrcInThread);
}

TEST_F(Crc32FileTest, ThreadCrcTextClearsWorkerFlagWhenCallbackThrows) {
    CrcOnProgress = [](std::uint8_t, std::int32_t) { throw std::runtime_error("display gone"); };
    EXPECT_EQ(ThreadCrcText(Dir.Write("t.bin", "abc")), "FFFFFFFF");
    EXPECT_FALSE(CrcInThread);
}

} // namespace
