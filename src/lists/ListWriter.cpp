#include "lists/ListWriter.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <ctime>
#include <cstring>
#include <exception>
#include <memory>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>

#include "checksum/Crc32Split.h"
#include "checksum/Digest.h"
#include "checksum/HashJobs.h"
#include "checksum/Md5.h"
#include "checksum/RoundHalfEven.h"
#include "checksum/ThreadHash.h"
#include "lists/DigestLines.h"
#include "lists/OrderedPool.h"
#include "util/PathUtils.h"
#include "util/StringUtils.h"
#include "util/Version.h"
#include "lists/RunFlags.h"

namespace quorvane {

namespace {

constexpr const char* LineEnd = "\r\n";

// Restores the engine's progress callback and Busy however the run ends.
class TRunGuard {
public:
    TRunGuard(TCreateHooks& HooksArg, TCrcProgressEvent OnProgress)
        : Hooks(HooksArg), SavedProgress(std::move(CrcOnProgress)) {
        CrcOnProgress = std::move(OnProgress);
    }
    ~TRunGuard() {
        CrcOnProgress = std::move(SavedProgress);
        Busy = false;
        Hooks.RunEnded();
    }
    TRunGuard(const TRunGuard&) = delete;
    TRunGuard& operator=(const TRunGuard&) = delete;

private:
    TCreateHooks& Hooks;
    TCrcProgressEvent SavedProgress;
};

std::string TwoDigits(int Value) {
    char Text[16];
    std::snprintf(Text, sizeof Text, "%02d", Value);
    return Text;
}

// "MMM DD YYYY HH:NN:SS" of a local time.
std::string CommentTimeText(const std::tm& Local, const LocaleFormat& Locale) {
    const auto& Month = Locale.ShortMonthNames[static_cast<std::size_t>(Local.tm_mon)];
    char Year[16];
    std::snprintf(Year, sizeof Year, "%04d", Local.tm_year + 1900);
    return Month + " " + TwoDigits(Local.tm_mday) + " " + Year + " " + TwoDigits(Local.tm_hour) + ":" +
           TwoDigits(Local.tm_min) + ":" + TwoDigits(Local.tm_sec);
}

// One file of the pool: its result, and how much of it has been read.
struct THashSlot {
    std::string Text;
    FileReadOutcome Outcome;
    std::atomic<std::uint8_t> Percent{0};
};

// The slot the thread is hashing into, for the pool's progress callback.
thread_local THashSlot* HashingSlot = nullptr;

// The second pass's hashing: the files in planned order, to the caller's eyes one at a time on its own thread.
// With one job (or on a spinning disk) they are: the pumping file routines, as ever. With more, a CRC-32 of
// a large file (Crc32SplitMinFileBytes by its planned size) is read alone by every job over ranges on the
// calling thread, and the files between such files are hashed by a pool of Jobs threads, the calling one
// helping, a bounded window ahead of the file the run commits, with the routines that never pump. Only the
// calling thread runs the message pump and the run's progress callback: the hashers count the bytes they
// read in Bytes, and the calling thread reports them, with the share read of the file it commits.
class TFileHasher {
public:
    TFileHasher(std::vector<std::string> PathsArg, std::vector<std::int64_t> SizesArg, THashKind KindArg, unsigned JobsArg)
        : Paths(std::move(PathsArg)), Sizes(std::move(SizesArg)), Kind(KindArg), Jobs(JobsArg) {}
    // Leaving by an exception stops the hashers at their next chunk; none of them outlives the hasher.
    ~TFileHasher() {
        if (Pool && std::uncaught_exceptions() > Uncaught)
            CrcAbort = true;
        StopPool();
    }
    TFileHasher(const TFileHasher&) = delete;
    TFileHasher& operator=(const TFileHasher&) = delete;

    // The checksum text of file I, I = 0, 1, ... in order.
    std::string Hash(std::size_t I, FileReadOutcome& Outcome) {
        if (Pool && I >= End)
            StopPool();
        if (Jobs <= 1)
            return FileDigestText(Kind, Paths[I], &Outcome);
        if (Large(I))
            return SplitCrcText(Paths[I], Outcome);
        if (!Pool) {
            for (End = I + 1; End < Paths.size() && !Large(End);)
                ++End;
            if (End - I == 1)
                return FileDigestText(Kind, Paths[I], &Outcome);
            StartPool(I);
        }
        Committing = &Slots[I - Begin];
        Shown = 0;
        Pool->Wait(I - Begin, [this] { OwnerIdle(); });
        ShowProgress();
        Outcome = Committing->Outcome;
        return std::move(Committing->Text);
    }

private:
    bool Large(std::size_t I) const {
        return Kind == THashKind::Crc32 && Sizes[I] >= static_cast<std::int64_t>(Crc32SplitMinFileBytes);
    }

