// quorvane-cli check: the lines and the summary, exit statuses, bad lists and odd files, Ctrl+C.

#include <sys/stat.h>

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "app/CliCheckInterrupt.h"
#include "support/TestSupport.h"

namespace {

class CliCheck : public ::testing::Test {
protected:
    qvtest::TempDir Dir;
};

TEST_F(CliCheck, OneLinePerRecordThenTheSummary) {
    Dir.Write("good.txt", "hello");
    Dir.Write("bad.txt", "hullo");
    const std::string List = Dir.Write("l.sfv", "good.txt 3610a686\r\nbad.txt 3610A686\r\ngone.txt 3610A686\r\n");
    const auto R = qvtest::RunCli({"check", List});
    EXPECT_EQ(R.ExitCode, 1);
    EXPECT_EQ(R.Out, "Good " + (Dir / "good.txt") + "\nBad " + (Dir / "bad.txt") + "\nMissing " + (Dir / "gone.txt") +
                         "\n1 Good, 1 Bad, 1 Missing, 0 Unchecked. Complete in 0 seconds\n");
    EXPECT_EQ(R.Err, "");  // no progress line when standard error is not a terminal
}

TEST_F(CliCheck, QuietShowsOnlyWhatIsNotGood) {
    Dir.Write("good.txt", "hello");
    const std::string List = Dir.Write("l.sfv", "good.txt 3610A686\r\ngone.txt 3610A686\r\n");
    const auto R = qvtest::RunCli({"check", "--quiet", List});
    EXPECT_EQ(R.ExitCode, 1);
    EXPECT_EQ(R.Out, "Missing " + (Dir / "gone.txt") + "\n1 Good, 0 Bad, 1 Missing, 0 Unchecked. Complete in 0 seconds\n");
}

TEST_F(CliCheck, AllGoodExitsZeroAcrossSeveralLists) {
    Dir.Write("a", "abc");
    const std::string Sfv = Dir.Write("one.sfv", "a 352441C2\n");
    const std::string Md5 = Dir.Write("two.md5", "900150983cd24fb0d6963f7d28e17f72 *a\n");
    // One kind for all lists, from the last list's extension.
    auto R = qvtest::RunCli({"check", "--quiet", Md5});
    EXPECT_EQ(R.ExitCode, 0);
    EXPECT_EQ(R.Out, "1 Good, 0 Bad, 0 Missing, 0 Unchecked. Complete in 0 seconds\n");
    R = qvtest::RunCli({"check", Sfv, Sfv});
    EXPECT_EQ(R.ExitCode, 0) << R.Out << R.Err;
}

TEST_F(CliCheck, EmptyListCompletesAtOnce) {
    const auto R = qvtest::RunCli({"check", Dir.Write("empty.sfv", "; nothing\r\n")});
    EXPECT_EQ(R.ExitCode, 0);
    EXPECT_EQ(R.Out, "0 Good, 0 Bad, 0 Missing, 0 Unchecked. Complete in 0 seconds\n");
}

TEST_F(CliCheck, ListThatCannotBeOpened) {
    const auto R = qvtest::RunCli({"check", Dir / "none.sfv"});
    EXPECT_EQ(R.ExitCode, 2);
    EXPECT_NE(R.Err.find("Cannot open file " + (Dir / "none.sfv")), std::string::npos) << R.Err;
    EXPECT_EQ(R.Out, "");
}

TEST_F(CliCheck, UsageErrors) {
    EXPECT_EQ(qvtest::RunCli({"check"}).ExitCode, 2);
    EXPECT_EQ(qvtest::RunCli({"check", "--quiet"}).ExitCode, 2);
    const auto R = qvtest::RunCli({"check", "--loud", Dir.Write("l.sfv", "")});
    EXPECT_EQ(R.ExitCode, 2);
    EXPECT_NE(R.Err.find("--loud"), std::string::npos);
}

TEST_F(CliCheck, FolderFifoAndEmptyFileNamedInAList) {
    std::filesystem::create_directory(Dir / "folder");
    ASSERT_EQ(::mkfifo((Dir / "fifo").c_str(), 0644), 0);
    Dir.Write("empty", "");
    const std::string List =
        Dir.Write("l.md5", "D41D8CD98F00B204E9800998ECF8427E folder\n"
                           "D41D8CD98F00B204E9800998ECF8427E fifo\n"
                           "D41D8CD98F00B204E9800998ECF8427E empty\n");
    const auto R = qvtest::RunCli({"check", List});
    EXPECT_EQ(R.ExitCode, 1);
    EXPECT_EQ(R.Out, "Missing " + (Dir / "folder") + "\nBad " + (Dir / "fifo") + "\nGood " + (Dir / "empty") +
                         "\n1 Good, 1 Bad, 1 Missing, 0 Unchecked. Complete in 0 seconds\n");
}

TEST_F(CliCheck, CtrlCStopsAfterTheCurrentChunkAndReports) {
    Dir.Write("first", "hello");
    if (!clitest::MakeEndlessFile(Dir / "huge"))
        GTEST_SKIP() << "no sparse files here";
    Dir.Write("last", "hello");
    const std::string List = Dir.Write("l.sfv", "first 3610A686\nhuge 00000000\nlast 3610A686\n");
    const auto R = clitest::RunInterrupted({"check", List}, Dir.Path().string());
    EXPECT_EQ(R.ExitCode, 130) << R.Err;
    EXPECT_EQ(R.Out, "Good " + (Dir / "first") + "\n1 Good, 0 Bad, 0 Missing, 2 Unchecked (interrupted)\n");
}

} // namespace
