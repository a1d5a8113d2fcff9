// The list-file format case by case and against the literal reference; OpenChecksumFiles over real files and
// untrusted input: megabyte lines, a million lines, folders, fifos and devices, lists that change while read.

#include "lists/ListReader.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <random>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "lists/ListReaderReference.h"
#include "support/TestSupport.h"

using namespace quorvane;

namespace {

using Lines = std::vector<std::string>;
const std::string Digest = "d41d8cd98f00b204e9800998ecf8427e";
const std::string Bom = "\xEF\xBB\xBF";

std::string Clean(const std::string& Text, bool Md5) {
    std::string Out;
    for (const auto& Line : CleanListText(Text, Md5))
        Out += (Out.empty() ? "" : "|") + Line; // the cleaned lines joined with "|"
    return Out;
}

TEST(CleanListText, BreaksCommentsTrimDuplicatesMd5OrderAndRandomTextsAgainstTheReference) {
    // CR LF, LF and CR break lines; a zero byte ends the text.
    EXPECT_EQ(Clean("a 1\r\nb 2\nc 3\rd 4\n\re 5" + std::string(1, '\0') + "f 6", false), "a 1|b 2|c 3|d 4|e 5");
    // Only a ";" in front is a comment; blank lines in the middle stay; the whole text is trimmed after that.
    EXPECT_EQ(Clean("; comment\n;\na 1\n\n ;b 2\n# c 3\n \t \n;a 2\nd 4", false), "a 1| ;b 2|# c 3| \t |d 4");
    EXPECT_EQ(Clean("  \n\t\n  ;a 1  \n b 2 \n  c 3  \n \t\n", false), ";a 1  | b 2 |  c 3");
    // Duplicates, after the trim only: the same name byte for byte (names are case-sensitive), checksum in any case.
    EXPECT_EQ(Clean("A.TXT 1234ABCD\na.txt 1234abcd\na.txt 1234ABCD\na.txt 22222222\nx\nX\n\"a\" 1\na 1\n a 1", false),
              "A.TXT 1234ABCD|a.txt 1234abcd|a.txt 22222222|x|\"a\" 1|a 1| a 1");
    EXPECT_EQ(Clean(" a 1\na 1 \n", false), "a 1");
    EXPECT_EQ(Clean(Bom + "; by hand\n" + Bom + "a 1", false), Bom + "a 1"); // a BOM is not part of the first line
    EXPECT_EQ(Clean(Bom + Digest + " a", true), "a " + Digest);
    // MD5: marker, two spaces or one are one record; "*" goes after the trim; a space first: the line is the name.
    EXPECT_EQ(Clean(Digest + " *e.txt\n" + Digest + "  e.txt\n" + Digest + " e.txt\n", true), "e.txt " + Digest);
    EXPECT_EQ(Clean("x y\n" + Digest + " * my *file*.txt\nz w", true), "y x| my file.txt " + Digest + "|w z");
    EXPECT_EQ(Clean(" " + Digest + " a", true), Digest + " a");
    const char Alphabet[] = "aAbB  ;\r\n\n\t*\"\\\0\x01z"; // the fuzzer feeds it any bytes
    std::mt19937 Gen(12345);
    for (int Round = 0; Round < 20000; ++Round) {
        std::string Text(Gen() % 60, ' ');
        for (char& C : Text)
            C = Alphabet[Gen() % (sizeof Alphabet - 1)];
        if (Round % 4 == 0)
            Text.insert(0, Bom);
        for (const bool IsMd5 : {false, true})
            ASSERT_EQ(CleanListText(Text, IsMd5), qvref::CleanListText(Text, IsMd5)) << ::testing::PrintToString(Text);
    }
}

class OpenLists : public ::testing::Test {
protected:
    qvtest::TempDir Dir;
    ItemList Items;
    TCounters Counters;
    bool IsMd5List = false;

