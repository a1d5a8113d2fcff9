// Progress figures: duration texts, rounding, the rate and time-left rules, throttling and the snapshot.

#include <atomic>
#include <cmath>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "verify/Progress.h"

namespace {

constexpr std::int64_t MiB = 1024 * 1024;

TEST(DurationText, Table) {
    const std::pair<std::int64_t, const char*> Table[] = {
        {0, "0 seconds"},
        {59, "59 seconds"},
        {60, "1 minutes 0 seconds"},
        {61, "1 minutes 1 seconds"},
        {3599, "59 minutes 59 seconds"},
        {3600, "1 hour 0 minutes 0 seconds"},
        {5430, "1 hour 30 minutes 30 seconds"},
        {7322, "2 hours 2 minutes 2 seconds"},
        {90061, "25 hours 1 minutes 1 seconds"},
    };
    for (const auto& [Seconds, Text] : Table)
        EXPECT_EQ(DurationText(Seconds), Text) << Seconds;
}

TEST(RoundHalfEven, HalvesGoToTheEvenNeighbour) {
    EXPECT_EQ(RoundHalfEven(0.5), 0);
    EXPECT_EQ(RoundHalfEven(1.5), 2);
    EXPECT_EQ(RoundHalfEven(2.5), 2);
    EXPECT_EQ(RoundHalfEven(2.5000001), 3);
    EXPECT_EQ(RoundHalfEven(-1.5), -2);
    EXPECT_EQ(RoundHalfEven(-2.5), -2);
    EXPECT_EQ(RoundHalfEven(7.49), 7);
    EXPECT_EQ(RoundHalfEven(std::nan("")), 0);
}

TEST(ElapsedSeconds, RoundsAndSurvivesTickWrap) {
    EXPECT_EQ(ElapsedSeconds(1000, 3500), 2);
    EXPECT_EQ(ElapsedSeconds(1000, 4500), 4);
    EXPECT_EQ(ElapsedSeconds(0xFFFFFF00u, 0x000002E8u), 1);  // 1000 ms across the wrap
}

TEST(CompleteText, UsesRoundedElapsedSeconds) {
    EXPECT_EQ(CompleteText(500, 62500), "Complete in 1 minutes 2 seconds");
    EXPECT_EQ(CompleteText(0, 0), "Complete in 0 seconds");
}

TEST(RateText, TwoDecimalsWithLocaleSeparator) {
    EXPECT_EQ(RateText(1536.0), "(1.50 MB/s)");
    LocaleFormat German;
    German.DecimalSeparator = ",";
    German.ThousandSeparator = ".";
    EXPECT_EQ(RateText(2048.0 * 1024.0, German), "(2048,00 MB/s)");
}

// A progress object on a clock the test moves by hand.
class ProgressTest : public ::testing::Test {
protected:
    std::uint32_t Clock = 0;
    TProgress Progress{[this] { return Clock; }};

