// The four file-hashing routines (CRC-32 and MD5, user-interface thread and worker) over one table:
// results, progress calls, message pump, abort, unopenable and unreadable files, failing callbacks.

#include <cerrno>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "checksum/Crc32.h"
#include "checksum/Crc32Kernels.h"
#include "checksum/Md5.h"
#include "checksum/ThreadHash.h"
#include "support/TestSupport.h"

using namespace quorvane;

namespace {

using TCalls = std::vector<std::pair<int, int>>;
const std::string EmptyMd5 = "D41D8CD98F00B204E9800998ECF8427E";

std::string CrcOf(const std::string& Bytes) {
    const auto* Data = reinterpret_cast<const unsigned char*>(Bytes.data());
    return Crc32ToText(Crc32UpdateBytewise(0xFFFFFFFFu, Data, Bytes.size()) ^ 0xFFFFFFFFu);
}

std::string Md5Of(const std::string& Bytes) {
    MD5Context Context;
    MD5Init(Context);
    MD5Update(Context, Bytes.data(), static_cast<std::ptrdiff_t>(Bytes.size()));
    MD5Digest Digest;
    MD5Final(Digest, Context);
    return Md5ToText(Digest);
}

struct TRoutine {
    const char* Name;
    std::string (*Hash)(const std::string&, FileReadOutcome*);
    std::string (*OfBytes)(const std::string&);
    bool Pumps;               // runs the message pump (on the user-interface thread)
    bool MarksWorker;         // CrcInThread is set while it hashes
    std::string FailureText;  // when the file cannot be opened
    const char* ThrowText;    // when the progress callback throws, where the routine promises one
};

const TRoutine Routines[] = {
    {"FileCrcText", FileCrcText, CrcOf, true, false, "FFFFFFFF", "FFFFFFFF"},
    {"ThreadCrcText", ThreadCrcText, CrcOf, false, true, "FFFFFFFF", "FFFFFFFF"},
    {"FileMd5Text", FileMd5Text, Md5Of, true, false, EmptyMd5, nullptr},
    {"ThreadMd5Text", ThreadMd5Text, Md5Of, false, false, EmptyMd5, ""},
};

// Puts the engine variables back to their idle state around every test and records the callbacks.
class FileHashTest : public ::testing::Test {
protected:
    qvtest::TempDir Dir;
    TCalls Calls;
    int Pumps = 0;
    bool SawInThread = false;
    bool AbortInCallback = false;

