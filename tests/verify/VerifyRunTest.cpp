// Verification: the verdict and coverage rules as tables, then runs on a real worker thread through the
// session: verdicts end to end, aborting, running out of memory, the hand-over, closing. Also under TSan.

#include <sys/stat.h>

#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <new>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "support/TestSupport.h"
#include "checksum/Crc32.h"
#include "lists/ItemRows.h"
#include "lists/RunFlags.h"
#include "verify/ChecksumSession.h"
#include "verify/VerifyRun.h"

using namespace quorvane;

namespace {

using TEntries = std::vector<std::pair<std::string, std::string>>; // name, checksum
using TStates = std::vector<std::int32_t>;
using TLog = std::vector<std::string>;

std::string CrcOf(const std::string& Bytes) {
    return Crc32ToText(Crc32Update(0xFFFFFFFFu, Bytes.data(), static_cast<std::ptrdiff_t>(Bytes.size())) ^ 0xFFFFFFFFu);
}

TEST(Verdict, FromWhatTheCheckFoundOutAndForAFileThatVanishesJustBeforeItIsOpened) {
    // Facts: Present, {Opened, ReadError, Aborted, BytesRead, Error}, TextsMatch, AbortRequested.
    // Matches, differences, absence, cut-short and unopenable files are judged by the real runs below.
    const std::tuple<const char*, TCheckFacts, std::int32_t> Cases[] = {
        {"match, abort after the last chunk", {true, {true, false, false}, true, true}, isGood},
        {"cut short though the partial text matches", {true, {true, false, true}, true, true}, 0},
        {"differs, abort requested meanwhile", {true, {true, false, false}, false, true}, 0},
        {"read error part-way", {true, {true, true, false, 0, EIO}, true, true}, isBad},
        {"there, but not openable", {true, {false, false, false, 0, EACCES}, false, false}, isBad},
        {"nothing there", {false, {false, false, false, 0, ENOENT}, false, false}, isMissing},
    };
    for (const auto& [What, Facts, State] : Cases)
        EXPECT_EQ(Verdict(Facts), State) << What;
    // A real check of a file that vanishes just before the open.
    const qvtest::TempDir Dir;
    const std::string Path = Dir.Write("f", "x");
    const TCheckFacts Facts = CheckFile(Path, CrcOf("x"), THashKind::Crc32, [&] { std::filesystem::remove(Path); });
    EXPECT_EQ(std::pair(Facts.Present, Verdict(Facts)), std::pair(false, std::int32_t(isMissing)));
}

TEST(Coverage, NoSelectionTheFirstHeaderOrEveryRowCoverAllElseTheSelection) {
    const std::tuple<std::vector<std::int32_t>, bool, std::vector<bool>> Cases[] = {
        {{}, true, {true, true, true, true}},           {{0}, true, {true, true, true, true}},
        {{0, 1, 2, 3}, true, {true, true, true, true}}, {{1}, false, {false, true, false, false}},
        {{0, 2}, false, {true, false, true, false}},    {{3, 9, -1}, false, {false, false, false, true}},
    };
    for (const auto& [Selected, All, Covered] : Cases) {
        EXPECT_EQ(ChecksAllRows(4, Selected), All) << Selected.size();
        EXPECT_EQ(CoveredRows(4, Selected, All), Covered) << Selected.size();
    }
}

// Lists over a folder's files, opened and checked through a session. The fixture is the run's view: every call must
// come on the thread that serves the run and is counted by name; commands, bars, texts and failures are logged too.
class VerifyRunTest : public ::testing::Test, public RunView {
protected:
    qvtest::TempDir Dir;
    TChecksumSession Session;
    std::vector<TRow> TheRows;
    std::vector<std::int32_t> Selection;
    std::thread::id UiThread = std::this_thread::get_id();
    std::map<std::string, int> Calls;
    TLog Log;
    std::function<void()> OnCommandsDisabled;
    std::mutex QueueLock; // queued Serve callables, as a GUI's event queue would hold them
    std::deque<std::function<void()>> Queue;
    std::function<void()> OnChunk; // runs on the worker after every chunk (from the tick source): acts mid-run
    TProgress Progress{[this]() -> std::uint32_t {
        if (OnChunk && std::this_thread::get_id() != UiThread)
            OnChunk();
        return 0;
    }};

