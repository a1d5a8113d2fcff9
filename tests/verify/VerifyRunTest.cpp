// Verification: the verdict and coverage rules as tables, then runs on a real worker thread through the
// session (verdicts end to end, aborting, closing, the hand-over to the user-interface thread, running out
// of memory). Runs under ThreadSanitizer too.

#include <sys/stat.h>

#include <algorithm>
#include <deque>
#include <filesystem>
#include <functional>
#include <mutex>
#include <new>
#include <string>
#include <thread>
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
using TBars = std::vector<std::pair<int, int>>;

std::string CrcOf(const std::string& Bytes) {
    return Crc32ToText(Crc32Update(0xFFFFFFFFu, Bytes.data(), static_cast<std::ptrdiff_t>(Bytes.size())) ^ 0xFFFFFFFFu);
}

TEST(Verdict, FromWhatTheCheckFoundOut) {
    auto Read = [](bool Opened, bool ReadError, bool Aborted, int Error = 0) {
        FileReadOutcome O;
        O.Opened = Opened, O.ReadError = ReadError, O.Aborted = Aborted, O.Error = Error;
        return O;
    };
    struct TCase {
        const char* What;
        TCheckFacts Facts;
        std::int32_t State;
    } const Cases[] = {
        {"not there", {false, {}, false, false, false}, isMissing},
        {"match", {true, Read(true, false, false), true, false, false}, isGood},
        {"match, abort after the last chunk", {true, Read(true, false, false), true, true, false}, isGood},
        {"differs", {true, Read(true, false, false), false, false, false}, isBad},
        {"cut short", {true, Read(true, false, true), false, true, false}, 0},
        {"cut short though the partial text matches", {true, Read(true, false, true), true, true, false}, 0},
        {"differs, abort requested meanwhile", {true, Read(true, false, false), false, true, false}, 0},
        {"unreadable, failure text listed", {true, Read(false, false, false, EACCES), true, false, false}, isBad},
        {"read error part-way", {true, Read(true, true, false, EIO), true, true, false}, isBad},
        {"vanished between look-up and open", {true, Read(false, false, false, ENOENT), false, false, true}, isMissing},
        {"not openable, still there", {true, Read(false, false, false, ENOENT), false, false, false}, isBad},
    };
    for (const auto& C : Cases)
        EXPECT_EQ(Verdict(C.Facts), C.State) << C.What;
}

TEST(Coverage, NoSelectionTheFirstHeaderOrEveryRowCoverAllElseTheSelection) {
    struct TCase {
        std::vector<std::int32_t> Selected;
        bool All;
        std::vector<bool> Covered;
    } const Cases[] = {
        {{}, true, {true, true, true, true}},
        {{0}, true, {true, true, true, true}},
        {{0, 1, 2, 3}, true, {true, true, true, true}},
        {{1}, false, {false, true, false, false}},
        {{0, 2}, false, {true, false, true, false}},
        {{3, 9, -1}, false, {false, false, false, true}},
    };
    for (const auto& C : Cases) {
        EXPECT_EQ(ChecksAllRows(4, C.Selected), C.All) << C.Selected.size();
        EXPECT_EQ(CoveredRows(4, C.Selected, C.All), C.Covered) << C.Selected.size();
    }
}

TEST(CheckFile, AFileThatVanishesBetweenLookUpAndOpenIsMissing) {
    const qvtest::TempDir Dir;
    const std::string Path = Dir.Write("f", "x");
    const TCheckFacts Facts = CheckFile(Path, CrcOf("x"), false, [&] { std::filesystem::remove(Path); });
    EXPECT_TRUE(Facts.Present);
    EXPECT_EQ(Verdict(Facts), isMissing);
}

// A view that records what the run asked of it, all on the thread that serves the run.
class RecordingView : public RunView {
public:
    std::vector<TRow> TheRows;
    std::vector<std::int32_t> Selection;
    std::thread::id UiThread = std::this_thread::get_id();
    bool WrongThread = false, QueueWakes = false;
    std::vector<bool> CommandsEnabled;
    TBars Bars;
    std::vector<std::string> Completions, Failures;
    std::vector<int> Scrolled;
    int ProgressShown = 0, Ended = 0;
    std::function<void()> OnCommandsDisabled;
    std::mutex QueueLock; // queued Serve callables, as a GUI's event queue would hold them
    std::deque<std::function<void()>> Queue;

