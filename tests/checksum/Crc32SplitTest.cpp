// CRC-32 combination and the split file routine: Crc32Combine against the CRC of the concatenation and against
// zlib's crc32_combine; Crc32OfFileSplit against the serial CRC for many sizes and thread counts, its threshold,
// progress, abort and read errors.

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <random>
#include <stdexcept>
#include <string>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <zlib.h>

#include "EngineTest.h"
#include "checksum/Crc32.h"
#include "checksum/Crc32Kernels.h"
#include "checksum/Crc32Split.h"
#include "support/TestSupport.h"

using namespace quorvane;

namespace {

std::uint32_t CrcOf(const std::string& Bytes, std::size_t From = 0, std::size_t Count = std::string::npos) {
    Count = std::min(Count, Bytes.size() - From);
    const auto* Data = reinterpret_cast<const unsigned char*>(Bytes.data()) + From;
    return Crc32UpdateBytewise(0xFFFFFFFFu, Data, Count) ^ 0xFFFFFFFFu;
}

// --- Crc32Combine ---

TEST(Crc32Combine, EqualsTheCrcOfTheConcatenation) {
    const std::string Bytes = qvtest::PatternBytes(3 * 65536 + 100, 11);
    std::vector<std::pair<std::size_t, std::size_t>> Cases = { // total length, split point
        {0, 0},          {1, 0},          {1, 1},          {2, 1},           {65535, 0},       {65535, 65535},
        {65536, 1},      {65536, 32768},  {65536, 65535},  {65537, 65536},   {65537, 1},       {131072, 65536},
        {131073, 65535}, {131071, 65537}, {3 * 65536 + 100, 65536},          {3 * 65536 + 100, 2 * 65536 + 1}};
    std::mt19937_64 Random(5);
    for (int I = 0; I < 200; ++I) {
        const std::size_t Total = Random() % (Bytes.size() + 1);
        Cases.emplace_back(Total, Random() % (Total + 1));
    }
    for (const auto& [Total, Split] : Cases)
        ASSERT_EQ(Crc32Combine(CrcOf(Bytes, 0, Split), CrcOf(Bytes, Split, Total - Split), Total - Split),
                  CrcOf(Bytes, 0, Total))
            << "total " << Total << " split " << Split;
}

// zlib's crc32_combine as an oracle, for lengths of any size up to 2^63 (its length is signed).
TEST(Crc32Combine, AgreesWithZlibForLengthsOfAnySize) {
    std::mt19937_64 Random(9);
    for (int I = 0; I < 2000; ++I) {
        const auto A = static_cast<std::uint32_t>(Random()), B = static_cast<std::uint32_t>(Random());
        const std::uint64_t Length = Random() >> (Random() % 63 + 1); // 1 to 63 bits
        ASSERT_EQ(Crc32Combine(A, B, Length), crc32_combine(A, B, static_cast<z_off_t>(Length)))
            << A << " " << B << " " << Length;
    }
}

// --- Crc32OfFileSplit ---


class Crc32SplitTest : public EngineTest {
protected:
    std::uint64_t Reported() const {
        std::uint64_t Sum = 0;
        for (const auto& Call : Calls)
            Sum += static_cast<std::uint64_t>(Call.second);
        return Sum;
    }
};

TEST_F(Crc32SplitTest, EqualsTheSerialCrcForAnySizeThreadsAndReadSize) {
    std::vector<std::size_t> Sizes = {0, 1, 2, 7, 8, 4095, 65535, 65536, 65537, 3 * 65536, (3u << 20) + 12345};
    std::mt19937 Random(3);
    for (int I = 0; I < 6; ++I)
        Sizes.push_back(Random() % (1u << 20));
    for (const std::size_t Size : Sizes) {
        const std::string Bytes = qvtest::PatternBytes(Size, static_cast<unsigned>(Size) + 1);
        const std::string Path = Dir.Write("f", Bytes);
        for (unsigned Threads = 1; Threads <= 8; ++Threads) {
            for (const std::size_t ReadBytes : {std::size_t{0}, std::size_t{65536}, std::size_t{1000}}) { // 0: default
                SCOPED_TRACE(testing::Message() << "size " << Size << " threads " << Threads << " read " << ReadBytes);
                Calls.clear();
                std::atomic<std::uint64_t> Done{0};
                FileReadOutcome Outcome;
                const TCrc32SplitOptions Options{Threads, 0, ReadBytes, &Done};
                ASSERT_EQ(Crc32OfFileSplit(Path, Options, &Outcome), CrcOf(Bytes));
                EXPECT_TRUE(Outcome.Complete());
                EXPECT_EQ(Outcome.BytesRead, Size);
                EXPECT_EQ(Done.load(), Size);
                EXPECT_EQ(Reported(), Size); // every byte of every thread is reported once
                EXPECT_TRUE(std::is_sorted(Calls.begin(), Calls.end(),
                                           [](const auto& A, const auto& B) { return A.first < B.first; }));
                if (Size == 0)
                    EXPECT_TRUE(Calls.empty());
                else
                    EXPECT_EQ(Calls.back().first, 100);
            }
        }
    }
}

// Records which descriptor read at which offset, and fails or interrupts reads on request.
struct TReadLog {
    std::mutex M;
    std::vector<std::pair<int, off_t>> Reads;
    std::atomic<off_t> FailFrom{-1};    // reads reaching this offset fail with EIO
    std::atomic<bool> Interrupt{false}; // every other call fails with EINTR, and reads are cut in half
    std::atomic<off_t> EndAt{-1};       // the file seems to end here (it shrank while read)
} Log;

ssize_t LoggedPread(int Fd, void* Buffer, std::size_t Count, off_t Offset) {
    {
        const std::lock_guard Lock(Log.M);
        Log.Reads.emplace_back(Fd, Offset);
        if (Log.Interrupt && Log.Reads.size() % 2 == 0) {
            errno = EINTR;
            return -1;
        }
    }
    const off_t FailFrom = Log.FailFrom;
    if (FailFrom >= 0 && Offset + static_cast<off_t>(Count) > FailFrom) {
        if (Offset >= FailFrom) {
            errno = EIO;
            return -1;
        }
        Count = static_cast<std::size_t>(FailFrom - Offset); // the bytes before the failure arrive first
    }
    if (const off_t EndAt = Log.EndAt; EndAt >= 0)
        Count = static_cast<std::size_t>(std::clamp<off_t>(EndAt - Offset, 0, static_cast<off_t>(Count)));
    if (Log.Interrupt && Count > 1)
        Count /= 2;
    return ::pread(Fd, Buffer, Count, Offset);
}

void ResetLog() {
    const std::lock_guard Lock(Log.M);
    Log.Reads.clear();
    Log.FailFrom = -1;
    Log.Interrupt = false;
    Log.EndAt = -1;
}

// The first offset each descriptor read, in order of the offsets: one entry per range.
std::vector<off_t> RangeStarts() {
    const std::lock_guard Lock(Log.M);
    std::vector<std::pair<int, off_t>> First;
    for (const auto& [Fd, Offset] : Log.Reads) {
        auto It = std::find_if(First.begin(), First.end(), [Fd = Fd](const auto& E) { return E.first == Fd; });
        if (It == First.end())
            First.emplace_back(Fd, Offset);
        else
            It->second = std::min(It->second, Offset);
    }
    std::vector<off_t> Starts;
    for (const auto& Entry : First)
        Starts.push_back(Entry.second);
    std::sort(Starts.begin(), Starts.end());
    return Starts;
}

TEST_F(Crc32SplitTest, FilesBelowTheThresholdAreOneRangeWithTheSerialProgressCalls) {
    EXPECT_EQ(Crc32SplitMinFileBytes, 64u << 20);
    const std::uint64_t Min = 1u << 20; // stands for Crc32SplitMinFileBytes
    const std::pair<std::size_t, std::vector<off_t>> Cases[] = {
        {Min - 1, {0}},
        {Min, {0, 262144, 524288, 786432}}, // four ranges of 1/4 MiB (starts at multiples of 64 KiB)
        {4 * Min + 5, {0, 1048576, 2097152, 3145728}},
    };
    for (const auto& [Size, Starts] : Cases) {
        SCOPED_TRACE(Size);
        const std::string Bytes = qvtest::PatternBytes(Size, 4);
        const std::string Path = Dir.Write("f", Bytes);
        ResetLog();
        FileReadOutcome Outcome;
        EXPECT_EQ(Crc32OfFileSplit(Path, {4, Min, 65536, nullptr, LoggedPread}, &Outcome), CrcOf(Bytes));
        EXPECT_TRUE(Outcome.Complete());
        EXPECT_EQ(RangeStarts(), Starts);
    }
    // One range (below the threshold, or one thread): the progress calls and pumps of the serial routine.
    for (const unsigned Threads : {8u, 1u}) {
        const std::string Path = Dir.Write("g", qvtest::PatternBytes(5 * 65536, 2));
        Calls.clear();
        Pumps = 0;
        Crc32OfFile(Path);
        const TCalls Serial = Calls;
        const int SerialPumps = Pumps;
        Calls.clear();
        Pumps = 0;
        Crc32OfFileSplit(Path, {Threads, Threads == 1 ? 0 : Crc32SplitMinFileBytes});
        EXPECT_EQ(Calls, Serial);
        EXPECT_EQ(Pumps, SerialPumps);
        EXPECT_EQ(Calls.back(), (std::pair{100, 0})); // the final empty read
    }
}

TEST_F(Crc32SplitTest, AbortStopsEveryThreadWithinOneChunk) {
    constexpr std::size_t Size = 16u << 20, Chunk = 65536;
    const std::string Bytes = qvtest::PatternBytes(Size, 6);
    const std::string Path = Dir.Write("f", Bytes);
    for (const unsigned Threads : {2u, 3u, 8u}) {
        SCOPED_TRACE(Threads);
        // Requested before the call: one chunk per thread, the result covers the first one, the flag stays.
        std::atomic<std::uint64_t> Done{0};
        CrcAbort = true;
        FileReadOutcome Outcome;
        EXPECT_EQ(Crc32OfFileSplit(Path, {Threads, 0, Chunk, &Done}, &Outcome), CrcOf(Bytes, 0, Chunk));
        EXPECT_TRUE(Outcome.Aborted);
        EXPECT_EQ(Outcome.BytesRead, Chunk);
        EXPECT_EQ(Done.load(), Threads * Chunk);
        EXPECT_TRUE(CrcAbort);
        // Requested while the threads read: each reads at most the chunk it is in.
        CrcAbort = false;
        Done = 0;
        std::uint64_t AtRequest = 0;
        CrcOnProgress = [&](std::uint8_t, std::int32_t) {
            if (!CrcAbort) {
                CrcAbort = true;
                AtRequest = Done.load();
            }
        };
        EXPECT_EQ(Crc32OfFileSplit(Path, {Threads, 0, Chunk, &Done}, &Outcome), CrcOf(Bytes, 0, Chunk));
        EXPECT_TRUE(Outcome.Aborted);
        EXPECT_EQ(Outcome.BytesRead, Chunk); // the calling thread stops right after its first chunk
        EXPECT_LE(Done.load(), AtRequest + Threads * Chunk);
        EXPECT_LT(Done.load(), Size);
        CrcAbort = false;
    }
}

TEST_F(Crc32SplitTest, OpenAndReadErrorsAndShortFilesAreReported) {
    std::filesystem::create_directory(Dir.Path() / "folder");
    ASSERT_EQ(::mkfifo((Dir / "fifo").c_str(), 0600), 0); // opening a fifo for reading would block
    for (const auto& [Name, Error] : {std::pair{"missing", ENOENT}, {"folder", EISDIR}, {"fifo", ENXIO}}) {
        FileReadOutcome Outcome;
        EXPECT_THROW(Crc32OfFileSplit(Dir / Name, {4, 0}, &Outcome), std::system_error) << Name;
        EXPECT_FALSE(Outcome.Opened) << Name;
        EXPECT_EQ(Outcome.Error, Error) << Name;
    }
    // A regular file as the kernel shows it whose first read fails with EIO (size 0: one range).
    FileReadOutcome Outcome;
    EXPECT_EQ(Crc32OfFileSplit("/proc/self/mem", {4, 0}, &Outcome), 0u);
    EXPECT_TRUE(Outcome.Opened && Outcome.ReadError);
    EXPECT_EQ(Outcome.Error, EIO);
    EXPECT_EQ(Outcome.BytesRead, 0u);
    // A failure part-way in any range: reported, the others stop, the result covers the bytes before it.
    constexpr std::size_t Size = 1u << 20;
    const std::string Bytes = qvtest::PatternBytes(Size, 8);
    const std::string Path = Dir.Write("f", Bytes);
    for (const off_t FailFrom : {off_t{0}, off_t{1000}, off_t{300000}, off_t{Size / 2 + 7}, off_t{Size - 1}}) {
        for (const unsigned Threads : {1u, 2u, 4u}) {
            SCOPED_TRACE(testing::Message() << "fail from " << FailFrom << " threads " << Threads);
            ResetLog();
            Log.FailFrom = FailFrom;
            const std::uint32_t Crc = Crc32OfFileSplit(Path, {Threads, 0, 65536, nullptr, LoggedPread}, &Outcome);
            EXPECT_EQ(Crc, CrcOf(Bytes, 0, Outcome.BytesRead));
            EXPECT_TRUE(Outcome.ReadError);
            EXPECT_EQ(Outcome.Error, EIO);
            EXPECT_LE(Outcome.BytesRead, static_cast<std::uint64_t>(FailFrom));
        }
    }
    // Interrupted and short reads are continued.
    ResetLog();
    Log.Interrupt = true;
    EXPECT_EQ(Crc32OfFileSplit(Path, {3, 0, 65536, nullptr, LoggedPread}, &Outcome), CrcOf(Bytes));
    EXPECT_TRUE(Outcome.Complete());
    // A file that shrank while read: the result covers it to its new end, as the serial routine's would.
    for (const off_t EndAt : {off_t{0}, off_t{5}, off_t{300000}, off_t{Size / 2 + 7}}) {
        SCOPED_TRACE(EndAt);
        ResetLog();
        Log.EndAt = EndAt;
        EXPECT_EQ(Crc32OfFileSplit(Path, {4, 0, 65536, nullptr, LoggedPread}, &Outcome), CrcOf(Bytes, 0, EndAt));
        EXPECT_TRUE(Outcome.Complete());
        EXPECT_EQ(Outcome.BytesRead, static_cast<std::uint64_t>(EndAt));
    }
    ResetLog();
}

TEST_F(Crc32SplitTest, AThrowingProgressCallbackStopsAndJoinsTheThreads) {
    const std::string Path = Dir.Write("f", qvtest::PatternBytes(4u << 20, 9));
    std::atomic<std::uint64_t> Done{0};
    CrcOnProgress = [](std::uint8_t, std::int32_t) { throw std::runtime_error("gone"); };
    EXPECT_THROW(Crc32OfFileSplit(Path, {4, 0, 65536, &Done}), std::runtime_error);
    const std::uint64_t After = Done.load();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(Done.load(), After); // nothing reads on after the return
    EXPECT_FALSE(CrcAbort);
}

} // namespace
