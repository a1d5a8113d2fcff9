// The list-file format as the reader applies it, case by case and against the literal reference on random
// texts; OpenChecksumFiles over real files and over untrusted input: megabyte lines, a million lines,
// folders, fifos and devices given as lists, lists that change while read.

#include "lists/ListReader.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <random>
#include <thread>
#include <tuple>

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

TEST(CleanListText, BreaksCommentsTrimDuplicatesAndMd5Order) {
    const std::tuple<std::string, bool, Lines> Cases[] = {
        {"a 1\r\nb 2\nc 3\rd 4", false, {"a 1", "b 2", "c 3", "d 4"}},
        {"a 1\n\rb 2\r\r\nc 3\n\n", false, {"a 1", "b 2", "c 3"}}, // LF CR is two breaks
        {std::string("a 1\nb 2\0c 3\nd 4", 15), false, {"a 1", "b 2"}}, {std::string("\0a 1", 4), false, {}},
        {"; comment\n;\na 1\n\n\n;a 2\n", false, {"a 1"}}, {" \n \n", false, {}},
        {"a 1\n ;b 2\n# c 3\n", false, {"a 1", " ;b 2", "# c 3"}}, // only a ";" in front is a comment
        {"a 1\n \t \nb 2", false, {"a 1", " \t ", "b 2"}},         // blank lines in the middle stay
        // The whole text is trimmed, after the comment test.
        {"  \n\t\n  a 1  \n b 2 \n  c 3  \n \t\n", false, {"a 1  ", " b 2 ", "  c 3"}}, {"  ;x 1\n", false, {";x 1"}},
        // Duplicates: the same name byte for byte (names are case-sensitive) and the checksum ignoring case;
        // after the trim only.
        {"A.TXT 1234ABCD\na.txt 1234abcd\na.txt 1234ABCD\na.txt 22222222\n", false,
         {"A.TXT 1234ABCD", "a.txt 1234abcd", "a.txt 22222222"}},
        {"x\nX\n\"a\" 1\na 1\n", false, {"x", "\"a\" 1", "a 1"}}, // no space: the checksum alone
        // A UTF-8 byte-order mark before the first line is not part of it.
        {"\xEF\xBB\xBF; by hand\n\xEF\xBB\xBF" "a 1", false, {"\xEF\xBB\xBF" "a 1"}},
        {"\xEF\xBB\xBF" + Digest + " a", true, {"a " + Digest}},
        {"a 1\n a 1\n", false, {"a 1", " a 1"}}, {" a 1\na 1 \n", false, {"a 1"}},
        // MD5: binary marker, two spaces and one space are one record; "*" goes from the name after its trim.
        {Digest + " *empty.txt\n" + Digest + "  empty.txt\n" + Digest + " empty.txt\n", true, {"empty.txt " + Digest}},
        {Digest + " my *file* name.txt", true, {"my file name.txt " + Digest}},
        {"x y\n" + Digest + " * spaced.txt\nz w", true, {"y x", " spaced.txt " + Digest, "w z"}},
        {"nospace", true, {"nospace"}}, // name and a space; the whole-text trim eats the space
        {"nospace\nx y", true, {"nospace ", "y x"}}, {Digest + "\ta.txt b.txt", true, {"b.txt " + Digest + "\ta.txt"}},
        {" " + Digest + " a", true, {Digest + " a"}}, // space first: empty digest, the whole line as name
    };
    for (const auto& [Text, Md5, Out] : Cases)
        EXPECT_EQ(CleanListText(Text, Md5), Out) << ::testing::PrintToString(Text);
}

TEST(SplitEntryLine, LastSpaceQuotesAndBackslashes) {
    const std::tuple<std::string, std::string, std::string> Cases[] = {
        {"My Song (live).mp3 0A1B2C3D", "My Song (live).mp3", "0A1B2C3D"},
        {"\"two  spaces.txt\" 12345678", "two  spaces.txt", "12345678"},
        {"a.bin\t12345678", "", "a.bin\t12345678"}, {"a.bin ", "a.bin", ""}, {" \t ", "", ""},
        {"sub\\dir\\a.bin 1", "sub/dir/a.bin", "1"}, {"\\sub\\a 1", "sub/a", "1"}, {"/abs/a 1", "/abs/a", "1"}, {"  \"q\"  1", "q", "1"}, {"\"\" 1", "", "1"},
        {"\" 1", "\"", "1"}, {"\"a 1", "a", "1"}, {"\"\"a\"\" 1", "\"a\"", "1"}, {"a b c", "a b", "c"},
    };
    for (const auto& [Line, Name, Checksum] : Cases) {
        EXPECT_EQ(SplitEntryLine(Line).Name, Name) << Line;
        EXPECT_EQ(SplitEntryLine(Line).Checksum, Checksum) << Line;
    }
    for (const auto& [In, Out] : {std::pair<std::string, std::string>{"\"", "\""}, {"\"\"", ""}, {"a\"", "a"},
                                  {"\"\"\"", "\""}})
        EXPECT_EQ(StripQuotes(In), Out) << In;
}