    // A closed run leaves AppClosing set. One file at a time unless a test says otherwise: the tests act on the
    // run's chunks as they come.
    void SetUp() override {
        CrcAbort = AppClosing = Busy = false;
        Session.Jobs = 1;
    }

    bool ServeOne() {
        std::function<void()> Serve;
        if (std::lock_guard Lock(QueueLock); !Queue.empty()) {
            Serve = std::move(Queue.front());
            Queue.pop_front();
        }
        if (Serve)
            Serve();
        return static_cast<bool>(Serve);
    }
    void Note(const std::string& Call, std::string Entry = {}) {
        EXPECT_EQ(std::this_thread::get_id(), UiThread) << Call << " must run on the thread that serves the run";
        ++Calls[Call];
        if (!Entry.empty())
            Log.push_back(std::move(Entry));
    }
    void WakeUiThread(std::function<void()> Serve, bool) override {
        std::lock_guard Lock(QueueLock);
        Queue.push_back(std::move(Serve));
    }
    std::size_t RowCount() const override { return TheRows.size(); }
    TItemRec* RowRecord(std::int32_t Row) const override { return TheRows[static_cast<std::size_t>(Row)].Record; }
    std::vector<std::int32_t> SelectedRows() const override { return Selection; }
    void SetCommandsEnabled(bool Enabled) override {
        Note("SetCommandsEnabled", Enabled ? "commands on" : "commands off");
        if (!Enabled && OnCommandsDisabled)
            OnCommandsDisabled();
    }
    void SetProgressBars(std::int32_t File, std::int32_t Total) override {
        Note("SetProgressBars", "bars " + std::to_string(File) + " " + std::to_string(Total));
    }
    void ShowProgress(const TProgressFigures&) override { Note("ShowProgress"); }
    void SetCompletionText(const std::string& Text) override { Note("SetCompletionText", "text " + Text); }
    void RowImageChanged(std::int32_t Row, std::int32_t Image) override {
        Note("RowImageChanged");
        Images.emplace_back(Row, Image);
    }
    std::vector<std::pair<std::int32_t, std::int32_t>> Images; // every row image change, in order
    void RowSizeChanged(std::int32_t, std::int64_t) override { Note("RowSizeChanged"); }
    void ScrollIntoView(std::int32_t) override { Note("ScrollIntoView"); }
    void RepaintStatusBar() override { Note("RepaintStatusBar"); }
    void RunFailed(const std::string& Text) override { Note("RunFailed", "failed " + Text); }
    void RunEnded() override { Note("RunEnded"); }

