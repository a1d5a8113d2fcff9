// Verification runs on a real worker thread: what a run covers, the verdicts, the counters, aborting and
// closing, and the hand-over to the user-interface thread. Runs under ThreadSanitizer too.

#include <sys/stat.h>

#include <algorithm>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <numeric>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "support/TestSupport.h"
#include "checksum/Crc32.h"
#include "lists/ItemRows.h"
#include "lists/ListReader.h"
#include "verify/VerifyRun.h"

using namespace quorvane;

namespace {

using TEntries = std::vector<std::pair<std::string, std::string>>;  // name, checksum
using TStates = std::vector<std::int32_t>;
using TBars = std::vector<std::pair<int, int>>;

std::string CrcOf(const std::string& Bytes) {
    return Crc32ToText(Crc32Update(0xFFFFFFFFu, Bytes.data(), static_cast<std::ptrdiff_t>(Bytes.size())) ^ 0xFFFFFFFFu);
}

// A view that records what the run asked of it, all on the thread that serves the run.
class RecordingView : public RunView {
public:
    std::vector<TRow> TheRows;
    std::vector<std::int32_t> Selection;
    std::thread::id UiThread = std::this_thread::get_id();
    bool WrongThread = false, QueueWakes = false;
    std::vector<bool> CommandsEnabled;
    TBars Bars, Images;
    std::vector<std::string> Completions;
    std::vector<std::pair<int, std::int64_t>> Sizes;
    std::vector<int> Scrolled;
    int ProgressShown = 0, Ended = 0;
    std::function<void()> OnCommandsDisabled;
    std::mutex QueueLock;  // queued Serve callables, as a GUI's event queue would hold them
    std::deque<std::function<void()>> Queue;

