// The file-hashing routines (CRC-32, MD5 and the digest routines of every kind, user-interface thread and
// worker), each over the same checks: results, progress calls, message pump, abort, unopenable and unreadable
// files, failing callbacks.

#include <cerrno>
#include <filesystem>
#include <ostream>
#include <stdexcept>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "EngineTest.h"
#include "checksum/Crc32.h"
#include "checksum/Crc32Kernels.h"
#include "checksum/Digest.h"
#include "checksum/Md5.h"
#include "checksum/ThreadHash.h"
#include "support/TestSupport.h"

using namespace quorvane;

namespace {


std::string CrcOf(const std::string& Bytes) {
    const auto* Data = reinterpret_cast<const unsigned char*>(Bytes.data());
    return Crc32ToText(Crc32UpdateBytewise(0xFFFFFFFFu, Data, Bytes.size()) ^ 0xFFFFFFFFu);
}

std::string Md5Of(const std::string& Bytes) {
    MD5Context Context;
    MD5Init(Context);
    MD5Update(Context, Bytes.data(), static_cast<std::ptrdiff_t>(Bytes.size()));
    MD5Digest Digest;
    MD5Final(Digest, Context);
    return Md5ToText(Digest);
}

template <THashKind Kind>
std::string DigestOf(const std::string& Bytes) {
    TDigest Digest(Kind);
    Digest.Update(Bytes.data(), Bytes.size());
    return DigestToText(Digest.Final());
}

template <THashKind Kind>
std::string FileDigestOf(const std::string& FileName, FileReadOutcome* Outcome) {
    return FileDigestText(Kind, FileName, Outcome);
}

template <THashKind Kind>
std::string ThreadDigestOf(const std::string& FileName, FileReadOutcome* Outcome) {
    return ThreadDigestText(Kind, FileName, Outcome);
}

struct TRoutine {
    const char* Name;
    std::string (*Hash)(const std::string&, FileReadOutcome*);
    std::string (*OfBytes)(const std::string&);
    bool Pumps;              // runs the message pump (on the user-interface thread; CrcInThread stops the CRC one)
    std::string FailureText; // when the file cannot be opened
    std::string ThrowText;   // when the progress callback throws after a file "abc" was fed
    bool PartText = true;    // an aborted or failed reading gives the digest of the bytes read (else no text)
};

// The digest routines of one of the kinds added beside CRC-32 and MD5: a text only for a whole file.
#define QV_DIGEST_ROUTINES(KIND)                                                                                \
    {"FileDigestText_" #KIND, FileDigestOf<THashKind::KIND>, DigestOf<THashKind::KIND>, true, "", "", false},  \
        {"ThreadDigestText_" #KIND, ThreadDigestOf<THashKind::KIND>, DigestOf<THashKind::KIND>, false, "", "", false}

const TRoutine Routines[] = {
    {"FileCrcText", FileCrcText, CrcOf, true, "FFFFFFFF", "FFFFFFFF"},
    {"ThreadCrcText", ThreadCrcText, CrcOf, false, "FFFFFFFF", "FFFFFFFF"},
    {"FileMd5Text", FileMd5Text, Md5Of, true, Md5Of(""), Md5Of("abc")}, // the digest of what was fed
    {"ThreadMd5Text", ThreadMd5Text, Md5Of, false, Md5Of(""), ""},
    // For CRC-32 and MD5 the digest routines are those above.
    {"FileDigestText_Crc32", FileDigestOf<THashKind::Crc32>, CrcOf, true, "FFFFFFFF", "FFFFFFFF"},
    {"ThreadDigestText_Md5", ThreadDigestOf<THashKind::Md5>, Md5Of, false, Md5Of(""), ""},
    QV_DIGEST_ROUTINES(Sha1),
    QV_DIGEST_ROUTINES(Sha256),
    QV_DIGEST_ROUTINES(Sha512),
    QV_DIGEST_ROUTINES(Blake3),
};

#undef QV_DIGEST_ROUTINES

// Routines print as their names in test results.
void PrintTo(const TRoutine& Routine, std::ostream* Out) { *Out << Routine.Name; }

class FileHashTest : public EngineTest {};

class EachRoutine : public FileHashTest, public ::testing::WithParamInterface<TRoutine> {};

TEST_P(EachRoutine, ResultsProgressCallsPumpAndAbortAcrossChunkBoundaries) {
    const TRoutine& R = GetParam();
    const std::pair<std::size_t, TCalls> Cases[] = {
        // No progress call for an empty file; a full last chunk is followed by a read of 0 bytes.
        {0, {}}, {65535, {{100, 65535}}}, {65536, {{100, 65536}, {100, 0}}}, {65537, {{100, 65536}, {100, 1}}},
        {100000, {{66, 65536}, {100, 100000 - 65536}}},
        // 12.5 % steps: the percents round halves to even.
        {524288, {{12, 65536}, {25, 65536}, {38, 65536}, {50, 65536}, {62, 65536}, {75, 65536}, {88, 65536},
                  {100, 65536}, {100, 0}}},
    };
    std::string Bytes;
    for (const auto& [Size, Expected] : Cases) {
        SCOPED_TRACE(Size);
        Bytes = qvtest::PatternBytes(Size, static_cast<unsigned>(Size));
        Calls.clear();
        Pumps = 0;
        FileReadOutcome Outcome;
        EXPECT_EQ(R.Hash(Dir.Write("f", Bytes), &Outcome), R.OfBytes(Bytes));
        EXPECT_TRUE(Outcome.Complete());
        EXPECT_EQ(Outcome.BytesRead, Size);
        EXPECT_EQ(Calls, Expected);
        EXPECT_EQ(Pumps, R.Pumps ? static_cast<int>(Expected.empty() ? 1 : Expected.size()) : 0); // one per read
    }
    // An abort requested before the file starts is not lost: one chunk, then stop; the request stays set.
    CrcAbort = true;
    Calls.clear();
    FileReadOutcome Outcome;
    EXPECT_EQ(R.Hash(Dir / "f", &Outcome), R.PartText ? R.OfBytes(Bytes.substr(0, 65536)) : "");
    EXPECT_TRUE(Outcome.Aborted);
    EXPECT_EQ(Calls, (TCalls{{12, 65536}}));
    EXPECT_TRUE(CrcAbort);
}

// Any failing open(2) takes the path of the missing file (a file without read permission too).
TEST_P(EachRoutine, FailuresGiveTheirTextAndAreReported) {
    const TRoutine& R = GetParam();
    std::filesystem::create_directory(Dir.Path() / "folder");
    ASSERT_EQ(::mkfifo((Dir / "fifo").c_str(), 0600), 0); // opening a fifo for reading would block
    for (const auto& [Name, Error] : {std::pair{"missing", ENOENT}, {"folder", EISDIR}, {"fifo", ENXIO}}) {
        FileReadOutcome Outcome;
        EXPECT_EQ(R.Hash(Dir / Name, &Outcome), R.FailureText) << Name;
        EXPECT_FALSE(Outcome.Opened) << Name;
        EXPECT_EQ(Outcome.Error, Error) << Name;
    }
    // Our own memory as the kernel shows it opens as a regular file, but its first page is never
    // mapped: reading at offset 0 fails with EIO. The checksum covers the bytes before the failure: none.
    FileReadOutcome Outcome;
    EXPECT_EQ(R.Hash("/proc/self/mem", &Outcome), R.PartText ? R.OfBytes("") : "");
    EXPECT_TRUE(Outcome.Opened && Outcome.ReadError);
    EXPECT_EQ(Outcome.Error, EIO);
    CrcOnProgress = nullptr; // hashing needs no callback, nor an outcome
    EXPECT_EQ(R.Hash(Dir.Write("abc", "abc"), nullptr), R.OfBytes("abc"));
    CrcOnProgress = [](std::uint8_t, std::int32_t) { throw std::runtime_error("gone"); };
    EXPECT_EQ(R.Hash(Dir / "abc", &Outcome), R.ThrowText);
    EXPECT_TRUE(Outcome.ReadError) << "a failing progress callback";
    EXPECT_FALSE(CrcInThread) << "cleared after every failure above";
}

INSTANTIATE_TEST_SUITE_P(AllRoutines, EachRoutine, ::testing::ValuesIn(Routines),
                         [](const auto& Info) { return std::string(Info.param.Name); });

TEST_F(FileHashTest, WhileTheWorkerHashesTheCrcRoutineRunsNoPumpListCreationsMd5Does) {
    CrcInThread = true;
    Crc32OfFile(Dir.Write("f", qvtest::PatternBytes(100000)));
    EXPECT_EQ(Pumps, 0);
    FileMd5Text(Dir / "f");
    EXPECT_EQ(Pumps, 2);
    EXPECT_THROW(Crc32OfFile(Dir / "missing"), std::system_error); // the CRC file routine throws when not openable
}

} // namespace
