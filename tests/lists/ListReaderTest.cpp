// The list-file format of Part 2.2 as the reader applies it, and OpenChecksumFiles over real files.

#include "lists/ListReader.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "support/TestSupport.h"

namespace {

using Lines = std::vector<std::string>;

Lines Sfv(std::string_view Text) {
    return CleanListText(Text, false);
}
Lines Md5(std::string_view Text) {
    return CleanListText(Text, true);
}

const std::string Digest = "d41d8cd98f00b204e9800998ecf8427e";

TEST(ListFormat, ThreeKindsOfLineBreakAndTheZeroByte) {
    EXPECT_EQ(Sfv("a 1\r\nb 2\nc 3\rd 4"), (Lines{"a 1", "b 2", "c 3", "d 4"}));
    EXPECT_EQ(Sfv("a 1\n\rb 2\r\r\nc 3\n\n"), (Lines{"a 1", "b 2", "c 3"})); // LF CR is two breaks
    EXPECT_EQ(Sfv(std::string_view("a 1\nb 2\0c 3\nd 4", 15)), (Lines{"a 1", "b 2"}));
    EXPECT_EQ(Sfv(std::string_view("\0a 1", 4)), Lines{});
    EXPECT_EQ(Sfv(""), Lines{});
}

TEST(ListFormat, CommentsEmptyLinesAndBlankLines) {
    EXPECT_EQ(Sfv("; comment\n;\na 1\n\n\n;a 2\n"), (Lines{"a 1"}));
    EXPECT_EQ(Sfv("a 1\n ;b 2\n# c 3\n// d 4\n"), (Lines{"a 1", " ;b 2", "# c 3", "// d 4"}));
    EXPECT_EQ(Sfv("; only\r\n\r\n;comments\r\n"), Lines{});
    EXPECT_EQ(Sfv("a 1\n \t \nb 2"), (Lines{"a 1", " \t ", "b 2"})); // blanks in the middle stay
}

TEST(ListFormat, WholeTextTrim) {
    EXPECT_EQ(Sfv("  \n\t\n  a 1  \n b 2 \n  c 3  \n \t\n"), (Lines{"a 1  ", " b 2 ", "  c 3"}));
    EXPECT_EQ(Sfv("\x01\x1f a 1\x7f"), (Lines{"a 1\x7f"})); // control codes are blanks, DEL is not
    EXPECT_EQ(Sfv("a.bin \nb.bin \n"), (Lines{"a.bin ", "b.bin"}));
    EXPECT_EQ(Sfv("  ;x 1\n"), (Lines{";x 1"})); // trimmed after the comment test: a record
    EXPECT_EQ(Sfv(" \n \n"), Lines{});
}

TEST(ListFormat, DuplicatesIgnoringAsciiCaseWithinOneText) {
    EXPECT_EQ(Sfv("A.TXT 1234ABCD\na.txt 1234abcd\n"), (Lines{"A.TXT 1234ABCD"}));
    EXPECT_EQ(Sfv("a.txt 11111111\na.txt 22222222\n"), (Lines{"a.txt 11111111", "a.txt 22222222"}));
    EXPECT_EQ(Sfv("\xc3\x89 1\n\xc3\xa9 1\n"), (Lines{"\xc3\x89 1", "\xc3\xa9 1"})); // not ASCII letters
    EXPECT_EQ(Sfv("x 1\ny 2\nX 1\nY 2\nx 1\n"), (Lines{"x 1", "y 2"}));
    EXPECT_EQ(Sfv("a 1\n a 1\n"), (Lines{"a 1", " a 1"})); // a leading blank makes another line
    EXPECT_EQ(Sfv(" a 1\na 1 \n"), (Lines{"a 1"}));        // ... unless the whole-text trim removes it
    EXPECT_EQ(Sfv("@ 1\n` 1\n[ 1\n{ 1\n"), (Lines{"@ 1", "` 1", "[ 1", "{ 1"}));
}

TEST(ListFormat, Md5LinesTurnIntoSfvOrder) {
    // Binary marker, two spaces and one space read the same: one record.
    EXPECT_EQ(Md5(Digest + " *empty.txt\n" + Digest + "  empty.txt\n" + Digest + " empty.txt\n"),
              Lines{"empty.txt " + Digest});
    EXPECT_EQ(Md5(Digest + " my *file* name.txt"), Lines{"my file name.txt " + Digest});
    EXPECT_EQ(Md5("x y\n" + Digest + " * spaced.txt\nz w"), (Lines{"y x", " spaced.txt " + Digest, "w z"}))
        << "the \"*\" goes after the trim";
    EXPECT_EQ(Md5("nospace"), Lines{"nospace"}); // name and a space; the whole-text trim eats it
    EXPECT_EQ(Md5("nospace\nx y"), (Lines{"nospace ", "y x"}));
    EXPECT_EQ(Md5(Digest + "\ta.txt b.txt"), Lines{"b.txt " + Digest + "\ta.txt"});
    EXPECT_EQ(Md5(" " + Digest + " a"), Lines{Digest + " a"}); // space first: empty digest, whole line as name
    EXPECT_EQ(Md5("; comment\n" + Digest + " a\n"), Lines{"a " + Digest});
}

TEST(ListEntry, SpecifiedSingleLines) {
    struct Case {
        std::string Line;
        std::string Name;
        std::string Checksum;
    };
    const Case Cases[] = {
        {"My Song (live).mp3 0A1B2C3D", "My Song (live).mp3", "0A1B2C3D"},
        {"\"two  spaces.txt\" 12345678", "two  spaces.txt", "12345678"},
        {"a.bin\t12345678", "", "a.bin\t12345678"},
        {"a.bin ", "a.bin", ""},
        {" \t ", "", ""},
        {"sub\\dir\\a.bin 1", "sub/dir/a.bin", "1"},
        {"  \"q\"  1", "q", "1"},
        {"\"\" 1", "", "1"},
        {"\" 1", "\"", "1"},
        {"\"a 1", "a", "1"},
        {"a\" 1", "a", "1"},
        {"\"\"a\"\" 1", "\"a\"", "1"},
        {"a b c", "a b", "c"},
    };
    for (const auto& C : Cases) {
        const TListEntry E = SplitEntryLine(C.Line);
        EXPECT_EQ(E.Name, C.Name) << C.Line;
        EXPECT_EQ(E.Checksum, C.Checksum) << C.Line;
    }
}

TEST(ListEntry, StripQuotesAndListKind) {
    const std::pair<const char*, const char*> Quotes[] = {
        {"", ""}, {"\"", "\""}, {"\"\"", ""}, {"\"a\"", "a"}, {"\"a", "a"}, {"a\"", "a"}, {"a", "a"}, {"\"\"\"", "\""},
    };
    for (const auto& [In, Out] : Quotes)
        EXPECT_EQ(StripQuotes(In), Out) << In;
    EXPECT_TRUE(IsMd5ListName("/x/list.md5"));
    EXPECT_TRUE(IsMd5ListName("LIST.MD5"));
    EXPECT_TRUE(IsMd5ListName("a.Md5"));
    EXPECT_FALSE(IsMd5ListName("/x/checks.txt"));
    EXPECT_FALSE(IsMd5ListName("/x/list.sfv"));
    EXPECT_FALSE(IsMd5ListName("/x/md5"));
    EXPECT_FALSE(IsMd5ListName("/x.md5/list"));
    EXPECT_FALSE(IsMd5ListName("/x/list.md5.bak"));
}

class OpenLists : public ::testing::Test {
protected:
    qvtest::TempDir Dir;
    ItemList Items;
    TCounters Counters;
    bool IsMd5List = false;

