// Progress figures: duration texts, rounding, the rate and time-left rules, throttling and the snapshot.
// Reading the snapshot while a worker updates it is exercised under ThreadSanitizer by VerifyRunTest.

#include <cmath>
#include <string>
#include <tuple>

#include <gtest/gtest.h>

#include "verify/Progress.h"

using namespace quorvane;

namespace {

constexpr std::int64_t MiB = 1024 * 1024;

// "Complete in" texts, default-locale rates and the rounding of elapsed times are checked through TProgress below.
TEST(ProgressTexts, DurationRateInALocaleAndRounding) {
    const std::pair<std::int64_t, const char*> Durations[] = {{59, "59 seconds"}, {60, "1 minutes 0 seconds"},
        {3599, "59 minutes 59 seconds"}, {3600, "1 hour 0 minutes 0 seconds"}, {7322, "2 hours 2 minutes 2 seconds"},
        {90061, "25 hours 1 minutes 1 seconds"}}; // "0 seconds": VerifyRunTest's "Complete in 0 seconds"
    for (const auto& [Seconds, Text] : Durations)
        EXPECT_EQ(DurationText(Seconds), Text) << Seconds;
    EXPECT_EQ(RateText(2048.0 * 1024.0, {.ThousandSeparator = ".", .DecimalSeparator = ","}), "(2048,00 MB/s)");
    const std::pair<double, std::int64_t> Halves[] = {{0.5, 0},   {1.5, 2},   {2.5, 2},  {2.5000001, 3},
                                                      {-1.5, -2}, {-2.5, -2}, {7.49, 7}, {std::nan(""), 0}};
    for (const auto& [Value, Rounded] : Halves)
        EXPECT_EQ(RoundHalfEven(Value), Rounded) << Value;
    EXPECT_EQ(ElapsedSeconds(0xFFFFFF00u, 0x000002E8u), 1); // 1000 ms across the tick wrap
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

TEST_F(ProgressTest, RateAndTimeLeftAndTheirRefreshAtMostEvery50MillisecondsAlsoAcrossTickWrap) {
    const std::tuple<std::int64_t, std::uint32_t, std::int32_t, const char*, const char*> Cases[] = {
        {10 * MiB, 1499, 2 * MiB, "(2.00 MB/s)", "5 seconds"}, // under 1.5 s is one second; 8 MiB left, plus one
        {10 * MiB, 1500, 2 * MiB, "(1.00 MB/s)", "9 seconds"}, // 1.5 s rounds to 2
        {2048, 10, 0, "(0.00 MB/s)", "3 seconds"},             // no bytes yet: one kilobyte per second
        {MiB, 2000, MiB, "(0.50 MB/s)", "1 seconds"},          // the estimate never reads zero
        {MiB, 2000, 10 * MiB, "(5.00 MB/s)", "1 seconds"},     // nor below zero when files grew
    };
    for (const auto& [Total, At, Bytes, Rate, Left] : Cases) {
        StartRun(Total);
        Clock = At;
        const TProgressChange Change = Progress.UpdateProgress(20, Bytes);
        EXPECT_EQ(Change.RateText, Rate) << At;
        EXPECT_EQ(Change.TimeText, std::string("Estimated Time Left: ") + Left) << At;
    }
    constexpr std::uint32_t Start = 0xFFFFFE00u; // the tick count wraps 0x200 ms into the run
    const std::pair<std::uint32_t, bool> Steps[] = {{100, true},   {149, false},  {150, false},  {151, true},
                                                    {0x100, true}, {0x210, true}, {0x220, false}};
    StartRun(100 * MiB, Start);
    for (const auto& [After, Refresh] : Steps) {
        Clock = Start + After;
        EXPECT_EQ(Progress.UpdateProgress(1, MiB).TextsChanged, Refresh) << "at " << After;
    }
}

TEST_F(ProgressTest, BarsChangeOnlyWithTheirValueAndHiddenOrEmptyRunsOnlyCountBytes) {
    StartRun(400); // texts are not due while the clock stands still
    int Notified = 0;
    Progress.SetOnChange([&Notified] { ++Notified; });
    const TProgressChange Change = Progress.UpdateProgress(50, 100);
    EXPECT_EQ(std::make_pair(Change.FileBar, Change.TotalBar), std::make_pair(50, 25));
    EXPECT_FALSE(Progress.UpdateProgress(50, 0).Any());
    EXPECT_EQ(Notified, 1) << "a call that changes nothing posts nothing";
    Progress.Handler()(100, 2); // the engine's callback: 102 of 400 bytes, 25.5 % rounds to 26
    EXPECT_EQ(std::make_pair(Progress.Latest().FileBar, Progress.Latest().TotalBar), std::make_pair(100, 26));
    Progress.UpdateProgress(120, 498); // files grew since their sizes were taken: never past full
    EXPECT_EQ(std::make_pair(Progress.Latest().FileBar, Progress.Latest().TotalBar), std::make_pair(100, 100));
    EXPECT_EQ(Notified, 3);
    for (const bool Visible : {false, true}) { // a hidden panel, then a run of no bytes
        StartRun(Visible ? 0 : 1000);
        Progress.SetVisible(Visible);
        Clock = 5000;
        EXPECT_FALSE(Progress.UpdateProgress(50, 500).Any());
        EXPECT_EQ(Progress.BytesDone, 500);
    }
}

TEST_F(ProgressTest, SnapshotFollowsRunStartUpdatesAndEachEnd) {
    const auto Shown = [this] {
        const TProgressFigures F = Progress.Latest();
        return std::make_tuple(F.FileBar, F.TotalBar, F.RateText, F.TimeText);
    };
    const std::string Rate = "(4.00 MB/s)", Estimate = "Estimated Time Left: 3 seconds"; // 1.5 s rounds to 2, +1
    const std::pair<TRunEnd, std::string> Ends[] = {{TRunEnd::Completed, "Complete in 2 seconds"},
                                                    {TRunEnd::AbortedKeepText, Estimate}, {TRunEnd::AbortedClear, ""}};
    // The runs follow one another on one object: each starts from bars at 0, and its first chunk shows
    // although it gives the bars the values of the previous run. The rate text stays after a run.
    for (const auto& [End, TimeText] : Ends) {
        SCOPED_TRACE(TimeText);
        StartRun(10 * MiB, 100);
        const TProgressFigures Started = Progress.Latest();
        EXPECT_EQ(Started.FileBar + Started.TotalBar, 0);
        Clock = 200;
        Progress.UpdateProgress(40, 4 * MiB);
        EXPECT_GT(Progress.Latest().Serial, Started.Serial);
        EXPECT_EQ(Shown(), std::make_tuple(40, 40, Rate, Estimate));
        Clock = 2600; // 2.5 s: "Complete in" rounds halves to even
        Progress.EndRun(End);
        EXPECT_EQ(Shown(), std::make_tuple(100, 100, Rate, TimeText));
    }
}

} // namespace
