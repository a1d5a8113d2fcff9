#include "checksum/Crc32Split.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <limits>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "checksum/FileHashing.h"
#include "util/FileIo.h"

namespace quorvane {

namespace {

constexpr unsigned MostThreads = 64;
constexpr std::uint64_t AlignFrom = 1u << 20; // ranges of at least 1 MiB start at a multiple of AlignTo
constexpr std::uint64_t AlignTo = 65536;
constexpr auto WaitStep = std::chrono::milliseconds(20);

enum class TRangeEnd { Complete, Short, Aborted, Stopped, Failed };

struct TRange {
    std::uint64_t Begin = 0;
    std::uint64_t End = 0; // one past the last byte; the last range reads on to the end of the file
    bool ToFileEnd = false;
    int Fd = -1;
    unsigned char* Buffer = nullptr;
    // Written by the range's thread, read by the calling thread after the join.
    std::uint32_t Crc = 0; // finished CRC-32 of the Read bytes from Begin
    std::uint64_t Read = 0;
    TRangeEnd How = TRangeEnd::Stopped;
    int Error = 0;
};

struct TShared {
    TPreadFn Pread = nullptr;
    std::size_t ReadBytes = 0;
    std::atomic<std::uint64_t>* BytesDone = nullptr;
    std::atomic<std::uint64_t> Total{0}; // read by all threads
    std::atomic<bool> Stop{false};       // a range failed, or the calling thread left: the others stop
    std::mutex M;
    std::condition_variable Cv;
    unsigned Running = 0; // started threads not yet ended (under M)
};

// Up to Count bytes at Offset; fewer only at the end of the file or when a read fails (Error set).
std::size_t ReadAt(TPreadFn Pread, int Fd, unsigned char* Buffer, std::size_t Count, std::uint64_t Offset, int& Error) {
    std::size_t Done = 0;
    while (Done < Count) {
        const ssize_t N = Pread(Fd, Buffer + Done, Count - Done, static_cast<off_t>(Offset + Done));
        if (N > 0) {
            Done += static_cast<std::size_t>(N);
        } else if (N == 0) {
            break;
        } else if (errno != EINTR) {
            Error = errno;
            break;
        }
    }
    return Done;
}

// Hashes one range chunk by chunk; AfterChunk runs after every chunk (the calling thread reports there).
template <typename TAfterChunk> void HashRange(TRange& Range, TShared& Shared, TAfterChunk&& AfterChunk) {
    std::uint32_t Register = 0xFFFFFFFFu;
    std::uint64_t Pos = Range.Begin;
    for (;;) {
        const std::size_t Want =
            Range.ToFileEnd ? Shared.ReadBytes
                            : static_cast<std::size_t>(std::min<std::uint64_t>(Shared.ReadBytes, Range.End - Pos));
        int Error = 0;
        const std::size_t N = ReadAt(Shared.Pread, Range.Fd, Range.Buffer, Want, Pos, Error);
        Register = Crc32Update(Register, Range.Buffer, static_cast<std::ptrdiff_t>(N));
        Pos += N;
        Range.Read = Pos - Range.Begin;
        Range.Crc = Register ^ 0xFFFFFFFFu;
        Shared.Total.fetch_add(N, std::memory_order_relaxed);
        if (Shared.BytesDone)
            Shared.BytesDone->fetch_add(N, std::memory_order_relaxed);
        AfterChunk();
        if (Error != 0) {
            Range.How = TRangeEnd::Failed;
            Range.Error = Error;
            Shared.Stop.store(true);
            return;
        }
        if (N < Want) { // the end of the file
            Range.How = Range.ToFileEnd ? TRangeEnd::Complete : TRangeEnd::Short;
            return;
        }
        if (!Range.ToFileEnd && Pos == Range.End) {
            Range.How = TRangeEnd::Complete;
            return;
        }
        if (CrcAbort.load()) {
            Range.How = TRangeEnd::Aborted;
            return;
        }
        if (Shared.Stop.load()) {
            Range.How = TRangeEnd::Stopped;
            return;
        }
    }
}

// Opens a regular file as TFileReader does: without blocking on a fifo or device, which are refused.
TUniqueFd OpenRegular(const std::string& FileName, TPathInfo& Info) {
    TUniqueFd Fd(::open(FileName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (!Fd.Valid())
        throw std::system_error(errno, std::generic_category(), FileName);
    Info = FdInfo(Fd.Get());
    if (!Info.IsFile())
        throw std::system_error(Info.Error        ? Info.Error
                                : Info.IsFolder() ? EISDIR
                                                  : ENXIO,
                                std::generic_category(), FileName);
    return Fd;
}

// A second open file description of the same file, so that each range has its own read-ahead state; an
// invalid descriptor when that is not possible (the range then shares the first one, pread keeps no offset).
TUniqueFd Reopen(int Fd, const TPathInfo& Info) {
    const std::string Path = "/proc/self/fd/" + std::to_string(Fd);
    TUniqueFd Again(::open(Path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (Again.Valid() && !FdInfo(Again.Get()).SameFileAs(Info))
        Again.Reset();
    return Again;
}

// Sets Stop and joins the started threads when the calling thread leaves, by return or by exception.
class TJoinAll {
public:
    TJoinAll(TShared& SharedArg, std::vector<std::thread>& ThreadsArg) : Shared(SharedArg), Threads(ThreadsArg) {}
    ~TJoinAll() {
        Shared.Stop.store(true);
        for (std::thread& T : Threads)
            T.join();
    }
    TJoinAll(const TJoinAll&) = delete;
    TJoinAll& operator=(const TJoinAll&) = delete;

private:
    TShared& Shared;
    std::vector<std::thread>& Threads;
};

} // namespace

std::uint32_t Crc32OfFileSplit(const std::string& FileName, const TCrc32SplitOptions& Options,
                               FileReadOutcome* Outcome) {
    FileReadOutcome Local;
    FileReadOutcome& Out = Outcome ? *Outcome : Local;
    Out = {};
    TPathInfo Info;
    TUniqueFd First = [&] {
        try {
            return OpenRegular(FileName, Info);
        } catch (const std::system_error& E) {
            Out.Error = E.code().value();
            throw;
        }
    }();
    Out.Opened = true;
    const std::uint64_t Size = static_cast<std::uint64_t>(Info.Size > 0 ? Info.Size : 0);

    // The ranges: as many as threads, each at least one byte; one for a file below the threshold.
    unsigned Count = Options.Threads != 0 ? Options.Threads : std::max(1u, std::thread::hardware_concurrency());
    Count = std::min(Count, MostThreads);
    if (Size < Options.MinFileBytes || Size == 0)
        Count = 1;
    Count = static_cast<unsigned>(std::min<std::uint64_t>(Count, std::max<std::uint64_t>(Size, 1)));
    const bool Align = Size / Count >= AlignFrom;
    std::vector<TRange> Ranges(Count);
    for (unsigned I = 0; I < Count; ++I) {
        auto Boundary = [&](unsigned K) {
            const std::uint64_t At = Size / Count * K + Size % Count * K / Count; // Size * K / Count, rounded down
            return Align ? At / AlignTo * AlignTo : At;
        };
        Ranges[I].Begin = Boundary(I);
        Ranges[I].End = I + 1 == Count ? Size : Boundary(I + 1);
        Ranges[I].ToFileEnd = I + 1 == Count;
    }

    // Descriptors and buffers, all before any thread starts.
    const std::size_t ReadBytes = Options.ReadBytes != 0 ? Options.ReadBytes
                                  : Count > 1            ? Crc32SplitReadBytes
                                  : CrcBufSize > 0       ? static_cast<std::size_t>(CrcBufSize)
                                                         : 65536;
    std::vector<TUniqueFd> Extra;
    std::vector<std::unique_ptr<unsigned char[]>> Buffers;
    Extra.reserve(Count);
    Buffers.reserve(Count);
    for (TRange& Range : Ranges) {
        Range.Fd = First.Get();
        if (&Range != &Ranges.front()) {
            if (TUniqueFd Again = Reopen(First.Get(), Info); Again.Valid()) {
                Range.Fd = Again.Get();
                Extra.push_back(std::move(Again));
            }
        }
        // Advice only: read-ahead for this range's description. A failure changes nothing.
        (void)::posix_fadvise(Range.Fd, 0, 0, POSIX_FADV_SEQUENTIAL);
        Buffers.push_back(std::make_unique_for_overwrite<unsigned char[]>(ReadBytes));
        Range.Buffer = Buffers.back().get();
    }

    TShared Shared;
    Shared.Pread = Options.Pread ? Options.Pread : &::pread;
    Shared.ReadBytes = ReadBytes;
    Shared.BytesDone = Options.BytesDone;

    // Progress of all threads, on this thread only. Always: also when nothing was read since the last call.
    std::uint64_t Reported = 0;
    auto Report = [&](bool Always) {
        const std::uint64_t Now = Shared.Total.load(std::memory_order_relaxed);
        std::uint64_t Delta = Now - Reported;
        if (Delta == 0 && !Always)
            return;
        Reported = Now;
        if (CrcOnProgress && Size != 0) {
            const std::uint8_t Percent = ProgressPercent(Now, Size);
            do {
                const auto Part = std::min<std::uint64_t>(Delta, std::numeric_limits<std::int32_t>::max());
                CrcOnProgress(Percent, static_cast<std::int32_t>(Part));
                Delta -= Part;
            } while (Delta != 0);
        }
        if (!CrcInThread.load() && CrcMessagePump)
            CrcMessagePump();
    };

    std::vector<std::thread> Threads;
    Threads.reserve(Count - 1);
    std::vector<TRange*> Mine{&Ranges.front()}; // the ranges this thread hashes: the first, and any not started
    Mine.reserve(Count);
    {
        const TJoinAll JoinAll(Shared, Threads);
        for (unsigned I = 1; I < Count; ++I) {
            TRange& Range = Ranges[I];
            {
                const std::lock_guard Lock(Shared.M);
                ++Shared.Running;
            }
            try {
                Threads.emplace_back([&Range, &Shared] {
                    HashRange(Range, Shared, [] {});
                    {
                        const std::lock_guard Lock(Shared.M);
                        --Shared.Running;
                    }
                    Shared.Cv.notify_one();
                });
            } catch (const std::system_error&) {
                const std::lock_guard Lock(Shared.M);
                --Shared.Running;
                Mine.push_back(&Range);
            }
        }
        for (TRange* Range : Mine)
            HashRange(*Range, Shared, [&] { Report(true); });
        std::unique_lock Lock(Shared.M);
        while (Shared.Running != 0) {
            Shared.Cv.wait_for(Lock, WaitStep);
            Lock.unlock();
            Report(false);
            Lock.lock();
        }
    } // joined here
    Report(false);

    // The ranges in file order up to the first that did not end normally.
    std::uint32_t Crc = 0;
    for (const TRange& Range : Ranges) {
        Crc = Crc32Combine(Crc, Range.Crc, Range.Read);
        Out.BytesRead += Range.Read;
        if (Range.How != TRangeEnd::Complete)
            break;
    }
    const auto Failed =
        std::find_if(Ranges.begin(), Ranges.end(), [](const TRange& R) { return R.How == TRangeEnd::Failed; });
    if (Failed != Ranges.end()) {
        Out.ReadError = true;
        Out.Error = Failed->Error;
    } else if (std::any_of(Ranges.begin(), Ranges.end(), [](const TRange& R) { return R.How == TRangeEnd::Aborted; })) {
        Out.Aborted = true;
    }
    return Crc;
}

} // namespace quorvane
