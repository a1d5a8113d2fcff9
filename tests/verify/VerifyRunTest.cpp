// Verification runs on a real worker thread: what a run covers, the verdicts, the counters, aborting and
// closing, and the hand-over to the user-interface thread. Runs under ThreadSanitizer too.

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "support/TestSupport.h"
#include "checksum/Crc32.h"
#include "checksum/Md5.h"
#include "lists/ItemRows.h"
#include "lists/ListReader.h"
#include "verify/VerifyRun.h"

namespace {

std::string CrcOf(const std::string& Bytes) {
    return Crc32ToText(Crc32Update(0xFFFFFFFFu, Bytes.data(), static_cast<std::ptrdiff_t>(Bytes.size())) ^ 0xFFFFFFFFu);
}

std::string Md5Of(const std::string& Bytes) {
    MD5Context Context;
    MD5Init(Context);
    MD5Update(Context, Bytes.data(), static_cast<std::ptrdiff_t>(Bytes.size()));
    MD5Digest Digest;
    MD5Final(Digest, Context);
    return Md5ToText(Digest);
}

// A view that records what the run asked of it, all on the thread that serves the run.
class RecordingView : public RunView {
public:
    std::vector<TRow> TheRows;
    std::vector<std::int32_t> Selection;
    std::thread::id UiThread = std::this_thread::get_id();
    bool WrongThread = false;
    std::vector<bool> CommandsEnabled;
    std::vector<std::pair<int, int>> Bars;
    std::vector<std::string> Completions;
    std::vector<std::pair<int, int>> Images;
    std::vector<std::pair<int, std::int64_t>> Sizes;
    std::vector<int> Scrolled;
    int Repaints = 0;
    int ProgressShown = 0;
    int Ended = 0;
    std::function<void()> OnCommandsDisabled;
    // Queued Serve callables, as a GUI's event queue would hold them.
    std::mutex QueueLock;
    std::deque<std::function<void()>> Queue;
    bool QueueWakes = false;

    void Check() {
        if (std::this_thread::get_id() != UiThread)
            WrongThread = true;
    }
    void WakeUiThread(std::function<void()> Serve) override {
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
    void SetProgressBars(std::int32_t File, std::int32_t Total) override {
        Check();
        Bars.emplace_back(File, Total);
    }
    void ShowProgress(const TProgressFigures&) override {
        Check();
        ++ProgressShown;
    }
    void SetCompletionText(const std::string& Text) override {
        Check();
        Completions.push_back(Text);
    }
    void RowImageChanged(std::int32_t Row, std::int32_t Image) override {
        Check();
        Images.emplace_back(Row, Image);
    }
    void RowSizeChanged(std::int32_t Row, std::int64_t Size) override {
        Check();
        Sizes.emplace_back(Row, Size);
    }
    void ScrollIntoView(std::int32_t Row) override {
        Check();
        Scrolled.push_back(Row);
    }
    void RepaintStatusBar() override {
        Check();
        ++Repaints;
    }
    void RunEnded() override {
        Check();
        ++Ended;
    }
};

// A folder with data files and a list over them, opened as the program opens lists.
class VerifyRunTest : public ::testing::Test {
protected:
    qvtest::TempDir Dir;
    ItemList Items;
    TCounters Counters;
    bool IsMd5 = false;
    RecordingView View;
    std::atomic<std::int64_t> AbortAtBytes{-1};  // the worker sets CrcAbort once this many bytes are counted
    std::function<void()> OnChunk;                // runs on the worker after every chunk
    std::unique_ptr<TProgress> Progress;

    void SetUp() override {
        CrcAbort = false;
        AppClosing = false;
        Busy = false;
        // The tick source runs inside the worker's progress handler: a deterministic point to act mid-run.
        Progress = std::make_unique<TProgress>([this]() -> std::uint32_t {
            if (Progress && std::this_thread::get_id() != View.UiThread) {
                if (AbortAtBytes >= 0 && Progress->BytesDone >= AbortAtBytes)
                    CrcAbort = true;
                if (OnChunk)
                    OnChunk();
            }
            return 0;
        });
    }
    void TearDown() override {
        CrcAbort = false;
        AppClosing = false;
    }