    std::function<void()> TakeQueued() {
        std::lock_guard Lock(QueueLock);
        if (Queue.empty())
            return {};
        auto Serve = std::move(Queue.front());
        Queue.pop_front();
        return Serve;
    }
    void ServeQueued() {
        while (const auto Serve = TakeQueued())
            Serve();
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
    void SetProgressBars(std::int32_t File, std::int32_t Total) override { Check(); Bars.emplace_back(File, Total); }
    void ShowProgress(const TProgressFigures&) override { Check(); ++ProgressShown; }
    void SetCompletionText(const std::string& Text) override { Check(); Completions.push_back(Text); }
    void RowImageChanged(std::int32_t Row, std::int32_t Image) override { Check(); Images.emplace_back(Row, Image); }
    void RowSizeChanged(std::int32_t Row, std::int64_t Size) override { Check(); Sizes.emplace_back(Row, Size); }
    void ScrollIntoView(std::int32_t Row) override { Check(); Scrolled.push_back(Row); }
    void RepaintStatusBar() override { Check(); }
    void RunEnded() override { Check(); ++Ended; }
};

// A folder with data files and a list over them, opened as the program opens lists.
class VerifyRunTest : public ::testing::Test {
protected:
    qvtest::TempDir Dir;
    ItemList Items;
    TCounters Counters;
    bool IsMd5 = false;
    RecordingView View;
    std::function<void()> OnChunk;  // runs on the worker after every chunk
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
        return {Name, CrcOf(Bytes)};  // its list entry
    }
    // Writes the list (SFV lines, or MD5 lines for a ".md5" name) and opens it.
    void OpenList(const std::string& ListName, const TEntries& Entries) {
        std::string Text;
        for (const auto& [Name, Sum] : Entries)
            Text += ListName.ends_with(".md5") ? Sum + " " + Name + "\r\n" : Name + " " + Sum + "\r\n";
        OpenChecksumFiles({Dir.Write(ListName, Text)}, Items, Counters, IsMd5);
        View.TheRows = BuildRows(Items, dfAll, 2);
    }
    bool RunAndWait() {  // gives whether the run covered every record
        TcrcThread Run(Items, Counters, IsMd5, View, *Progress);
        Run.Start();
        Run.Wait();
        EXPECT_TRUE(Run.Finished());
        return Run.CheckAll();
    }
    TStates States() const {
        TStates Result;
        for (const auto& Rec : Items)
            Result.push_back(Rec.State.load());
        return Result;
    }
    void ExpectCounts(int Unchecked, int Good, int Bad, int Missing) const {
        EXPECT_EQ((std::vector<int>{Counters.UncheckedCount, Counters.GoodCount, Counters.BadCount,
                                    Counters.MissingCount}),
                  (std::vector<int>{Unchecked, Good, Bad, Missing}));
    }
};

TEST_F(VerifyRunTest, SfvAndMd5VerdictsSizesAndWhatTheViewSees) {
    for (const char* Name : {"good", "blank", "gone"})
        Dir.Write(Name, "hello");
    Dir.Write("bad", "hello!");
    Dir.Write("empty", "");
    std::filesystem::create_directory(Dir / "sub");
    ASSERT_EQ(::mkfifo((Dir / "pipe").c_str(), 0644), 0);
    ::chmod(Dir.Write("locked", "secret").c_str(), 0);
    OpenList("l.sfv", {{"good", "3610a686"}, {"bad", "3610A686"}, {"blank", "3610A68"}, {"gone", "3610A686"},
                       {"sub", "00000000"}, {"pipe", "FFFFFFFF"}, {"locked", "FFFFFFFF"}, {"late", CrcOf("abc")}});
    Items[2].Checksum = "3610A686 ";        // compared as it stands, blank included
    std::filesystem::remove(Dir / "gone");  // vanished after the list was read
    Dir.Write("late", "abc");               // appeared after the list was read
    RunAndWait();
    // Compared without regard to case; a fifo is never opened, so the run cannot hang on it; a file that
    // cannot be read is Bad even though its list names the failure text; a folder is Missing.
    EXPECT_EQ(States(), (TStates{isGood, isBad, isBad, isMissing, isMissing, isBad, isBad, isGood}));
    ExpectCounts(0, 2, 4, 2);
    EXPECT_FALSE(View.WrongThread);
    EXPECT_FALSE(Busy);
    // Sizes are looked up again: a vanished file reads "Not Found" and adds nothing to the total.
    EXPECT_EQ(Items[3].Size, -1);
    EXPECT_EQ(Items[7].Size, 3);
    EXPECT_TRUE(std::ranges::count(View.Sizes, std::pair<int, std::int64_t>(Items[3].ListItem, -1)));
    EXPECT_TRUE(std::ranges::count(View.Sizes, std::pair<int, std::int64_t>(Items[7].ListItem, 3)));
    EXPECT_EQ(Progress->TotalBytes, 5 + 6 + 5 + 6 + 3);
    // Disabled at the start, enabled at the end; bars 0 then 100; the completion text.
    EXPECT_EQ(View.CommandsEnabled, (std::vector<bool>{false, true}));
    EXPECT_EQ(View.Bars, (TBars{{0, 0}, {100, 100}}));
    EXPECT_EQ(View.Completions, std::vector<std::string>{"Complete in 0 seconds"});
    // Each checked row shows its verdict and was scrolled to.
    std::vector<int> Rows;
    for (const auto& Rec : Items) {
        Rows.push_back(Rec.ListItem);
        EXPECT_TRUE(std::ranges::count(View.Images, std::pair<int, int>(Rec.ListItem, Rec.State.load()))) << Rows.size();
    }
    EXPECT_EQ(View.Scrolled, Rows);
    // MD5 lists alike, the digest of the empty text included: an unreadable file never matches it.
    const std::string Empty = "d41d8cd98f00b204e9800998ecf8427e";
    OpenList("l.md5", {{"good", "5d41402abc4b2a76b9719d911017c592"}, {"bad", "5D41402ABC4B2A76B9719D911017C592"},
                       {"pipe", "D41D8CD98F00B204E9800998ECF8427E"}, {"empty", Empty}, {"sub", Empty}});
    ASSERT_TRUE(IsMd5);
    RunAndWait();
    EXPECT_EQ(States(), (TStates{isGood, isBad, isBad, isGood, isMissing}));
}

// No selection, the header row or every row: all is reset and checked. Selected rows: only they are
// checked, earlier verdicts stay and the counters are adjusted.
TEST_F(VerifyRunTest, SelectionDecidesWhatTheRunCovers) {
    OpenList("l.sfv", {File("a", "1"), {"b", CrcOf("x")}, File("c", "333"), File("d", "4444")});
    Dir.Write("b", "22");
    std::vector<std::int32_t> EveryRow(View.TheRows.size()), BAndC{Items[1].ListItem, Items[2].ListItem};
    std::iota(EveryRow.begin(), EveryRow.end(), 0);
    const std::vector<std::int32_t> Selections[] = {{}, {0}, EveryRow, BAndC};
    for (const auto& Selection : Selections) {
        SCOPED_TRACE(Selection.size());
        const bool All = Selection != BAndC;
        Items[0].State = isBad;
        Items[1].State = isGood;
        Items[2].State = Items[3].State = isUnchecked;
        Counters.UncheckedCount = 2;
        Counters.BadCount = Counters.GoodCount = 1;
        Counters.MissingCount = 0;
        View.Selection = Selection;
        View.Images.clear();
        View.Scrolled.clear();
        EXPECT_EQ(RunAndWait(), All);
        EXPECT_EQ(States(), (TStates{All ? isGood : isBad, isBad, isGood, All ? isGood : isUnchecked}));
        All ? ExpectCounts(0, 3, 1, 0) : ExpectCounts(1, 1, 2, 0);
        EXPECT_EQ(Progress->TotalBytes, All ? 1 + 2 + 3 + 4 : 2 + 3);  // only the covered files count
        EXPECT_EQ(View.Scrolled.size(), All ? 4u : 0u);
        if (All) {  // every row was first shown as Unchecked again
            ASSERT_GE(View.Images.size(), 2u);
            EXPECT_EQ(TBars(View.Images.begin(), View.Images.begin() + 2),
                      (TBars{{Items[0].ListItem, isUnchecked}, {Items[1].ListItem, isUnchecked}}));
        }
    }
}

TEST_F(VerifyRunTest, RecordsHiddenByTheFilterAreSkippedAndAnEmptyListCompletes) {
    OpenList("l.sfv", {File("a", "1"), File("b", "2"), File("c", "3")});
    Items[0].State = isBad;
    Items[1].State = isGood;
    View.TheRows = BuildRows(Items, dfBad, 2);  // only "a" is shown
    RunAndWait();
    // Hidden records are neither reset nor checked; Good, Bad and Missing are recounted from the shown rows.
    EXPECT_EQ(States(), (TStates{isGood, isGood, isUnchecked}));
    ExpectCounts(1, 1, 0, 0);
    EXPECT_EQ(Progress->TotalBytes, 1);
    OpenList("e.sfv", {});
    View.Completions.clear();
    RunAndWait();
    EXPECT_EQ(View.Completions, std::vector<std::string>{"Complete in 0 seconds"});
}

// Abort requests at different points of a run over "a" (1 byte), "big" and "c": none may be lost, the
// file being read stays Unchecked, earlier verdicts stay.
TEST_F(VerifyRunTest, AbortStopsWhereRequested) {
    constexpr std::int64_t BigSize = (1 << 20) + 100;  // its last chunk is short
    const TEntries Entries{File("a", "1"), File("big", qvtest::PatternBytes(BigSize, 3)), File("c", "3")};
    const std::pair<std::int64_t, TStates> Cases[] = {
        {-1, {isUnchecked, isUnchecked, isUnchecked}},  // requested while the run starts
        {1 + 3 * 65536, {isGood, isUnchecked, isUnchecked}},  // during a large file
        {1 + BigSize, {isGood, isGood, isUnchecked}},         // with the last chunk of a file
    };
    for (const auto& [At, Expected] : Cases) {
        SCOPED_TRACE(At);
        OpenList("l.sfv", Entries);
        CrcAbort = false;
        View.Completions.clear();
        View.Bars.clear();
        View.OnCommandsDisabled = At < 0 ? [] { CrcAbort = true; } : std::function<void()>();  // while BeginRun runs
        OnChunk = [this, At] { if (At >= 0 && Progress->BytesDone >= At) CrcAbort = true; };
        RunAndWait();
        EXPECT_EQ(States(), Expected);
        const int Unchecked = static_cast<int>(std::ranges::count(Expected, isUnchecked));
        ExpectCounts(Unchecked, 3 - Unchecked, 0, 0);
        EXPECT_EQ(View.Completions, std::vector<std::string>{""});
        EXPECT_EQ(View.Bars, (TBars{{0, 0}, {100, 100}}));
        if (Expected[1] == isUnchecked) {
            EXPECT_LT(Progress->BytesDone, 1 + BigSize);  // no read past the abort
        }
    }
}

TEST_F(VerifyRunTest, FilesChangingDuringTheRun) {
    OpenList("l.sfv", {File("big", qvtest::PatternBytes(300000, 5)), File("vanishes", "v"), File("grows", "g"),
                       File("shrinks", "shrinks")});
    OnChunk = [&, Done = false]() mutable {
        if (Done || Progress->BytesDone < 65536)
            return;
        Done = true;
        std::filesystem::remove(Dir / "vanishes");
        std::ofstream(Dir / "grows", std::ios::app) << "more";
        std::filesystem::resize_file(Dir / "shrinks", 3);
    };
    RunAndWait();
    EXPECT_EQ(States(), (TStates{isGood, isMissing, isBad, isBad}));
}

TEST_F(VerifyRunTest, ClosingDuringARunSkipsTheEndAndFreesNothingEarly) {
    OpenList("l.sfv", {File("big", qvtest::PatternBytes(1 << 20, 6)), File("next", "n")});
    View.QueueWakes = true;
    OnChunk = [&] {
        if (Progress->BytesDone >= 2 * 65536)
            AppClosing = CrcAbort = true;  // what closing the window does, here at a fixed point of the reading
    };
    TcrcThread(Items, Counters, IsMd5, View, *Progress).Start();  // the destructor waits, serving the worker
    Items.Clear();  // the records go only after the worker is gone
    EXPECT_TRUE(View.Completions.empty());
    EXPECT_EQ(View.CommandsEnabled, std::vector<bool>{false});  // EndRun skipped
    EXPECT_EQ(View.Ended, 0);
    EXPECT_TRUE(Busy);  // the closing window does not care
    View.ServeQueued();  // late queued Serve calls find the run gone and do nothing
    EXPECT_FALSE(View.WrongThread);
    Busy = false;
}

TEST_F(VerifyRunTest, QueuedHandOverServesTheRunAndReportsItsEnd) {
    TEntries Entries;
    for (int I = 0; I < 20; ++I)
        Entries.push_back(File("f" + std::to_string(I), std::to_string(I)));
    OpenList("l.sfv", Entries);
    View.QueueWakes = true;
    auto Run = std::make_unique<TcrcThread>(Items, Counters, IsMd5, View, *Progress);
    Run->Start();
    // The event loop of a window: serve what is queued until the run reports its end, then destroy the
    // run from inside that call, as a window does when told the run ended.
    while (Run) {
        if (const auto Serve = View.TakeQueued()) {
            Serve();
            if (View.Ended == 1)
                Run.reset();
        } else {
            std::this_thread::yield();
        }
    }
    EXPECT_EQ(Counters.GoodCount, 20);
    EXPECT_EQ(View.Completions.size(), 1u);
    View.ServeQueued();
    EXPECT_FALSE(View.WrongThread);
    EXPECT_EQ(View.Ended, 1);
}

TEST_F(VerifyRunTest, ManyRunsOverManyFilesNeverStallAndCoalesceProgress) {
    // Display changes, progress and the two steps interleave differently on every run; a lost wake-up
    // (a Serve between a change and its wake-up) would hang here.
    TEntries Entries;
    for (int I = 0; I < 60; ++I)  // up to 88500 bytes: at most two chunks a file
        Entries.push_back(File("f" + std::to_string(I), qvtest::PatternBytes(I * 1500u, static_cast<unsigned>(I))));
    OpenList("l.sfv", Entries);
    for (int Round = 0; Round < 30; ++Round) {
        RunAndWait();
        ASSERT_EQ(Counters.GoodCount, 60) << Round;
        EXPECT_EQ(Progress->BytesDone, 1500 * 59 * 60 / 2);
        EXPECT_FALSE(static_cast<bool>(CrcOnProgress)) << "nobody may call the run's handler once the run is gone";
    }
    EXPECT_GE(View.ProgressShown, 30);
    EXPECT_LE(View.ProgressShown, 30 * (1 + 2 * 60 + 1));
}

} // namespace