    // As FileCrcText, by Jobs threads; the pump and the run's callback on the calling thread.
    std::string SplitCrcText(const std::string& Path, FileReadOutcome& Outcome) const {
        TCrc32SplitOptions Options;
        Options.Threads = Jobs;
        try {
            return Crc32ToText(Crc32OfFileSplit(Path, Options, &Outcome));
        } catch (const std::bad_alloc&) {
            throw;
        } catch (...) {
            if (Outcome.Opened)
                Outcome.ReadError = true;
            return "FFFFFFFF";
        }
    }

    void StartPool(std::size_t First) {
        Begin = First;
        Slots = std::make_unique<THashSlot[]>(End - Begin);
        // The hashers' callback only counts; the run's is called here, on this thread.
        Report = std::exchange(CrcOnProgress, [this](std::uint8_t Percent, std::int32_t ChunkBytes) {
            THashSlot* const Slot = HashingSlot;
            if (!Slot)
                return;
            Slot->Percent.store(Percent, std::memory_order_relaxed);
            Bytes.fetch_add(ChunkBytes, std::memory_order_relaxed);
            if (std::this_thread::get_id() == Owner)
                OwnerIdle(); // between the chunks of a file this thread hashes itself
        });
        Swapped = true;
        Pool.emplace(End - Begin, Jobs, [this](std::size_t K) {
            THashSlot& Slot = Slots[K];
            if (CrcAbort) { // nothing more is started after an abort
                Slot.Outcome.Aborted = true;
                return;
            }
            HashingSlot = &Slot;
            const struct TClear {
                ~TClear() { HashingSlot = nullptr; }
            } Clear;
            const std::string& Path = Paths[Begin + K];
            Slot.Text = ThreadDigestText(Kind, Path, &Slot.Outcome);
        });
    }

    void StopPool() {
        Pool.reset();
        if (Swapped)
            CrcOnProgress = std::move(Report);
        Swapped = false;
        Slots.reset();
    }

    // The calling thread's share of the work while it waits: progress figures and the message pump.
    void OwnerIdle() {
        ShowProgress();
        if (CrcMessagePump)
            CrcMessagePump();
    }

    void ShowProgress() {
        const std::int64_t Read = Bytes.exchange(0, std::memory_order_relaxed);
        const auto Chunk = static_cast<std::int32_t>(std::min<std::int64_t>(Read, INT32_MAX));
        if (Read != Chunk)
            Bytes.fetch_add(Read - Chunk, std::memory_order_relaxed);
        const std::uint8_t Percent = Committing->Percent.load(std::memory_order_relaxed);
        if ((Read != 0 || Percent != Shown) && Report) {
            Shown = Percent;
            Report(Percent, Chunk);
        }
    }