    std::pair<std::string, std::string> File(const std::string& Name, const std::string& Bytes) {
        Dir.Write(Name, Bytes);
        return {Name, CrcOf(Bytes)}; // its list entry
    }
    // Writes the lists and opens them as the program does.
    void Open(const std::vector<std::pair<std::string, TEntries>>& Lists) {
        Session.ChecksumFiles.clear();
        for (const auto& [ListName, Entries] : Lists) {
            std::string Text;
            for (const auto& [Name, Sum] : Entries)
                Text += ListName.ends_with(".md5") ? Sum + " " + Name + "\r\n" : Name + " " + Sum + "\r\n";
            Session.ChecksumFiles.push_back(Dir.Write(ListName, Text));
        }
        ASSERT_EQ(Session.Open(), "");
        TheRows = BuildRows(Session.Items(), dfAll, 2);
    }
    void RunAndWait() {
        Session.StartCheck(*this, Progress);
        Session.Wait();
        EXPECT_FALSE(Busy);
    }
    TStates States() const {
        TStates Result;
        for (const auto& Rec : Session.Items())
            Result.push_back(Rec.State.load());
        return Result;
    }
    std::vector<int> Counts() const {
        const TCounters& C = Session.Counters();
        return {C.UncheckedCount, C.GoodCount, C.BadCount, C.MissingCount};
    }
};

// Hashed one at a time, or by several hashers (on a rotational disk, one at a time again), the view sees the same.
TEST_F(VerifyRunTest, VerdictsOfSfvAndMd5ListsTogetherAndWhatTheViewSeesWhateverTheJobs) {
    std::vector<std::pair<std::int32_t, std::int32_t>> FirstImages;
    for (const auto& [Jobs, Rotational] : {std::pair{1, false}, {2, false}, {8, false}, {8, true}}) {
        SCOPED_TRACE(std::to_string(Jobs) + (Rotational ? " rotational" : ""));
        SetRotationalLookup([Rotational](std::uint64_t) { return Rotational; });
        Session.Jobs = Jobs;
        for (const auto& [Name, Bytes] : TEntries{{"good", "hello"}, {"gone", "hello"}, {"IMG_1.JPG", "hello"},
                                                  {"bad", "hello!"}, {"img_1.jpg", "corrupted"}, {"empty", ""}})
            Dir.Write(Name, Bytes);
        std::filesystem::remove(Dir / "late");
        std::filesystem::create_directories(Dir / "sub");
        if (!std::filesystem::exists(Dir / "pipe")) {
            ASSERT_EQ(::mkfifo((Dir / "pipe").c_str(), 0644), 0);
        }
        const std::string Hello = "3610A686", HelloMd5 = "5d41402abc4b2a76b9719d911017c592";
        const TEntries Large{File("large", qvtest::PatternBytes(3 << 20, 7))};
        // Names differing only in case are two files; the MD5 list is checked as MD5, the SFV list as SFV.
        Open({{"a.sfv", {{"good", "3610a686"}, {"bad", Hello}, {"gone", Hello}, {"sub", "00000000"},
                         {"pipe", "FFFFFFFF"}, {"late", CrcOf("abc")}, {"IMG_1.JPG", Hello}, {"img_1.jpg", Hello},
                         Large[0], {"empty", "00000000"}}},
              {"b.md5", {{"good", HelloMd5}, {"pipe", "D41D8CD98F00B204E9800998ECF8427E"}}}});
        ASSERT_TRUE(Session.IsMd5List());
        std::filesystem::remove(Dir / "gone"); // vanished after the list was read
        Dir.Write("late", "abc");              // appeared after the list was read
        Log.clear(), Images.clear(), Calls.clear();
        RunAndWait();
        EXPECT_EQ(States(), (TStates{isGood, isBad, isMissing, isMissing, isBad, isGood, isGood, isBad, isGood, isGood,
                                     isGood, isBad}));
        EXPECT_EQ(Counts(), (std::vector<int>{0, 6, 4, 2}));
        EXPECT_EQ(Session.Items()[2].Size, -1); // sizes looked up again
        EXPECT_EQ(Session.Items()[5].Size, 3);
        EXPECT_EQ(Progress.TotalBytes, 5 + 6 + 3 + 5 + 9 + (3 << 20) + 5);
        EXPECT_EQ(Progress.BytesDone, Progress.TotalBytes);
        EXPECT_EQ(Log, (TLog{"commands off", "bars 0 0", "bars 100 100", "text Complete in 0 seconds", "commands on"}));
        EXPECT_EQ(Calls["ScrollIntoView"], 12);
        if (FirstImages.empty())
            FirstImages = Images;
        EXPECT_EQ(Images, FirstImages); // the same rows change, in the same order
    }
    SetRotationalLookup(nullptr);
}

// Files on a spinning disk are read by a hasher of their own, in list order; the rest are shared; files not found
// (device 0) too. A partition counts as its disk: the look-up decides per device.
// A long list has its sizes and devices looked up by several threads, each over a stretch of rows; the
// console opens it without looking sizes up at all.
TEST_F(VerifyRunTest, ALongListsSizesAndDisksAreLookedUpAtTheStartByThreadsEachTakingAStretch) {
    TEntries Entries;
    for (int I = 0; I < 9000; ++I)
        Entries.push_back({"m" + std::to_string(I), "00000000"});
    Entries.front() = File("first", "hello");
    Entries.back() = File("last", "abc");
    Entries[4499] = File("middle", "1234567"); // the first row of the second stretch
    Session.SizesAtOpen = false;
    Session.Jobs = 2;
    Open({{"long.sfv", Entries}});
    EXPECT_EQ(Session.Items()[0].Size, -1);
    int Asked = 0; // disks asked about: only files that were found have one
    SetRotationalLookup([&Asked](std::uint64_t) { return ++Asked, false; });
    RunAndWait();
    SetRotationalLookup(nullptr);
    EXPECT_EQ(Asked, 3);
    EXPECT_EQ(Calls["RowSizeChanged"], 3 + 8997); // the three found at the start, then each missing one
    EXPECT_EQ(Session.Items()[0].Size + Session.Items()[4499].Size * 10 + Session.Items()[8999].Size * 100, 375);
    EXPECT_EQ(Progress.TotalBytes, 15);
    EXPECT_EQ(Counts(), (std::vector<int>{0, 3, 0, 8997}));
}

TEST(HashLanesTest, EachRotationalDiskHasALaneOfItsOwnInListOrder) {
    SetRotationalLookup([](std::uint64_t Device) { return Device >= 10; });
    std::vector<TRunItem> Items;
    for (std::uint64_t Device : {1, 10, 0, 11, 10, 2, 11, 10})
        Items.push_back(TRunItem{nullptr, 0, Device});
    EXPECT_EQ(HashLanes(Items), (std::vector<std::vector<std::size_t>>{{0, 2, 5}, {1, 4, 7}, {3, 6}}));
    SetRotationalLookup(nullptr);
    EXPECT_EQ(EffectiveJobs(3) * 100 + EffectiveJobs(1000), 364u);
    EXPECT_GE(EffectiveJobs(0), 1u);
}

// A selection covers its rows only, the counters follow; records hidden by the filter are neither reset nor checked.
TEST_F(VerifyRunTest, SelectionAndFilterDecideWhatTheRunCovers) {
    Open({{"l.sfv", {File("a", "1"), {"b", CrcOf("x")}, File("c", "333"), File("d", "4444")}}});
    Dir.Write("b", "22");
    RunAndWait();
    Session.Items()[1].State = Session.Items()[2].State = isUnchecked;
    Session.Counters().UncheckedCount = 2, Session.Counters().GoodCount = 2;
    Selection = {Session.Items()[1].ListItem};
    RunAndWait();
    EXPECT_EQ(States(), (TStates{isGood, isBad, isUnchecked, isGood}));
    EXPECT_EQ(Counts(), (std::vector<int>{1, 2, 1, 0}));
    EXPECT_EQ(Progress.TotalBytes, 2);
    Selection.clear();
    TheRows = BuildRows(Session.Items(), dfBad, 2); // only "b" is shown
    RunAndWait();
    EXPECT_EQ(States(), (TStates{isGood, isBad, isUnchecked, isGood}));
    EXPECT_EQ(Progress.TotalBytes, 2);
}

// Aborts at points of a run over "a" (1 byte), "big" and "c" are never lost: the file being read stays Unchecked,
// earlier verdicts stay. Running out of memory stops the run the same way, with an error, not the process.
TEST_F(VerifyRunTest, AbortAndRunningOutOfMemoryStopWhereTheyHappen) {
    constexpr std::int64_t BigSize = (1 << 20) + 100; // its last chunk is short
    const TEntries Entries{File("a", "1"), File("big", qvtest::PatternBytes(BigSize, 3)), File("c", "3")};
    const std::tuple<std::int64_t, bool, TStates, std::vector<int>> Cases[] = {
        {-1, false, {isUnchecked, isUnchecked, isUnchecked}, {3, 0, 0, 0}},       // abort while the run starts
        {1 + 3 * 65536, false, {isGood, isUnchecked, isUnchecked}, {2, 1, 0, 0}}, // abort during a large file
        {1 + BigSize, false, {isGood, isGood, isUnchecked}, {1, 2, 0, 0}},        // abort with a file's last chunk
        {1 + 65536, true, {isGood, isUnchecked, isUnchecked}, {2, 1, 0, 0}},      // out of memory in a large file
    };
    for (const auto& [At, NoMemory, StatesAfter, CountsAfter] : Cases) {
        SCOPED_TRACE(At);
        Open({{"l.sfv", Entries}});
        Log.clear();
        OnCommandsDisabled = At < 0 ? [] { CrcAbort = true; } : std::function<void()>(); // while BeginRun runs
        OnChunk = [this, At, NoMemory] {
            if (At < 0 || Progress.BytesDone < At)
                return;
            if (NoMemory)
                throw std::bad_alloc();
            Session.Abort();
        };
        RunAndWait();
        EXPECT_EQ(States(), StatesAfter);
        EXPECT_EQ(Counts(), CountsAfter);
        TLog Expected{"commands off", "bars 0 0", "bars 100 100", "text ", "commands on"};
        if (NoMemory)
            Expected.push_back("failed " + Session.RunFailure());
        EXPECT_EQ(Log, Expected);
        EXPECT_EQ(Session.RunFailure(), NoMemory ? "Out of memory: the check was stopped" : "");
        EXPECT_LE(Progress.BytesDone, At < 0 ? 0 : At + 65536); // no read past the abort
    }
}

// A parallel run aborted part-way commits a prefix of the list, in order; closed part-way it stops every hasher
// before a record is freed. Run under the sanitizers with the other threaded tests.
TEST_F(VerifyRunTest, AParallelRunAbortedOrClosedPartWayStopsEveryHasher) {
    TEntries Entries;
    for (int I = 0; I < 400; ++I)
        Entries.push_back(File("f" + std::to_string(I), qvtest::PatternBytes(20000 + I, static_cast<unsigned>(I))));
    Open({{"l.sfv", Entries}});
    Session.Jobs = 4;
    const std::int32_t Saved = std::exchange(CrcBufSize, 64); // small reads: the run lasts long enough to be cut
    for (const bool Close : {false, true}) {
        SCOPED_TRACE(Close ? "closed" : "aborted");
        for (auto& Rec : Session.Items())
            Rec.State = isUnchecked;
        Session.StartCheck(*this, Progress);
        while (Session.Counters().GoodCount < 50) // some way into the run
            ServeOne();
        if (Close) {
            Session.Close();
            EXPECT_EQ(Session.Open(), ""); // the records go: no hasher may still read them
            AppClosing = false;
            continue;
        }
        Session.Abort();
        Session.Wait();
        const TStates After = States();
        const auto Good = std::count(After.begin(), After.end(), isGood);
        EXPECT_LT(Good, 400);
        EXPECT_EQ(std::count(After.begin(), After.begin() + Good, isGood), Good); // a prefix, in list order
        EXPECT_EQ(Counts(), (std::vector<int>{400 - static_cast<int>(Good), static_cast<int>(Good), 0, 0}));
    }
    CrcBufSize = Saved;
    EXPECT_FALSE(Busy);
}

// A window's event loop serves the queue slowly until the run reports its end; progress is shown at most once per
// serve however many chunks went by, and a lost wake-up would hang here. Then a run the closing window cuts short.
TEST_F(VerifyRunTest, QueuedHandOverServesTheRunCoalescesProgressReportsItsEndAndStopsWhenClosing) {
    TEntries Entries;
    for (int I = 0; I < 60; ++I) // up to 88500 bytes: at most two chunks a file
        Entries.push_back(File("f" + std::to_string(I), qvtest::PatternBytes(I * 1500u, static_cast<unsigned>(I))));
    Open({{"l.sfv", Entries}});
    int Serves = 0;
    for (int Round = 0; Round < 20; ++Round) {
        Session.StartCheck(*this, Progress);
        while (Calls["RunEnded"] == Round) {
            if (ServeOne())
                ++Serves;
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
        Session.ReleaseFinishedRun(); // as a window does when told the run ended
        ASSERT_EQ(Session.Counters().GoodCount, 60) << Round;
        EXPECT_FALSE(static_cast<bool>(CrcOnProgress)) << "nobody may call the run's handler once the run is gone";
    }
    EXPECT_GE(Calls["ShowProgress"], 20);
    EXPECT_LE(Calls["ShowProgress"], Serves);
    EXPECT_LT(Serves, 20 * 60); // woken once per batch, not once per file

    // The window closes during a run: the run skips its end step and no record is freed under it.
    Log.clear();
    OnChunk = [] {
        while (!AppClosing) // holds the worker in its first chunk until the window closes
            std::this_thread::yield();
    };
    Session.StartCheck(*this, Progress);
    while (Log.empty()) // the run has begun
        ServeOne();
    Session.Close(); // waits for the worker, serving it; the records go only after it is gone
    Session.ChecksumFiles.clear();
    EXPECT_EQ(Session.Open(), "");
    EXPECT_EQ(Log, (TLog{"commands off", "bars 0 0"})); // EndRun skipped
    EXPECT_EQ(Calls["RunEnded"], 20);                  // and no end reported
    while (ServeOne()) { // late queued Serve calls find the run gone
    }
    EXPECT_FALSE(Busy); // the run is over, though it never reached its end step
}

} // namespace
