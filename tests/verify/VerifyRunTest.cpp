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
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "support/TestSupport.h"
#include "checksum/Crc32.h"
#include "lists/ItemRows.h"
#include "lists/ListReader.h"
#include "verify/VerifyRun.h"

namespace {

using TEntries = std::vector<std::pair<std::string, std::string>>;  // name, checksum

std::string CrcOf(const std::string& Bytes) {
    return Crc32ToText(Crc32Update(0xFFFFFFFFu, Bytes.data(), static_cast<std::ptrdiff_t>(Bytes.size())) ^ 0xFFFFFFFFu);
}

template <typename T>
bool Has(const std::vector<T>& Values, const T& Value) {
    return std::find(Values.begin(), Values.end(), Value) != Values.end();
}

// A view that records what the run asked of it, all on the thread that serves the run.
class RecordingView : public RunView {
public:
    std::vector<TRow> TheRows;
    std::vector<std::int32_t> Selection;
    std::thread::id UiThread = std::this_thread::get_id();
    bool WrongThread = false;
    std::vector<bool> CommandsEnabled;
    std::vector<std::pair<int, int>> Bars, Images;
    std::vector<std::string> Completions;
    std::vector<std::pair<int, std::int64_t>> Sizes;
    std::vector<int> Scrolled;
    int ProgressShown = 0;
    int Ended = 0;
    std::function<void()> OnCommandsDisabled;
    // Queued Serve callables, as a GUI's event queue would hold them.
    std::mutex QueueLock;
    std::deque<std::function<void()>> Queue;
    bool QueueWakes = false;

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
        if (!QueueWakes)
            return;
        std::lock_guard Lock(QueueLock);
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
        CrcAbort = false;
        AppClosing = false;
        Busy = false;
        // The tick source runs inside the worker's progress handler: a deterministic point to act mid-run.
        Progress = std::make_unique<TProgress>([this]() -> std::uint32_t {
            if (Progress && OnChunk && std::this_thread::get_id() != View.UiThread)
                OnChunk();
            return 0;
        });
    }
    void TearDown() override { CrcAbort = AppClosing = false; }

    // Writes a data file and gives its list entry.
    std::pair<std::string, std::string> File(const std::string& Name, const std::string& Bytes) {
        Dir.Write(Name, Bytes);
        return {Name, CrcOf(Bytes)};
    }