    const std::vector<std::string> Paths;
    const std::vector<std::int64_t> Sizes;  // as planned
    const THashKind Kind;
    const unsigned Jobs;
    const int Uncaught = std::uncaught_exceptions();
    const std::thread::id Owner = std::this_thread::get_id();
    std::size_t Begin = 0;                   // the pool's files: Begin .. End-1
    std::size_t End = 0;
    std::unique_ptr<THashSlot[]> Slots;      // one per file of the pool
    THashSlot* Committing = nullptr;         // the file the run waits for
    std::uint8_t Shown = 0;                  // its share last reported
    TCrcProgressEvent Report;                // the run's callback while the hashers' is installed
    bool Swapped = false;
    std::atomic<std::int64_t> Bytes{0};      // read by the hashers, not reported yet
    std::optional<TOrderedPool> Pool;        // last: its threads end before anything they use goes
};

} // namespace

ListCreateError::ListCreateError(const std::string& Path, int Error)
    : std::runtime_error("Cannot create file " + Path), Errno(Error) {}

TListTarget DecideListTarget(const std::string& FileName, int FilterIndex, bool AddExtension) {
    TListTarget Target;
    Target.Path = FileName;
    const std::string Ext = LowerAscii(ExtractFileExt(FileName));
    Target.IsMd5 = FilterIndex == 2 || Ext == ".md5";
    const std::optional<THashKind> Named = KindFromExtension(Ext);
    if (Target.IsMd5)
        Target.Kind = THashKind::Md5;
    else if (FilterIndex >= 3 && FilterIndex <= 6)
        Target.Kind = AllHashKinds[FilterIndex - 1];
    else if (FilterIndex != 1 && Named && IsDigestKind(*Named))
        Target.Kind = *Named;
    if (AddExtension && Ext.empty() && FilterIndex >= 1 && FilterIndex <= 6)
        Target.Path += ListExtension(Target.Kind);
    return Target;
}

std::string ListHeaderLine(const std::string& DateText, const std::string& TimeText) {
    return std::string("; Generated by Quorvane v") + AppVersion + " on " + DateText + " at " + TimeText;
}

std::string SfvCommentLine(const std::string& Path, const LocaleFormat& Locale) {
    const TPathInfo Info = PathInfo(Path);
    if (!Info.Exists())
        return ";";
    // The last-write time, or the creation time where the last-write time is zero.
    const auto When = static_cast<std::time_t>(Info.WriteTimeZero ? Info.BirthTime : Info.WriteTime);
    std::string Text = std::to_string(Info.Size < 0 ? 0 : Info.Size);
    if (Text.size() < 14)
        Text.insert(0, 14 - Text.size(), ' ');
    Text += "  ";
    std::tm Local{};
    if (::localtime_r(&When, &Local) && Local.tm_mon >= 0 && Local.tm_mon < 12 && Local.tm_year + 1900 >= 1 &&
        Local.tm_year + 1900 <= 9999) {
        Text += CommentTimeText(Local, Locale);
    } else {
        std::tm Fallback{};
        Fallback.tm_year = 80;
        Fallback.tm_mday = 1;
        Text += CommentTimeText(Fallback, Locale);
    }
    return ";" + Text + " " + std::string(ExtractFileName(Path));
}

// The C library's month abbreviations are the three-letter ones the comment lines' columns were made for.
TCreateRequest EnvironmentCreateRequest() {
    TCreateRequest Request;
    const TNowTexts Now = EnvironmentNowTexts();
    Request.DateText = Now.Date;
    Request.TimeText = Now.Time;
    Request.Locale = EnvironmentLocaleFormat();
    return Request;
}

TCreateResult CreateChecksumFile(const TCreateRequest& Request, TCreateHooks& Hooks) {
    TCreateResult Result;
    Result.Target = DecideListTarget(Request.FileName, Request.FilterIndex, !Request.KeepName);
    if (Request.Entries.empty()) {
        Hooks.RunEnded();
        return Result;
    }
    const bool IsMd5 = Result.Target.IsMd5;
    const THashKind Kind = Result.Target.Kind;
    const bool IsSfv = Kind == THashKind::Crc32;

    CrcAbort = false;
    Busy = true;
    TRunGuard Guard(Hooks, Request.OnProgress);
    Hooks.RunStarting();

    // Opened before any file is hashed: a folder that cannot be written is refused at once.
    std::optional<TAtomicFileWriter> Writer;
    try {
        Writer.emplace(Result.Target.Path);
    } catch (const std::system_error& E) {
        throw ListCreateError(Result.Target.Path, E.code().value());
    }

    std::string Folder = Request.Folder;
    AddBackslash(Folder);
    // The list being written is never one of its own entries, whatever name it is given.
    const TPathInfo TargetFolder = PathInfo(std::string(ExtractFilePath(Result.Target.Path)).empty()
                                                ? std::string(".")
                                                : std::string(ExtractFilePath(Result.Target.Path)));
    const TPathInfo FolderInfo = PathInfo(Folder);
    const bool SameFolder = TargetFolder.SameFileAs(FolderInfo);
    const std::string_view TargetName = ExtractFileName(Result.Target.Path);
    const TPathInfo TargetFile = PathInfo(Result.Target.Path);
    // Only an existing target can be listed under another name (a link to it), and only with its size: no
    // extra look-up for the other files.
    auto IsTarget = [&](const TBrowserEntry& Entry) {
        return (SameFolder && Entry.Name == TargetName) ||
               (TargetFile.Exists() && Entry.Size == TargetFile.Size &&
                PathInfo(Folder + Entry.Name).SameFileAs(TargetFile));
    };

    // First pass: sizes and comment lines, kept per entry so a file left out loses its comment too.
    struct TPlanned {
        const TBrowserEntry* Entry;
        std::string Comment;
        std::string Line;
        bool Include = false;
    };
    std::vector<TPlanned> Planned;
    std::int64_t TotalBytes = 0;
    std::size_t Seen = 0;
    for (const TBrowserEntry& Entry : Request.Entries) {
        // Thousands of files take a while to look up: the window keeps repainting meanwhile (its commands
        // are off already).
        if (++Seen % 256 == 0 && CrcMessagePump)
            CrcMessagePump();
        if (Entry.IsFolder || IsOwnTemporaryName(Entry.Name) || IsTarget(Entry))
            continue;
        if (std::string Problem = NameProblem(Entry.Name, Kind); !Problem.empty()) {
            Result.LeftOut.push_back(TLeftOut{Entry.Name, std::move(Problem)});
            continue;
        }
        TPlanned Item{&Entry, {}, {}, false};
        TotalBytes += Entry.Size;
        if (IsSfv)
            Item.Comment = SfvCommentLine(Folder + Entry.Name, Request.Locale);
        Planned.push_back(std::move(Item));
    }

    Hooks.HashingStarting(TotalBytes);
    const auto Start = std::chrono::steady_clock::now();

    // Second pass: the checksums, in the planned order however many files are hashed at once. A spinning
    // disk is read one file at a time.
    const unsigned Jobs = Request.Jobs == 1 || !FolderInfo.Exists() || RotationalDevice(FolderInfo.Device)
                              ? 1
                              : EffectiveJobs(Request.Jobs);
    std::vector<std::string> Paths;
    std::vector<std::int64_t> Sizes;
    for (const TPlanned& Item : Planned) {
        Paths.push_back(Folder + Item.Entry->Name);
        Sizes.push_back(Item.Entry->Size);
    }
    {
        // Its hashers have ended when it goes, and the run's progress callback is back in place.
        TFileHasher Hasher(std::move(Paths), std::move(Sizes), Kind, Jobs);
        for (std::size_t I = 0; I < Planned.size(); ++I) {
            TPlanned& Item = Planned[I];
            const std::string& Name = Item.Entry->Name;
            Hooks.FileStarting(Name);
            FileReadOutcome Outcome;
            const std::string Text = Hasher.Hash(I, Outcome);
            if (Outcome.Aborted || CrcAbort) {
                Result.Aborted = true;
                break;
            }
            if (!Outcome.Complete()) {
                // Never a made-up checksum: the file is left out and reported.
                const char* Why = Outcome.Error != 0 ? std::strerror(Outcome.Error) : "read failed";
                Result.LeftOut.push_back(TLeftOut{Name, std::string("cannot be read: ") + Why});
                continue;
            }
            Item.Include = true;
            // Other tools' kinds are written as their tools write them (coreutils, b3sum).
            Item.Line = IsDigestKind(Kind) ? EscapeDigestLine(Kind, Text, Name)
                        : IsMd5             ? Text + " " + Name
                                            : Name + " " + Text;
        }
    }
    Hooks.FileStarting(std::string());
    if (Result.Aborted)
        return Result;

    std::string Bytes;
    if (IsSfv) {
        Bytes += ListHeaderLine(Request.DateText, Request.TimeText) + LineEnd;
        Bytes += std::string(";") + LineEnd;
        for (const TPlanned& Item : Planned)
            if (Item.Include)
                Bytes += Item.Comment + LineEnd;
    }
    for (const TPlanned& Item : Planned) {
        if (!Item.Include)
            continue;
        Bytes += Item.Line + (IsDigestKind(Kind) ? "\n" : LineEnd);
        ++Result.Listed;
    }
    // Files were asked for and none could be listed: an existing list stays as it was.
    if (Result.Listed == 0 && !Result.LeftOut.empty()) {
        Result.AllLeftOut = true;
        return Result;
    }

    // An abort that came after the last file still keeps the old list.
    if (CrcAbort) {
        Result.Aborted = true;
        return Result;
    }
    try {
        Writer->Commit(Bytes);
    } catch (const std::system_error& E) {
        throw ListCreateError(Result.Target.Path, E.code().value());
    }
    Result.Written = true;
    const auto Elapsed = std::chrono::steady_clock::now() - Start;
    Result.ElapsedSeconds =
        RoundHalfEven(static_cast<double>(std::chrono::duration_cast<std::chrono::milliseconds>(Elapsed).count()) / 1000.0);
    return Result;
}

} // namespace quorvane
