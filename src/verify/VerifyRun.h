#pragma once

// The verification run: one worker thread that checks the covered records of the item list against the
// files, marking each Good, Bad or Missing, while the window stays usable.
//
// Threads: a TcrcThread is created, started, waited for and destroyed on the user-interface thread that
// owns the item list, the counters and the view; the worker runs Execute. The worker never calls the view
// itself: display changes are queued and applied by the user-interface thread when it serves them (the
// Serve callable handed to RunView::WakeUiThread, or Wait). BeginRun and EndRun run on the user-interface
// thread while the worker waits. Nothing here throws once the worker runs.
//
// Lifetime: the item list, the counters, the view and the progress object must outlive the TcrcThread; its destructor waits
// for the worker, so destroying it before freeing the records is enough. To close the window during a
// run, set AppClosing and CrcAbort, then destroy the TcrcThread: the worker stops after its current chunk
// and skips its end-of-run work, and no display change reaches the view any more.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "checksum/Crc32.h"
#include "checksum/HashJobs.h"
#include "lists/ItemList.h"
#include "verify/Progress.h"
#include "lists/RunFlags.h"
#include "verify/RunView.h"

namespace quorvane {

// One record covered by a run, taken when the run begins.
struct TRunItem {
    TItemRec* Record = nullptr;
    std::int32_t Row = -1;        // its row in the view
    std::uint64_t Device = 0;     // the file system's device of the file (0 when it was not found)
};

// Who hashes which of a run's records (indexes into Items, each lane in list order): lane 0 is shared by the
// pool's hashers; each rotational disk has a lane of its own, read by one hasher, one file after another.
std::vector<std::vector<std::size_t>> HashLanes(const std::vector<TRunItem>& Items);

// What checking one file found out, for Verdict.
struct TCheckFacts {
    bool Present = true;          // something other than a folder was at the path
    FileReadOutcome Outcome;      // what hashing it did
    bool TextsMatch = false;      // the computed text equals the listed one, ignoring case
    bool AbortRequested = false;  // CrcAbort was set when hashing returned
};

// Checks one file against its listed checksum (worker thread): hashes it by the kind (ThreadCrcTextSplit or
// ThreadDigestText) and compares ignoring case; nothing at the path, or a folder, is not Present. BeforeOpen,
// when given, runs just before the open (tests use it to take the file away).
// SplitThreads above 1 lets an SFV check of a file of 64 MiB or more read it by that many threads.
TCheckFacts CheckFile(const std::string& FileName, std::string_view Checksum, THashKind Kind,
                      const std::function<void()>& BeforeOpen = {}, unsigned SplitThreads = 1);

// The state a check gives a record: isMissing, isBad or isGood, or 0 when it keeps its state (cut short
// by an abort). A file that cannot be read is Bad, whatever its list holds.
std::int32_t Verdict(const TCheckFacts& Facts);

// Whether a run covers every shown row: nothing selected, every row selected, or only row 0 (the first
// list's header).
bool ChecksAllRows(std::size_t RowCount, const std::vector<std::int32_t>& Selected);
// Which rows a run covers: all when CheckAll, else the selected ones (rows out of range are ignored).
std::vector<bool> CoveredRows(std::size_t RowCount, const std::vector<std::int32_t>& Selected, bool CheckAll);

class TcrcThread {
public:
    // Does not start the worker; see StartCheck. Progress holds the run counters and the figures shown.
    // Jobs: how many files are hashed at once (0: automatic); results are committed in list order all the
    // same, so what the view shows is what a one-at-a-time run shows.
    TcrcThread(ItemList& Items, TCounters& Counters, bool IsMd5List, RunView& View, TProgress& Progress,
               int Jobs = 1);
    // Waits for the worker (Wait) when it still runs.
    ~TcrcThread();
    TcrcThread(const TcrcThread&) = delete;
    TcrcThread& operator=(const TcrcThread&) = delete;

    // Starts the worker: clears CrcAbort, installs the progress callback and runs Execute on a new thread.
    void Start();
    // Waits until the worker has ended, applying its display changes and running BeginRun / EndRun on
    // the calling (user-interface) thread meanwhile. Returns at once when the worker never started.
    void Wait();
    // True once the worker has left Execute (EndRun done, or skipped when closing).
    bool Finished() const;
    // Applies pending display changes and runs a pending BeginRun / EndRun (user-interface thread).
    void Serve();

    // True when the run covers every shown record (decided by BeginRun).
    bool CheckAll() const { return CheckAllRows; }
    // The records the run covers, in row order, which is item-list order (taken by BeginRun).
    const std::vector<TRunItem>& Covered() const { return Snapshot; }
    // Why the run ended early (out of memory), empty when it did not; read once Finished.
    const std::string& Failure() const { return FailureText; }

    struct TMailbox;

private:
    static void ServeBox(TMailbox& Box);

    void Execute();
    void BeginRun();
    void EndRun();
    void RecountResults();
    THashKind KindOf(const TItemRec& Rec) const;
    TCheckFacts CheckRecord(const TItemRec& Rec, unsigned SplitThreads) const;
    std::vector<std::int32_t> RefreshSizes(std::size_t RowCount);
    void Synchronize(void (TcrcThread::*Step)());
    void PostDisplay(std::function<void()> Call);
    void Post(const std::function<void(TMailbox&)>& Change, bool Urgent = false);
    void OnProgress(std::uint8_t Percent, std::int32_t ChunkBytes);
    // Checks one record, or commits what a hasher of the pool found out about it (Known).
    void CheckOne(const TRunItem& Item, const TCheckFacts* Known = nullptr);
    void CheckInParallel(unsigned HasherCount);

    ItemList& Items;
    TCounters& Counters;
    const bool IsMd5List;
    RunView& View;
    std::shared_ptr<TMailbox> Mailbox;
    std::thread Worker;
    bool CheckAllRows = true;
    std::vector<TRunItem> Snapshot;
    std::string FailureText;            // why the run ended early
    TProgress& Progress;
    const int Jobs;
};

// Creates and starts a verification run over the current rows of View (StartCheck of the window).
std::unique_ptr<TcrcThread> StartCheck(ItemList& Items, TCounters& Counters, bool IsMd5List, RunView& View,
                                       TProgress& Progress, int Jobs = 1);

} // namespace quorvane
