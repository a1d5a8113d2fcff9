// The console tool against the peer programs (each left out when not installed): the checksums of rhash, our
// lists verified by cksfv, rhash and md5sum with the same verdicts as ours, and their lists verified by us.

#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/TestSupport.h"


namespace {

using TArgs = std::vector<std::string>;
using TVerdicts = std::map<std::string, std::string>;

TArgs Join(TArgs Head, const TArgs& Tail) {
    Head.insert(Head.end(), Tail.begin(), Tail.end());
    return Head;
}

class Peers : public ::testing::Test {
protected:
    qvtest::TempDir Dir;
    const std::string Data = Dir / "Data";
    const TArgs Names{"a file.txt", "b.bin", "c.dat"};
    const TVerdicts AllGood{{"a file.txt", "Good"}, {"b.bin", "Good"}, {"c.dat", "Good"}};
    const TVerdicts Spoiled{{"a file.txt", "Good"}, {"b.bin", "Bad"}, {"c.dat", "Missing"}};

    void SetUp() override {
        Dir.Write("Data/a file.txt", "first file\n");
        Dir.Write("Data/b.bin", qvtest::PatternBytes(200000, 9));
        Dir.Write("Data/c.dat", "");
        if (!qvtest::HaveProgram("rhash") && !qvtest::HaveProgram("cksfv") && !qvtest::HaveProgram("md5sum"))
            GTEST_SKIP() << "none of rhash, cksfv and md5sum is installed";
    }
    // Damages one file and removes another.
    void Spoil() {
        Dir.Write("Data/b.bin", qvtest::PatternBytes(200000, 10));
        std::filesystem::remove(Data + "/c.dat");
    }
    // The peer's verdict per file from its report lines ("name   OK", "name: FAILED open or read", ...).
    TVerdicts PeerVerdicts(const qvtest::RunResult& R) const {
        TVerdicts Found;
        std::istringstream In(R.Out + R.Err);
        for (std::string Line; std::getline(In, Line);)
            for (const std::string& Name : Names) {
                if (Line.rfind(Name, 0) != 0 || (Line[Name.size()] != ' ' && Line[Name.size()] != ':'))
                    continue;
                const auto Says = [&](const char* Word) { return Line.find(Word, Name.size()) != std::string::npos; };
                Found[Name] = Says("No such file") || Says("open or read")             ? "Missing"
                              : Says("OK")                                             ? "Good"
                              : Says("ERR") || Says("different CRC") || Says("FAILED") ? "Bad"
                                                                                       : "?";
            }
        return Found;
    }
};

TEST_F(Peers, HashesAgreeWithRhash) {
    if (!qvtest::HaveProgram("rhash"))
        GTEST_SKIP() << "rhash is not installed";
    TArgs Files;
    for (std::size_t Size : {0u, 1u, 55u, 65536u, 1000003u})
        Dir.Write(Files.emplace_back("f" + std::to_string(Size)), qvtest::PatternBytes(Size, 11));
    // rhash printing our lines: "name CRC" and "MD5 name", upper case.
    for (const auto& [Option, Format] :
         {std::pair<std::string, std::string>{"--crc32", "%f %C\n"}, {"--md5", "%M %f\n"}})
        EXPECT_EQ(qvtest::RunCli(Join({"hash", Option}, Files), Dir.Path().string()).Out,
                  qvtest::Run(Join({"rhash", "--printf=" + Format}, Files), Dir.Path().string()).Out)
            << Option;
}

// Our lists (CRLF lines, a name with a space) pass each peer, and the peer sees the same damage as we do.
TEST_F(Peers, OurListsPassThePeers) {
    for (const std::string Kind : {"sfv", "md5"}) {
        ASSERT_EQ(qvtest::RunCli({"create", "--" + Kind, Data}).ExitCode, 0);
        ASSERT_NE(qvtest::ReadFile(Data + "/Data." + Kind).find(" a file.txt\r\n"), std::string::npos);
    }
    for (const bool Spoilt : {false, true}) {
        if (Spoilt)
            Spoil();
        for (const TArgs& Check : std::vector<TArgs>{{"cksfv", "-f", "Data.sfv"},
                                                     {"rhash", "-c", "Data.sfv"},
                                                     {"rhash", "-c", "Data.md5"},
                                                     {"md5sum", "-c", "Data.md5"}}) {
            if (!qvtest::HaveProgram(Check[0]))
                continue;
            SCOPED_TRACE(Check[0] + " " + Check[2]);
            const auto R = qvtest::Run(Check, Data);
            EXPECT_EQ(R.ExitCode != 0, Spoilt) << R.Out << R.Err;
            EXPECT_EQ(PeerVerdicts(R), Spoilt ? Spoiled : AllGood) << R.Out << R.Err;
        }
    }
}

// Lists written by each peer (its standard output) are all Good to us, and after the damage we report it.
TEST_F(Peers, PeerListsPassUs) {
    using TPeerList = std::pair<TArgs, std::string>; // the peer's command writing a list of Names, the list
    TArgs Lists;
    for (const auto& [Create, List] : {TPeerList{{"cksfv"}, "cksfv.sfv"}, TPeerList{{"rhash", "--sfv"}, "rhash.sfv"},
                                       TPeerList{{"rhash", "--md5"}, "rhash.md5"}, TPeerList{{"md5sum"}, "md5sum.md5"},
                                       TPeerList{{"md5sum", "-b"}, "binary.md5"}}) {
        if (!qvtest::HaveProgram(Create[0]))
            continue;
        const auto R = qvtest::Run(Join(Create, Names), Data);
        ASSERT_EQ(R.ExitCode, 0) << List << R.Err;
        Lists.push_back(List);
        Dir.Write("Data/" + List, R.Out);
    }
    const std::string Done = " Missing, 0 Unchecked. Complete in 0 seconds\n";
    for (const bool Spoilt : {false, true}) {
        if (Spoilt)
            Spoil();
        for (const std::string& List : Lists) {
            SCOPED_TRACE(List);
            const auto R = qvtest::RunCli({"check", List}, Data); // our report, in the order of the list
            EXPECT_EQ(R.ExitCode, Spoilt ? 1 : 0);
            EXPECT_EQ(R.Out, Spoilt ? "Good a file.txt\nBad b.bin\nMissing c.dat\n1 Good, 1 Bad, 1" + Done
                                    : "Good a file.txt\nGood b.bin\nGood c.dat\n3 Good, 0 Bad, 0" + Done);
        }
    }
}

} // namespace
