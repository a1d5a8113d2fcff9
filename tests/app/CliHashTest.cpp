// quorvane-cli hash: entry lines, unreadable files and usage errors.

#include <string>

#include <gtest/gtest.h>

#include "checksum/Crc32.h"
#include "checksum/Md5.h"
#include "support/TestSupport.h"

namespace {

using qvtest::RunCli;

TEST(CliHash, Crc32LineIsNameThenEightDigits) {
    qvtest::TempDir Dir;
    Dir.Write("digits.txt", "123456789");
    const auto Result = RunCli({"hash", "digits.txt"}, Dir.Path().string());
    EXPECT_EQ(Result.ExitCode, 0) << Result.Err;
    EXPECT_EQ(Result.Out, "digits.txt CBF43926\n");
    EXPECT_EQ(RunCli({"hash", "--crc32", "digits.txt"}, Dir.Path().string()).Out, Result.Out);
}

TEST(CliHash, Md5LineIsDigitsThenName) {
    qvtest::TempDir Dir;
    const std::string Path = Dir.Write("abc", "abc");
    const auto Result = RunCli({"hash", "--md5", Path});
    EXPECT_EQ(Result.ExitCode, 0) << Result.Err;
    EXPECT_EQ(Result.Out, "900150983CD24FB0D6963F7D28E17F72 " + Path + "\n");
}

TEST(CliHash, FilesInArgumentOrderWithLargeContent) {
    qvtest::TempDir Dir;
    const std::string Big = qvtest::PatternBytes(3 * 65536 + 11, 4);
    const std::string A = Dir.Write("b.bin", Big);
    const std::string B = Dir.Write("a.bin", "");
    const std::uint32_t Crc = Crc32Update(0xFFFFFFFFu, Big.data(), static_cast<std::ptrdiff_t>(Big.size())) ^ 0xFFFFFFFFu;
    const auto Result = RunCli({"hash", A, B});
    EXPECT_EQ(Result.ExitCode, 0);
    EXPECT_EQ(Result.Out, A + " " + Crc32ToText(Crc) + "\n" + B + " 00000000\n");
}

TEST(CliHash, UnreadableFileGetsMessageAndNoLine) {
    qvtest::TempDir Dir;
    const std::string Good = Dir.Write("good", "abc");
    std::filesystem::create_directory(Dir.Path() / "folder");
    for (const char* Option : {"--crc32", "--md5"}) {
        const auto Result = RunCli({"hash", Option, Dir / "missing", Good, Dir / "folder"});
        EXPECT_EQ(Result.ExitCode, 1) << Option;
        EXPECT_EQ(Result.Out.find("missing"), std::string::npos) << Result.Out;
        EXPECT_EQ(Result.Out.find("folder"), std::string::npos) << Result.Out;
        EXPECT_NE(Result.Out.find(Good), std::string::npos);
        EXPECT_NE(Result.Err.find("Cannot open file " + (Dir / "missing")), std::string::npos) << Result.Err;
        EXPECT_NE(Result.Err.find(Dir / "folder"), std::string::npos) << Result.Err;
    }
}

TEST(CliHash, ReadFailureIsReportedNotHashed) {
    // Opens as a regular file, fails on the first read (EIO): a made-up checksum must not be printed.
    const auto Result = RunCli({"hash", "--crc32", "/proc/self/mem"});
    if (Result.Err.find("Cannot open file") != std::string::npos)
        GTEST_SKIP() << "no readable /proc/self/mem here";
    EXPECT_EQ(Result.ExitCode, 1);
    EXPECT_EQ(Result.Out, "");
    EXPECT_NE(Result.Err.find("Cannot read file /proc/self/mem"), std::string::npos) << Result.Err;
}

TEST(CliHash, UsageErrors) {
    EXPECT_EQ(RunCli({"hash"}).ExitCode, 2);
    EXPECT_EQ(RunCli({"hash", "--md5"}).ExitCode, 2);
    EXPECT_EQ(RunCli({"hash", "--sha1", "x"}).ExitCode, 2);
    const auto Both = RunCli({"hash", "--crc32", "--md5", "x"});
    EXPECT_EQ(Both.ExitCode, 2);
    EXPECT_TRUE(Both.Out.empty());
    const auto Help = RunCli({"hash", "--help"});
    EXPECT_EQ(Help.ExitCode, 0);
    EXPECT_NE(Help.Out.find("--md5"), std::string::npos);
}

TEST(CliHash, DoubleDashAllowsNamesStartingWithDash) {
    qvtest::TempDir Dir;
    Dir.Write("-odd", "123456789");
    const auto Result = RunCli({"hash", "--", "-odd"}, Dir.Path().string());
    EXPECT_EQ(Result.ExitCode, 0) << Result.Err;
    EXPECT_EQ(Result.Out, "-odd CBF43926\n");
}

} // namespace