TEST(ListNames, Md5KindAndCaption) {
    for (const auto& [Name, Md5] : {std::pair{"LIST.MD5", true}, {"a.Md5", true}, {"/x/list.sfv", false},
                                    {"/x/md5", false}, {"/x.md5/list", false}, {"/x/list.md5.bak", false}})
        EXPECT_EQ(IsMd5ListName(Name), Md5) << Name;
    EXPECT_EQ(ListCaption({"/x/a.sfv "}), "Quorvane 2.6 - a.sfv");
    EXPECT_EQ(ListCaption({}), "Quorvane 2.6 - ");
}

class OpenLists : public ::testing::Test {
protected:
    qvtest::TempDir Dir;
    ItemList Items;
    TCounters Counters;
    bool IsMd5List = false;

    std::string Folder() const { return Dir.Path().string() + "/"; }
    TOpenResult Open(const std::vector<std::string>& Lists) {
        return OpenChecksumFiles(Lists, Items, Counters, IsMd5List);
    }
    Lines Records() const { // name and checksum of every record, the list's folder shown as "~/"
        Lines Out;
        for (const auto& Rec : Items)
            Out.push_back((Rec.FileName.starts_with(Folder()) ? "~/" + Rec.FileName.substr(Folder().size())
                                                              : Rec.FileName) + " " + Rec.Checksum);
        return Out;
    }
    std::string OpenError(const std::vector<std::string>& Lists) { // the error text, or "opened"
        try {
            Open(Lists);
            return "opened";
        } catch (const ListFileError& E) {
            return E.what();
        }
    }
};

// Names are joined to the list's folder as written ("..", links and all), a leading "\\" of a Windows list
// included; a name beginning with "/" is absolute, however the list's own path is spelled. The sizes are
// those of the joined paths; folders and empty names are not found. A zero byte ends a list.
TEST_F(OpenLists, RecordsInListOrderResolvedAgainstEachListsFolder) {
    Dir.Write("a/one.bin", "1");
    Dir.Write("a/sub/two.bin", "22");
    Dir.Write("outside.bin", "333");
    std::filesystem::create_directory_symlink(Dir / "a/sub", Dir / "a/link");
    const std::string A = Dir.Write("a/a.sfv", "; by hand\r\none.bin 1\r\nsub\\two.bin 2\r\n\\one.bin 3\r\n"
                                               "//sub//two.bin 4\n../outside.bin 5\nlink/two.bin 6\n"
                                               "sub/../one.bin 7\n" + Folder() + "a/sub/two.bin 8\n");
    const std::string B = Dir.Write("b/b.sfv", "none 9\n. 10\n\" \" 11\nnospace\n" + std::string(1, '\0') + "after.bin 12\n");
    const TOpenResult R = Open({A, B});
    EXPECT_EQ(Records(), (Lines{"~/a/one.bin 1", "~/a/sub/two.bin 2", "~/a/one.bin 3", "//sub//two.bin 4",
                                "~/a/../outside.bin 5", "~/a/link/two.bin 6", "~/a/sub/../one.bin 7",
                                "~/a/sub/two.bin 8", "~/b/none 9", "~/b/. 10", "~/b/  11", "~/b/ nospace"}));
    std::vector<std::int64_t> Sizes;
    for (const auto& Rec : Items) {
        Sizes.push_back(Rec.Size);
        EXPECT_EQ(Rec.State, isUnchecked);
        EXPECT_EQ(ListPathOf(Rec), Sizes.size() <= 8 ? A : B);
    }
    const std::vector<std::int64_t> Expected{1, 2, 1, -1, 3, 2, 1, 2, -1, -1, -1, -1};
    EXPECT_EQ(Sizes, Expected);
    EXPECT_EQ(Items[0].ListFile, Items[7].ListFile); // one shared path per list
    EXPECT_EQ(Counters.UncheckedCount, 12);
    EXPECT_FALSE(IsMd5List || R.IsMd5List);
    EXPECT_EQ(R.Caption, "Quorvane 2.6 - b.sfv");
    // The list given without a folder, and as "./a.sfv": the same files.
    const auto Cwd = std::filesystem::current_path();
    std::filesystem::current_path(Dir / "a");
    for (const std::string Spelling : {"a.sfv", "./a.sfv"}) {
        Open({Spelling});
        Sizes.clear();
        for (const auto& Rec : Items)
            Sizes.push_back(Rec.Size);
        EXPECT_EQ(Sizes, std::vector<std::int64_t>(Expected.begin(), Expected.begin() + 8)) << Spelling;
    }
    std::filesystem::current_path(Cwd);
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
    EXPECT_EQ(Counters.UncheckedCount, 1);
    EXPECT_EQ(Counters.GoodCount + Counters.MissingCount + Counters.BadCount, 0);
    Open({Dir.Write("only-comments.sfv", "; nothing\r\n\r\n")});
    EXPECT_TRUE(Items.Empty());
    EXPECT_EQ(Counters.UncheckedCount, 0);
    // A list that cannot be opened ends the reading; the lists before it stay, with their kind and count.
    EXPECT_EQ(OpenError({B, Dir / "missing.sfv", A}), "Cannot open file " + (Dir / "missing.sfv"));
    EXPECT_EQ(Records(), Lines{"~/y.bin " + Digest});
    EXPECT_TRUE(IsMd5List && Counters.UncheckedCount == 1);
}

