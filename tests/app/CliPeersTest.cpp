// The console tool against the peer programs: the same checksums as rhash and md5sum, our lists verified by
// cksfv, rhash and md5sum, theirs verified by us, with the same verdicts for a damaged and a removed file.
// A peer that is not installed is left out.

#include <algorithm>
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

TEST_F(Peers, HashesAgree) {
    TArgs Files;
    for (std::size_t Size : {0u, 1u, 55u, 65536u, 1000003u})
        Dir.Write(Files.emplace_back("f" + std::to_string(Size)), qvtest::PatternBytes(Size, 11));
    using TPeer = std::pair<std::string, TArgs>; // our option, the peer's command printing "digest  name" lines
    for (auto [Option, Peer] : {TPeer{"--crc32", {"rhash", "--crc32", "--simple"}},
                                TPeer{"--md5", {"rhash", "--md5", "--simple"}}, TPeer{"--md5", {"md5sum"}}}) {
        if (!qvtest::HaveProgram(Peer[0]))
            continue;
        Peer.insert(Peer.end(), Files.begin(), Files.end());
        const auto Theirs = qvtest::Run(Peer, Dir.Path().string());
        ASSERT_EQ(Theirs.ExitCode, 0) << Theirs.Err;
        std::string Expected;
        std::istringstream In(Theirs.Out);
        for (std::string Digest, Name; In >> Digest >> Name;) {
            std::transform(Digest.begin(), Digest.end(), Digest.begin(),
                           [](unsigned char C) { return std::toupper(C); });
            Expected += (Option == "--md5" ? Digest + " " + Name : Name + " " + Digest) + "\n";
        }
        TArgs Ours{"hash", Option};
        Ours.insert(Ours.end(), Files.begin(), Files.end());
        EXPECT_EQ(qvtest::RunCli(Ours, Dir.Path().string()).Out, Expected) << Peer[0] << " " << Option;
    }
}

// Our lists (CRLF lines, a name with a space) pass each peer, and the peer sees the same damage as we do.
TEST_F(Peers, OurListsPassThePeers) {
    ASSERT_EQ(qvtest::RunCli({"create", "--sfv", Data}).ExitCode, 0);
    ASSERT_EQ(qvtest::RunCli({"create", "--md5", Data}).ExitCode, 0);
    for (const char* List : {"/Data.sfv", "/Data.md5"})
        ASSERT_NE(qvtest::ReadFile(Data + List).find(" a file.txt\r\n"), std::string::npos);
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

// Lists written by each peer (its standard output) are all Good to us; after the damage we and the peer
// give the same verdicts.
TEST_F(Peers, PeerListsPassUs) {
    using TPeerList = std::pair<TArgs, std::string>; // the peer's command writing a list of Names, the list
    std::vector<TArgs> Checks;                       // the peer's command checking its list
    for (const auto& [Create, List] : {TPeerList{{"cksfv"}, "cksfv.sfv"}, TPeerList{{"rhash", "--sfv"}, "rhash.sfv"},
                                       TPeerList{{"rhash", "--md5"}, "rhash.md5"}, TPeerList{{"md5sum"}, "md5sum.md5"},
                                       TPeerList{{"md5sum", "-b"}, "binary.md5"}}) {
        if (!qvtest::HaveProgram(Create[0]))
            continue;
        TArgs Argv = Create;
        Argv.insert(Argv.end(), Names.begin(), Names.end());
        const auto R = qvtest::Run(Argv, Data);
        ASSERT_EQ(R.ExitCode, 0) << List << R.Err;
        Dir.Write("Data/" + List, R.Out);
        Checks.push_back({Create[0], Create[0] == "cksfv" ? "-f" : "-c", List});
    }
    const std::string Done = " Missing, 0 Unchecked. Complete in 0 seconds\n";
    for (const bool Spoilt : {false, true}) {
        if (Spoilt)
            Spoil();
        for (const TArgs& Check : Checks) {
            SCOPED_TRACE(Check.back());
            const auto R = qvtest::RunCli({"check", Check.back()}, Data); // our report, in the order of the list
            EXPECT_EQ(R.ExitCode, Spoilt ? 1 : 0);
            EXPECT_EQ(R.Out, Spoilt ? "Good a file.txt\nBad b.bin\nMissing c.dat\n1 Good, 1 Bad, 1" + Done
                                    : "Good a file.txt\nGood b.bin\nGood c.dat\n3 Good, 0 Bad, 0" + Done);
            EXPECT_EQ(PeerVerdicts(qvtest::Run(Check, Data)), Spoilt ? Spoiled : AllGood);
        }
    }
}

} // namespace
