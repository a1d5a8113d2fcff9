// The item list, file sizes, and the rows of the list view built from them.

#include "lists/ItemList.h"
#include "lists/ItemRows.h"

#include <filesystem>
#include <memory>
#include <tuple>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "support/TestSupport.h"
#include "util/SizeText.h"

using namespace quorvane;

namespace {

TEST(FileSize64, RegularFilesOnlyWithExact64BitSizes) {
    qvtest::TempDir Dir;
    EXPECT_EQ(FileSize64(Dir.Write("empty", "")), 0);
    std::filesystem::create_symlink(Dir.Write("five", "12345"), Dir / "link");
    EXPECT_EQ(FileSize64(Dir / "link"), 5);
    std::filesystem::create_directory(Dir / "folder");
    std::filesystem::create_symlink(Dir / "gone", Dir / "dangling");
    ASSERT_EQ(mkfifo((Dir / "fifo").c_str(), 0600), 0);
    for (const std::string& Path : {Dir / "folder", Dir / "missing", Dir / "dangling", Dir / "fifo",
                                    std::string("/dev/null"), std::string()})
        EXPECT_EQ(FileSize64(Path), -1) << Path;
    std::error_code Error; // sparse: no disk space used
    std::filesystem::resize_file(Dir / "empty", (std::uintmax_t{5} << 30) + 3, Error);
    if (!Error) {
        EXPECT_EQ(FileSize64(Dir / "empty"), (std::int64_t{5} << 30) + 3);
    }
}

TEST(ItemList, GrowingNeverMovesARecord) { // rows and runs point at them
    ItemList Items;
    const TItemRec* First = &Items.Add();
    for (int I = 0; I < 10000; ++I)
        Items.Add().FileName = std::to_string(I);
    EXPECT_EQ(&Items[0], First);
    EXPECT_EQ(std::make_pair(Items.Count(), Items[10000].FileName), std::make_pair(std::size_t{10001}, std::string("9999")));
    Items.Truncate(3);
    EXPECT_EQ(std::make_pair(Items.Count(), Items[2].FileName), std::make_pair(std::size_t{3}, std::string("1")));
    Items.Clear();
    EXPECT_TRUE(Items.Empty());
}

// Records of one list file as the reader makes them, with sizes set by hand.
void AddRecords(ItemList& Items, const std::string& List,
                std::initializer_list<std::pair<const char*, std::int64_t>> Files) {
    const auto ListFile = std::make_shared<const TListFile>(TListFile{List});
    for (const auto& [Name, Size] : Files) {
        TItemRec& Rec = Items.Add();
        Rec.FileName = List.substr(0, List.rfind('/') + 1) + Name;
        Rec.Size = Size;
        Rec.ListFile = ListFile;
    }
}

// Kind, caption, image and size text of every row, and each record's ListItem pointing back at its row.
void ExpectRows(ItemList& Items, int Filter, const std::vector<std::string>& Expected) {
    const auto Rows = BuildRows(Items, Filter, smAuto);
    std::vector<std::string> Got;
    for (const auto& Row : Rows) {
        const char Kind = Row.Kind == TRowKind::Header ? 'H' : Row.Kind == TRowKind::File ? 'F' : 'S';
        Got.push_back(Kind + std::to_string(Row.Image) + std::to_string(Row.Indent) + " " + Row.Caption + "|" +
                      Row.SizeText);
        EXPECT_EQ(Row.Record != nullptr, Row.Kind == TRowKind::File);
    }
    EXPECT_EQ(Got, Expected) << "filter " << Filter;
    for (const auto& Rec : Items)
        EXPECT_TRUE(Rec.ListItem < 0 || Rows.at(static_cast<std::size_t>(Rec.ListItem)).Record == &Rec);
}

TEST(BuildRows, GroupsPerListFileAndTheFilterKeepsHeadersAndClearsHiddenRecords) {
    ItemList Items;
    EXPECT_TRUE(BuildRows(Items, dfAll, smAuto).empty());
    AddRecords(Items, "/lists/a.sfv", {{"one.bin", 1}, {"sub/two.bin", 2048}, {"three.bin", -1}});
    AddRecords(Items, "/lists/a.sfv", {{"four.bin", 0}}); // same path text: the same group
    AddRecords(Items, "/lists/A.sfv", {{"five.bin", 5}}); // case-sensitive: a new group
    Items[1].State = isGood;
    Items[4].State = isMissing;
    ExpectRows(Items, dfAll, {"H00 /lists/a.sfv|", "F11 one.bin|1 bytes", "F41 two.bin|2 KB", "F11 three.bin|Not Found",
                              "F11 four.bin|0 KB", "S-10 |", "H00 /lists/A.sfv|", "F21 five.bin|5 bytes"});
    EXPECT_EQ(Items[4].ListItem, 7);
    ExpectRows(Items, dfBad, {"H00 /lists/a.sfv|", "S-10 |", "H00 /lists/A.sfv|"});
    for (const auto& Rec : Items)
        EXPECT_EQ(Rec.ListItem, -1);
    ExpectRows(Items, dfGood, {"H00 /lists/a.sfv|", "F41 two.bin|2 KB", "S-10 |", "H00 /lists/A.sfv|"}); // image: the state
    EXPECT_EQ(Items[0].ListItem, -1);
    EXPECT_EQ(Items[1].ListItem, 1);
}

TEST(ItemSizeText, ThreeModesAndSpecialSizes) {
    // The units themselves are SizeToText's; here the rules of the size column on top of them.
    const std::tuple<std::int64_t, int, const char*> Cases[] = {
        {-1, smBytes, "Not Found"}, {0, smKB, "0 KB"}, {0, smBytes, "0 KB"}, {100, smKB, "1 KB"}, {2560, smKB, "3 KB"},
        {2000000, smKB, "1,953 KB"}, {1023, smAuto, "1,023 bytes"}, {1600, smBytes, "1,600"},
        {INT64_MAX, smKB, "9,007,199,254,740,992 KB"}, {INT64_MAX, smBytes, "9,223,372,036,854,775,808"},
        {1600, 7, "1 KB"}, // an unknown mode reads as Auto
    };
    for (const auto& [Size, Mode, Text] : Cases)
        EXPECT_EQ(ItemSizeText(Size, Mode), Text) << Size << " mode " << Mode;
    LocaleFormat German;
    German.ThousandSeparator = ".";
    EXPECT_EQ(ItemSizeText(2000000, smKB, German), "1.953 KB");
}

} // namespace
