// Digest list lines: a table of lines, kind detection, the clear-signed wrapper, escaped names both ways,
// and real lists written by sha1sum, sha256sum (--tag too), sha512sum and b3sum read back.

#include "lists/DigestLines.h"

#include <chrono>

#include <gtest/gtest.h>

#include "support/TestSupport.h"

using namespace quorvane;

namespace {

// Digests of no bytes.
const std::string S1 = "da39a3ee5e6b4b0d3255bfef95601890afd80709";
const std::string S256 = "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855";
const std::string S512 = "cf83e1357eefb8bdf1542850d66d8007d620e4050b5715dc83f4a921d36ce9ce"
                         "47d0d13c5d85f2b0ff8318d2877eec2f63b931bd47417a81a538327af927da3e";
const std::string B3 = "af1349b9f5f9a1a6a0404dea36dcc9499bcb25c9adc112b7cc9a93cae41f3262";
const std::string M5 = "d41d8cd98f00b204e9800998ecf8427e";

// "<line>:<name>:<first 8 digits>" per entry, "<line>!" per problem, in line order; "signed" when signed.
std::string Describe(const TDigestList& L) {
    std::string Out;
    std::size_t E = 0, P = 0;
    while (E < L.Entries.size() || P < L.Problems.size()) {
        Out += Out.empty() ? "" : " ";
        if (P == L.Problems.size() || (E < L.Entries.size() && L.Entries[E].Line < L.Problems[P].Line)) {
            const TDigestEntry& X = L.Entries[E++];
            Out += std::to_string(X.Line) + ":" + X.Name + ":" + X.Digest.substr(0, 8);
        } else {
            Out += std::to_string(L.Problems[P++].Line) + "!";
        }
    }
    return L.Signed ? Out + " signed" : Out;
}

std::string Read(const std::string& Text, THashKind Kind) {
    return Describe(ReadDigestLines(Text, Kind));
}

TEST(DigestLines, LinesOfEachForm) {
    using enum THashKind;
    const std::string Bom = "\xEF\xBB\xBF";
    const struct {
        THashKind Kind;
        std::string Text;
        std::string Expected;
    } Cases[] = {
        {Sha256, S256 + "  a b", "1:a b:e3b0c442"},
        {Sha256, S256 + " *a b", "1:a b:e3b0c442"},
        {Sha256, S256 + " a", "1:a:e3b0c442"}, // BSD reversed
        {Sha256, S256 + "   lead", "1: lead:e3b0c442"},
        {Sha256, S256 + "  trail  ", "1:trail  :e3b0c442"},
        {Sha256, S256 + "  **", "1:**:e3b0c442"},
        {Sha256, "E3B0C44298FC1C149AFBF4C8996FB92427AE41E4649B934CA495991B7852B855  A", "1:A:E3B0C442"},
        {Sha256, S256 + "  back\\slash\\n", "1:back\\slash\\n:e3b0c442"}, // not escaped: as written
        {Sha256, "\\" + S256 + "  back\\\\slash", "1:back\\slash:e3b0c442"},
        {Sha256, "\\" + S256 + " *new\\nline\\r", "1:new\nline\r:e3b0c442"},
        {Sha256, "\\" + S256 + "  tab\\t", "1!"},
        {Sha256, "\\" + S256 + "  end\\", "1!"},
        {Sha256, S256 + "  c\rr\r\n", "1:c\rr:e3b0c442"}, // b3sum writes CR as it is
        {Sha256, "SHA256 (p) = q) = " + S256, "1:p) = q:e3b0c442"},
        {Sha256, "\\SHA256 (a\\nb\\\\) = " + S256, "1:a\nb\\:e3b0c442"},
        {Sha256, "SHA2-256 ( x ) = " + S256, "1: x :e3b0c442"},
        {Sha512, "SHA2-512 (x) = " + S512 + "\n" + S512 + "  y", "1:x:cf83e135 2:y:cf83e135"},
        {Blake3, "BLAKE3 (x) = " + B3 + "\n" + B3 + "  y\n" + S256 + "  z", "1:x:af1349b9 2:y:af1349b9 3:z:e3b0c442"},
        {Sha1, S1 + "  a\nSHA1 (b) = " + S1, "1:a:da39a3ee 2:b:da39a3ee"},
        // Another kind's tag or length, bad hex, missing parts, lower-case or unknown tags: problems.
        {Sha256, "SHA1 (a) = " + S1 + "\nBLAKE3 (a) = " + S256 + "\n" + S1 + "  a\n" + M5 + "  a", "1! 2! 3! 4!"},
        {Sha256, S256.substr(1) + "g  a\n" + S256 + "0  a\n" + S256 + "\n" + S256 + " \n" + S256 + "  ",
         "1! 2! 3! 4! 5!"},
        {Sha256, "sha256 (a) = " + S256 + "\nSHA256 () = " + S256 + "\nSHA256 (a) = \nSHA256 (a)= " + S256,
         "1! 2! 3! 4!"},
        {Sha256, "SHA384 (a) = " + S256 + "\nSHA256(a) = " + S256 + "\n " + S256 + "  a\n*" + S256 + " a",
         "1! 2! 3! 4!"},
        // Comments, blank lines, CR LF, byte-order mark, a zero byte ending the text; problems keep their place.
        {Sha256, Bom + "# c\r\n\r\n \t\r\n" + S256 + "  a\r\njunk\n" + S256 + "  b\n", "4:a:e3b0c442 5! 6:b:e3b0c442"},
        {Sha256, S256 + "  a" + std::string(1, '\0') + "\n" + S256 + "  b", "1:a:e3b0c442"},
        {Sha256, "- " + S256 + "  a", "1!"}, // dash-escaping only inside a signed wrapper
    };
    for (const auto& C : Cases)
        EXPECT_EQ(Read(C.Text, C.Kind), C.Expected) << ::testing::PrintToString(C.Text);
    // A problem keeps the line as written, cut at 200 bytes.
    const TDigestList L = ReadDigestLines("ok\n" + std::string(300, 'x') + "\r\n", THashKind::Sha1);
    ASSERT_EQ(L.Problems.size(), 2u);
    EXPECT_EQ(L.Problems[0].Text, "ok");
    EXPECT_EQ(L.Problems[1].Text, std::string(200, 'x'));
}

TEST(DigestLines, KindFromTagsLengthsAndExtensions) {
    using enum THashKind;
    const struct {
        std::string Text;
        std::optional<THashKind> Kind;
        std::string Expected;
    } Cases[] = {
        {"SHA512 (a) = " + S512, Sha512, "1:a:cf83e135"},
        {"BLAKE3 (a) = " + B3, Blake3, "1:a:af1349b9"},
        {"\\SHA1 (a\\\\) = " + S1, Sha1, "1:a\\:da39a3ee"},
        {S1 + "  a", Sha1, "1:a:da39a3ee"},
        {S256 + "  a", Sha256, "1:a:e3b0c442"}, // a BLAKE3 list without its extension reads as SHA-256
        {S512 + " *a", Sha512, "1:a:cf83e135"},
        // The first line of any form decides; lines before and after that do not fit are problems.
        {"junk\n# c\n" + S1 + "  a\n" + S256 + "  b\nSHA256 (c) = " + S256, Sha1, "1! 3:a:da39a3ee 4! 5!"},
        {"SHA256 (a) = " + S1 + "\n" + S1 + "  b", Sha256, "1! 2!"},
        // SFV and MD5 lists, text with no line of any form: no kind, nothing read.
        {"file.txt 1234ABCD\nother 0000ffff\ndeadbeef 1234abcd", std::nullopt, ""},
        {"deadbeef 1234abcd\n" + S256 + "  b", std::nullopt, ""}, // an SFV line of hex digits decides too
        {"; by hand\nfile 1234abcd", std::nullopt, ""},
        {M5 + "  a\n" + S256 + "  b", std::nullopt, ""},
        {"MD5 (a) = " + M5 + "\n" + S256 + "  b", std::nullopt, ""},
        {"CRC32 (a) = 1234abcd", std::nullopt, ""},
        {"", std::nullopt, ""},
        {"# only\n\njunk", std::nullopt, ""},
    };
    for (const auto& C : Cases) {
        const TDigestList L = ReadDigestLines(C.Text, std::nullopt);
        EXPECT_EQ(L.Kind, C.Kind) << C.Text;
        EXPECT_EQ(Describe(L), C.Expected) << C.Text;
    }
    const std::pair<const char*, std::optional<THashKind>> Extensions[] = {
        {"a.sfv", Crc32},     {"A.MD5", Md5},        {"d/x.Sha1", Sha1},   {"x.sha256", Sha256},
        {"x.SHA512", Sha512}, {"x.b3", Blake3},      {"x.BLAKE3", Blake3}, {"x.sha", {}},
        {"sha256", {}},       {"x.sha256/list", {}}, {"x.sha256.txt", {}}, {"", {}}};
    for (const auto& [Path, Kind] : Extensions)
        EXPECT_EQ(KindFromExtension(Path), Kind) << Path;
}

TEST(DigestLines, ClearSignedWrapper) {
    const std::string Signed = "-----BEGIN PGP SIGNED MESSAGE-----\r\n"
                               "Hash: SHA256\r\n"
                               "\r\n" +
                               S256 + "  a\r\n- " + S256 + "  - dashed\r\n- -junk\n" +
                               "-----BEGIN PGP SIGNATURE-----\n\niQEzBAEBCAAd " + S256 +
                               "  s\n=AbCd\n"
                               "-----END PGP SIGNATURE-----\n";
    EXPECT_EQ(Read(Signed, THashKind::Sha256), "4:a:e3b0c442 5:- dashed:e3b0c442 6! signed");
    const TDigestList Found = ReadDigestLines("# list\n" + Signed + S256 + "  after\n", std::nullopt);
    EXPECT_EQ(Found.Kind, THashKind::Sha256);
    EXPECT_EQ(Describe(Found), "5:a:e3b0c442 6:- dashed:e3b0c442 7! 13:after:e3b0c442 signed");
    // Headers without the blank line after them; no signature, no end: not signed, the first line a problem.
    const std::string Head = "-----BEGIN PGP SIGNED MESSAGE-----\nHash: SHA512\n";
    EXPECT_EQ(Read(Head + S256 + "  a\n-----BEGIN PGP SIGNATURE-----\nxyz\n", THashKind::Sha256), "1! 3:a:e3b0c442");
    EXPECT_EQ(Read("junk\n" + Head + "\n" + S256 + "  a\n", THashKind::Sha256), "1! 2! 5:a:e3b0c442");
}

// Names that need care, and whether b3sum names them faithfully (it writes CR as it is, so a CR at the end
// of a name reads as a line end; and it writes non-UTF-8 names lossily).
const struct {
    std::string Name;
    bool B3;
} AwkwardNames[] = {{"a b", true},    {" lead", true},     {"trail ", true},        {"back\\slash", true},
                    {"\\lead", true}, {"new\nline", true}, {"cr\rmid", true},       {"end\r", false},
                    {"*star", true},  {"p) = q", true},    {"\xff\xfe.bin", false}, {"\\n", true},
                    {"#hash", true},  {"- dash", true}};

TEST(DigestLines, EscapedNamesRoundTrip) {
    EXPECT_EQ(EscapeDigestLine(THashKind::Sha256, "E3B0", "a b"), "e3b0  a b");
    EXPECT_EQ(EscapeDigestLine(THashKind::Sha1, "ab", "x\\y\nz\r"), "\\ab  x\\\\y\\nz\\r");
    EXPECT_EQ(EscapeDigestLine(THashKind::Blake3, "ab", "x\\y\nz\r"), "\\ab  x\\\\y\\nz\r");
    EXPECT_EQ(EscapeDigestLine(THashKind::Blake3, "ab", "c\rr"), "ab  c\rr");
    const std::pair<THashKind, std::string> Kinds[] = {
        {THashKind::Sha1, S1}, {THashKind::Sha256, S256}, {THashKind::Sha512, S512}, {THashKind::Blake3, B3}};
    for (const auto& [Kind, Digest] : Kinds)
        for (const auto& N : AwkwardNames) {
            if (Kind == THashKind::Blake3 && N.Name.ends_with('\r'))
                continue; // read as a CR LF line end
            const std::string Line = EscapeDigestLine(Kind, Digest, N.Name);
            const TDigestList L = ReadDigestLines("# x\n" + Line + "\n", Kind);
            ASSERT_EQ(L.Entries.size(), 1u) << Line;
            EXPECT_EQ(L.Entries[0].Name, N.Name);
            EXPECT_EQ(L.Entries[0].Digest, Digest);
            EXPECT_EQ(L.Entries[0].Line, 2u);
        }
}

// Lists written by the tools over files with awkward names, read back: each name exactly, each digest equal
// to that of a plainly named copy (taken straight from the tool's output), and the text-mode lines equal to
// EscapeDigestLine's.
TEST(DigestLines, RealListsReadBack) {
    const struct {
        std::vector<std::string> Command;
        THashKind Kind;
        bool Tagged;
    } Tools[] = {{{"sha1sum"}, THashKind::Sha1, false},
                 {{"sha256sum"}, THashKind::Sha256, false},
                 {{"sha256sum", "--tag"}, THashKind::Sha256, true},
                 {{"sha256sum", "-b"}, THashKind::Sha256, false},
                 {{"sha512sum"}, THashKind::Sha512, false},
                 {{"b3sum"}, THashKind::Blake3, false}};
    qvtest::TempDir Dir;
    for (std::size_t I = 0; I < std::size(AwkwardNames); ++I) {
        const std::string Content = "content " + std::to_string(I);
        Dir.Write(AwkwardNames[I].Name, Content);
        Dir.Write("plain" + std::to_string(I), Content);
    }
    int Ran = 0;
    for (const auto& T : Tools) {
        if (!qvtest::HaveProgram(T.Command[0]))
            continue;
        ++Ran;
        const bool IsB3 = T.Kind == THashKind::Blake3;
        std::vector<std::string> Argv = T.Command, Names;
        std::vector<std::size_t> Index;
        for (std::size_t I = 0; I < std::size(AwkwardNames); ++I)
            if (!IsB3 || AwkwardNames[I].B3) {
                Names.push_back(AwkwardNames[I].Name);
                Index.push_back(I);
            }
        Argv.push_back("--"); // "- dash" is a name
        Argv.insert(Argv.end(), Names.begin(), Names.end());
        for (const std::size_t I : Index)
            Argv.push_back("plain" + std::to_string(I));
        const qvtest::RunResult R = qvtest::Run(Argv, Dir.Path().string());
        ASSERT_EQ(R.ExitCode, 0) << T.Command[0] << ": " << R.Err;
        std::vector<std::string> OutLines; // one per file: names with a line break are escaped
        for (std::size_t Pos = 0, Lf; (Lf = R.Out.find('\n', Pos)) != std::string::npos; Pos = Lf + 1)
            OutLines.push_back(R.Out.substr(Pos, Lf - Pos));
        ASSERT_EQ(OutLines.size(), 2 * Names.size()) << R.Out;

        for (const auto Kind : {std::optional<THashKind>(), std::optional<THashKind>(T.Kind)}) {
            const TDigestList L = ReadDigestLines(R.Out, Kind);
            EXPECT_EQ(L.Kind, IsB3 && !Kind ? THashKind::Sha256 : T.Kind) << T.Command[0];
            EXPECT_TRUE(L.Problems.empty()) << T.Command[0];
            ASSERT_EQ(L.Entries.size(), 2 * Names.size()) << T.Command[0];
            for (std::size_t J = 0; J < Names.size(); ++J) {
                const std::string& Plain = OutLines[Names.size() + J];
                const std::string PlainDigest =
                    T.Tagged ? Plain.substr(Plain.size() - HexDigits(T.Kind)) : Plain.substr(0, HexDigits(T.Kind));
                EXPECT_EQ(L.Entries[J].Name, Names[J]) << T.Command[0];
                EXPECT_EQ(L.Entries[J].Digest, PlainDigest) << T.Command[0] << " " << Names[J];
                EXPECT_EQ(L.Entries[J].Line, J + 1);
                if (!T.Tagged && T.Command.size() == 1) {
                    EXPECT_EQ(EscapeDigestLine(T.Kind, PlainDigest, Names[J]), OutLines[J]) << T.Command[0];
                }
            }
        }
    }
    if (Ran == 0)
        GTEST_SKIP() << "none of sha1sum, sha256sum, sha512sum, b3sum is installed";
}

TEST(DigestLines, LinearOnHugeLines) {
    const auto Start = std::chrono::steady_clock::now();
    std::string Text = "SHA256 (";
    for (int I = 0; I < 1'000'000; ++I)
        Text += ") = (";
    Text += ") = " + S256 + "\n\\" + S256 + "  " + std::string(4'000'000, '\\') + "\n" + std::string(4'000'000, ' ') +
            "x\n";
    for (int I = 0; I < 1'000'000; ++I)
        Text += "x\n";
    Text += "-----BEGIN PGP SIGNED MESSAGE-----\n" + std::string(2'000'000, 'A') + ": \n";
    const TDigestList L = ReadDigestLines(Text, std::nullopt);
    EXPECT_EQ(L.Kind, THashKind::Sha256);
    ASSERT_EQ(L.Entries.size(), 2u);
    EXPECT_EQ(L.Entries[0].Name.size(), 5'000'000u);
    EXPECT_EQ(L.Entries[1].Name, std::string(2'000'000, '\\'));
    EXPECT_EQ(L.Problems.size(), 1'000'002u); // the spaces line, the "x" lines, the wrapper without an end
    EXPECT_LT(std::chrono::steady_clock::now() - Start, std::chrono::seconds(20));
}

} // namespace