    void SetUp() override {
        CrcAbort = CrcInThread = false;
        CrcOnProgress = [this](std::uint8_t Percent, std::int32_t Chunk) {
            Calls.emplace_back(Percent, Chunk);
            SawInThread |= CrcInThread.load();
            if (AbortInCallback)
                CrcAbort = true;
        };
        CrcMessagePump = [this] { ++Pumps; };
    }
    void TearDown() override {
        CrcAbort = CrcInThread = false;
        CrcOnProgress = nullptr;
        CrcMessagePump = nullptr;
    }
    void Clear() {
        Calls.clear();
        Pumps = 0;
        SawInThread = false;
    }
};

TEST_F(FileHashTest, ResultsProgressCallsAndPumpAcrossChunkBoundariesAndInTheWorker) {
    const std::pair<std::size_t, TCalls> Cases[] = {
        {0, {}},  // no progress call for an empty file
        {1, {{100, 1}}},
        {65535, {{100, 65535}}},
        {65536, {{100, 65536}, {100, 0}}},  // a full last chunk is followed by a read of 0 bytes
        {65537, {{100, 65536}, {100, 1}}},
        {100000, {{66, 65536}, {100, 100000 - 65536}}},
        // 12.5 % steps: the percents round halves to even.
        {524288, {{12, 65536}, {25, 65536}, {38, 65536}, {50, 65536}, {62, 65536}, {75, 65536}, {88, 65536},
                  {100, 65536}, {100, 0}}},
    };
    for (const auto& [Size, Expected] : Cases) {
        const std::string Bytes = qvtest::PatternBytes(Size, static_cast<unsigned>(Size));
        const std::string Path = Dir.Write("f" + std::to_string(Size), Bytes);
        const int Reads = Expected.empty() ? 1 : static_cast<int>(Expected.size());
        for (const TRoutine& R : Routines) {
            SCOPED_TRACE(std::string(R.Name) + " size " + std::to_string(Size));
            Clear();
            FileReadOutcome Outcome;
            EXPECT_EQ(R.Hash(Path, &Outcome), R.OfBytes(Bytes));
            EXPECT_TRUE(Outcome.Complete());
            EXPECT_EQ(Outcome.BytesRead, Size);
            EXPECT_EQ(Calls, Expected);
            EXPECT_EQ(Pumps, R.Pumps ? Reads : 0);
            EXPECT_EQ(SawInThread, R.MarksWorker && Size > 0);
            EXPECT_FALSE(CrcInThread);
            auto Saved = std::exchange(CrcOnProgress, nullptr);  // hashing needs no callback
            EXPECT_EQ(R.Hash(Path, nullptr), R.OfBytes(Bytes));
            CrcOnProgress = std::move(Saved);
        }
    }
    CrcInThread = true; // while the worker hashes, the CRC routine runs no pump; list creation's MD5 still does
    Clear();
    Crc32OfFile(Dir / "f100000");
    EXPECT_EQ(Pumps, 0);
    FileMd5Text(Dir / "f100000");
    EXPECT_EQ(Pumps, 2);
}

TEST_F(FileHashTest, AbortStopsAfterTheChunkStaysSetAndAnEarlierRequestIsNotLost) {
    const std::string Bytes = qvtest::PatternBytes(300000);
    const std::string Path = Dir.Write("big.bin", Bytes);
    for (const TRoutine& R : Routines) {
        SCOPED_TRACE(R.Name);
        CrcAbort = false;
        AbortInCallback = true;  // during the first chunk
        FileReadOutcome Outcome;
        EXPECT_EQ(R.Hash(Path, &Outcome), R.OfBytes(Bytes.substr(0, 65536)));
        EXPECT_TRUE(Outcome.Aborted);
        EXPECT_TRUE(CrcAbort) << "the abort request must reach the run that owns it";
        // A request made before the file starts: one chunk, then stop.
        AbortInCallback = false;
        Clear();
        EXPECT_EQ(R.Hash(Path, &Outcome), R.OfBytes(Bytes.substr(0, 65536)));
        EXPECT_EQ(Calls, (TCalls{{22, 65536}}));
        EXPECT_EQ(Outcome.BytesRead, 65536u);
        EXPECT_TRUE(CrcAbort);
    }
}

TEST_F(FileHashTest, FailuresGiveTheirTextAndAreReported) {
    std::filesystem::create_directory(Dir.Path() / "folder");
    ASSERT_EQ(::mkfifo((Dir / "fifo").c_str(), 0600), 0);  // opening a fifo for reading would block
    ::chmod(Dir.Write("locked", "secret").c_str(), 0);
    const std::string Abc = Dir.Write("abc", "abc");
    const std::pair<const char*, int> Unopenable[] = {{"missing", ENOENT}, {"folder", 0}, {"fifo", 0}, {"locked", EACCES}};
    for (const TRoutine& R : Routines) {
        SCOPED_TRACE(R.Name);
        for (const auto& [Name, Error] : Unopenable) {
            if (Error == EACCES && ::geteuid() == 0)
                continue;  // root reads any file
            FileReadOutcome Outcome;
            EXPECT_EQ(R.Hash(Dir / Name, &Outcome), R.FailureText) << Name;
            EXPECT_FALSE(Outcome.Opened) << Name;
            EXPECT_TRUE(Error != 0 ? Outcome.Error == Error : Outcome.Error != 0) << Name << " " << Outcome.Error;
        }
        // Our own memory as the kernel shows it opens as a regular file, but its first page is never
        // mapped: reading at offset 0 fails with EIO.
        FileReadOutcome Outcome;
        const std::string Text = R.Hash("/proc/self/mem", &Outcome);
        if (Outcome.Opened) {
            EXPECT_TRUE(Outcome.ReadError);
            EXPECT_EQ(Outcome.Error, EIO);
            EXPECT_EQ(Text, R.OfBytes("")) << "the checksum of the bytes before the failure: none";
        }
        auto Saved = std::exchange(CrcOnProgress, [](std::uint8_t, std::int32_t) { throw std::runtime_error("gone"); });
        const std::string Thrown = R.Hash(Abc, &Outcome);
        CrcOnProgress = std::move(Saved);
        if (R.ThrowText) {
            EXPECT_EQ(Thrown, R.ThrowText);
        }
        EXPECT_TRUE(Outcome.ReadError) << "a failing progress callback";
        EXPECT_FALSE(CrcInThread) << "cleared after every failure above";
    }
    EXPECT_THROW(Crc32OfFile(Dir / "missing"), std::system_error);
    EXPECT_THROW(Crc32OfFile(Dir / "fifo"), std::system_error);
}

} // namespace
