// The console tool against the peer programs (skipped unless all are installed): the checksums of rhash, our
// lists verified by cksfv, rhash and md5sum with the same verdicts as ours, and their lists verified by us.

#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/TestSupport.h"

namespace {

using namespace qvtest;
using TArgs = std::vector<std::string>;
using TVerdicts = std::map<std::string, std::string>;

TArgs Join(TArgs Head, const TArgs& Tail) {
    Head.insert(Head.end(), Tail.begin(), Tail.end());
    return Head;
}

class Peers : public ::testing::Test {
protected:
    TempDir Dir;
    const std::string Data = Dir / "Data";
    const TArgs Names{"a file.txt", "b.bin", "c.dat"};

    void SetUp() override {
        Dir.Write("Data/a file.txt", "first file\n");
        Dir.Write("Data/b.bin", PatternBytes(200000, 9));
        Dir.Write("Data/c.dat", "");
        for (const std::string Peer : {"rhash", "cksfv", "md5sum"})
            if (!HaveProgram(Peer))
                GTEST_SKIP() << Peer << " is not installed";
    }
    // The peer's verdict per file from its report lines ("name   OK", "name: FAILED open or read", ...).
    TVerdicts PeerVerdicts(const RunResult& R) const {
        TVerdicts Found;
        std::istringstream In(R.Out + R.Err);
        for (std::string Line; std::getline(In, Line);)
            for (const std::string& Name : Names) {
                if (!Line.starts_with(Name + ' ') && !Line.starts_with(Name + ':'))
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
    TArgs Files;
    for (std::size_t Size : {0u, 1u, 55u, 65536u, 1000003u})
        Dir.Write(Files.emplace_back("f" + std::to_string(Size)), PatternBytes(Size, 11));
    // rhash printing our lines: "name CRC" and "MD5 name", upper case.
    for (const auto& [Ours, Rhash] : {std::pair{"--crc32", "--printf=%f %C\n"}, std::pair{"--md5", "--printf=%M %f\n"}})
        EXPECT_EQ(RunCli(Join({"hash", Ours}, Files), Dir.Path().string()).Out,
                  qvtest::Run(Join({"rhash", Rhash}, Files), Dir.Path().string()).Out)
            << Ours;
}

// Our lists (CRLF lines, a name with a space) pass each peer and the lists each peer writes (its standard output)
// pass us; after the damage each side sees the same as the other.
TEST_F(Peers, ListsPassBothWays) {
    for (const std::string Kind : {"sfv", "md5"})
        ASSERT_EQ(RunCli({"create", "--" + Kind, Data}).ExitCode, 0);
    // The peer's command writing a list of Names, the list (rhash writes the lines of cksfv and md5sum).
    const std::vector<std::pair<TArgs, std::string>> PeerLists{
        {{"cksfv"}, "cksfv.sfv"}, {{"md5sum"}, "md5sum.md5"}, {{"md5sum", "-b"}, "binary.md5"}};
    for (const auto& [Create, List] : PeerLists)
        Dir.Write("Data/" + List, qvtest::Run(Join(Create, Names), Data).Out);
    const std::string Done = " Missing, 0 Unchecked. Complete in 0 seconds\n";
    for (const bool Spoilt : {false, true}) {
        if (Spoilt) { // one file damaged, another removed
            Dir.Write("Data/b.bin", PatternBytes(200000, 10));
            std::filesystem::remove(Data + "/c.dat");
        }
        const TVerdicts Verdicts{
            {"a file.txt", "Good"}, {"b.bin", Spoilt ? "Bad" : "Good"}, {"c.dat", Spoilt ? "Missing" : "Good"}};
        for (const TArgs& Check : {TArgs{"cksfv", "-f", "Data.sfv"}, TArgs{"rhash", "-c", "Data.sfv"},
                                   TArgs{"rhash", "-c", "Data.md5"}, TArgs{"md5sum", "-c", "Data.md5"}}) {
            const auto R = qvtest::Run(Check, Data);
            EXPECT_EQ(R.ExitCode != 0, Spoilt) << Check[0] << " " << Check[2] << "\n" << R.Out << R.Err;
            EXPECT_EQ(PeerVerdicts(R), Verdicts) << Check[0] << " " << Check[2] << "\n" << R.Out;
        }
        for (const auto& [Create, List] : PeerLists) // our report, in the order of the list
            EXPECT_EQ(RunCli({"check", List}, Data).Out,
                      Spoilt ? "Good a file.txt\nBad b.bin\nMissing c.dat\n1 Good, 1 Bad, 1" + Done
                             : "Good a file.txt\nGood b.bin\nGood c.dat\n3 Good, 0 Bad, 0" + Done)
                << List;
    }
}

} // namespace
