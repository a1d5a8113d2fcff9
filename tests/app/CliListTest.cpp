// quorvane-cli list: the exact --tsv output, the table, errors and exit statuses.

#include <filesystem>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "support/TestSupport.h"

namespace {

using qvtest::RunCli;

const std::string Digest = "d41d8cd98f00b204e9800998ecf8427e";

class CliList : public ::testing::Test {
protected:
    qvtest::TempDir Dir;
    std::string F(std::string_view Name) const { return Dir / Name; }
};

TEST_F(CliList, TsvIsExactlyOneLinePerRecord) {
    Dir.Write("a/one.bin", "1");
    Dir.Write("a/sub/two.bin", "22");
    Dir.Write("b/four.bin", "");
    const std::string A = Dir.Write("a/a.sfv", "; header\r\n;\r\none.bin 0A1B2C3D\r\nsub\\two.bin 12345678\r\n"
                                               "\"three file.bin\" 0badf00d\r\nONE.BIN 0a1b2c3d\r\n");
    const std::string B = Dir.Write("b/b.md5", Digest + " *four.bin\n" + Digest + "  five.bin\n");
    const auto R = RunCli({"list", "--tsv", A, B});
    EXPECT_EQ(R.ExitCode, 0) << R.Err;
    EXPECT_EQ(R.Err, "");
    EXPECT_EQ(R.Out, A + "\t" + F("a/one.bin") + "\t0A1B2C3D\t1\n" +         //
                         A + "\t" + F("a/sub/two.bin") + "\t12345678\t2\n" + //
                         A + "\t" + F("a/three file.bin") + "\t0badf00d\t-1\n" + B + "\t" + F("b/four.bin") + "\t" +
                         Digest + "\t0\n" + //
                         B + "\t" + F("b/five.bin") + "\t" + Digest + "\t-1\n");
}

TEST_F(CliList, TsvEscapesWhatWouldBreakItsLayout) {
    const std::string A = Dir.Write("t\\ab.sfv", "x.bin\t12345678\nname 1\t2\n");
    const auto R = RunCli({"list", "--tsv", A});
    EXPECT_EQ(R.ExitCode, 0) << R.Err;
    const std::string EscapedList = Dir.Path().string() + "/t\\\\ab.sfv";
    const std::string EscapedFolder = Dir.Path().string() + "/";
    EXPECT_EQ(R.Out, EscapedList + "\t" + EscapedFolder + "\tx.bin\\t12345678\t-1\n" + //
                         EscapedList + "\t" + EscapedFolder + "name\t1\\t2\t-1\n");
}

TEST_F(CliList, PathsAreKeptAsGiven) {
    Dir.Write("sub/x.bin", "xyz");
    Dir.Write("sub/l.sfv", "x.bin 1\n");
    const auto R = RunCli({"list", "--tsv", "sub/l.sfv", "--", "./sub/l.sfv"}, Dir.Path().string());
    EXPECT_EQ(R.ExitCode, 0) << R.Err;
    EXPECT_EQ(R.Out, "sub/l.sfv\tsub/x.bin\t1\t3\n./sub/l.sfv\t./sub/x.bin\t1\t3\n");
}

TEST_F(CliList, ListWithoutRecordsPrintsNothing) {
    const std::string A = Dir.Write("c.sfv", "; only a comment\r\n");
    const auto R = RunCli({"list", "--tsv", A});
    EXPECT_EQ(R.ExitCode, 0);
    EXPECT_EQ(R.Out, "");
}

TEST_F(CliList, UnopenableListIsAnErrorAfterTheRecordsBeforeIt) {
    const std::string A = Dir.Write("a.sfv", "one 1\n");
    const std::string Missing = F("missing.sfv");
    const std::string C = Dir.Write("c.sfv", "three 3\n");
    auto R = RunCli({"list", "--tsv", A, Missing, C});
    EXPECT_EQ(R.ExitCode, 2);
    EXPECT_EQ(R.Out, A + "\t" + F("one") + "\t1\t-1\n");
    EXPECT_EQ(R.Err, "quorvane-cli: Cannot open file " + Missing + "\n");

    ASSERT_EQ(::mkfifo(F("fifo.sfv").c_str(), 0600), 0); // must not hang
    for (const std::string& Bad : {F("fifo.sfv"), Dir.Path().string(), std::string("/dev/null")}) {
        R = RunCli({"list", Bad});
        EXPECT_EQ(R.ExitCode, 2) << Bad;
        EXPECT_EQ(R.Out, "") << Bad;
        EXPECT_EQ(R.Err, "quorvane-cli: Cannot open file " + Bad + "\n");
    }
}

TEST_F(CliList, UsageErrors) {
    for (const auto& Args :
         std::vector<std::vector<std::string>>{{"list"}, {"list", "--tsv"}, {"list", "--csv", "x"}}) {
        const auto R = RunCli(Args);
        EXPECT_EQ(R.ExitCode, 2) << Args.back();
        EXPECT_EQ(R.Out, "");
        EXPECT_NE(R.Err.find("quorvane-cli list"), std::string::npos) << R.Err;
    }
    const auto Help = RunCli({"list", "--help"});
    EXPECT_EQ(Help.ExitCode, 0);
    EXPECT_NE(Help.Out.find("Usage: quorvane-cli list [--tsv] LIST..."), std::string::npos);
}

TEST_F(CliList, TableGroupsRecordsPerList) {
    Dir.Write("big.bin", std::string(2048, 'x'));
    const std::string A = Dir.Write("a.sfv", "big.bin 0A1B2C3D\nsub\\gone.bin 12345678\n");
    const std::string B = Dir.Write("b.sfv", "x\x01y.bin 1\n");
    const auto R = RunCli({"list", A, B});
    EXPECT_EQ(R.ExitCode, 0) << R.Err;
    EXPECT_EQ(R.Out.rfind(A + "\n", 0), 0u) << R.Out; // the first header
    EXPECT_NE(R.Out.find("  big.bin       0A1B2C3D"), std::string::npos) << R.Out;
    EXPECT_NE(R.Out.find("2 KB\n"), std::string::npos) << R.Out;
    EXPECT_NE(R.Out.find("  sub/gone.bin  12345678"), std::string::npos) << R.Out;
    EXPECT_NE(R.Out.find("Not Found\n\n" + B + "\n"), std::string::npos) << R.Out; // a blank line between lists
    EXPECT_NE(R.Out.find("x?y.bin"), std::string::npos) << R.Out;                  // control bytes shown as "?"
    EXPECT_NE(R.Out.find("\n3 records, 2 not found\n"), std::string::npos) << R.Out;
}

TEST(CliMain, HelpAndVersion) {
    auto R = RunCli({"--help"});
    EXPECT_EQ(R.ExitCode, 0);
    EXPECT_NE(R.Out.find("list [--tsv] LIST..."), std::string::npos);
    R = RunCli({"--version"});
    EXPECT_EQ(R.ExitCode, 0);
    EXPECT_NE(R.Out.find("2.6"), std::string::npos);
    R = RunCli({});
    EXPECT_EQ(R.ExitCode, 2);
}

} // namespace
