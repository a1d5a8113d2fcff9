// Lists exchanged with the peer programs: ours verified by cksfv, rhash and md5sum, theirs verified by
// quorvane-cli check, with the same verdicts for a damaged and a removed file.

#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/TestSupport.h"

namespace {

// The peer's verdict per file name, read from its report lines ("name ... OK", "name: FAILED" ...).
std::map<std::string, std::string> PeerVerdicts(const std::string& Report, const std::vector<std::string>& Names) {
    std::map<std::string, std::string> Verdicts;
    std::istringstream In(Report);
    std::string Line;
    while (std::getline(In, Line)) {
        for (const std::string& Name : Names) {
            if (Line.rfind(Name, 0) != 0 || Line.size() == Name.size())
                continue;
            const std::string Rest = Line.substr(Name.size());
            if (Rest[0] != ' ' && Rest[0] != ':')
                continue;
            if (Rest.find("No such file") != std::string::npos || Rest.find("open or read") != std::string::npos)
                Verdicts[Name] = "Missing";
            else if (Rest.find("OK") != std::string::npos)
                Verdicts[Name] = "Good";
            else if (Rest.find("ERR") != std::string::npos || Rest.find("different CRC") != std::string::npos ||
                     Rest.find("FAILED") != std::string::npos)
                Verdicts[Name] = "Bad";
        }
    }
    return Verdicts;
}

// Our verdict per file name, from the lines of quorvane-cli check.
std::map<std::string, std::string> OurVerdicts(const std::string& Out, const std::string& Folder) {
    std::map<std::string, std::string> Verdicts;
    std::istringstream In(Out);
    std::string Line;
    while (std::getline(In, Line)) {
        const auto Space = Line.find(' ');
        const std::string Path = Space == std::string::npos ? "" : Line.substr(Space + 1);
        if (Path.rfind(Folder + "/", 0) == 0)
            Verdicts[Path.substr(Folder.size() + 1)] = Line.substr(0, Space);
    }
    return Verdicts;
}

class Peers : public ::testing::Test {
protected:
    qvtest::TempDir Dir;
    std::string Data;
    const std::vector<std::string> Names{"a file.txt", "b.bin", "c.dat"};

