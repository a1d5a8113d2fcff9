// The console tool against the peer programs (skipped unless all are installed): the checksums of rhash, our
// lists verified by cksfv, rhash and md5sum with the same verdicts as ours, and their lists verified by us; the
// same both ways with sha1sum, sha256sum, sha512sum and b3sum.

#include <cctype>
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

// A name as our report shows it: control bytes as "?".
std::string Shown(std::string Name) {
    for (char& C : Name)
        if (static_cast<unsigned char>(C) < 32 || C == 127)
            C = '?';
    return Name;
}

class Peers : public ::testing::Test {
protected:
    TempDir Dir;
    const std::string Data = Dir / "Data";
    TArgs Names{"a file.txt", "b.bin", "c.dat"};

    virtual TArgs Needed() const { return {"rhash", "cksfv", "md5sum"}; }
    void SetUp() override {
        Dir.Write("Data/a file.txt", "first file\n");
        Dir.Write("Data/b.bin", PatternBytes(200000, 9));
        Dir.Write("Data/c.dat", "");
        for (const std::string& Peer : Needed())
            if (!HaveProgram(Peer))
                GTEST_SKIP() << Peer << " is not installed";
    }
    // What each file was found to be: the same verdicts for the same damage.
    TVerdicts Expected(bool Spoilt) const {
        TVerdicts Verdicts;
        for (const std::string& Name : Names)
            Verdicts[Shown(Name)] = !Spoilt ? "Good" : Name == "b.bin" ? "Bad" : Name == "c.dat" ? "Missing" : "Good";
        return Verdicts;
    }
    void Spoil() { // one file damaged, another removed
        Dir.Write("Data/b.bin", PatternBytes(200000, 10));
        std::filesystem::remove(Data + "/c.dat");
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
        if (Spoilt)
            Spoil();
        const TVerdicts Verdicts = Expected(Spoilt);
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

// Our report ("Good name") or a digest tool's ("name: OK", "\escaped\\name: FAILED", "name: FAILED open or
// read"): the verdict per name as our report shows it.
TVerdicts DigestVerdicts(const std::string& Report, bool Ours) {
    TVerdicts Found;
    std::istringstream In(Report);
    for (std::string Line; std::getline(In, Line);) {
        const std::size_t Cut = Ours ? Line.find(' ') : Line.rfind(": ");
        if (Cut == std::string::npos || (Ours && std::isdigit(static_cast<unsigned char>(Line[0])))) // our summary
            continue;
        if (Ours) {
            Found[Line.substr(Cut + 1)] = Line.substr(0, Cut);
            continue;
        }
        std::string Name;
        const bool Escaped = Line.starts_with('\\');
        for (std::size_t I = Escaped; I < Cut; ++I)
            Name += Escaped && Line[I] == '\\' && ++I < Cut ? (Line[I] == 'n' ? '\n' : Line[I]) : Line[I];
        const std::string Says = Line.substr(Cut + 2);
        const auto Has = [&](const char* Part) { return Says.find(Part) != std::string::npos; };
        Found[Shown(Name)] = Says == "OK"                                 ? "Good"
                             : Has("open or read") || Has("No such file") ? "Missing"
                             : Says.starts_with("FAILED")                 ? "Bad"
                                                                          : "?";
    }
    return Found;
}

// sha1sum, sha256sum (also --tag), sha512sum and b3sum, with a name of blanks, a backslash and a line break.
class DigestPeers : public Peers {
protected:
    TArgs Needed() const override { return {"sha1sum", "sha256sum", "sha512sum", "b3sum"}; }
    void SetUp() override {
        Names.push_back(Dir.Write("Data/odd \\ name\nhere.txt", "odd\n").substr(Data.size() + 1));
        Peers::SetUp();
    }
};

// Each peer's list (its standard output) is checked by us with the peer's own verdict per file, before and after
// the damage; our list of each kind passes the peer, and after the damage the peer sees in it what we see.
TEST_F(DigestPeers, ListsPassBothWaysWithTheSameVerdicts) {
    struct TPeer {
        TArgs Make;       // writes the peer's list
        std::string List; // its name; ours is "ours" with the same extension
        std::string Ours; // our create option (none: no list of ours)
        TArgs Check;
    };
    const std::vector<TPeer> Table{{{"sha1sum"}, "peer.sha1", "--sha1", {"sha1sum", "-c"}},
                                   {{"sha256sum"}, "peer.sha256", "--sha256", {"sha256sum", "-c"}},
                                   {{"sha256sum", "--tag"}, "tag.sha256", "", {"sha256sum", "-c"}},
                                   {{"sha512sum"}, "peer.sha512", "--sha512", {"sha512sum", "-c"}},
                                   {{"b3sum"}, "peer.b3", "--blake3", {"b3sum", "--check"}}};
    const auto OursOf = [](const TPeer& P) { return "ours" + P.List.substr(P.List.find('.')); };
    for (const TPeer& P : Table) {
        Dir.Write("Data/" + P.List, qvtest::Run(Join(P.Make, Names), Data).Out);
        if (!P.Ours.empty()) {
            ASSERT_EQ(RunCli(Join({"create", P.Ours, "-o", OursOf(P)}, Names), Data).ExitCode, 0) << P.Ours;
        }
    }
    for (const bool Spoilt : {false, true}) {
        if (Spoilt)
            Spoil();
        for (const TPeer& P : Table) {
            SCOPED_TRACE(P.List + (Spoilt ? " spoilt" : ""));
            const auto Peer = qvtest::Run(Join(P.Check, {P.List}), Data), Ours = RunCli({"check", P.List}, Data);
            EXPECT_EQ(DigestVerdicts(Peer.Out, false), Expected(Spoilt)) << Peer.Out << Peer.Err;
            EXPECT_EQ(DigestVerdicts(Ours.Out, true), DigestVerdicts(Peer.Out, false)) << Ours.Out << Ours.Err;
            EXPECT_EQ(std::pair(Peer.ExitCode != 0, Ours.ExitCode), std::pair(Spoilt, Spoilt ? 1 : 0));
            if (P.Ours.empty())
                continue;
            const auto OnOurs = qvtest::Run(Join(P.Check, {OursOf(P)}), Data);
            EXPECT_EQ(DigestVerdicts(OnOurs.Out, false), Expected(Spoilt)) << OnOurs.Out << OnOurs.Err;
            EXPECT_EQ(OnOurs.ExitCode != 0, Spoilt);
        }
    }
}

} // namespace