    std::function<void()> TakeQueued() {
        std::lock_guard Lock(QueueLock);
        if (Queue.empty())
            return {};
        auto Serve = std::move(Queue.front());
        Queue.pop_front();
        return Serve;
    }
    void Check() { WrongThread |= std::this_thread::get_id() != UiThread; }
    void WakeUiThread(std::function<void()> Serve, bool) override {
        std::lock_guard Lock(QueueLock);
        if (QueueWakes)
            Queue.push_back(std::move(Serve));
    }
    const std::vector<TRow>& Rows() const override { return TheRows; }
    std::vector<std::int32_t> SelectedRows() const override { return Selection; }
    void SetCommandsEnabled(bool Enabled) override {
        Check();
        CommandsEnabled.push_back(Enabled);
        if (!Enabled && OnCommandsDisabled)
            OnCommandsDisabled();
    }
    void SetProgressBars(std::int32_t File, std::int32_t Total) override { Check(), Bars.emplace_back(File, Total); }
    void ShowProgress(const TProgressFigures&) override { Check(), ++ProgressShown; }
    void SetCompletionText(const std::string& Text) override { Check(), Completions.push_back(Text); }
    void RowImageChanged(std::int32_t, std::int32_t) override { Check(); }
    void RowSizeChanged(std::int32_t, std::int64_t) override { Check(); }
    void ScrollIntoView(std::int32_t Row) override { Check(), Scrolled.push_back(Row); }
    void RepaintStatusBar() override { Check(); }
    void RunFailed(const std::string& Text) override { Check(), Failures.push_back(Text); }
    void RunEnded() override { Check(), ++Ended; }
};

// A folder with data files and lists over them, opened and checked through a session.
class VerifyRunTest : public ::testing::Test {
protected:
    qvtest::TempDir Dir;
    TChecksumSession Session;
    RecordingView View;
    std::function<void()> OnChunk; // runs on the worker after every chunk
    std::unique_ptr<TProgress> Progress;

    void SetUp() override {
        CrcAbort = AppClosing = Busy = false;
        // The tick source runs inside the worker's progress handler: a deterministic point to act mid-run.
        Progress = std::make_unique<TProgress>([this]() -> std::uint32_t {
            if (Progress && OnChunk && std::this_thread::get_id() != View.UiThread)
                OnChunk();
            return 0;
        });
    }
    void TearDown() override { CrcAbort = AppClosing = false; }