    std::string Folder() const { return Dir.Path().string() + "/"; }
};

TEST_F(OpenLists, RecordsInListOrderResolvedAgainstEachListsFolder) {
    Dir.Write("a/one.bin", "1");
    Dir.Write("a/sub/two.bin", "22");
    Dir.Write("b/four.bin", "4444");
    const std::string A = Dir.Write("a/a.sfv", "; made by hand\r\none.bin 11111111\r\nsub\\two.bin 22222222\r\n"
                                               "three.bin 33333333\r\n");
    const std::string B = Dir.Write("b/b.sfv", "four.bin 44444444\n\"five.bin\" 55555555\n");
    const TOpenResult R = OpenChecksumFiles({A, B}, Items, Counters, IsMd5List);
    ASSERT_EQ(Items.Count(), 5u);
    const std::string Names[] = {"a/one.bin", "a/sub/two.bin", "a/three.bin", "b/four.bin", "b/five.bin"};
    const std::int64_t Sizes[] = {1, 2, -1, 4, -1};
    for (std::size_t I = 0; I < 5; ++I) {
        EXPECT_EQ(Items[I].FileName, Folder() + Names[I]);
        EXPECT_EQ(Items[I].Checksum, std::string(8, static_cast<char>('1' + I)));
        EXPECT_EQ(Items[I].Size, Sizes[I]);
        EXPECT_EQ(Items[I].State, isUnchecked);
        EXPECT_EQ(*Items[I].ListFile, I < 3 ? A : B);
    }
    EXPECT_EQ(Items[0].ListFile, Items[2].ListFile); // one shared path per list
    EXPECT_EQ(Counters.UncheckedCount, 5);
    EXPECT_FALSE(IsMd5List);
    EXPECT_FALSE(R.IsMd5List);
    EXPECT_EQ(R.Caption, "Quorvane 2.6 - b.sfv");
}

TEST_F(OpenLists, KindComesFromTheLastListsExtension) {
    const std::string A = Dir.Write("a.sfv", "x.bin 12345678\n");
    const std::string B = Dir.Write("b.MD5", Digest + " *y.bin\n");
    const std::string C = Dir.Write("checks.txt", Digest + " *z.bin\n");
    auto R = OpenChecksumFiles({A, B}, Items, Counters, IsMd5List);
    EXPECT_TRUE(IsMd5List);
    EXPECT_TRUE(R.IsMd5List);
    EXPECT_EQ(Items[1].FileName, Folder() + "y.bin");
    EXPECT_EQ(Items[1].Checksum, Digest);

    R = OpenChecksumFiles({C}, Items, Counters, IsMd5List); // MD5 layout, read as SFV
    EXPECT_FALSE(IsMd5List);
    ASSERT_EQ(Items.Count(), 1u);
    EXPECT_EQ(Items[0].FileName, Folder() + Digest);
    EXPECT_EQ(Items[0].Checksum, "*z.bin");
    EXPECT_EQ(Items[0].Size, -1);
    EXPECT_EQ(R.Caption, "Quorvane 2.6 - checks.txt");
}

TEST_F(OpenLists, ReopeningReplacesAndCountersFollow) {
    const std::string A = Dir.Write("a.sfv", "x 1\ny 2\nz 3\n");
    const std::string Empty = Dir.Write("only-comments.sfv", "; nothing\r\n\r\n");
    OpenChecksumFiles({A, A}, Items, Counters, IsMd5List); // the same list twice: both read
    EXPECT_EQ(Items.Count(), 6u);
    Counters.GoodCount = 4;
    Counters.BadCount = 1;
    Counters.MissingCount = 1;
    OpenChecksumFiles({Empty}, Items, Counters, IsMd5List);
    EXPECT_TRUE(Items.Empty());
    EXPECT_EQ(Counters.UncheckedCount, 0);
    EXPECT_EQ(Counters.GoodCount, 0);
    EXPECT_EQ(Counters.BadCount, 0);
    EXPECT_EQ(Counters.MissingCount, 0);
}

TEST_F(OpenLists, NamesThatAreFoldersAbsoluteOrEmptyAreNotFound) {
    std::filesystem::create_directory(Dir / "folder");
    Dir.Write("data.bin", "abc");
    const std::string A = Dir.Write("a.sfv", "folder 1\n" + Folder() + "data.bin 2\n\" \" 3\nnospace\n");
    OpenChecksumFiles({A}, Items, Counters, IsMd5List);
    ASSERT_EQ(Items.Count(), 4u);
    EXPECT_EQ(Items[0].Size, -1);
    EXPECT_EQ(Items[1].FileName, Folder() + Folder() + "data.bin"); // an absolute name does not work
    EXPECT_EQ(Items[1].Size, -1);
    EXPECT_EQ(Items[2].FileName, Folder() + " ");
    EXPECT_EQ(Items[3].FileName, Folder()); // no space: empty name, the whole line as checksum
    EXPECT_EQ(Items[3].Checksum, "nospace");
    EXPECT_EQ(Items[3].Size, -1);
}

TEST_F(OpenLists, SizesAreThoseOfTheFullPaths) {
    // Sizes are looked up relative to the list's folder; each must equal FileSize64 of FileName.
    Dir.Write("l/data.bin", "abc");
    Dir.Write("l/sub/deep.bin", "abcdef");
    Dir.Write("outside.bin", "12");
    std::filesystem::create_directory_symlink(Dir / "l/sub", Dir / "l/link");
    const std::string A = Dir.Write("l/a.sfv", "/data.bin 1\n//sub//deep.bin 2\n../outside.bin 3\n./data.bin 4\n"
                                               "link/deep.bin 5\nsub/../data.bin 6\n. 7\n/ 8\nsub 9\nnone 10\n");
    OpenChecksumFiles({A}, Items, Counters, IsMd5List);
    const std::int64_t Sizes[] = {3, 6, 2, 3, 6, 3, -1, -1, -1, -1};
    ASSERT_EQ(Items.Count(), std::size(Sizes));
    for (std::size_t I = 0; I < Items.Count(); ++I) {
        EXPECT_EQ(Items[I].Size, Sizes[I]) << Items[I].FileName;
        EXPECT_EQ(Items[I].Size, FileSize64(Items[I].FileName)) << Items[I].FileName;
    }
}

TEST_F(OpenLists, ARelativeListPathGivesRelativeNames) {
    Dir.Write("sub/x.bin", "x");
    Dir.Write("sub/l.sfv", "x.bin 1\n");
    const auto Cwd = std::filesystem::current_path();
    std::filesystem::current_path(Dir.Path());
    OpenChecksumFiles({"sub/l.sfv"}, Items, Counters, IsMd5List);
    std::filesystem::current_path(Cwd);
    ASSERT_EQ(Items.Count(), 1u);
    EXPECT_EQ(Items[0].FileName, "sub/x.bin");
    EXPECT_EQ(Items[0].Size, 1);
    EXPECT_EQ(*Items[0].ListFile, "sub/l.sfv");
}

TEST_F(OpenLists, AFailingListKeepsTheRecordsOfEarlierLists) {
    const std::string A = Dir.Write("a.md5", Digest + " one\n" + Digest + " two\n");
    const std::string Missing = Dir / "missing.sfv";
    const std::string C = Dir.Write("c.sfv", "three 1\n");
    try {
        OpenChecksumFiles({A, Missing, C}, Items, Counters, IsMd5List);
        FAIL() << "no error";
    } catch (const ListFileError& E) {
        EXPECT_STREQ(E.what(), ("Cannot open file " + Missing).c_str());
    }
    ASSERT_EQ(Items.Count(), 2u);
    EXPECT_EQ(Items[1].FileName, Folder() + "two");
    EXPECT_EQ(Counters.UncheckedCount, 2);
    EXPECT_TRUE(IsMd5List); // from a.md5, the last list read
}

TEST_F(OpenLists, LoadListFileSetsTheKindAndCleansTheLines) {
    const std::string A = Dir.Write("x.Md5", Digest + " *a\r\n" + Digest + " *A\r\n");
    bool Md5 = false;
    EXPECT_EQ(LoadListFile(A, Md5), Lines{"a " + Digest});
    EXPECT_TRUE(Md5);
    const std::string B = Dir.Write("x.sfv", "a 1\nA 1\n");
    EXPECT_EQ(LoadListFile(B, Md5), Lines{"a 1"});
    EXPECT_FALSE(Md5);
}

TEST(ListCaption, NamePartOfTheLastList) {
    EXPECT_EQ(ListCaption({"/x/disc1.sfv"}), "Quorvane 2.6 - disc1.sfv");
    EXPECT_EQ(ListCaption({"/x/a.sfv", "/y/b.md5"}), "Quorvane 2.6 - b.md5");
    EXPECT_EQ(ListCaption({"/x/a.sfv", "b.md5"}), "Quorvane 2.6 - b.md5");
    EXPECT_EQ(ListCaption({"/x/a.sfv "}), "Quorvane 2.6 - a.sfv");
    EXPECT_EQ(ListCaption({}), "Quorvane 2.6 - ");
}

} // namespace
