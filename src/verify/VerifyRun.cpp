#include "verify/VerifyRun.h"

#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <utility>

#include "checksum/Crc32.h"
#include "checksum/HashJobs.h"
#include "checksum/ThreadHash.h"
#include "util/FileIo.h"
#include "util/StringUtils.h"
#include "verify/Progress.h"

namespace quorvane {

// Hand-over between the worker and the user-interface thread. The worker queues display changes and
// the latest progress figures here and asks the view to wake the user-interface thread; BeginRun and
// EndRun are queued as a step the worker waits for. The mailbox is shared with the Serve callables the
// view holds, so a late queued call finds it alive even after the run object is gone.
struct TcrcThread::TMailbox {
    std::mutex M;
    std::condition_variable Cv;
    std::deque<std::function<void()>> Calls;  // display changes, in order
    bool ProgressPending = false;  // Progress has figures not shown yet
    TProgress* Progress = nullptr;
    std::function<void()> Step;  // BeginRun or EndRun waiting for the user-interface thread
    bool StepDone = false;
    bool WakePending = false;
    bool WorkerDone = false;
    bool OwnerWaiting = false;
    bool EndReported = false;
    RunView* View = nullptr;
};

namespace {

// How often an owner waiting in Wait applies the display changes that piled up meanwhile.
constexpr int CollectMs = 20;

// The hashing pool of a run. Hashers check records ahead of the worker, at most Window of them beyond the
// last one committed; the worker commits them in list order, exactly as a one-at-a-time run would.
struct TPoolSlot {
    std::atomic<bool> Ready{false};         // Facts hold the record's result
    std::atomic<std::uint8_t> Percent{0};   // how much of its file has been read
    TCheckFacts Facts;
};

struct TPool {
    explicit TPool(std::size_t WindowArg) : Window(WindowArg), WakeBatch(std::max<std::size_t>(WindowArg / 4, 1)), Ring(WindowArg) {}
    const std::size_t Window;
    const std::size_t WakeBatch;
    std::vector<TPoolSlot> Ring;            // record i uses Ring[i % Window]
    std::mutex M;
    std::condition_variable Cv;
    std::size_t Committed = 0;              // records committed so far (under M)
    bool WorkerWaiting = false;             // the worker waits for a result (under M)
    int HashersWaiting = 0;                 // hashers wait for room (under M)
    std::atomic<bool> Stop{false};          // the worker has left: hashers end
    std::atomic<bool> Failed{false};        // a hasher ran out of memory
    std::atomic<std::int64_t> Bytes{0};     // read by all hashers, not yet counted in the figures
};

// What a hasher thread is filling, for the progress callback.
thread_local TPool* HashingPool = nullptr;
thread_local TPoolSlot* HashingSlot = nullptr;

} // namespace

std::vector<std::vector<std::size_t>> HashLanes(const std::vector<TRunItem>& Items) {
    std::vector<std::vector<std::size_t>> Lanes(1);
    std::map<std::uint64_t, std::size_t> DiskLane;
    for (std::size_t I = 0; I < Items.size(); ++I) {
        const std::uint64_t Device = Items[I].Device;
        std::size_t Lane = 0;
        if (Device != 0 && RotationalDevice(Device)) {
            auto [It, New] = DiskLane.try_emplace(Device, Lanes.size());
            if (New)
                Lanes.emplace_back();
            Lane = It->second;
        }
        Lanes[Lane].push_back(I);
    }
    return Lanes;
}

TcrcThread::TcrcThread(ItemList& ItemsArg, TCounters& CountersArg, bool IsMd5ListArg, RunView& ViewArg,
                       TProgress& ProgressArg, int JobsArg)
    : Items(ItemsArg), Counters(CountersArg), IsMd5List(IsMd5ListArg), View(ViewArg),
      Mailbox(std::make_shared<TMailbox>()), Progress(ProgressArg), Jobs(JobsArg) {
    Mailbox->View = &View;
    Mailbox->Progress = &Progress;
}

TcrcThread::~TcrcThread() { Wait(); }

void TcrcThread::Start() {
    if (Worker.joinable())
        return;
    // Cleared here, once per run, and never again while it lasts: an Abort that arrives between two
    // files, or before the worker got going, is kept.
    CrcAbort = false;
    Progress.ResetTextTick();
    CrcOnProgress = [this](std::uint8_t Percent, std::int32_t ChunkBytes) { OnProgress(Percent, ChunkBytes); };
    Worker = std::thread([this] {
        try {
            Execute();
        } catch (...) {
            // Even the end of the run could not be handed over (out of memory): the run ends here, and
            // the process goes on; the owner's Wait or Finished still sees the end below.
        }
        // The last wake-up lets the view hear that the run has ended.
        Post([](TMailbox& Box) { Box.WorkerDone = true; }, true);
    });
}

void TcrcThread::Wait() {
    if (!Worker.joinable())
        return;
    {
        std::lock_guard Lock(Mailbox->M);
        Mailbox->OwnerWaiting = true;
    }
    for (;;) {
        bool Done = false;
        {
            std::unique_lock Lock(Mailbox->M);
            Mailbox->Cv.wait_for(Lock, std::chrono::milliseconds(CollectMs),
                                 [this] { return Mailbox->Step || Mailbox->WorkerDone; });
            Done = Mailbox->WorkerDone && Mailbox->Calls.empty() && !Mailbox->Step && !Mailbox->ProgressPending;
        }
        if (Done)
            break;
        ServeBox(*Mailbox);
    }
    Worker.join();
    // The callback points at this object: nothing may call it once the run is gone.
    CrcOnProgress = nullptr;
    std::lock_guard Lock(Mailbox->M);
    Mailbox->OwnerWaiting = false;
    Mailbox->EndReported = true;
}

bool TcrcThread::Finished() const {
    std::lock_guard Lock(Mailbox->M);
    return Mailbox->WorkerDone;
}

void TcrcThread::Serve() { ServeBox(*Mailbox); }

// User-interface thread. After the calls only the mailbox is touched, because the last call (RunEnded)
// may destroy the run object.
void TcrcThread::ServeBox(TMailbox& Box) {
    std::unique_lock Lock(Box.M);
    Box.WakePending = false;
    std::deque<std::function<void()>> Calls;
    Calls.swap(Box.Calls);
    const bool HaveFigures = Box.ProgressPending;
    Box.ProgressPending = false;
    std::function<void()> Step = std::move(Box.Step);
    Box.Step = nullptr;
    RunView* const TheView = Box.View;
    Lock.unlock();

    // While the window closes its widgets may already be half gone: nothing more is shown.
    const bool Closing = AppClosing;
    if (!Closing) {
        for (auto& Call : Calls)
            Call();
        if (HaveFigures)
            TheView->ShowProgress(Box.Progress->Latest());
    }
    if (Step) {
        if (!Closing)
            Step();
        Lock.lock();
        Box.StepDone = true;
        Lock.unlock();
        Box.Cv.notify_all();
    }

    Lock.lock();
    const bool ReportEnd = Box.WorkerDone && !Box.OwnerWaiting && !Box.EndReported && Box.Calls.empty() &&
                           !Box.Step && !Box.ProgressPending && !Closing;
    if (ReportEnd)
        Box.EndReported = true;
    Lock.unlock();
    if (ReportEnd)
        TheView->RunEnded();
}

// Worker thread. Every change to the mailbox goes through here: the change and the decision to ask the
// view for a Serve are made under one lock, so a Serve that has already taken everything can never leave
// a later change without its wake-up.
void TcrcThread::Post(const std::function<void(TMailbox&)>& Change, bool Urgent) {
    bool AskView = false;
    {
        std::lock_guard Lock(Mailbox->M);
        Change(*Mailbox);
        AskView = !Mailbox->WakePending;
        Mailbox->WakePending = true;
    }
    // An owner waiting in Wait is woken at once only for what the worker waits for, or for its end;
    // display changes it collects every few milliseconds, so thousands of small files cost no more
    // than a handful of wake-ups.
    if (Urgent)
        Mailbox->Cv.notify_all();
    // A step is announced even when a wake-up is pending already: that one may be held back for pacing.
    if (AskView || Urgent) {
        std::weak_ptr<TMailbox> Weak = Mailbox;
        View.WakeUiThread(
            [Weak] {
                if (const auto Box = Weak.lock())
                    ServeBox(*Box);
            },
            Urgent);
    }
}

void TcrcThread::PostDisplay(std::function<void()> Call) {
    Post([&Call](TMailbox& Box) { Box.Calls.push_back(std::move(Call)); });
}

void TcrcThread::Synchronize(void (TcrcThread::*Step)()) {
    Post(
        [this, Step](TMailbox& Box) {
            Box.Step = [this, Step] { (this->*Step)(); };
            Box.StepDone = false;
        },
        true);
    std::unique_lock Lock(Mailbox->M);
    Mailbox->Cv.wait(Lock, [this] { return Mailbox->StepDone; });
}

// Worker thread, after every chunk read. Only the newest figures are kept; the user-interface thread
// shows them when it gets round to it, however many chunks went by meanwhile.
void TcrcThread::OnProgress(std::uint8_t Percent, std::int32_t ChunkBytes) {
    // A hasher of the pool only counts: the worker turns the counts into figures.
    if (TPoolSlot* Slot = HashingSlot) {
        Slot->Percent.store(Percent, std::memory_order_relaxed);
        HashingPool->Bytes.fetch_add(ChunkBytes, std::memory_order_relaxed);
        return;
    }
    if (!Progress.UpdateProgress(Percent, ChunkBytes).Any())
        return;
    {
        // Already waiting to be shown: the user-interface thread will read the newest figures anyway.
        std::lock_guard Lock(Mailbox->M);
        if (Mailbox->ProgressPending)
            return;
    }
    Post([](TMailbox& Box) { Box.ProgressPending = true; });
}

// User-interface thread, the worker waiting.
void TcrcThread::BeginRun() {
    Busy = true;
    View.SetCommandsEnabled(false);

    const std::size_t RowCount = View.RowCount();
    const std::vector<std::int32_t> Selected = View.SelectedRows();
    CheckAllRows = ChecksAllRows(RowCount, Selected);
    const std::vector<bool> Covered = CoveredRows(RowCount, Selected, CheckAllRows);

    // The covered records in row order, which is item-list order: the order the worker checks them in.
    Snapshot.clear();
    for (std::int32_t Row = 0; static_cast<std::size_t>(Row) < RowCount; ++Row)
        if (Covered[static_cast<std::size_t>(Row)])
            if (TItemRec* Rec = View.RowRecord(Row))
                Snapshot.push_back(TRunItem{Rec, Row, 0});

    // Sizes as they are now, so files that appeared or vanished since reading show it.
    for (const std::int32_t Row : RefreshSizes(RowCount))
        View.RowSizeChanged(Row, View.RowRecord(Row)->Size);
    std::int64_t Total = 0;
    for (const TRunItem& Item : Snapshot)
        if (Item.Record->Size != -1)
            Total += Item.Record->Size;

    if (CheckAllRows) {
        Counters.MissingCount = 0;
        Counters.BadCount = 0;
        Counters.GoodCount = 0;
        for (const TRunItem& Item : Snapshot) { // every row's record, as all rows are covered
            Item.Record->State = isUnchecked;
            View.RowImageChanged(Item.Row, isUnchecked);
        }
        std::int32_t Unchecked = 0;
        for (const TItemRec& Rec : Items)
            if (Rec.State == isUnchecked)
                ++Unchecked;
        Counters.UncheckedCount = Unchecked;
    }

    View.RepaintStatusBar();
    View.SetProgressBars(0, 0);
    Progress.BeginRun(Total);
}

void TcrcThread::Execute() {
    Synchronize(&TcrcThread::BeginRun);
    try {
        const unsigned Hashers = std::min<std::size_t>(EffectiveJobs(Jobs), Snapshot.size());
        if (Hashers > 1) {
            CheckInParallel(Hashers);
        } else {
            for (const TRunItem& Item : Snapshot) {
                if (CheckAllRows) {
                    const std::int32_t Row = Item.Row;
                    PostDisplay([this, Row] { View.ScrollIntoView(Row); });
                }
                if (CrcAbort)
                    break;
                CheckOne(Item);
                PostDisplay([this] { View.RepaintStatusBar(); });
            }
        }
    } catch (const std::bad_alloc&) {
        // The file being checked keeps its state, as after an abort; the run ends with the error.
        FailureText = "Out of memory: the check was stopped";
    } catch (const std::exception& E) {
        FailureText = std::string("The check was stopped: ") + E.what();
    }
    if (AppClosing)
        return;
    RecountResults();
    Busy = false;
    Synchronize(&TcrcThread::EndRun);
}

// User-interface thread, in BeginRun: looks up the size of every row's file (and the device of every
// covered one) and returns the rows whose size changed. The look-ups of a long list are shared out among
// the run's hashers, each taking a stretch of rows; the rows do not change meanwhile.
std::vector<std::int32_t> TcrcThread::RefreshSizes(std::size_t RowCount) {
    constexpr std::size_t RowsPerThread = 4096;
    const std::size_t Threads =
        std::clamp<std::size_t>(RowCount / RowsPerThread, 1, std::min<std::size_t>(EffectiveJobs(Jobs), 64));
    std::vector<std::vector<std::int32_t>> Changed(Threads);
    auto LookUp = [&](std::size_t Part) {
        const std::size_t From = RowCount * Part / Threads;
        const std::size_t To = RowCount * (Part + 1) / Threads;
        auto Item = std::lower_bound(Snapshot.begin(), Snapshot.end(), static_cast<std::int32_t>(From),
                                     [](const TRunItem& I, std::int32_t Row) { return I.Row < Row; });
        for (auto Row = static_cast<std::int32_t>(From); static_cast<std::size_t>(Row) < To; ++Row) {
            TItemRec* const Rec = View.RowRecord(Row);
            if (!Rec)
                continue;
            const TPathInfo Info = PathInfoAt(AT_FDCWD, Rec->FileNameC());
            const std::int64_t Size = Info.IsFile() ? Info.Size : -1;
            if (Size != Rec->Size) {
                Rec->Size = Size;
                Changed[Part].push_back(Row);
            }
            if (Item != Snapshot.end() && Item->Row == Row)
                (Item++)->Device = Info.Exists() ? static_cast<std::uint64_t>(Info.Device) : 0;
        }
    };
    {
        std::vector<std::jthread> Helpers;
        for (std::size_t Part = 1; Part < Threads; ++Part)
            Helpers.emplace_back(LookUp, Part);
        LookUp(0);
    }
    std::vector<std::int32_t> All = std::move(Changed[0]);
    for (std::size_t Part = 1; Part < Threads; ++Part)
        All.insert(All.end(), Changed[Part].begin(), Changed[Part].end());
    return All;
}

// Each list is checked by its own kind; a record without a list by the kind of the last list read.
THashKind TcrcThread::KindOf(const TItemRec& Rec) const {
    return Rec.ListFile ? Rec.ListFile->Kind : IsMd5List ? THashKind::Md5 : THashKind::Crc32;
}

// Worker thread or a hasher: what checking a record's file finds out. A pasted hash that may be of either
// of two kinds is tried as the second when the first does not match the file read whole.
TCheckFacts TcrcThread::CheckRecord(const TItemRec& Rec, unsigned SplitThreads) const {
    const std::string FileName(Rec.FileName());
    TCheckFacts Facts = CheckFile(FileName, Rec.Checksum(), KindOf(Rec), {}, SplitThreads);
    if (Rec.ListFile && Rec.ListFile->OrKind && !Facts.TextsMatch && Facts.Outcome.Complete() && !Facts.AbortRequested)
        Facts = CheckFile(FileName, Rec.Checksum(), *Rec.ListFile->OrKind);
    return Facts;
}

// Worker thread: one record.
void TcrcThread::CheckOne(const TRunItem& Item, const TCheckFacts* Known) {
    TItemRec& Rec = *Item.Record;
    const std::int32_t Row = Item.Row;

    const bool WasUnchecked = Rec.State == isUnchecked;
    if (WasUnchecked)
        --Counters.UncheckedCount;
    // Whatever leaves this function early (out of memory) gives the record back its count.
    struct TKeepCount {
        std::atomic<std::int32_t>& Unchecked;
        bool Armed;
        ~TKeepCount() {
            if (Armed)
                ++Unchecked;
        }
    } Keep{Counters.UncheckedCount, WasUnchecked};

    auto SetState = [&](TItemState State, std::atomic<std::int32_t>& Counter) {
        Keep.Armed = false;
        ++Counter;
        Rec.State = State;
        PostDisplay([this, Row, State] { View.RowImageChanged(Row, State); });
    };
    auto MarkMissing = [&] {
        SetState(isMissing, Counters.MissingCount);
        PostDisplay([this, Row] { View.RowSizeChanged(Row, -1); });
    };

    // Alone in the run (one file at a time), a large file not on a spinning disk is read by several threads.
    const auto Check = [&] {
        const unsigned Split = Item.Device != 0 && !RotationalDevice(Item.Device) ? EffectiveJobs(Jobs) : 1;
        return CheckRecord(Rec, Split);
    };
    switch (Verdict(Known ? *Known : Check())) {
    case isMissing: MarkMissing(); break;
    case isBad: SetState(isBad, Counters.BadCount); break;
    case isGood: SetState(isGood, Counters.GoodCount); break;
    default: break; // cut short: the record keeps its state, and so does the count of unchecked records
    }
}

// Worker thread: the records hashed by a pool of hashers, committed in list order. Files on a rotational
// disk are read by one hasher of their own, one at a time in list order; all other files are shared by
// HasherCount hashers. The worker turns the hashers' byte counts into the progress figures, the file bar
// following the record it is about to commit.
void TcrcThread::CheckInParallel(unsigned HasherCount) {
    TPool Pool(std::max<std::size_t>(4 * HasherCount, 64));
    const std::vector<std::vector<std::size_t>> Lanes = HashLanes(Snapshot);
    std::vector<std::atomic<std::size_t>> Next(Lanes.size());
    // Hashes record I into its slot; false when the run has been aborted (the record then goes unchecked).
    auto HashInto = [&](std::size_t I) {
        TPoolSlot& Slot = Pool.Ring[I % Pool.Window];
        Slot.Percent = 0;
        // After an abort the record taken is handed over unchecked (it keeps its state), and no more.
        const bool Aborted = CrcAbort;
        if (Aborted) {
            Slot.Facts = TCheckFacts{};
            Slot.Facts.Outcome.Aborted = true;
        } else {
            HashingPool = &Pool;
            HashingSlot = &Slot;
            try {
                const TItemRec& Rec = *Snapshot[I].Record;
                Slot.Facts = CheckRecord(Rec, 1);
            } catch (const std::bad_alloc&) {
                Pool.Failed = true;
            }
            HashingSlot = nullptr;
            HashingPool = nullptr;
        }
        Slot.Ready.store(true, std::memory_order_release);
        return !Aborted;
    };
    auto Hasher = [&](std::size_t Lane) {
        for (;;) {
            const std::size_t K = Next[Lane].fetch_add(1);
            if (K >= Lanes[Lane].size() || Pool.Stop)
                break;
            const std::size_t I = Lanes[Lane][K];
            {
                std::unique_lock Lock(Pool.M);
                ++Pool.HashersWaiting;
                Pool.Cv.wait(Lock, [&] { return Pool.Stop || I < Pool.Committed + Pool.Window; });
                --Pool.HashersWaiting;
            }
            if (Pool.Stop)
                break;
            const bool Going = HashInto(I);
            {
                std::lock_guard Lock(Pool.M);
                if (Pool.WorkerWaiting)
                    Pool.Cv.notify_all();
            }
            if (!Going)
                break;
        }
    };
    // The worker is one of the shared lane's hashers while it waits for a result: it takes the lane's next
    // record when there is room for it, so few small files cost a thread hand-over each.
    auto Help = [&]() {
        std::size_t K = Next[0].load();
        while (K < Lanes[0].size() && Lanes[0][K] < Pool.Committed + Pool.Window) {
            if (Next[0].compare_exchange_weak(K, K + 1)) {
                HashInto(Lanes[0][K]);
                return true;
            }
        }
        return false;
    };
    std::vector<std::thread> Threads;
    // However the worker leaves (abort, out of memory), no hasher outlives it.
    struct TJoin {
        TPool& Pool;
        std::vector<std::thread>& Threads;
        ~TJoin() {
            {
                std::lock_guard Lock(Pool.M);
                Pool.Stop = true;
            }
            Pool.Cv.notify_all();
            for (std::thread& T : Threads)
                T.join();
        }
    } Join{Pool, Threads};
    for (unsigned J = 1; J < HasherCount && J < Lanes[0].size(); ++J)
        Threads.emplace_back(Hasher, 0);
    for (std::size_t Lane = 1; Lane < Lanes.size(); ++Lane)
        Threads.emplace_back(Hasher, Lane);

    auto ShowProgress = [&](const TPoolSlot& Slot) {
        const std::int64_t Read = Pool.Bytes.exchange(0, std::memory_order_relaxed);
        const auto Chunk = static_cast<std::int32_t>(std::min<std::int64_t>(Read, INT32_MAX));
        Pool.Bytes.fetch_add(Read - Chunk, std::memory_order_relaxed);
        if (Read != 0)
            OnProgress(Slot.Percent.load(std::memory_order_relaxed), Chunk);
    };
    for (std::size_t I = 0; I < Snapshot.size(); ++I) {
        const TRunItem& Item = Snapshot[I];
        if (CheckAllRows)
            PostDisplay([this, Row = Item.Row] { View.ScrollIntoView(Row); });
        TPoolSlot& Slot = Pool.Ring[I % Pool.Window];
        while (!Slot.Ready.load(std::memory_order_acquire)) {
            if (Pool.Failed)
                throw std::bad_alloc();
            ShowProgress(Slot);
            if (Help())
                continue;
            std::unique_lock Lock(Pool.M);
            if (Pool.HashersWaiting > 0) // room they were not told about yet
                Pool.Cv.notify_all();
            Pool.WorkerWaiting = true;
            Pool.Cv.wait_for(Lock, std::chrono::milliseconds(10),
                             [&] { return Slot.Ready.load(std::memory_order_acquire) || Pool.Failed.load(); });
            Pool.WorkerWaiting = false;
        }
        ShowProgress(Slot);
        CheckOne(Item, &Slot.Facts);
        PostDisplay([this] { View.RepaintStatusBar(); });
        Slot.Ready.store(false, std::memory_order_relaxed);
        {
            std::lock_guard Lock(Pool.M);
            // Hashers waiting for room are woken a quarter window at a time, not after every small file.
            if (++Pool.Committed % Pool.WakeBatch == 0 && Pool.HashersWaiting > 0)
                Pool.Cv.notify_all();
        }
        if (CrcAbort)
            break;
    }
}

TCheckFacts CheckFile(const std::string& FileName, std::string_view Checksum, THashKind Kind,
                      const std::function<void()>& BeforeOpen, unsigned SplitThreads) {
    // No look-up of its own: the open tells a missing file (nothing there, or a folder) from one that is
    // there but cannot be read, which keeps the system calls per file to open, one look-up, reads, close.
    TCheckFacts Facts;
    if (BeforeOpen)
        BeforeOpen();
    const std::string Text = Kind == THashKind::Crc32 ? ThreadCrcTextSplit(FileName, SplitThreads, &Facts.Outcome)
                                                      : ThreadDigestText(Kind, FileName, &Facts.Outcome);
    const FileReadOutcome& Out = Facts.Outcome;
    Facts.Present = Out.Opened || !(Out.Error == ENOENT || Out.Error == ENOTDIR || Out.Error == EISDIR);
    Facts.TextsMatch = !Text.empty() && SameTextAscii(Text, Checksum);
    Facts.AbortRequested = CrcAbort;
    return Facts;
}

std::int32_t Verdict(const TCheckFacts& Facts) {
    const FileReadOutcome& Out = Facts.Outcome;
    if (!Facts.Present)
        return isMissing;
    const bool Readable = Out.Opened && !Out.ReadError;
    if (Readable && !Out.Aborted && Facts.TextsMatch)
        return isGood;
    if (Out.Aborted || (Facts.AbortRequested && Readable))
        return 0;
    // A file that cannot be read is Bad whatever the list holds: the failure texts of the hashing
    // routines (FFFFFFFF, the MD5 of empty input) must never pass for a match.
    return isBad;
}

bool ChecksAllRows(std::size_t RowCount, const std::vector<std::int32_t>& Selected) {
    return Selected.empty() || Selected.size() == RowCount || (Selected.size() == 1 && Selected.front() == 0);
}

std::vector<bool> CoveredRows(std::size_t RowCount, const std::vector<std::int32_t>& Selected, bool CheckAll) {
    std::vector<bool> Covered(RowCount, CheckAll);
    if (!CheckAll)
        for (const std::int32_t Row : Selected)
            if (Row >= 0 && static_cast<std::size_t>(Row) < RowCount)
                Covered[static_cast<std::size_t>(Row)] = true;
    return Covered;
}

// Worker thread.
void TcrcThread::RecountResults() {
    std::int32_t Missing = 0;
    std::int32_t Bad = 0;
    std::int32_t Good = 0;
    for (const TItemRec& Rec : Items) {
        if (Rec.ListItem < 0) // not shown
            continue;
        switch (Rec.State.load()) {
        case isMissing: ++Missing; break;
        case isBad: ++Bad; break;
        case isGood: ++Good; break;
        default: break;
        }
    }
    Counters.MissingCount = Missing;
    Counters.BadCount = Bad;
    Counters.GoodCount = Good;
}

// User-interface thread, the worker waiting.
void TcrcThread::EndRun() {
    View.RepaintStatusBar();
    View.SetProgressBars(100, 100);
    const bool Aborted = CrcAbort || !FailureText.empty();
    Progress.EndRun(Aborted ? TRunEnd::AbortedClear : TRunEnd::Completed);
    View.SetCompletionText(Aborted ? std::string() : Progress.Latest().TimeText);
    View.SetCommandsEnabled(true);
    if (!FailureText.empty())
        View.RunFailed(FailureText);
}

std::unique_ptr<TcrcThread> StartCheck(ItemList& Items, TCounters& Counters, bool IsMd5List, RunView& View,
                                       TProgress& Progress, int Jobs) {
    auto Run = std::make_unique<TcrcThread>(Items, Counters, IsMd5List, View, Progress, Jobs);
    Run->Start();
    return Run;
}

} // namespace quorvane