    // Writes the list (SFV lines, or MD5 lines for a ".md5" name) and opens it.
    void OpenList(const std::string& ListName, const TEntries& Entries) {
        std::string Text;
        const bool Md5 = ListName.ends_with(".md5");
        for (const auto& [Name, Sum] : Entries)
            Text += Md5 ? Sum + " " + Name + "\r\n" : Name + " " + Sum + "\r\n";
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

    std::vector<std::int32_t> States() const {
        std::vector<std::int32_t> Result;
        for (std::size_t I = 0; I < Items.Count(); ++I)
            Result.push_back(Items[I].State.load());
        return Result;
    }
    void ExpectCounts(int Unchecked, int Good, int Bad, int Missing) const {
        EXPECT_EQ(Counters.UncheckedCount, Unchecked);
        EXPECT_EQ(Counters.GoodCount, Good);
        EXPECT_EQ(Counters.BadCount, Bad);
        EXPECT_EQ(Counters.MissingCount, Missing);
    }
};

TEST_F(VerifyRunTest, SfvVerdictsSizesAndWhatTheViewSees) {
    for (const char* Name : {"good", "blank", "gone"})
        Dir.Write(Name, "hello");
    Dir.Write("bad", "hello!");
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
    EXPECT_EQ(States(), (std::vector<std::int32_t>{isGood, isBad, isBad, isMissing, isMissing, isBad, isBad, isGood}));
    ExpectCounts(0, 2, 4, 2);
    EXPECT_FALSE(View.WrongThread);
    EXPECT_FALSE(Busy);
    // Sizes are looked up again: a vanished file reads "Not Found" and adds nothing to the total.
    EXPECT_EQ(Items[3].Size, -1);
    EXPECT_EQ(Items[7].Size, 3);
    EXPECT_TRUE(Has(View.Sizes, std::make_pair(Items[3].ListItem, std::int64_t{-1})));
    EXPECT_TRUE(Has(View.Sizes, std::make_pair(Items[7].ListItem, std::int64_t{3})));
    EXPECT_EQ(Progress->TotalBytes, 5 + 6 + 5 + 6 + 3);
    // Disabled at the start, enabled at the end; bars 0 then 100; the completion text.
    EXPECT_EQ(View.CommandsEnabled, (std::vector<bool>{false, true}));
    EXPECT_EQ(View.Bars, (std::vector<std::pair<int, int>>{{0, 0}, {100, 100}}));
    EXPECT_EQ(View.Completions, (std::vector<std::string>{"Complete in 0 seconds"}));
    // Each checked row shows its verdict and was scrolled to.
    std::vector<int> Rows;
    for (std::size_t I = 0; I < Items.Count(); ++I) {
        Rows.push_back(Items[I].ListItem);
        EXPECT_TRUE(Has(View.Images, std::make_pair(Items[I].ListItem, States()[I]))) << I;
    }
    EXPECT_EQ(View.Scrolled, Rows);
}

TEST_F(VerifyRunTest, Md5VerdictsWithTheEmptyDigestForUnreadableFiles) {
    Dir.Write("a.txt", "abc");
    Dir.Write("b.txt", "abd");
    Dir.Write("empty", "");
    ASSERT_EQ(::mkfifo((Dir / "pipe").c_str(), 0644), 0);
    OpenList("l.md5", {{"a.txt", "900150983cd24fb0d6963f7d28e17f72"}, {"b.txt", "900150983CD24FB0D6963F7D28E17F72"},
                       {"pipe", "D41D8CD98F00B204E9800998ECF8427E"}, {"empty", "d41d8cd98f00b204e9800998ecf8427e"}});
    ASSERT_TRUE(IsMd5);
    RunAndWait();
    EXPECT_EQ(States(), (std::vector<std::int32_t>{isGood, isBad, isBad, isGood}));
}

TEST_F(VerifyRunTest, NoHeaderOrEverySelectedRowResetsEverythingAndChecksAll) {
    Dir.Write("b", "2");
    OpenList("l.sfv", {File("a", "1"), {"b", CrcOf("x")}});
    std::vector<std::int32_t> EveryRow;
    for (std::size_t Row = 0; Row < View.TheRows.size(); ++Row)
        EveryRow.push_back(static_cast<std::int32_t>(Row));
    for (const std::vector<std::int32_t>& Selection : {std::vector<std::int32_t>{}, {0}, EveryRow}) {
        SCOPED_TRACE(Selection.size());
        Items[0].State = isBad;
        Items[1].State = isGood;
        Counters.UncheckedCount = 0;
        Counters.BadCount = Counters.GoodCount = 1;
        View.Selection = Selection;
        View.Images.clear();
        EXPECT_TRUE(RunAndWait());
        EXPECT_EQ(States(), (std::vector<std::int32_t>{isGood, isBad}));
        ExpectCounts(0, 1, 1, 0);
        // Every row was first shown as Unchecked again.
        ASSERT_GE(View.Images.size(), 2u);
        EXPECT_EQ(View.Images[0], std::make_pair(Items[0].ListItem, static_cast<int>(isUnchecked)));
        EXPECT_EQ(View.Images[1], std::make_pair(Items[1].ListItem, static_cast<int>(isUnchecked)));
    }
}

TEST_F(VerifyRunTest, SelectedRowsOnlyAdjustTheCounters) {
    Dir.Write("f2", "222");
    OpenList("l.sfv", {File("f0", "0"), File("f1", "11"), {"f2", "00000000"}, File("f3", "3333")});
    Items[0].State = isGood;  // an earlier verdict that must stay
    Counters.UncheckedCount = 3;
    Counters.GoodCount = 1;
    View.Selection = {Items[1].ListItem, Items[2].ListItem};
    EXPECT_FALSE(RunAndWait());
    EXPECT_EQ(States(), (std::vector<std::int32_t>{isGood, isGood, isBad, isUnchecked}));
    ExpectCounts(1, 2, 1, 0);
    EXPECT_EQ(Progress->TotalBytes, 2 + 3);  // only the covered files count
    EXPECT_TRUE(View.Scrolled.empty());
}

TEST_F(VerifyRunTest, RecordsHiddenByTheFilterAreSkipped) {
    OpenList("l.sfv", {File("a", "1"), File("b", "2"), File("c", "3")});
    Items[0].State = isBad;
    Items[1].State = isGood;
    View.TheRows = BuildRows(Items, dfBad, 2);  // only "a" is shown
    RunAndWait();
    // Hidden records are neither reset nor checked, but count in the counters.
    EXPECT_EQ(States(), (std::vector<std::int32_t>{isGood, isGood, isUnchecked}));
    EXPECT_EQ(Counters.UncheckedCount, 1);
    EXPECT_EQ(Counters.GoodCount, 1);  // recounted from the shown rows
    EXPECT_EQ(Progress->TotalBytes, 1);
}

TEST_F(VerifyRunTest, EmptyListCompletesAtOnce) {
    OpenList("l.sfv", {});
    RunAndWait();
    EXPECT_EQ(View.Completions, (std::vector<std::string>{"Complete in 0 seconds"}));
}

// Abort requests at different points of a run over "a" (1 byte), "big" and "c": none may be lost, the
// file being read stays Unchecked, earlier verdicts stay.
constexpr std::int64_t BigSize = (1 << 20) + 100;  // its last chunk is short: read to its end, no further read

struct TAbortCase {
    const char* Name;
    std::int64_t AtBytes;  // -1: requested while the run starts
    std::vector<std::int32_t> States;
};

class VerifyAbortTest : public VerifyRunTest, public ::testing::WithParamInterface<TAbortCase> {};

TEST_P(VerifyAbortTest, StopsWhereRequested) {
    const std::string Big = qvtest::PatternBytes(BigSize, 3);
    OpenList("l.sfv", {File("a", "1"), File("big", Big), File("c", "3")});
    const std::int64_t At = GetParam().AtBytes;
    if (At < 0)
        View.OnCommandsDisabled = [] { CrcAbort = true; };  // while BeginRun runs
    else
        OnChunk = [this, At] { if (Progress->BytesDone >= At) CrcAbort = true; };
    RunAndWait();
    EXPECT_EQ(States(), GetParam().States);
    const auto Unchecked = std::count(GetParam().States.begin(), GetParam().States.end(), isUnchecked);
    ExpectCounts(static_cast<int>(Unchecked), 3 - static_cast<int>(Unchecked), 0, 0);
    EXPECT_EQ(View.Completions, (std::vector<std::string>{""}));
    EXPECT_EQ(View.Bars, (std::vector<std::pair<int, int>>{{0, 0}, {100, 100}}));
    if (GetParam().States[1] == isUnchecked) {
        EXPECT_LT(Progress->BytesDone, 1 + BigSize);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Points, VerifyAbortTest,
    ::testing::Values(TAbortCase{"BeforeTheFirstFile", -1, {isUnchecked, isUnchecked, isUnchecked}},
                      TAbortCase{"DuringALargeFile", 1 + 3 * 65536, {isGood, isUnchecked, isUnchecked}},
                      TAbortCase{"WithTheLastChunkOfAFile", 1 + BigSize, {isGood, isGood, isUnchecked}}),
    [](const ::testing::TestParamInfo<TAbortCase>& Info) { return std::string(Info.param.Name); });

TEST_F(VerifyRunTest, FilesChangingDuringTheRun) {
    OpenList("l.sfv", {File("big", qvtest::PatternBytes(300000, 5)), File("vanishes", "v"), File("grows", "g"),
                       File("shrinks", "shrinks")});
    bool Done = false;
    OnChunk = [&] {
        if (Done || Progress->BytesDone < 65536)
            return;
        Done = true;
        std::filesystem::remove(Dir / "vanishes");
        std::ofstream(Dir / "grows", std::ios::app) << "more";
        std::filesystem::resize_file(Dir / "shrinks", 3);
    };
    RunAndWait();
    EXPECT_EQ(States(), (std::vector<std::int32_t>{isGood, isMissing, isBad, isBad}));
}

TEST_F(VerifyRunTest, ClosingDuringARunSkipsTheEndAndFreesNothingEarly) {
    OpenList("l.sfv", {File("big", qvtest::PatternBytes(1 << 20, 6)), File("next", "n")});
    View.QueueWakes = true;
    OnChunk = [&] {
        if (Progress->BytesDone >= 2 * 65536) {
            AppClosing = true;  // what closing the window does, here at a fixed point of the reading
            CrcAbort = true;
        }
    };
    {
        TcrcThread Run(Items, Counters, IsMd5, View, *Progress);
        Run.Start();
        // The destructor waits for the worker while serving it.
    }
    Items.Clear();  // the records go only after the worker is gone
    EXPECT_TRUE(View.Completions.empty());
    EXPECT_EQ(View.CommandsEnabled, (std::vector<bool>{false}));  // EndRun skipped
    EXPECT_EQ(View.Ended, 0);
    EXPECT_TRUE(Busy);  // the closing window does not care
    // Late queued Serve calls find the run gone and do nothing.
    while (const auto Serve = View.TakeQueued())
        Serve();
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
    EXPECT_FALSE(View.WrongThread);
    while (const auto Serve = View.TakeQueued())
        Serve();
    EXPECT_EQ(View.Ended, 1);
}

TEST_F(VerifyRunTest, ManyRunsOverManyFilesNeverStallAndCoalesceProgress) {
    // Display changes, progress and the two steps interleave differently on every run; a lost wake-up
    // (a Serve between a change and its wake-up) would hang here.
    TEntries Entries;
    std::int64_t Total = 0;
    for (int I = 0; I < 60; ++I) {  // up to 88500 bytes: at most two chunks a file
        Total += I * 1500;
        Entries.push_back(File("f" + std::to_string(I), qvtest::PatternBytes(static_cast<std::size_t>(I) * 1500, static_cast<unsigned>(I))));
    }
    OpenList("l.sfv", Entries);
    for (int Round = 0; Round < 30; ++Round) {
        RunAndWait();
        ASSERT_EQ(Counters.GoodCount, 60) << Round;
        EXPECT_EQ(Progress->BytesDone, Total);
        EXPECT_FALSE(static_cast<bool>(CrcOnProgress)) << "nobody may call the run's handler once the run is gone";
    }
    EXPECT_GE(View.ProgressShown, 30);
    EXPECT_LE(View.ProgressShown, 30 * (1 + 2 * 60 + 1));
}

} // namespace