    void StartRun(std::int64_t Total, std::uint32_t At = 0) {
        Clock = At;
        Progress.ResetTextTick();
        Progress.BeginRun(Total);
    }
};

TEST_F(ProgressTest, RateDividesByOneSecondUntil1500Milliseconds) {
    StartRun(10 * MiB);
    Clock = 1499;
    TProgressChange Change = Progress.UpdateProgress(20, 2 * MiB);
    ASSERT_TRUE(Change.TextsChanged);
    EXPECT_EQ(Change.RateText, "(2.00 MB/s)");
    EXPECT_EQ(Change.TimeText, "Estimated Time Left: 5 seconds");  // 8 MiB at 2 MiB/s, plus one

    StartRun(10 * MiB);
    Clock = 1500;
    Change = Progress.UpdateProgress(20, 2 * MiB);
    ASSERT_TRUE(Change.TextsChanged);
    EXPECT_EQ(Change.RateText, "(1.00 MB/s)");
    EXPECT_EQ(Change.TimeText, "Estimated Time Left: 9 seconds");
}

TEST_F(ProgressTest, NoBytesYetCountsAsOneKilobytePerSecond) {
    StartRun(2048);
    Clock = 10;
    const TProgressChange Change = Progress.UpdateProgress(0, 0);
    ASSERT_TRUE(Change.TextsChanged);
    EXPECT_EQ(Change.RateText, "(0.00 MB/s)");
    EXPECT_EQ(Change.TimeText, "Estimated Time Left: 3 seconds");
}

TEST_F(ProgressTest, EstimateNeverReadsZero) {
    StartRun(MiB);
    Clock = 2000;
    EXPECT_EQ(Progress.UpdateProgress(100, MiB).TimeText, "Estimated Time Left: 1 seconds");
}

TEST_F(ProgressTest, TextsRefreshAtMostEvery50Milliseconds) {
    StartRun(100 * MiB, 1000);
    Clock = 1100;
    EXPECT_TRUE(Progress.UpdateProgress(1, MiB).TextsChanged);
    EXPECT_EQ(Progress.NextTextTick, 1150u);
    Clock = 1149;
    const TProgressChange Throttled = Progress.UpdateProgress(2, MiB);
    EXPECT_FALSE(Throttled.TextsChanged);
    EXPECT_TRUE(Throttled.FileBarChanged) << "bars follow every chunk";
    Clock = 1150;
    EXPECT_FALSE(Progress.UpdateProgress(3, MiB).TextsChanged);
    Clock = 1151;
    EXPECT_TRUE(Progress.UpdateProgress(4, MiB).TextsChanged);
}

TEST_F(ProgressTest, TextsKeepRefreshingAcrossTickWrap) {
    StartRun(100 * MiB, 0xFFFFFE00u);
    Clock = 0xFFFFFF00u;
    EXPECT_TRUE(Progress.UpdateProgress(1, MiB).TextsChanged);
    EXPECT_EQ(Progress.NextTextTick, 0xFFFFFF32u);
    Clock = 0x00000010u;  // the tick count wrapped 0x110 ms later: past NextTextTick although smaller
    EXPECT_TRUE(Progress.UpdateProgress(2, MiB).TextsChanged);
    Clock = 0x00000020u;
    EXPECT_FALSE(Progress.UpdateProgress(3, MiB).TextsChanged);
}

TEST_F(ProgressTest, BarsChangeOnlyWhenTheirValueChanges) {
    StartRun(400);
    TProgressChange Change = Progress.UpdateProgress(50, 100);
    EXPECT_TRUE(Change.FileBarChanged);
    EXPECT_EQ(Change.FileBar, 50);
    EXPECT_TRUE(Change.TotalBarChanged);
    EXPECT_EQ(Change.TotalBar, 25);
    Change = Progress.UpdateProgress(50, 0);
    EXPECT_FALSE(Change.FileBarChanged);
    EXPECT_FALSE(Change.TotalBarChanged);
    Change = Progress.UpdateProgress(100, 2);  // 102 of 400 bytes: 25.5 % rounds to 26
    EXPECT_EQ(Change.TotalBar, 26);
    EXPECT_EQ(Progress.LastFilePos, 100);
    EXPECT_EQ(Progress.LastTotalPos, 26);
}

TEST_F(ProgressTest, TotalBarPassesHundredWhenFilesGrew) {
    StartRun(100);
    EXPECT_EQ(Progress.UpdateProgress(100, 150).TotalBar, 150);
}

TEST_F(ProgressTest, HiddenPanelOrEmptyRunOnlyCountsBytes) {
    StartRun(1000);
    Progress.SetVisible(false);
    Clock = 5000;
    EXPECT_FALSE(Progress.UpdateProgress(50, 500).Any());
    EXPECT_EQ(Progress.BytesDone, 500);
    EXPECT_EQ(Progress.LastFilePos, 0);

    Progress.SetVisible(true);
    StartRun(0);
    Clock = 9000;
    EXPECT_FALSE(Progress.UpdateProgress(100, 700).Any());
    EXPECT_EQ(Progress.BytesDone, 700);
}

TEST_F(ProgressTest, SnapshotFollowsRunStartUpdatesAndEnd) {
    StartRun(10 * MiB, 100);
    TProgressFigures Figures = Progress.Latest();
    EXPECT_EQ(Figures.FileBar, 0);
    EXPECT_EQ(Figures.TotalBar, 0);
    const std::uint64_t AfterStart = Figures.Serial;

    Clock = 200;
    Progress.UpdateProgress(40, 4 * MiB);
    Figures = Progress.Latest();
    EXPECT_GT(Figures.Serial, AfterStart);
    EXPECT_EQ(Figures.FileBar, 40);
    EXPECT_EQ(Figures.TotalBar, 40);
    EXPECT_EQ(Figures.RateText, "(4.00 MB/s)");
    EXPECT_EQ(Figures.TimeText, "Estimated Time Left: 3 seconds");  // 1.5 s rounds to 2, plus one

    Clock = 2600;
    Progress.EndRun(TRunEnd::Completed);
    Figures = Progress.Latest();
    EXPECT_EQ(Figures.FileBar, 100);
    EXPECT_EQ(Figures.TotalBar, 100);
    EXPECT_EQ(Figures.TimeText, "Complete in 2 seconds");
    EXPECT_EQ(Figures.RateText, "(4.00 MB/s)") << "the rate text stays after a run";
}

TEST_F(ProgressTest, AbortedRunsClearOrKeepTheText) {
    StartRun(1000);
    Clock = 100;
    Progress.UpdateProgress(10, 100);
    Progress.EndRun(TRunEnd::AbortedKeepText);
    EXPECT_EQ(Progress.Latest().TimeText.rfind("Estimated Time Left: ", 0), 0u);
    Progress.EndRun(TRunEnd::AbortedClear);
    EXPECT_EQ(Progress.Latest().TimeText, "");
}

TEST_F(ProgressTest, HandlerFeedsTheEngineCallback) {
    StartRun(300);
    int Notified = 0;
    Progress.SetOnChange([&Notified] { ++Notified; });
    const TCrcProgressEvent Handler = Progress.Handler();
    Handler(33, 100);
    Handler(33, 0);
    EXPECT_EQ(Progress.BytesDone, 100);
    EXPECT_EQ(Notified, 1) << "a call that changes nothing posts nothing";
}

TEST(ProgressThreads, SnapshotReadableWhileTheWorkerUpdates) {
    std::atomic<std::uint32_t> Clock{0};
    TProgress Progress([&Clock] { return Clock.load(); });
    Progress.BeginRun(1000000);
    std::atomic<bool> Done{false};
    std::thread Reader([&] {
        std::uint64_t Last = 0;
        while (!Done.load()) {
            const TProgressFigures Figures = Progress.Latest();
            ASSERT_GE(Figures.Serial, Last);
            Last = Figures.Serial;
        }
    });
    for (int I = 1; I <= 1000; ++I) {
        Clock += 60;
        Progress.UpdateProgress(static_cast<std::uint8_t>(I % 101), 1000);
    }
    Done = true;
    Reader.join();
    EXPECT_EQ(Progress.Latest().TotalBar, 100);
}

} // namespace
