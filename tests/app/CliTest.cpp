// The console tool: list, hash, check and create; usage and exit statuses, odd files, failed writes, Ctrl+C.

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "lists/ListWriter.h"
#include "support/TestSupport.h"

using namespace quorvane;

namespace {

using qvtest::ReadFile;
using qvtest::RunCli;
using TArgs = std::vector<std::string>;

bool Has(const std::string& Text, const std::string& Part) {
    return Text.find(Part) != std::string::npos;
}

std::vector<std::string> FilesIn(const std::string& Folder) {
    std::vector<std::string> Names;
    for (const auto& Entry : std::filesystem::directory_iterator(Folder))
        Names.push_back(Entry.path().filename().string());
    std::sort(Names.begin(), Names.end());
    return Names;
}

// A sparse file of 128 GiB: hashing it only ends by an interrupt.
bool MakeEndlessFile(const std::string& Path) {
    std::error_code Error;
    std::ofstream(Path).put('\0');
    std::filesystem::resize_file(Path, std::uintmax_t{1} << 37, Error);
    return !Error;
}

// The console tool sent SIGINT after 0.6 s, as by Ctrl+C (and SIGKILL 60 s later should it hang).
qvtest::RunResult RunInterrupted(TArgs Args) {
    Args.insert(Args.begin(), {"timeout", "--preserve-status", "-k", "60", "-s", "INT", "0.6", QUORVANE_CLI_PATH});
    return qvtest::Run(Args);
}

class Cli : public ::testing::Test {
protected:
    qvtest::TempDir Dir;
    void Write(std::initializer_list<std::pair<std::string, std::string>> Files) {
        for (const auto& [Name, Bytes] : Files)
            Dir.Write(Name, Bytes);
    }
    struct TRun {
        TArgs Args;
        int Exit;
        std::string Out, Err = {};
    };
    // Runs "quorvane-cli Command Args..." in Dir for each case: the exit status and the exact output.
    void ExpectRuns(const std::string& Command, const std::vector<TRun>& Runs) {
        for (const TRun& C : Runs) {
            TArgs Args{Command};
            Args.insert(Args.end(), C.Args.begin(), C.Args.end());
            SCOPED_TRACE(C.Args.front() + " ... " + C.Args.back());
            const auto R = RunCli(Args, Dir.Path().string());
            EXPECT_EQ(R.ExitCode, C.Exit);
            EXPECT_EQ(R.Out, C.Out);
            EXPECT_EQ(R.Err, C.Err); // no progress line when standard error is not a terminal
        }
    }
};

// list

TEST_F(Cli, ListTsvIsExactlyOneLinePerRecordAndErrors) {
    Write({{"a/one.bin", "1"}, {"a/sub/two.bin", "22"}, {"b/four.bin", ""}, {"c.sfv", "; only a comment\r\n"}});
    // Comments, a quoted name, a backslash folder and a repeated name (in other case); MD5 text and binary lines.
    Write({{"a/a.sfv", "; header\r\n;\r\none.bin 0A1B2C3D\r\nsub\\two.bin 12345678\r\n"
                       "\"three file.bin\" 0badf00d\r\nONE.BIN 0a1b2c3d\r\n"},
           {"b/b.md5", "d41d8cd98f00b204e9800998ecf8427e *four.bin\nd41d8cd98f00b204e9800998ecf8427e  five.bin\n"},
           {"t\\ab.sfv", "x.bin\t12345678\nname 1\t2\n"}});
    const std::string Odd = Dir / "t\\\\ab.sfv", Folder = Dir / "";
    const auto RecordsOfA = [](const std::string& P) { // P: the folder as given
        return P + "a.sfv\t" + P + "one.bin\t0A1B2C3D\t1\n" + P + "a.sfv\t" + P + "sub/two.bin\t12345678\t2\n" + P +
               "a.sfv\t" + P + "three file.bin\t0badf00d\t-1\n";
    };
    const std::string RecordsOfB = "./b/b.md5\t./b/four.bin\td41d8cd98f00b204e9800998ecf8427e\t0\n"
                                   "./b/b.md5\t./b/five.bin\td41d8cd98f00b204e9800998ecf8427e\t-1\n";
    ExpectRuns("list", {{{"--tsv", "a/a.sfv", "c.sfv", "--", "./b/b.md5"}, 0, RecordsOfA("a/") + RecordsOfB},
                        // Tabs and backslashes are escaped.
                        {{"--tsv", Dir / "t\\ab.sfv"},
                         0,
                         Odd + "\t" + Folder + "\tx.bin\\t12345678\t-1\n" + Odd + "\t" + Folder + "name\t1\\t2\t-1\n"},
                        // A list that cannot be opened is an error after the records of the lists before it.
                        {{"--tsv", "c.sfv", "./a/a.sfv", "none.sfv", "./b/b.md5"},
                         2,
                         RecordsOfA("./a/"),
                         "quorvane-cli: Cannot open file none.sfv\n"}});
}

TEST_F(Cli, ListTableGroupsRecordsPerList) {
    Dir.Write("big.bin", std::string(2048, 'x'));
    const std::string A = Dir.Write("a.sfv", "big.bin 0A1B2C3D\nsub\\gone.bin 12345678\n");
    const std::string B = Dir.Write("b.sfv", "x\x01y.bin 1\n");
    const auto R = RunCli({"list", A, B});
    EXPECT_EQ(R.ExitCode, 0) << R.Err;
    EXPECT_EQ(R.Out.rfind(A + "\n", 0), 0u) << R.Out; // the first header
    for (const std::string& Part : TArgs{"  big.bin       0A1B2C3D", "2 KB\n", "  sub/gone.bin  12345678",
                                         "Not Found\n\n" + B + "\n", // a blank line between lists
                                         "x?y.bin",                  // control bytes shown as "?"
                                         "\n3 records, 2 not found\n"})
        EXPECT_TRUE(Has(R.Out, Part)) << Part << "\n" << R.Out;
}

// hash

TEST_F(Cli, HashEntryLinesInArgumentOrder) {
    Write({{"digits.txt", "123456789"}, {"-odd", "123456789"}, {"abc", "abc"}, {"a.bin", ""}, {"folder/x", ""}});
    ExpectRuns("hash", {{{"digits.txt"}, 0, "digits.txt CBF43926\n"}, // CRC-32 by default
                        {{"--md5", "abc"}, 0, "900150983CD24FB0D6963F7D28E17F72 abc\n"},
                        {{"--", "-odd"}, 0, "-odd CBF43926\n"},
                        {{"abc", "a.bin"}, 0, "abc 352441C2\na.bin 00000000\n"},
                        {{Dir / "abc"}, 0, Dir / "abc" + " 352441C2\n"}, // the name as given
                        // Files that cannot be opened or read get a message and no line; our own memory opens as
                        // a regular file but fails on the first read.
                        {{"--crc32", "missing", "abc", "folder", "/proc/self/mem"},
                         1,
                         "abc 352441C2\n",
                         "quorvane-cli: Cannot open file missing (No such file or directory)\n"
                         "quorvane-cli: Cannot open file folder (Is a directory)\n"
                         "quorvane-cli: Cannot read file /proc/self/mem (Input/output error)\n"}});
}

// check

TEST_F(Cli, CheckLinesSummaryExitStatusAndCtrlC) {
    Write({{"good.txt", "hello"}, {"bad.txt", "hullo"}, {"a", "abc"}});
    Write({{"l.sfv", "good.txt 3610a686\r\nbad.txt 3610A686\r\ngone.txt 3610A686\r\n"},
           {"one.sfv", "a 352441C2\n"},
           {"two.md5", "900150983cd24fb0d6963f7d28e17f72 *a\n"},
           {"empty.sfv", "; nothing\r\n"}});
    const std::string Done = " Missing, 0 Unchecked. Complete in 0 seconds\n";
    ExpectRuns("check", {{{"l.sfv"}, 1, "Good good.txt\nBad bad.txt\nMissing gone.txt\n1 Good, 1 Bad, 1" + Done},
                         {{"--quiet", "l.sfv"}, 1, "Bad bad.txt\nMissing gone.txt\n1 Good, 1 Bad, 1" + Done},
                         {{"--quiet", "two.md5"}, 0, "1 Good, 0 Bad, 0" + Done},
                         {{"one.sfv", "one.sfv"}, 0, "Good a\nGood a\n2 Good, 0 Bad, 0" + Done},
                         {{"empty.sfv"}, 0, "0 Good, 0 Bad, 0" + Done},
                         {{"none.sfv"}, 2, "", "quorvane-cli: Cannot open file none.sfv\n"}});
    // Ctrl+C stops after the current chunk and reports.
    if (!MakeEndlessFile(Dir / "huge"))
        GTEST_SKIP() << "no sparse files here";
    const auto R = RunInterrupted({"check", Dir.Write("i.sfv", "good.txt 3610A686\nhuge 00000000\na 352441C2\n")});
    EXPECT_EQ(R.ExitCode, 130) << R.Err;
    EXPECT_EQ(R.Out, "Good " + (Dir / "good.txt") + "\n1 Good, 0 Bad, 0 Missing, 2 Unchecked (interrupted)\n");
}

// create

class CliCreate : public Cli {
protected:
    const std::string Data = Dir / "Album";
    void SetUp() override {
        Write({{"Album/b track.flac", "bbbb"},
               {"Album/a.txt", "hello"},
               {"Album/old.SFV", "a.txt 3610A686\r\n"},
               {"Album/sums.Md5", ""},
               {"Album/sub/inner.txt", "not listed"}});
    }
};

// Usage errors and refused creations exit 2 with nothing on standard output and write no file; help and
// version exit 0.
TEST_F(CliCreate, UsageErrorsAndRefusals) {
    const std::string Other = Dir.Write("Other/x", "x"), Empty = Dir / "Empty", ReadOnly = Dir / "ro";
    std::filesystem::create_directories(Empty);
    std::filesystem::create_directories(ReadOnly);
    ASSERT_EQ(::chmod(ReadOnly.c_str(), 0555), 0);
    // The arguments, the exit status, and what standard error says (standard output for help).
    std::vector<std::tuple<TArgs, int, std::string>> Cases{
        {{}, 2, "Usage: quorvane-cli COMMAND"},
        {{"--help"}, 0, "  list [--tsv] LIST..."},
        {{"--version"}, 0, "2.6"},
        {{"bogus"}, 2, "unknown command 'bogus'"},
        {{"list", "--tsv"}, 2, "quorvane-cli list: no list file given"},
        {{"list", "--csv", "x"}, 2, "quorvane-cli list: unknown option '--csv'"},
        {{"hash"}, 2, "no file given"},
        {{"hash", "--crc32", "--md5", "x"}, 2, "choose one of --crc32 and --md5"},
        {{"hash", "--help"}, 0, "Usage: quorvane-cli hash [--crc32|--md5] FILE..."},
        {{"check", "--loud", "x"}, 2, "unknown option '--loud'"},
        {{"create", Data}, 2, "Usage: quorvane-cli create"},
        {{"create", "--sfv", "--md5", Data}, 2, "choose one of --sfv and --md5"},
        {{"create", "--sfv", Data, "-o"}, 2, "-o needs a list path"},
        {{"create", "--sfv", Data + "/a.txt", Other}, 2, ""}, // files of two folders
        {{"create", "--sfv", Data + "/nothing"}, 2, "Cannot open file " + Data + "/nothing"},
        {{"create", "--sfv", Empty}, 2, ""},
    };
    if (::geteuid() != 0) // permissions do not bind root
        Cases.push_back({{"create", "--sfv", "-o", ReadOnly + "/l.sfv", Data}, 2, "Cannot create file " + ReadOnly});
    for (const auto& [Args, Exit, Says] : Cases) {
        SCOPED_TRACE(Args.empty() ? "(none)" : Args[0] + " " + Args.back());
        const auto R = RunCli(Args);
        EXPECT_EQ(R.ExitCode, Exit);
        EXPECT_TRUE(Has(Exit == 0 ? R.Out : R.Err, Says)) << R.Out << R.Err;
        EXPECT_TRUE(Exit == 0 || R.Out.empty()) << R.Out;
    }
    EXPECT_EQ(FilesIn(Data), (TArgs{"a.txt", "b track.flac", "old.SFV", "sub", "sums.Md5"}));
    EXPECT_EQ(FilesIn(Dir.Path().string()), (TArgs{"Album", "Empty", "Other", "ro"}));
    EXPECT_TRUE(FilesIn(Empty).empty() && FilesIn(ReadOnly).empty());
}

// Regular files only, no lists of either kind, no descent, in name order: the bytes of the desktop's writer
// (but for the date and time of writing on the first line of an SFV list).
TEST_F(CliCreate, FolderListGoesIntoTheFolderNamedAfterIt) {
    const auto NoTime = [](const std::string& Text) {
        return Text.rfind("; Generated by ", 0) == 0 ? Text.substr(Text.find('\r')) : Text;
    };
    TCreateRequest Request;
    Request.Folder = Data;
    Request.Entries = {{"a.txt", false, 5}, {"b track.flac", false, 4}};
    Request.FileName = Dir / "desktop";
    for (const int Kind : {1, 2}) {
        const std::string Ext = Kind == 1 ? "sfv" : "md5";
        ASSERT_EQ(RunCli({"create", "--" + Ext, Data}).ExitCode, 0);
        Request.FilterIndex = Kind;
        TCreateHooks Hooks;
        ASSERT_TRUE(CreateChecksumFile(Request, Hooks).Written);
        EXPECT_EQ(NoTime(ReadFile(Data + "/Album." + Ext)), NoTime(ReadFile(Dir / ("desktop." + Ext)))) << Ext;
    }
}

TEST_F(CliCreate, OutputNameFilesGivenAndOverwriting) {
    const std::string Md5OfA = "5D41402ABC4B2A76B9719D911017C592 a.txt\r\n";
    // An ".md5" name makes an MD5 list whatever the option (and a name without extension gets the kind's).
    ASSERT_EQ(RunCli({"create", "--sfv", "-o", Dir / "x.md5", Data}).ExitCode, 0);
    EXPECT_EQ(ReadFile(Dir / "x.md5").substr(0, 40), Md5OfA);
    // Files of one folder, in the order given.
    auto R = RunCli({"create", "--sfv", Data + "/b track.flac", Data + "/old.SFV"});
    EXPECT_EQ(R.ExitCode, 0) << R.Err;
    const std::string Text = ReadFile(Data + "/Album.sfv");
    EXPECT_TRUE(Has(Text, "\r\nb track.flac 0F4FF68B\r\nold.SFV ") && !Has(Text, "a.txt")) << Text;
    // An existing list only goes with --force.
    const std::string Old = Dir.Write("Album/Album.md5", "keep me");
    R = RunCli({"create", "--md5", Data});
    EXPECT_EQ(R.ExitCode, 2);
    EXPECT_TRUE(Has(R.Err, "--force")) << R.Err;
    EXPECT_EQ(ReadFile(Old), "keep me");
    EXPECT_EQ(RunCli({"create", "--md5", "--force", Data}).ExitCode, 0);
    EXPECT_EQ(ReadFile(Old).substr(0, 40), Md5OfA);
    // An unreadable file is left out and reported.
    ASSERT_EQ(::mkfifo((Data + "/pipe").c_str(), 0644), 0);
    R = RunCli({"create", "--md5", "-o", Dir / "p", Data + "/a.txt", Data + "/pipe"});
    EXPECT_EQ(R.ExitCode, 1);
    EXPECT_TRUE(Has(R.Err, "left out of the list, cannot be read: pipe")) << R.Err;
    EXPECT_EQ(ReadFile(Dir / "p.md5"), Md5OfA);
}

// A failed write (a file-size limit of 512 bytes standing in for a full disk) and Ctrl+C keep the old
// list and leave no temporary file.
TEST_F(CliCreate, FailureOrCtrlCKeepsTheOldList) {
    for (int I = 0; I < 40; ++I) // a list longer than the limit
        Dir.Write("Album/file number " + std::to_string(I) + ".dat", std::to_string(I));
    const std::string Old = Dir.Write("Album/Album.sfv", "old list\r\n");
    const auto Files = FilesIn(Data);
    auto R = qvtest::Run(
        {"/bin/sh", "-c", "ulimit -f 1 && exec \"$0\" create --sfv --force \"$1\"", QUORVANE_CLI_PATH, Data});
    EXPECT_EQ(R.ExitCode, 2) << R.Err;
    EXPECT_TRUE(Has(R.Err, "Cannot create file " + Data + "/Album.sfv")) << R.Err;
    EXPECT_EQ(ReadFile(Old), "old list\r\n");
    EXPECT_EQ(FilesIn(Data), Files);

    if (!MakeEndlessFile(Data + "/huge"))
        GTEST_SKIP() << "no sparse files here";
    R = RunInterrupted({"create", "--sfv", "--force", Data});
    EXPECT_EQ(R.ExitCode, 130) << R.Err;
    EXPECT_TRUE(Has(R.Err, "User Aborted")) << R.Err;
    EXPECT_EQ(ReadFile(Old), "old list\r\n");
    EXPECT_EQ(FilesIn(Data).size(), Files.size() + 1); // only the huge file added
}

} // namespace