    std::string Folder() const { return Dir.Path().string() + "/"; }
    TOpenResult Open(const std::vector<std::string>& L) { return OpenChecksumFiles(L, Items, Counters, IsMd5List); }
    std::vector<std::int64_t> Sizes() const {
        std::vector<std::int64_t> Out;
        for (const auto& Rec : Items)
            Out.push_back(Rec.Size);
        return Out;
    }
    Lines Records() const { // name and checksum of every record, the list's folder shown as "~/"
        Lines Out;
        for (const auto& Rec : Items)
            Out.push_back((Rec.FileName().starts_with(Folder()) ? "~/" + std::string(Rec.FileName().substr(Folder().size()))
                                                                : std::string(Rec.FileName())) +
                          " " + std::string(Rec.Checksum()));
        return Out;
    }
    std::string OpenError(const std::vector<std::string>& Lists) try { // the error text, or "opened"
        Open(Lists);
        return "opened";
    } catch (const ListFileError& E) {
        return E.what();
    }
};

// Names join the list's folder as written ("..", links, "\\" as "/", a leading one included); "/" first is
// absolute. Sizes are those of the joined paths (folders, empty names: not found). A zero byte ends a list.
// Then: the last space splits (not a tab); a name is trimmed, then loses a leading and a trailing '"' (if > 1).
TEST_F(OpenLists, RecordsInListOrderResolvedAgainstEachListsFolder) {
    Dir.Write("a/one.bin", "1");
    Dir.Write("a/sub/two.bin", "22");
    Dir.Write("outside.bin", "333");
    std::filesystem::create_directory_symlink(Dir / "a/sub", Dir / "a/link");
    const std::string A = Dir.Write("a/a.sfv", "; by hand\r\none.bin 1\r\nsub\\two.bin 2\r\n\\one.bin 3\r\n"
                                               "//sub//two.bin 4\n../outside.bin 5\nlink/two.bin 6\n"
                                               "sub/../one.bin 7\n" +
                                                   Folder() + "a/sub/two.bin 8\n");
    const std::string B =
        Dir.Write("b/b.sfv", "none 9\n. 10\n\" \" 11\nnospace\n" + std::string(1, '\0') + "after.bin 12\n");
    const TOpenResult R = Open({A, B});
    EXPECT_EQ(Records(), (Lines{"~/a/one.bin 1", "~/a/sub/two.bin 2", "~/a/one.bin 3", "//sub//two.bin 4",
                                "~/a/../outside.bin 5", "~/a/link/two.bin 6", "~/a/sub/../one.bin 7",
                                "~/a/sub/two.bin 8", "~/b/none 9", "~/b/. 10", "~/b/  11", "~/b/ nospace"}));
    EXPECT_EQ(Sizes(), (std::vector<std::int64_t>{1, 2, 1, -1, 3, 2, 1, 2, -1, -1, -1, -1}));
    EXPECT_TRUE(ListPathOf(Items[7]) == A && ListPathOf(Items[8]) == B);
    EXPECT_EQ(Items[0].ListFile, Items[7].ListFile); // one shared path per list
    EXPECT_FALSE(IsMd5List || R.IsMd5List);
    EXPECT_EQ(R.Caption, "Quorvane 2.6 - b.sfv");
    // The list given without a folder, and as "./a.sfv": the same files.
    const auto Cwd = std::filesystem::current_path();
    std::filesystem::current_path(Dir / "a");
    for (const std::string Spelling : {"a.sfv", "./a.sfv"}) {
        Open({Spelling});
        EXPECT_EQ(Sizes(), (std::vector<std::int64_t>{1, 2, 1, -1, 3, 2, 1, 2})) << Spelling;
    }
    std::filesystem::current_path(Cwd);
    Open({Dir.Write("c.sfv", "My Song (live).mp3 0A\na.bin\t12\na.bin \n  \"two  spaces\"  13\n\"\" 14\n\" 15\n"
                             "\"a 16\na\" 17\n\"\"a\"\" 18\n")});
    EXPECT_EQ(Records(), (Lines{"~/My Song (live).mp3 0A", "~/ a.bin\t12", "~/a.bin ", "~/two  spaces 13", "~/ 14",
                                "~/\" 15", "~/a 16", "~/a 17", "~/\"a\" 18"}));
    EXPECT_EQ(StripQuotes("\"\"\""), "\"");
}

// Lists of other tools: the kind from the extension, else from the lines (else the SFV rules); "\" is part of
// a name; lines not understood are reported with their list and number.
TEST_F(OpenLists, DigestListsByExtensionOrLinesWithBackslashesKeptAndProblemsReported) {
    const std::string H64(64, 'a'), H40(40, 'b');
    Dir.Write("x\\y", "12");
    struct Case {
        std::string Name, Text;
        Lines Expected;
        std::vector<std::string> Problems;
        THashKind Kind;
    };
    const Case Cases[] = {
        {"l.b3", H64 + "  x\\y\n" + H40 + "  z\n", {"~/x\\y " + H64}, {":2: " + H40 + "  z"}, THashKind::Blake3},
        {"SHA256SUMS", "# made by hand\n\\" + H64 + "  x\\\\y\n/abs/f  " + H64 + "\n", {"~/x\\y " + H64},
         {":3: /abs/f  " + H64}, THashKind::Sha256},
        {"CHECKSUM", "SHA1 (/abs/f) = " + H40 + "\n", {"/abs/f " + H40}, {}, THashKind::Sha1},
        {"sums.txt", "x\\y 12345678\n", {"~/x/y 12345678"}, {}, THashKind::Crc32}, // no form fits: SFV rules
        {"l.sfv", H64 + "  x\n", {"~/" + H64 + " x"}, {}, THashKind::Crc32}};  // the extension decides
    for (const Case& C : Cases) {
        const std::string List = Dir.Write(C.Name, C.Text);
        const TOpenResult R = Open({List});
        EXPECT_EQ(Records(), C.Expected) << C.Name;
        std::vector<std::string> Problems;
        for (const std::string& P : C.Problems)
            Problems.push_back(List + P);
        EXPECT_EQ(R.Problems, Problems) << C.Name;
        EXPECT_EQ(Items[0].ListFile->Kind, C.Kind) << C.Name;
    }
    EXPECT_EQ(Sizes(), std::vector<std::int64_t>{-1}); // "x/y" of the SFV rules is no file
    Open({Dir / "l.b3"});
    EXPECT_EQ(Sizes(), std::vector<std::int64_t>{2}); // "x\\y" of the digest list is
}

TEST_F(OpenLists, KindComesFromTheLastListReopeningReplacesAndAFailureKeepsWhatWasRead) {
    const std::string A = Dir.Write("a.sfv", "x.bin 12345678\n");
    const std::string B = Dir.Write("b.MD5", Digest + " *y.bin\n");
    EXPECT_TRUE(Open({A, B, A, B}).IsMd5List && IsMd5List); // the same list twice: both read
    EXPECT_EQ(Records(), (Lines{"~/x.bin 12345678", "~/y.bin " + Digest, "~/x.bin 12345678", "~/y.bin " + Digest}));
    Counters.GoodCount = 4;
    Counters.MissingCount = 2;
    Open({Dir.Write("checks.txt", Digest + " *z.bin\n")}); // MD5 layout, read as SFV
    EXPECT_FALSE(IsMd5List);
    EXPECT_EQ(Records(), Lines{"~/" + Digest + " *z.bin"});
    EXPECT_TRUE(Counters.UncheckedCount == 1 && Counters.GoodCount + Counters.MissingCount == 0);
    Open({Dir.Write("only-comments.sfv", "; nothing\r\n\r\n")});
    EXPECT_TRUE(Items.Empty() && Counters.UncheckedCount == 0);
    // A list that cannot be opened ends the reading; the lists before it stay, with their kind and count.
    EXPECT_EQ(OpenError({B, Dir / "missing.sfv", A}), "Cannot open file " + (Dir / "missing.sfv"));
    EXPECT_EQ(Records(), Lines{"~/y.bin " + Digest});
    EXPECT_TRUE(IsMd5List && Counters.UncheckedCount == 1);
    for (const char* Name : {"/x/md5", "/x.md5/list", "/x/list.md5.bak"}) // only the extension counts
        EXPECT_FALSE(IsMd5ListName(Name)) << Name;
    EXPECT_EQ(ListCaption({"/x/a.sfv "}), "Quorvane 2.6 - a.sfv");
    EXPECT_EQ(ListCaption({}), "Quorvane 2.6 - ");
}

TEST(BadInput, MegabyteLinesAndAMillionLinesInLinearTime) {
    const std::string Long(3 << 20, 'n'), Stars(2 << 20, '*');
    const std::string Spaced = Long + " " + Long + " 12345678";
    Lines L = CleanListText("a 1\n" + Spaced + "\r\n" + Spaced + "\r\n", false);
    ASSERT_EQ(L.size(), 2u);
    EXPECT_EQ(SplitEntryLine(L[1]).Name.size(), 2 * Long.size() + 1);
    EXPECT_EQ(CleanListText(Digest + " " + Stars + "a" + Stars + "\n", true), Lines{"a " + Digest});
    EXPECT_EQ(CleanListText(std::string(4 << 20, ' ') + "x 1" + std::string(4 << 20, '\t'), false), Lines{"x 1"});
    std::string Text;
    for (int I = 0; I < 1000000; ++I) // every entry twice, its checksum in two cases
        Text += "file" + std::to_string(I / 2) + (I % 2 ? ".bin 0a1b2c3d\r\n" : ".bin 0A1B2C3D\r\n");
    const auto Start = std::chrono::steady_clock::now();
    L = CleanListText(Text, false);
    EXPECT_LT(std::chrono::steady_clock::now() - Start, std::chrono::seconds(30)); // quadratic would take hours
    ASSERT_EQ(L.size(), 500000u);
    EXPECT_EQ(L.back(), "file499999.bin 0A1B2C3D");
}

// A large file that is no list (an image dropped by mistake) is read only to its first zero byte: a sparse
// file of 1 TiB opens at once with the entry before the zero, and without its size in memory.
TEST_F(OpenLists, ALargeFileIsReadOnlyToItsFirstZeroByte) {
    const std::string Image = Dir.Write("disk.img", "x.bin 12345678\n" + std::string(1, '\0') + "y.bin 1\n");
    std::filesystem::resize_file(Image, std::uintmax_t{1} << 40);
    EXPECT_EQ(OpenError({Image}), "opened");
    EXPECT_EQ(Records(), (Lines{"~/x.bin 12345678"}));
}

// Each fails with "Cannot open file", within seconds: a fifo must not block.
TEST_F(OpenLists, FoldersFifosDevicesAndUnreadableFilesCannotBeOpened) {
    ASSERT_EQ(::mkfifo((Dir / "fifo.sfv").c_str(), 0600), 0);
    std::filesystem::create_symlink(Dir / "nowhere.sfv", Dir / "dangling.sfv");
    for (const std::string& Path :
         {Dir / "missing.sfv", Dir / "", Dir.Path().string(), Dir / "fifo.sfv", Dir / "dangling.sfv",
          std::string("/dev/zero"), std::string("/dev/null"), std::string()}) {
        auto Outcome = std::async(std::launch::async, [this, Path] { return OpenError({Path}); });
        if (Outcome.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
            ADD_FAILURE() << "opening " << Path << " hangs";
            ::close(::open(Path.c_str(), O_WRONLY | O_NONBLOCK)); // unblock a waiting reader
        }
        EXPECT_EQ(Outcome.get(), "Cannot open file " + Path);
    }
    // A link to a list is read; the kind comes from the name given, not the link's target.
    std::filesystem::create_symlink(Dir.Write("real.sfv", "a 1\n"), Dir / "link.md5");
    Open({Dir / "link.md5"});
    EXPECT_EQ(Records(), Lines{"~/1 a"}); // MD5 order: digest, then name
    EXPECT_TRUE(IsMd5List);
    if (::geteuid() == 0)
        GTEST_SKIP() << "root reads every file: an unreadable list cannot be made";
    ::chmod(Dir.Write("secret.sfv", "a 1\n").c_str(), 0);
    EXPECT_EQ(OpenError({Dir / "secret.sfv"}), "Cannot open file " + (Dir / "secret.sfv"));
}

TEST_F(OpenLists, ListRewrittenTruncatedAndRemovedWhileRead) {
    const std::string List = Dir / "moving.sfv";
    std::string Content;
    for (int I = 0; I < 20000; ++I)
        Content += "file" + std::to_string(I) + ".bin 0A1B2C3D\r\n";
    std::atomic<bool> Stop{false};
    std::thread Changer([&] {
        for (unsigned Round = 0; !Stop; ++Round) {
            std::ofstream(List, std::ios::binary | std::ios::trunc) // up to the whole, sometimes none
                .write(Content.data(), static_cast<std::streamsize>(Content.size() * (Round % 5) / 4));
            if (Round % 3 == 0)
                ::unlink(List.c_str());
            std::this_thread::yield();
        }
    });
    const auto Until = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (std::chrono::steady_clock::now() < Until && !HasFailure()) {
        const std::string Error = OpenError({List});
        EXPECT_TRUE(Error == "opened" || Error == "Cannot open file " + List) << Error;
        EXPECT_LE(Items.Count(), 20000u);
        EXPECT_EQ(Counters.UncheckedCount, static_cast<std::int32_t>(Items.Count()));
    }
    Stop = true;
    Changer.join();
}

} // namespace
