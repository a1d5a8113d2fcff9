// The console tool: list, hash, check and create; options, help and usage errors, exit statuses, odd files and
// names, failed writes to standard output and to lists, Ctrl+C.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "lists/ListWriter.h"
#include "support/TestSupport.h"

using namespace quorvane;

namespace {

using namespace qvtest;
using TArgs = std::vector<std::string>;

const std::string Me = "quorvane-cli: ", Done = " Missing, 0 Unchecked. Complete in 0 seconds\n";

const auto Has = [](const std::string& Text, const std::string& Part) { return Text.find(Part) != std::string::npos; };

// The console tool sent SIGINT after 0.6 s, as by Ctrl+C (and SIGKILL 60 s later should it hang).
RunResult RunInterrupted(TArgs Args) {
    Args.insert(Args.begin(), {"timeout", "--preserve-status", "-k", "60", "-s", "INT", "0.6", QUORVANE_CLI_PATH});
    return Run(Args);
}

class Cli : public ::testing::Test {
protected:
    TempDir Dir;
    void Write(std::initializer_list<std::pair<std::string, std::string>> Files) {
        for (const auto& [Name, Bytes] : Files)
            Dir.Write(Name, Bytes);
    }
    struct TRun {
        TArgs Args;
        int Exit;
        std::string Out, Err = {};
    };
    // Runs "quorvane-cli Args..." in Dir for each case: the exit status and the exact output.
    void ExpectRuns(const std::vector<TRun>& Runs, StdoutTo To = StdoutTo::Collect) {
        for (const TRun& C : Runs) {
            SCOPED_TRACE(::testing::PrintToString(C.Args) + " to " + std::to_string(static_cast<int>(To)));
            const auto R = RunCli(C.Args, Dir.Path().string(), To); // no progress line: standard error is no terminal
            EXPECT_EQ(std::tie(R.ExitCode, R.Out, R.Err), std::tie(C.Exit, C.Out, C.Err));
        }
    }
};

TEST_F(Cli, ListTsvOneLinePerRecordAndTableGroupedPerList) {
    Write({{"a/one.bin", "1"}, {"a/sub/two.bin", "22"}, {"b/four.bin", ""}, {"c.sfv", "; only a comment\r\n"}});
    // Comments, a quoted name, a backslash folder, a repeated entry (checksum in other case); MD5 text, binary lines.
    Write({{"a/a.sfv", "; header\r\n;\r\none.bin 0A1B2C3D\r\nsub\\two.bin 12345678\r\n"
                       "\"three file.bin\" 0badf00d\r\none.bin 0a1b2c3d\r\n"},
           {"b/b.md5", "d41d8cd98f00b204e9800998ecf8427e *four.bin\nd41d8cd98f00b204e9800998ecf8427e  five.bin\n"}});
    Write({{"t\\ab.sfv", "x.bin\t12345678\nname 1\t2\n"}, {"big.bin", std::string(2048, 'x')}});
    Write({{"a.sfv", "big.bin 0A1B2C3D\nsub\\gone.bin 12345678\n"}, {"b.sfv", "x\x01y.bin 1\n"}});
    const std::string Odd = Dir / "t\\\\ab.sfv\t" + (Dir / ""), None = Me + "Cannot open file none.sfv\n";
    const std::string RecordsOfA = "a/a.sfv\ta/one.bin\t0A1B2C3D\t1\na/a.sfv\ta/sub/two.bin\t12345678\t2\n"
                                   "a/a.sfv\ta/three file.bin\t0badf00d\t-1\n";
    const std::string RecordsOfB = "./b/b.md5\t./b/four.bin\td41d8cd98f00b204e9800998ecf8427e\t0\n"
                                   "./b/b.md5\t./b/five.bin\td41d8cd98f00b204e9800998ecf8427e\t-1\n";
    const std::string Table = "a.sfv\n  big.bin       0A1B2C3D       2 KB\n  sub/gone.bin  12345678  Not Found\n\n"
                              "b.sfv\n  x?y.bin       1         Not Found\n\n3 records, 2 not found\n";
    ExpectRuns({{{"list", "--tsv", "a/a.sfv", "c.sfv", "--", "./b/b.md5"}, 0, RecordsOfA + RecordsOfB},
                // Tabs and backslashes are escaped.
                {{"list", "--tsv", Dir / "t\\ab.sfv"}, 0, Odd + "\tx.bin\\t12345678\t-1\n" + Odd + "name\t1\\t2\t-1\n"},
                // A list that cannot be opened is an error after the records of the lists before it.
                {{"list", "--tsv", "c.sfv", "a/a.sfv", "none.sfv", "./b/b.md5"}, 2, RecordsOfA, None},
                // The table: a header per list, names as written (control bytes shown as "?"), a blank line between.
                {{"list", "a.sfv", "b.sfv"}, 0, Table}});
}

TEST_F(Cli, HashEntryLinesInArgumentOrder) {
    Write({{"digits.txt", "123456789"}, {"-odd", "123456789"}, {"abc", "abc"}, {"folder/x", ""}});
    const std::string Cannot = Me + "Cannot open file ", NoFile = " (No such file or directory)\n";
    const std::string Errors = Cannot + "--md5" + NoFile + Cannot + "folder (Is a directory)\n" + Me +
                               "Cannot read file /proc/self/mem (Input/output error)\n" + Cannot + "x?[31m" + NoFile;
    ExpectRuns({{{"hash", "--crc32", "digits.txt", "folder/x"}, 0, "digits.txt CBF43926\nfolder/x 00000000\n"},
                {{"hash", "--md5", "--", "-odd"}, 0, "25F9E794323B453885F5181F1B624D0B -odd\n"},
                {{"hash", "--sha256", "digits.txt"}, 0,
                 "15e2b0d3c33891ebb0f1ef609ec419420c20e320ce94c65fbc8c3312448eb225  digits.txt\n"},
                {{"hash", "--blake3", "digits.txt"}, 0,
                 "b7d65b48420d1033cb2595293263b6f72eabee20d55e699d0df1973b3c9deed1  digits.txt\n"},
                // CRC-32 by default. Unreadable files (our memory opens, then fails to read) get a message, no line;
                // options end at the first file.
                {{"hash", "abc", "--md5", "folder", "/proc/self/mem", "x\x1b[31m"}, 1, "abc 352441C2\n", Errors}});
}

TEST_F(Cli, CheckLinesSummaryAndExitStatus) {
    Write({{"good.txt", "hello"}, {"bad.txt", "hullo"}, {"a", "abc"}, {"a\x1b[31m", "abc"}, {"one.sfv", "a 352441C2"}});
    Write({{"l.sfv", "good.txt 3610a686\r\nbad.txt 3610A686\r\ngone.txt 3610A686\r\n"}, {"empty.sfv", "; nothing\n"}});
    Write({{"two.md5", "900150983cd24fb0d6963f7d28e17f72 *a\n"}, {"e.sfv", "a\x1b[31m 352441C2\ngone\x1b[31m 0\n"}});
    Write({{"m.sfv", "gone 0\n"}});
    ExpectRuns({{{"check", "--quiet", "l.sfv"}, 1, "Bad bad.txt\nMissing gone.txt\n1 Good, 1 Bad, 1" + Done},
                {{"check", "--quiet", "two.md5"}, 0, "1 Good, 0 Bad, 0" + Done},
                {{"check", "one.sfv", "one.sfv"}, 0, "Good a\nGood a\n2 Good, 0 Bad, 0" + Done},
                {{"check", "empty.sfv"}, 0, "0 Good, 0 Bad, 0" + Done},
                // Control bytes in names (from a list, they could drive the terminal) shown as "?".
                {{"check", "e.sfv"}, 1, "Good a?[31m\nMissing gone?[31m\n1 Good, 0 Bad, 1" + Done},
                {{"check", "e.sfv", "x\x1b[31m"}, 2, "", Me + "Cannot open file x?[31m\n"},
                // --ignore-missing: missing files neither shown nor failing, but a check of nothing fails.
                {{"check", "--ignore-missing", "e.sfv"}, 0, "Good a?[31m\n1 Good, 0 Bad, 1" + Done},
                {{"check", "--ignore-missing", "--quiet", "l.sfv"}, 1, "Bad bad.txt\n1 Good, 1 Bad, 1" + Done},
                {{"check", "--ignore-missing", "m.sfv"}, 1, "0 Good, 0 Bad, 1" + Done, Me + "no file was verified\n"}});
}

// Digest lists: the kind by the extension, else by the lines (a tag, or 40, 64 or 128 digits), else the SFV rules.
// A line no form fits is reported with its number; the others are still checked.
TEST_F(Cli, DigestListKindByExtensionOrLines) {
    const std::string Sha256 = "15e2b0d3c33891ebb0f1ef609ec419420c20e320ce94c65fbc8c3312448eb225  digits.txt\n";
    const std::string Blake3 = "b7d65b48420d1033cb2595293263b6f72eabee20d55e699d0df1973b3c9deed1  digits.txt\n";
    const std::string Lines = "# by hand\n" + Sha256 + "not a line\n" + std::string(64, '0') + " *gone\n";
    Write({{"digits.txt", "123456789"}, {"SHA256SUMS", Sha256}, {"sums.txt", Sha256}, {"l.b3", Blake3}});
    Write({{"b3.txt", Blake3}, {"CHECKSUM", "SHA1 (digits.txt) = f7c3bc1d808e04732adf679965ccc34ca7ae3441\n"}});
    Write({{"crcs", "; made by hand\ndigits.txt CBF43926\n"}, {"odd.sha256", Lines}});
    const std::string Good = "Good digits.txt\n1 Good, 0 Bad, 0" + Done;
    ExpectRuns({{{"check", "SHA256SUMS"}, 0, Good},
                {{"check", "sums.txt"}, 0, Good},
                {{"check", "CHECKSUM"}, 0, Good},
                {{"check", "crcs"}, 0, Good},
                {{"check", "l.b3"}, 0, Good},
                {{"check", "b3.txt"}, 1, "Bad digits.txt\n0 Good, 1 Bad, 0" + Done}, // SHA-256 by its length
                {{"check", "odd.sha256"},
                 1,
                 "Good digits.txt\nMissing gone\n1 Good, 0 Bad, 1" + Done,
                 Me + "odd.sha256:3: not a line: line not understood, skipped\n"}});
}

// A clear-signed list (a key made for the test in its own GNUPGHOME): the armour and signature are skipped.
TEST_F(Cli, ClearSignedListChecksItsLines) {
    for (const std::string Program : {"gpg", "gpg-agent", "gpgconf"})
        if (!HaveProgram(Program))
            GTEST_SKIP() << Program << " is not installed";
    const std::string Home = Dir / "gnupg", Env = "GNUPGHOME=" + Home;
    std::filesystem::create_directory(Home);
    std::filesystem::permissions(Home, std::filesystem::perms::owner_all);
    Write({{"digits.txt", "123456789"},
           {"plain", "15e2b0d3c33891ebb0f1ef609ec419420c20e320ce94c65fbc8c3312448eb225  digits.txt\n"}});
    const TArgs Gpg{"env", Env, "gpg", "--batch", "--pinentry-mode", "loopback", "--passphrase", ""};
    for (const TArgs& Args : {TArgs{"--quick-gen-key", "Quorvane Test <test@example.org>", "ed25519", "sign", "never"},
                              TArgs{"--clearsign", "-o", "SHA256SUMS", "plain"}}) {
        TArgs Command = Gpg;
        Command.insert(Command.end(), Args.begin(), Args.end());
        const auto R = qvtest::Run(Command, Dir.Path().string());
        ASSERT_EQ(R.ExitCode, 0) << R.Err;
    }
    qvtest::Run({"env", Env, "gpgconf", "--kill", "all"});
    ASSERT_TRUE(ReadFile(Dir / "SHA256SUMS").starts_with("-----BEGIN PGP SIGNED MESSAGE-----\n"));
    ExpectRuns({{{"check", "SHA256SUMS"}, 0, "Good digits.txt\n1 Good, 0 Bad, 0" + Done}});
}

// verify: the kind by the number of digits (64 tried as SHA-256, then as BLAKE3); a wrong hash of each length is
// Bad, a missing file Missing; any other length, or a character that is no hexadecimal digit, a usage error.
TEST_F(Cli, VerifyHashOfEveryLength) {
    Write({{"digits.txt", "123456789"}});
    for (const std::string Hash :
         {"CBF43926", "25f9e794323b453885f5181f1b624d0b", "f7c3bc1d808e04732adf679965ccc34ca7ae3441",
          "15e2b0d3c33891ebb0f1ef609ec419420c20e320ce94c65fbc8c3312448eb225",
          "b7d65b48420d1033cb2595293263b6f72eabee20d55e699d0df1973b3c9deed1",
          "d9e6762dd1c8eaf6d61b3c6192fc408d4d6d5f1176d0c29169bc24e71c3f274ad27fcd5811b313d681f7e55ec02d73d499c95455b6b5"
          "bb503acf574fba8ffe85"}) {
        const std::string Wrong = Hash.substr(1) + (Hash[0] == '0' ? '1' : '0');
        ExpectRuns({{{"verify", "digits.txt", Hash}, 0, "Good\n"},
                    {{"verify", "digits.txt", Wrong}, 1, "Bad\n"},
                    {{"verify", "gone", Hash}, 1, "Missing\n"}});
    }
    const std::string Usage = "\nTry 'quorvane-cli verify --help'.\n";
    ExpectRuns({{{"verify", "digits.txt", "123"}, 2, "", Me + "verify: Not a hash: 123" + Usage},
                {{"verify", "digits.txt", "CBF4392G"}, 2, "", Me + "verify: Not a hash: CBF4392G" + Usage}});
}

class CliCreate : public Cli {
protected:
    const std::string Data = Dir / "Album";
    void SetUp() override {
        Write({{"Album/b track.flac", "bbbb"}, {"Album/a.txt", "hello"}, {"Album/old.SFV", "a.txt 3610A686\r\n"}});
        Write({{"Album/sums.Md5", ""}, {"Album/sub/inner.txt", ""}, {"-l.sfv", "O/x 00000000\n"}, {"O/x", ""}});
    }
};

// Usage errors in one format from each command's option table, "--" ending the options everywhere, help from
// the same tables. Usage errors and refused creations exit 2 with nothing on standard output and write no file.
TEST_F(CliCreate, UsageErrorsRefusalsHelpVersionAndWriteErrors) {
    const auto Usage = [](const std::string& Command, const std::string& Says) {
        return Me + Command + ": " + Says + "\nTry 'quorvane-cli " + Command + " --help'.\n";
    };
    std::filesystem::create_directories(Dir / "Empty");
    const std::string Jobs = "--jobs needs a number from 1 to 64, not ";
    ExpectRuns(
        {{{"--version"}, 0, "quorvane-cli (Quorvane 2.6)\n"},
         {{"bogus"}, 2, "", Me + "unknown command 'bogus'\nTry 'quorvane-cli --help'.\n"},
         {{"list", "--tsv"}, 2, "", Usage("list", "no list file given")},
         {{"hash", "--md5"}, 2, "", Usage("hash", "no file given")},
         {{"hash", "--crc32", "--md5", "x"}, 2, "", Usage("hash", "choose one of --crc32, --md5, --sha1, --sha256, --sha512 and --blake3")},
         {{"check", "--quiet", "-\x1b[31m", "x"}, 2, "", Usage("check", "unknown option '-?[31m'")},
         {{"check", "--quiet"}, 2, "", Usage("check", "no list file given")},
         {{"create", "Album"}, 2, "", Usage("create", "give --sfv, --md5, --sha1, --sha256, --sha512 or --blake3")},
         {{"create", "--sfv", "Album", "-o"}, 2, "", Usage("create", "option '-o' needs a value")},
         {{"create", "--md5", "-o", "", "Album"}, 2, "", Usage("create", "option '-o' needs a value")},
         {{"create", "--sfv", "--force"}, 2, "", Usage("create", "no path given")},
         {{"create", "--sfv", "Album/a.txt", "O/x"}, 2, "", Me + "create: the files must all be in one folder: O/x\n"},
         {{"create", "--sfv", "Album/none"}, 2, "", Me + "Cannot open file Album/none: No such file or directory\n"},
         {{"create", "--sfv", "Empty"}, 2, "", Me + "no files to list in Empty\n"},
         {{"create", "--md5", "--jobs", "0", "Album"}, 2, "", Usage("create", Jobs + "'0'")},
         {{"hash", "--jobs", "2x", "x"}, 2, "", Usage("hash", Jobs + "'2x'")},
         {{"create", "--sfv", "-o", "l", "--", "-l.sfv"}, 0, "l.sfv: 1 files. Complete in 0 seconds\n"}});
    for (const auto& [Args, Says] : std::vector<std::pair<TArgs, std::string>>{
             {{"--help"}, "\n  hash [--crc32|--md5|--sha1|--sha256|--sha512|--blake3] [--jobs N] FILE...\n" + std::string(32, ' ') +
                              "print a list"},
             {{"list", "-h"}, "Usage: quorvane-cli list [--tsv] LIST...\nPrints the records of lists of any kind"},
             {{"list", "--help"}, " (-1 when\n              the file is not found), separated by tabs"},
             {{"create", "--force", "--help", "--bogus"},
              "\n  --blake3    a BLAKE3 list, as b3sum writes it\n  -o LIST     the list to write (default: "
              "FOLDER/FOLDERNAME and the kind's extension:\n              .sfv, .md5, .sha1, .sha256, .sha512 or .b3; an SFV or MD5 "
              "list named without\n              an extension gets one, the other kinds keep the name: SHA256SUMS)\n"
              "  --force     replace an existing list\n"}}) {
        const auto R = RunCli(Args);
        EXPECT_TRUE(R.ExitCode == 0 && Has(R.Out, Says) && R.Err.empty()) << R.ExitCode << R.Out << R.Err;
    }
    EXPECT_EQ(FilesIn(Data), (TArgs{"a.txt", "b track.flac", "old.SFV", "sub", "sums.Md5"}));
    EXPECT_EQ(FilesIn(Dir.Path().string()), (TArgs{"-l.sfv", "Album", "Empty", "O", "l.sfv"}));
    EXPECT_TRUE(FilesIn(Dir / "Empty").empty());
    // A folder nobody may write, root included: refused with the system's reason.
    const auto R = RunCli({"create", "--md5", "-o", "/sys/l", "O/x"}, Dir.Path().string());
    EXPECT_TRUE(R.ExitCode == 2 && R.Err.starts_with(Me + "Cannot create file /sys/l.md5: ")) << R.Err;
    // Output that cannot be written (a full disk, closed, a reader gone with SIGPIPE ignored) is an error of every
    // command, --help and --version too; with descriptor 1 closed no file opened meanwhile takes it (fdinfo/1).
    for (const auto& [To, Reason] :
         {std::pair{StdoutTo::DevFull, "No space left on device"}, std::pair{StdoutTo::Closed, "Bad file descriptor"},
          std::pair{StdoutTo::BrokenPipe, "Broken pipe"}})
        for (const TArgs& Args :
             {TArgs{"--help"}, TArgs{"--version"}, TArgs{"list", "./-l.sfv"}, TArgs{"check", "./-l.sfv"},
              TArgs{"hash", "/proc/self/fdinfo/1"}, TArgs{"create", "--sfv", "--force", "Album"}})
            ExpectRuns({{Args, 2, "", Me + "cannot write to standard output: " + Reason + "\n"}}, To);
}

// A folder's list: regular files but lists, in name order, the desktop writer's bytes (but for the time of writing).
// An ".md5" name makes an MD5 list; files given are listed in that order; an existing list only goes with --force;
// an unreadable file or a name no list can hold is left out and reported. Control bytes in names shown as "?".
TEST_F(CliCreate, FolderListsOutputNamesFilesGivenOverwritingAndLeftOut) {
    const auto NoTime = [](std::string T) { return T.starts_with("; Generated by ") ? T.substr(T.find('\r')) : T; };
    TCreateRequest Request;
    Request.Folder = Data;
    Request.Entries = {{"a.txt", false, 5}, {"b track.flac", false, 4}};
    for (const std::string Ext : {"sfv", "md5"}) {
        ASSERT_EQ(RunCli({"create", "--" + Ext, Data}).ExitCode, 0);
        Request.FileName = Dir / ("desktop." + Ext); // the kind from the extension
        TCreateHooks Hooks;
        ASSERT_TRUE(CreateChecksumFile(Request, Hooks).Written);
        EXPECT_EQ(NoTime(ReadFile(Data + "/Album." + Ext)), NoTime(ReadFile(Dir / ("desktop." + Ext)))) << Ext;
    }
    const std::string Md5OfA = "5D41402ABC4B2A76B9719D911017C592 a.txt\r\n", Files = " files. Complete in 0 seconds\n";
    const std::string Old = Dir.Write("Album/Album.md5", "keep me"), LeftOut = Me + "left out of the list: ";
    const std::string E = "E\x1b[31m", Pipe = LeftOut + "pipe (cannot be read: No such device or address)\n";
    const std::string Semi = LeftOut + ";semi (the name begins with \";\")\n" + Me +
                             "nothing written: every file was left out of Bad/Bad.sfv\n";
    Write({{E + "/x", ""}, {E + "/line\nbreak", ""}, {"Bad/;semi", ""}, {"Album/list.txt", "old"}});
    ASSERT_EQ(::mkfifo((Data + "/pipe").c_str(), 0644), 0);
    std::filesystem::create_symlink("nowhere", Dir / (E + "/broken"));
    ExpectRuns(
        {{{"create", "--sfv", "-o", "x.md5", "Album"}, 0, "x.md5: 3" + Files},
         {{"create", "--sfv", "--force", "Album/b track.flac", "Album/old.SFV"}, 0, "Album/Album.sfv: 2" + Files},
         {{"create", "--md5", "Album"}, 2, "", Me + "Album/Album.md5 exists; use --force to replace it\n"},
         {{"create", "--md5", "-o", "p", "Album/a.txt", "Album/pipe"}, 1, "p.md5: 1" + Files, Pipe},
         {{"create", "--md5", E},
          1,
          "E?[31m/E?[31m.md5: 1" + Files,
          LeftOut + "broken (a broken symbolic link)\n" + LeftOut + "line?break (the name holds a line break)\n"},
         {{"create", "--sfv", "Bad"}, 2, "", Semi},
         {{"create", "--md5", "--force", "-o", "Album/list.txt", "Album/"}, 0, "Album/list.txt: 2" + Files},
         // A SHA-256 list keeps a name without extension; its line is sha256sum's.
         {{"create", "--sha256", "-o", "SUMS", "Album/a.txt"}, 0, "SUMS: 1" + Files}});
    EXPECT_EQ(ReadFile(Dir / "SUMS"), "2cf24dba5fb0a30e26e83b2ac5b9e29e1b161e5c1fa7425e73043362938b9824  a.txt\n");
    for (const std::string& List : {Dir / "x.md5", Dir / "p.md5", Data + "/list.txt"}) // list.txt replaced
        EXPECT_TRUE(ReadFile(List).starts_with(Md5OfA)) << List;
    const std::string Text = ReadFile(Data + "/Album.sfv");
    EXPECT_TRUE(Has(Text, "\r\nb track.flac 0F4FF68B\r\nold.SFV ") && !Has(Text, "a.txt")) << Text;
    EXPECT_EQ(ReadFile(Old), "keep me");
    EXPECT_FALSE(Has(ReadFile(Data + "/list.txt"), "list.txt") || std::filesystem::exists(Dir / "Bad/Bad.sfv"));
}

// Several jobs, and a large file read by several threads over ranges, print and write what one job does. On tmpfs
// where there is one: a spinning disk is read one file at a time, by one thread.
TEST(CliJobs, SeveralJobsAndALargeFileReadOverRangesGiveWhatOneJobGives) {
    const TempDir Dir(std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : std::filesystem::temp_directory_path());
    for (int I = 0; I < 12; ++I)
        Dir.Write("d/f" + std::to_string(I), PatternBytes(static_cast<std::size_t>(I) * 70001, I));
    // 64 MiB and 777 bytes, mostly a hole: "quorvane" at 0, 40 MiB and the end. Its CRC-32 is that of rhash.
    const int Fd = ::open(Dir.Write("d/big", "").c_str(), O_WRONLY);
    for (const off_t At : {off_t{0}, off_t{40} << 20, (off_t{64} << 20) + 769})
        ASSERT_EQ(::pwrite(Fd, "quorvane", 8, At), 8);
    ::close(Fd);
    for (const char* Jobs : {"1", "3", "64"})
        EXPECT_EQ(RunCli({"hash", "--jobs", Jobs, "d/big", "d/f1"}, Dir.Path()).Out, "d/big 5763F45D\nd/f1 46A29576\n");
    const auto NoTime = [](std::string T) { return T.starts_with("; Generated by ") ? T.substr(T.find('\r')) : T; };
    for (const std::string Kind : {"sfv", "md5"}) {
        for (const char* Jobs : {"1", "2"})
            ASSERT_EQ(RunCli({"create", "--" + Kind, "--jobs", Jobs, "-o", Jobs, "d"}, Dir.Path()).ExitCode, 0);
        EXPECT_EQ(NoTime(ReadFile(Dir / ("1." + Kind))), NoTime(ReadFile(Dir / ("2." + Kind)))) << Kind;
    }
    EXPECT_TRUE(Has(ReadFile(Dir / "2.sfv"), "\r\nbig 5763F45D\r\n"));
    ASSERT_EQ(RunCli({"create", "--sfv", "-o", "one", "d/big"}, Dir.Path()).ExitCode, 0); // alone, automatic jobs
    EXPECT_TRUE(ReadFile(Dir / "one.sfv").ends_with("\r\nbig 5763F45D\r\n"));
}

// A failed write (a file-size limit of 512 bytes standing in for a full disk) and Ctrl+C keep the old list and
// leave no temporary file. Ctrl+C stops a check after the current chunk, with its report.
TEST_F(CliCreate, FailureOrCtrlCKeepsTheOldListAndStopsACheck) {
    for (int I = 0; I < 40; ++I) // a list longer than the limit
        Dir.Write("Album/file number " + std::to_string(I) + ".dat", std::to_string(I));
    const std::string Old = Dir.Write("Album/Album.sfv", "old list\r\n");
    const auto Files = FilesIn(Data);
    auto R = qvtest::Run(
        {"/bin/sh", "-c", "ulimit -f 1 && exec \"$0\" create --sfv --force \"$1\"", QUORVANE_CLI_PATH, Data});
    EXPECT_TRUE(R.ExitCode == 2 && Has(R.Err, "Cannot create file " + Data + "/Album.sfv")) << R.ExitCode << R.Err;
    EXPECT_EQ(ReadFile(Old), "old list\r\n");
    EXPECT_EQ(FilesIn(Data), Files);
    if (::truncate(Dir.Write("Album/huge", "").c_str(), 1L << 37) != 0) // sparse: hashing it ends by an interrupt
        GTEST_SKIP() << "no sparse files here";
    R = RunInterrupted({"check", Dir.Write("i.sfv", "Album/a.txt 3610A686\nAlbum/huge 00000000\nO/x 0\n")});
    EXPECT_EQ(R.ExitCode, 130) << R.Err;
    EXPECT_EQ(R.Out, "Good " + (Dir / "Album/a.txt") + "\n1 Good, 0 Bad, 0 Missing, 2 Unchecked (interrupted)\n");
    R = RunInterrupted({"create", "--sfv", "--force", Data});
    EXPECT_TRUE(R.ExitCode == 130 && Has(R.Err, "User Aborted")) << R.ExitCode << R.Err;
    EXPECT_EQ(ReadFile(Old), "old list\r\n");
    EXPECT_EQ(FilesIn(Data).size(), Files.size() + 1); // only the huge file added
}

} // namespace