TEST(ReaderAgainstReference, RandomTextsOfTheFormatsAlphabet) { // the fuzzer feeds it any bytes
    const char Alphabet[] = "aAbB  ;\r\n\n\t*\"\\\0\x01z";
    std::mt19937 Gen(12345);
    for (int Round = 0; Round < 20000; ++Round) {
        std::string Text(Gen() % 60, ' ');
        for (char& C : Text)
            C = Alphabet[Gen() % (sizeof Alphabet - 1)];
        if (Round % 4 == 0)
            Text.insert(0, "\xEF\xBB\xBF");
        for (const bool IsMd5 : {false, true})
            ASSERT_EQ(CleanListText(Text, IsMd5), qvref::CleanListText(Text, IsMd5)) << ::testing::PrintToString(Text);
    }
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

// Each fails with "Cannot open file", within seconds: a fifo must not block.
TEST_F(OpenLists, FoldersFifosDevicesAndUnreadableFilesCannotBeOpened) {
    ASSERT_EQ(::mkfifo((Dir / "fifo.sfv").c_str(), 0600), 0);
    std::filesystem::create_symlink(Dir / "nowhere.sfv", Dir / "dangling.sfv");
    std::vector<std::string> Paths{Dir / "missing.sfv", Dir / "", Dir.Path().string(), Dir / "fifo.sfv",
                                   Dir / "dangling.sfv", "/dev/zero", "/dev/null", ""};
    ::chmod(Dir.Write("secret.sfv", "a 1\n").c_str(), 0);
    if (::geteuid() != 0) // root reads every file
        Paths.push_back(Dir / "secret.sfv");
    for (const std::string& Path : Paths) {
        auto Outcome = std::async(std::launch::async, [this, Path] { return OpenError({Path}); });
        if (Outcome.wait_for(std::chrono::seconds(10)) == std::future_status::ready) {
            EXPECT_EQ(Outcome.get(), "Cannot open file " + Path);
            continue;
        }
        ADD_FAILURE() << "opening " << Path << " hangs";
        const int Writer = ::open(Path.c_str(), O_WRONLY | O_NONBLOCK); // unblock a waiting reader
        Outcome.wait();
        ::close(Writer);
    }
    // A link to a list is read; the kind comes from the name given, not the link's target.
    std::filesystem::create_symlink(Dir.Write("real.sfv", "a 1\n"), Dir / "link.md5");
    Open({Dir / "link.md5"});
    EXPECT_EQ(Records(), Lines{"~/1 a"}); // MD5 order: digest, then name
    EXPECT_TRUE(IsMd5List);
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