    std::pair<std::string, std::string> File(const std::string& Name, const std::string& Bytes) {
        Dir.Write(Name, Bytes);
        return {Name, CrcOf(Bytes)}; // its list entry
    }
    std::string List(const std::string& ListName, const TEntries& Entries) {
        std::string Text;
        for (const auto& [Name, Sum] : Entries)
            Text += ListName.ends_with(".md5") ? Sum + " " + Name + "\r\n" : Name + " " + Sum + "\r\n";
        return Dir.Write(ListName, Text);
    }
    // Writes the lists and opens them as the program does.
    void Open(const std::vector<std::pair<std::string, TEntries>>& Lists) {
        Session.ChecksumFiles.clear();
        for (const auto& [Name, Entries] : Lists)
            Session.ChecksumFiles.push_back(List(Name, Entries));
        ASSERT_EQ(Session.Open(), "");
        View.TheRows = BuildRows(Session.Items(), dfAll, 2);
    }
    void RunAndWait() {
        Session.StartCheck(View, *Progress);
        Session.Wait();
        EXPECT_FALSE(Session.Running());
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

TEST_F(VerifyRunTest, VerdictsOfSfvAndMd5ListsTogetherAndWhatTheViewSees) {
    for (const char* Name : {"good", "gone", "IMG_1.JPG"})
        Dir.Write(Name, "hello");
    Dir.Write("bad", "hello!");
    Dir.Write("img_1.jpg", "corrupted");
    std::filesystem::create_directory(Dir / "sub");
    ASSERT_EQ(::mkfifo((Dir / "pipe").c_str(), 0644), 0);
    const std::string Hello = "3610A686", HelloMd5 = "5d41402abc4b2a76b9719d911017c592";
    // Names differing only in case are two files; the MD5 list is checked as MD5, the SFV list as SFV.
    Open({{"a.sfv", {{"good", "3610a686"}, {"bad", Hello}, {"gone", Hello}, {"sub", "00000000"}, {"pipe", "FFFFFFFF"},
                     {"late", CrcOf("abc")}, {"IMG_1.JPG", Hello}, {"img_1.jpg", Hello}}},
          {"b.md5", {{"good", HelloMd5}, {"pipe", "D41D8CD98F00B204E9800998ECF8427E"}}}});
    ASSERT_TRUE(Session.IsMd5List());
    std::filesystem::remove(Dir / "gone"); // vanished after the list was read
    Dir.Write("late", "abc");              // appeared after the list was read
    RunAndWait();
    EXPECT_EQ(States(), (TStates{isGood, isBad, isMissing, isMissing, isBad, isGood, isGood, isBad, isGood, isBad}));
    EXPECT_EQ(Counts(), (std::vector<int>{0, 4, 4, 2}));
    EXPECT_FALSE(View.WrongThread);
    EXPECT_FALSE(Busy);
    EXPECT_EQ(Session.Items()[2].Size, -1); // sizes looked up again
    EXPECT_EQ(Session.Items()[5].Size, 3);
    EXPECT_EQ(Progress->TotalBytes, 5 + 6 + 3 + 5 + 9 + 5);
    EXPECT_EQ(View.CommandsEnabled, (std::vector<bool>{false, true}));
    EXPECT_EQ(View.Bars, (TBars{{0, 0}, {100, 100}}));
    EXPECT_EQ(View.Completions, std::vector<std::string>{"Complete in 0 seconds"});
    EXPECT_EQ(View.Scrolled.size(), 10u);
}

// Selected rows only: the other records keep their states and the counters are adjusted; records hidden
// by the filter are neither reset nor checked.
TEST_F(VerifyRunTest, SelectionAndFilterDecideWhatTheRunCovers) {
    Open({{"l.sfv", {File("a", "1"), {"b", CrcOf("x")}, File("c", "333"), File("d", "4444")}}});
    Dir.Write("b", "22");
    RunAndWait();
    EXPECT_EQ(Counts(), (std::vector<int>{0, 3, 1, 0}));
    Session.Items()[1].State = Session.Items()[2].State = isUnchecked;
    Session.Counters().UncheckedCount = 2, Session.Counters().GoodCount = 2;
    View.Selection = {Session.Items()[1].ListItem};
    RunAndWait();
    EXPECT_EQ(States(), (TStates{isGood, isBad, isUnchecked, isGood}));
    EXPECT_EQ(Counts(), (std::vector<int>{1, 2, 1, 0}));
    EXPECT_EQ(Progress->TotalBytes, 2);
    View.Selection.clear();
    View.TheRows = BuildRows(Session.Items(), dfBad, 2); // only "b" is shown
    RunAndWait();
    EXPECT_EQ(States(), (TStates{isGood, isBad, isUnchecked, isGood}));
    EXPECT_EQ(Progress->TotalBytes, 2);
}

// Abort requests at different points of a run over "a" (1 byte), "big" and "c": none may be lost, the
// file being read stays Unchecked, earlier verdicts stay.
TEST_F(VerifyRunTest, AbortStopsWhereRequested) {
    constexpr std::int64_t BigSize = (1 << 20) + 100; // its last chunk is short
    const TEntries Entries{File("a", "1"), File("big", qvtest::PatternBytes(BigSize, 3)), File("c", "3")};
    const std::pair<std::int64_t, TStates> Cases[] = {
        {-1, {isUnchecked, isUnchecked, isUnchecked}},       // requested while the run starts
        {1 + 3 * 65536, {isGood, isUnchecked, isUnchecked}}, // during a large file
        {1 + BigSize, {isGood, isGood, isUnchecked}},        // with the last chunk of a file
    };
    for (const auto& [At, Expected] : Cases) {
        SCOPED_TRACE(At);
        Open({{"l.sfv", Entries}});
        View.Completions.clear();
        View.Bars.clear();
        View.OnCommandsDisabled = At < 0 ? [] { CrcAbort = true; } : std::function<void()>(); // while BeginRun runs
        OnChunk = [this, At] {
            if (At >= 0 && Progress->BytesDone >= At)
                Session.Abort();
        };
        RunAndWait();
        EXPECT_EQ(States(), Expected);
        const int Unchecked = static_cast<int>(std::ranges::count(Expected, isUnchecked));
        EXPECT_EQ(Counts(), (std::vector<int>{Unchecked, 3 - Unchecked, 0, 0}));
        EXPECT_EQ(View.Completions, std::vector<std::string>{""});
        EXPECT_EQ(View.Bars, (TBars{{0, 0}, {100, 100}}));
        EXPECT_LE(Progress->BytesDone, At < 0 ? 0 : At + 65536); // no read past the abort
    }
}

TEST_F(VerifyRunTest, RunningOutOfMemoryEndsTheRunWithAnErrorNotTheProcess) {
    Open({{"l.sfv", {File("a", "1"), File("big", qvtest::PatternBytes(300000, 5)), File("c", "3")}}});
    OnChunk = [this] {
        if (Progress->BytesDone > 65536)
            throw std::bad_alloc();
    };
    RunAndWait();
    EXPECT_EQ(States(), (TStates{isGood, isUnchecked, isUnchecked}));
    EXPECT_EQ(Counts(), (std::vector<int>{2, 1, 0, 0}));
    EXPECT_EQ(View.Failures, std::vector<std::string>{"Out of memory: the check was stopped"});
    EXPECT_EQ(Session.RunFailure(), View.Failures.front());
    EXPECT_EQ(View.CommandsEnabled, (std::vector<bool>{false, true}));
    EXPECT_EQ(View.Completions, std::vector<std::string>{""});
    EXPECT_FALSE(Busy);
}

TEST_F(VerifyRunTest, ClosingDuringARunSkipsTheEndAndFreesNothingEarly) {
    Open({{"l.sfv", {File("big", qvtest::PatternBytes(1 << 20, 6)), File("next", "n")}}});
    View.QueueWakes = true;
    Session.StartCheck(View, *Progress);
    while (View.CommandsEnabled.empty()) // the run has begun
        if (const auto Serve = View.TakeQueued())
            Serve();
    Session.Close(); // waits for the worker, serving it; the records go only after it is gone
    Session.ChecksumFiles.clear();
    EXPECT_EQ(Session.Open(), "");
    EXPECT_TRUE(View.Completions.empty());
    EXPECT_EQ(View.CommandsEnabled, std::vector<bool>{false}); // EndRun skipped
    EXPECT_EQ(View.Ended, 0);
    while (const auto Serve = View.TakeQueued()) // late queued Serve calls find the run gone
        Serve();
    EXPECT_FALSE(View.WrongThread);
    EXPECT_FALSE(Busy); // the run is over, though it never reached its end step
}

// The event loop of a window: serve what is queued, slowly, until the run reports its end; the latest
// progress figures are applied at most once per serve however many chunks went by, and a lost wake-up
// (a Serve between a change and its wake-up) would hang here.
TEST_F(VerifyRunTest, QueuedHandOverServesTheRunCoalescesProgressAndReportsItsEnd) {
    TEntries Entries;
    for (int I = 0; I < 60; ++I) // up to 88500 bytes: at most two chunks a file
        Entries.push_back(File("f" + std::to_string(I), qvtest::PatternBytes(I * 1500u, static_cast<unsigned>(I))));
    Open({{"l.sfv", Entries}});
    View.QueueWakes = true;
    int Serves = 0;
    for (int Round = 0; Round < 20; ++Round) {
        View.Ended = 0;
        Session.StartCheck(View, *Progress);
        while (View.Ended == 0) {
            if (const auto Serve = View.TakeQueued()) {
                ++Serves;
                Serve();
                if (View.Ended == 1)
                    Session.ReleaseFinishedRun(); // from inside the serve, as a window does when told
            }
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
        ASSERT_EQ(Session.Counters().GoodCount, 60) << Round;
        EXPECT_FALSE(Session.Running());
        EXPECT_FALSE(static_cast<bool>(CrcOnProgress)) << "nobody may call the run's handler once the run is gone";
    }
    EXPECT_GE(View.ProgressShown, 20);
    EXPECT_LE(View.ProgressShown, Serves);
    EXPECT_LT(Serves, 20 * 60); // woken once per batch, not once per file
    EXPECT_FALSE(View.WrongThread);
}

} // namespace