    void SetUp() override {
        Data = Dir / "Data";
        Dir.Write("Data/a file.txt", "first file\n");
        Dir.Write("Data/b.bin", qvtest::PatternBytes(200000, 9));
        Dir.Write("Data/c.dat", "");
    }
    void Need(const std::string& Program) {
        if (!qvtest::HaveProgram(Program))
            GTEST_SKIP() << Program << " is not installed";
    }
    // Damages one file and removes another.
    void Spoil() {
        Dir.Write("Data/b.bin", qvtest::PatternBytes(200000, 10));
        std::filesystem::remove(Data + "/c.dat");
    }
    const std::map<std::string, std::string> Spoiled{{"a file.txt", "Good"}, {"b.bin", "Bad"}, {"c.dat", "Missing"}};
};

TEST_F(Peers, OurSfvListPassesCksfv) {
    Need("cksfv");
    ASSERT_EQ(qvtest::RunCli({"create", "--sfv", Data}).ExitCode, 0);
    auto R = qvtest::Run({"cksfv", "-f", "Data.sfv"}, Data);
    EXPECT_EQ(R.ExitCode, 0) << R.Out << R.Err;
    Spoil();
    R = qvtest::Run({"cksfv", "-f", "Data.sfv"}, Data);
    EXPECT_NE(R.ExitCode, 0);
    EXPECT_EQ(PeerVerdicts(R.Out + R.Err, Names), Spoiled) << R.Out << R.Err;
}

TEST_F(Peers, OurListsPassRhash) {
    Need("rhash");
    ASSERT_EQ(qvtest::RunCli({"create", "--sfv", Data}).ExitCode, 0);
    ASSERT_EQ(qvtest::RunCli({"create", "--md5", Data}).ExitCode, 0);
    for (const char* List : {"Data.sfv", "Data.md5"}) {
        const auto R = qvtest::Run({"rhash", "-c", List}, Data);
        EXPECT_EQ(R.ExitCode, 0) << List << R.Out << R.Err;
        EXPECT_EQ(PeerVerdicts(R.Out, Names).size(), 3u) << R.Out;
    }
    Spoil();
    for (const char* List : {"Data.sfv", "Data.md5"}) {
        const auto R = qvtest::Run({"rhash", "-c", List}, Data);
        EXPECT_NE(R.ExitCode, 0);
        EXPECT_EQ(PeerVerdicts(R.Out + R.Err, Names), Spoiled) << List << R.Out;
    }
}

TEST_F(Peers, OurMd5ListPassesMd5sum) {
    Need("md5sum");
    ASSERT_EQ(qvtest::RunCli({"create", "--md5", Data}).ExitCode, 0);
    auto R = qvtest::Run({"md5sum", "-c", "Data.md5"}, Data);
    EXPECT_EQ(R.ExitCode, 0) << R.Out << R.Err;
    EXPECT_EQ(PeerVerdicts(R.Out, Names),
              (std::map<std::string, std::string>{{"a file.txt", "Good"}, {"b.bin", "Good"}, {"c.dat", "Good"}}));
    Spoil();
    R = qvtest::Run({"md5sum", "-c", "Data.md5"}, Data);
    EXPECT_NE(R.ExitCode, 0);
    EXPECT_EQ(PeerVerdicts(R.Out, Names), Spoiled) << R.Out;
}

// A list written by a peer (its standard output), checked by us before and after spoiling the files,
// and by the peer itself after spoiling them.
struct TPeerList {
    std::vector<std::string> Create;  // the peer's create command, file names appended
    std::string ListName;
    std::vector<std::string> Verify;  // the peer's check command, list name appended
};

class PeerLists : public Peers, public ::testing::WithParamInterface<TPeerList> {};

TEST_P(PeerLists, CheckedAllGoodThenAgreeingWithThePeer) {
    const TPeerList& P = GetParam();
    Need(P.Create[0]);
    std::vector<std::string> Argv = P.Create;
    Argv.insert(Argv.end(), Names.begin(), Names.end());
    const auto Made = qvtest::Run(Argv, Data);
    ASSERT_EQ(Made.ExitCode, 0) << Made.Err;
    const std::string List = Dir.Write("Data/" + P.ListName, Made.Out);

    auto R = qvtest::RunCli({"check", List});
    EXPECT_EQ(R.ExitCode, 0) << R.Out << R.Err;
    EXPECT_EQ(OurVerdicts(R.Out, Data),
              (std::map<std::string, std::string>{{"a file.txt", "Good"}, {"b.bin", "Good"}, {"c.dat", "Good"}}));

    Spoil();
    R = qvtest::RunCli({"check", List});
    EXPECT_EQ(R.ExitCode, 1);
    EXPECT_EQ(OurVerdicts(R.Out, Data), Spoiled) << R.Out;

    std::vector<std::string> Check = P.Verify;
    Check.push_back(P.ListName);
    const auto Theirs = qvtest::Run(Check, Data);
    EXPECT_EQ(PeerVerdicts(Theirs.Out + Theirs.Err, Names), Spoiled) << Theirs.Out << Theirs.Err;
}

INSTANTIATE_TEST_SUITE_P(
    Peers, PeerLists,
    ::testing::Values(TPeerList{{"cksfv"}, "cksfv.sfv", {"cksfv", "-f"}},
                      TPeerList{{"rhash", "--sfv"}, "rhash.sfv", {"rhash", "-c"}},
                      TPeerList{{"rhash", "--md5"}, "rhash.md5", {"rhash", "-c"}},
                      TPeerList{{"md5sum"}, "md5sum.md5", {"md5sum", "-c"}},
                      TPeerList{{"md5sum", "-b"}, "binary.md5", {"md5sum", "-c"}}),
    [](const ::testing::TestParamInfo<TPeerList>& Info) {
        std::string Name = Info.param.ListName;
        Name.erase(std::remove_if(Name.begin(), Name.end(), [](char C) { return !std::isalnum(static_cast<unsigned char>(C)); }),
                   Name.end());
        return Name;
    });

} // namespace