    // Writes the list (SFV lines, or MD5 lines for a ".md5" name) and opens it.
    void OpenList(const std::string& ListName, const std::vector<std::pair<std::string, std::string>>& Entries,
                  int Filter = dfAll) {
        std::string Text;
        const bool Md5 = ListName.size() > 4 && ListName.substr(ListName.size() - 4) == ".md5";
        for (const auto& [Name, Sum] : Entries)
            Text += Md5 ? Sum + " " + Name + "\r\n" : Name + " " + Sum + "\r\n";
        const std::string Path = Dir.Write(ListName, Text);
        OpenChecksumFiles({Path}, Items, Counters, IsMd5);
        View.TheRows = BuildRows(Items, Filter, 2);
    }

    void RunAndWait() {
        TcrcThread Run(Items, Counters, IsMd5, View, *Progress);
        Run.Start();
        Run.Wait();
        EXPECT_TRUE(Run.Finished());
    }

    std::int32_t StateOf(std::size_t I) const { return Items[I].State.load(); }
};

TEST_F(VerifyRunTest, VerdictsGoodBadMissingWithCaseInsensitiveCompare) {
    Dir.Write("good.bin", "hello");
    Dir.Write("bad.bin", "hello!");
    OpenList("l.sfv", {{"good.bin", "3610a686"}, {"bad.bin", "3610A686"}, {"gone.bin", "3610A686"}});
    RunAndWait();
    EXPECT_EQ(StateOf(0), isGood);
    EXPECT_EQ(StateOf(1), isBad);
    EXPECT_EQ(StateOf(2), isMissing);
    EXPECT_EQ(Counters.GoodCount, 1);
    EXPECT_EQ(Counters.BadCount, 1);
    EXPECT_EQ(Counters.MissingCount, 1);
    EXPECT_EQ(Counters.UncheckedCount, 0);
    EXPECT_FALSE(View.WrongThread);
    EXPECT_FALSE(Busy);
    // Disabled at the start, enabled at the end; bars 0 then 100; the completion text.
    EXPECT_EQ(View.CommandsEnabled, (std::vector<bool>{false, true}));
    ASSERT_FALSE(View.Bars.empty());
    EXPECT_EQ(View.Bars.front(), std::make_pair(0, 0));
    EXPECT_EQ(View.Bars.back(), std::make_pair(100, 100));
    ASSERT_EQ(View.Completions.size(), 1u);
    EXPECT_EQ(View.Completions[0], "Complete in 0 seconds");
    // The missing file's row reads "Not Found"; each checked row shows its verdict and was scrolled to.
    EXPECT_NE(std::find(View.Sizes.begin(), View.Sizes.end(), std::make_pair(Items[2].ListItem, std::int64_t{-1})),
              View.Sizes.end());
    EXPECT_EQ(View.Images.back(), std::make_pair(Items[2].ListItem, static_cast<int>(isMissing)));
    EXPECT_EQ(View.Scrolled, (std::vector<int>{Items[0].ListItem, Items[1].ListItem, Items[2].ListItem}));
}

TEST_F(VerifyRunTest, ChecksumWithBlankOrMissingZeroIsBad) {
    Dir.Write("a.bin", "hello");
    OpenList("l.sfv", {{"a.bin", "3610A68"}});
    Items[0].Checksum = "3610A686 ";
    RunAndWait();
    EXPECT_EQ(StateOf(0), isBad);
}

TEST_F(VerifyRunTest, Md5ListVerdicts) {
    Dir.Write("a.txt", "abc");
    Dir.Write("b.txt", "abd");
    OpenList("l.md5", {{"a.txt", "900150983cd24fb0d6963f7d28e17f72"}, {"b.txt", Md5Of("abc")}});
    ASSERT_TRUE(IsMd5);
    RunAndWait();
    EXPECT_EQ(StateOf(0), isGood);
    EXPECT_EQ(StateOf(1), isBad);
}

TEST_F(VerifyRunTest, UnreadableFileIsBadEvenWithTheFailureTexts) {
    ASSERT_EQ(::mkfifo((Dir / "pipe").c_str(), 0644), 0);
    Dir.Write("locked", "secret");
    ::chmod((Dir / "locked").c_str(), 0);
    OpenList("l.sfv", {{"pipe", "FFFFFFFF"}, {"locked", "FFFFFFFF"}});
    RunAndWait();
    EXPECT_EQ(StateOf(0), isBad);  // a fifo is never opened, so the run cannot hang on it
    if (::geteuid() != 0) {
        EXPECT_EQ(StateOf(1), isBad);
    }
}

TEST_F(VerifyRunTest, UnreadableFileIsBadInMd5ListsWithTheEmptyDigest) {
    ASSERT_EQ(::mkfifo((Dir / "pipe").c_str(), 0644), 0);
    Dir.Write("empty", "");
    OpenList("l.md5", {{"pipe", "D41D8CD98F00B204E9800998ECF8427E"}, {"empty", "d41d8cd98f00b204e9800998ecf8427e"}});
    RunAndWait();
    EXPECT_EQ(StateOf(0), isBad);
    EXPECT_EQ(StateOf(1), isGood);
}

TEST_F(VerifyRunTest, FolderNamedInListIsMissing) {
    std::filesystem::create_directory(Dir / "sub");
    OpenList("l.sfv", {{"sub", "00000000"}});
    RunAndWait();
    EXPECT_EQ(StateOf(0), isMissing);
}

TEST_F(VerifyRunTest, NoSelectionResetsEverythingAndChecksAll) {
    Dir.Write("a", "1");
    Dir.Write("b", "2");
    OpenList("l.sfv", {{"a", CrcOf("1")}, {"b", CrcOf("x")}});
    Items[0].State = isBad;
    Items[1].State = isGood;
    Counters.UncheckedCount = 0;
    Counters.BadCount = 1;
    Counters.GoodCount = 1;
    RunAndWait();
    EXPECT_EQ(StateOf(0), isGood);
    EXPECT_EQ(StateOf(1), isBad);
    EXPECT_EQ(Counters.GoodCount, 1);
    EXPECT_EQ(Counters.BadCount, 1);
    EXPECT_EQ(Counters.UncheckedCount, 0);
    // Every row was first shown as Unchecked again.
    EXPECT_EQ(View.Images[0], std::make_pair(Items[0].ListItem, static_cast<int>(isUnchecked)));
    EXPECT_EQ(View.Images[1], std::make_pair(Items[1].ListItem, static_cast<int>(isUnchecked)));
}

TEST_F(VerifyRunTest, OnlyTheHeaderRowSelectedChecksAll) {
    Dir.Write("a", "1");
    Dir.Write("b", "2");
    OpenList("l.sfv", {{"a", CrcOf("1")}, {"b", CrcOf("2")}});
    View.Selection = {0};
    TcrcThread Run(Items, Counters, IsMd5, View, *Progress);
    Run.Start();
    Run.Wait();
    EXPECT_TRUE(Run.CheckAll());
    EXPECT_EQ(Run.Covered().size(), 2u);
    EXPECT_EQ(Counters.GoodCount, 2);
}

TEST_F(VerifyRunTest, EveryRowSelectedChecksAll) {
    Dir.Write("a", "1");
    OpenList("l.sfv", {{"a", CrcOf("1")}});
    for (std::size_t Row = 0; Row < View.TheRows.size(); ++Row)
        View.Selection.push_back(static_cast<std::int32_t>(Row));
    TcrcThread Run(Items, Counters, IsMd5, View, *Progress);
    Run.Start();
    Run.Wait();
    EXPECT_TRUE(Run.CheckAll());
    EXPECT_EQ(StateOf(0), isGood);
}

TEST_F(VerifyRunTest, TwoSelectedRowsOnlyAdjustTheCounters) {
    std::vector<std::pair<std::string, std::string>> Entries;
    for (int I = 0; I < 10; ++I) {
        const std::string Name = "f" + std::to_string(I);
        Dir.Write(Name, std::string(static_cast<std::size_t>(100 + I), 'x'));
        Entries.emplace_back(Name, I == 7 ? "00000000" : CrcOf(std::string(static_cast<std::size_t>(100 + I), 'x')));
    }
    OpenList("l.sfv", Entries);
    Items[0].State = isGood;  // an earlier verdict that must stay
    Counters.UncheckedCount = 9;
    Counters.GoodCount = 1;
    View.Selection = {Items[3].ListItem, Items[7].ListItem};
    TcrcThread Run(Items, Counters, IsMd5, View, *Progress);
    Run.Start();
    Run.Wait();
    EXPECT_FALSE(Run.CheckAll());
    EXPECT_EQ(StateOf(0), isGood);
    EXPECT_EQ(StateOf(3), isGood);
    EXPECT_EQ(StateOf(7), isBad);
    EXPECT_EQ(StateOf(5), isUnchecked);
    EXPECT_EQ(Counters.UncheckedCount, 7);
    EXPECT_EQ(Counters.GoodCount, 2);
    EXPECT_EQ(Counters.BadCount, 1);
    EXPECT_EQ(Progress->TotalBytes, 103 + 107);  // only the covered files count
    EXPECT_TRUE(View.Scrolled.empty());
}

TEST_F(VerifyRunTest, RecordsHiddenByTheFilterAreSkipped) {
    Dir.Write("a", "1");
    Dir.Write("b", "2");
    Dir.Write("c", "3");
    OpenList("l.sfv", {{"a", CrcOf("1")}, {"b", CrcOf("2")}, {"c", CrcOf("3")}});
    Items[0].State = isBad;
    Items[1].State = isGood;
    View.TheRows = BuildRows(Items, dfBad, 2);  // only "a" is shown
    RunAndWait();
    EXPECT_EQ(StateOf(0), isGood);
    EXPECT_EQ(StateOf(1), isGood);       // hidden: not reset, not checked
    EXPECT_EQ(StateOf(2), isUnchecked);  // hidden
    EXPECT_EQ(Counters.UncheckedCount, 1);  // hidden records count too
    EXPECT_EQ(Counters.GoodCount, 1);       // recounted from the shown rows
    EXPECT_EQ(Progress->TotalBytes, 1);
}

TEST_F(VerifyRunTest, MissingFileAddsNothingToTheTotalAndSizesAreRefreshed) {
    Dir.Write("a", "12345");
    OpenList("l.sfv", {{"a", CrcOf("12345")}, {"late", CrcOf("abc")}});
    Dir.Write("late", "abc");                    // appeared after the list was read
    std::filesystem::remove(Dir / "a");          // vanished after the list was read
    RunAndWait();
    EXPECT_EQ(Progress->TotalBytes, 3);
    EXPECT_EQ(Items[1].Size, 3);
    EXPECT_EQ(Items[0].Size, -1);
    EXPECT_NE(std::find(View.Sizes.begin(), View.Sizes.end(), std::make_pair(Items[1].ListItem, std::int64_t{3})),
              View.Sizes.end());
    EXPECT_EQ(StateOf(0), isMissing);
    EXPECT_EQ(StateOf(1), isGood);
}

TEST_F(VerifyRunTest, EmptyListCompletesAtOnce) {
    OpenList("l.sfv", {});
    RunAndWait();
    ASSERT_EQ(View.Completions.size(), 1u);
    EXPECT_EQ(View.Completions[0], "Complete in 0 seconds");
    EXPECT_EQ(View.CommandsEnabled, (std::vector<bool>{false, true}));
}

TEST_F(VerifyRunTest, AbortDuringALargeFileKeepsItsStateAndLeavesTheRest) {
    const std::string Big = qvtest::PatternBytes(1 << 20, 3);
    Dir.Write("first", "1");
    Dir.Write("big", Big);
    Dir.Write("last", "3");
    OpenList("l.sfv", {{"first", CrcOf("1")}, {"big", CrcOf(Big)}, {"last", CrcOf("3")}});
    AbortAtBytes = 1 + 3 * 65536;  // inside "big"
    RunAndWait();
    EXPECT_EQ(StateOf(0), isGood);
    EXPECT_EQ(StateOf(1), isUnchecked);
    EXPECT_EQ(StateOf(2), isUnchecked);
    EXPECT_EQ(Counters.UncheckedCount, 2);  // the cut-short file is still counted as unchecked
    EXPECT_EQ(Counters.GoodCount, 1);
    ASSERT_EQ(View.Completions.size(), 1u);
    EXPECT_EQ(View.Completions[0], "");
    EXPECT_EQ(View.Bars.back(), std::make_pair(100, 100));
    EXPECT_LT(Progress->BytesDone, static_cast<std::int64_t>(Big.size()));
}

TEST_F(VerifyRunTest, AbortBetweenFilesIsNotLost) {
    const std::string First = qvtest::PatternBytes(200000, 4);
    Dir.Write("first", First);
    Dir.Write("second", "2");
    OpenList("l.sfv", {{"first", CrcOf(First)}, {"second", CrcOf("2")}});
    AbortAtBytes = static_cast<std::int64_t>(First.size());  // set with the last chunk of the first file
    RunAndWait();
    EXPECT_EQ(StateOf(0), isGood);  // it was read to its end
    EXPECT_EQ(StateOf(1), isUnchecked);
    EXPECT_EQ(View.Completions.back(), "");
}

TEST_F(VerifyRunTest, AbortBeforeTheFirstFileIsNotLost) {
    Dir.Write("a", "1");
    OpenList("l.sfv", {{"a", CrcOf("1")}});
    View.OnCommandsDisabled = [] { CrcAbort = true; };  // while BeginRun runs
    RunAndWait();
    EXPECT_EQ(StateOf(0), isUnchecked);
    EXPECT_EQ(View.Completions.back(), "");
}

TEST_F(VerifyRunTest, FilesChangingDuringTheRun) {
    const std::string Big = qvtest::PatternBytes(300000, 5);
    Dir.Write("big", Big);
    Dir.Write("vanishes", "v");
    Dir.Write("grows", "g");
    Dir.Write("shrinks", "shrinks");
    OpenList("l.sfv", {{"big", CrcOf(Big)}, {"vanishes", CrcOf("v")}, {"grows", CrcOf("g")},
                       {"shrinks", CrcOf("shrinks")}});
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
    EXPECT_EQ(StateOf(0), isGood);
    EXPECT_EQ(StateOf(1), isMissing);
    EXPECT_EQ(StateOf(2), isBad);
    EXPECT_EQ(StateOf(3), isBad);
}

TEST_F(VerifyRunTest, ClosingDuringARunSkipsTheEndAndFreesNothingEarly) {
    const std::string Big = qvtest::PatternBytes(1 << 20, 6);
    Dir.Write("big", Big);
    Dir.Write("next", "n");
    OpenList("l.sfv", {{"big", CrcOf(Big)}, {"next", CrcOf("n")}});
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
    for (auto& Serve : View.Queue)
        Serve();
    EXPECT_FALSE(View.WrongThread);
    Busy = false;
}

TEST_F(VerifyRunTest, QueuedHandOverServesTheRunAndReportsItsEnd) {
    for (int I = 0; I < 20; ++I)
        Dir.Write("f" + std::to_string(I), std::to_string(I));
    std::vector<std::pair<std::string, std::string>> Entries;
    for (int I = 0; I < 20; ++I)
        Entries.emplace_back("f" + std::to_string(I), CrcOf(std::to_string(I)));
    OpenList("l.sfv", Entries);
    View.QueueWakes = true;
    auto Run = std::make_unique<TcrcThread>(Items, Counters, IsMd5, View, *Progress);
    Run->Start();
    // The event loop of a window: serve what is queued until the run reports its end, then destroy the
    // run from inside that call, as a window does when told the run ended.
    View.OnCommandsDisabled = nullptr;
    bool Destroyed = false;
    while (!Destroyed) {
        std::function<void()> Serve;
        {
            std::lock_guard Lock(View.QueueLock);
            if (!View.Queue.empty()) {
                Serve = std::move(View.Queue.front());
                View.Queue.pop_front();
            }
        }
        if (Serve) {
            Serve();
            if (View.Ended == 1 && Run) {
                Run.reset();
                Destroyed = true;
            }
        } else {
            std::this_thread::yield();
        }
    }
    EXPECT_EQ(View.Ended, 1);
    EXPECT_EQ(Counters.GoodCount, 20);
    EXPECT_EQ(View.Completions.size(), 1u);
    EXPECT_FALSE(View.WrongThread);
    for (auto& Serve : View.Queue)
        Serve();
}

TEST_F(VerifyRunTest, ManyRunsOverManyFilesNeverStall) {
    // Display changes, progress and the two steps interleave differently on every run; a lost wake-up
    // would hang here (the run's hand-over used to lose one when a Serve came between a change and its
    // wake-up).
    std::vector<std::pair<std::string, std::string>> Entries;
    for (int I = 0; I < 60; ++I) {
        const std::string Bytes = qvtest::PatternBytes(static_cast<std::size_t>(I * 1500), static_cast<unsigned>(I));
        Dir.Write("f" + std::to_string(I), Bytes);
        Entries.emplace_back("f" + std::to_string(I), CrcOf(Bytes));
    }
    OpenList("l.sfv", Entries);
    for (int Round = 0; Round < 30; ++Round) {
        TcrcThread Run(Items, Counters, IsMd5, View, *Progress);
        Run.Start();
        Run.Wait();
        ASSERT_EQ(Counters.GoodCount, 60) << Round;
    }
}

TEST_F(VerifyRunTest, ProgressReachesTheViewCoalesced) {
    const std::string Big = qvtest::PatternBytes(1 << 20, 7);
    Dir.Write("big", Big);
    OpenList("l.sfv", {{"big", CrcOf(Big)}});
    RunAndWait();
    EXPECT_GE(View.ProgressShown, 1);
    EXPECT_LE(View.ProgressShown, 1 + (1 << 20) / 65536 + 1);
    EXPECT_EQ(Progress->BytesDone, static_cast<std::int64_t>(Big.size()));
    // Nobody may call the run's handler once the run is gone.
    EXPECT_FALSE(static_cast<bool>(CrcOnProgress));
}

} // namespace
