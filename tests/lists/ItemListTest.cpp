// The item list, file sizes, and the rows of the list view built from them.

#include "lists/ItemList.h"
#include "lists/ItemRows.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <tuple>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "support/TestSupport.h"
#include "util/SizeText.h"

using namespace quorvane;

namespace {

// What is at a path is PathInfo's (tested with the file utilities); here: a regular file's whole 64-bit size.
TEST(FileSize64, RegularFilesOnlyWithExact64BitSizes) {
    qvtest::TempDir Dir;
    std::filesystem::create_symlink(Dir.Write("big", ""), Dir / "link");
    std::filesystem::resize_file(Dir / "big", (std::uintmax_t{5} << 30) + 3); // sparse: no disk space used
    EXPECT_EQ(FileSize64(Dir / "link"), (std::int64_t{5} << 30) + 3);
    ASSERT_EQ(mkfifo((Dir / "fifo").c_str(), 0600), 0);
    for (const std::string& Path : {Dir / "fifo", Dir.Path().string(), Dir / "missing"})
        EXPECT_EQ(FileSize64(Path), -1) << Path;
}

// Records of one list file as the reader makes them, with sizes set by hand.
void AddRecords(ItemList& Items, const std::string& List,
                std::initializer_list<std::pair<const char*, std::int64_t>> Files) {
    const TListFile* const ListFile = Items.AddListFile(List, THashKind::Crc32);
    for (const auto& [Name, Size] : Files)
        Items.Add(List.substr(0, List.rfind('/') + 1) + Name, "00000000", ListFile).Size = Size;
}

// Kind, image, indent, caption and size text of every row; each record's ListItem is the index of the
// row pointing at it, -1 when none does.
void ExpectRows(ItemList& Items, int Filter, const std::vector<std::string>& Expected) {
    const auto Rows = BuildRows(Items, Filter, smAuto);
    std::vector<std::string> Got;
    for (const auto& Row : Rows) // TRowKind: Header, Separator, File
        Got.push_back("HSF"[static_cast<int>(Row.Kind)] + std::to_string(Row.Image) + std::to_string(Row.Indent) + " " +
                      Row.Caption + "|" + Row.SizeText);
    EXPECT_EQ(Got, Expected) << "filter " << Filter;
    for (const auto& Rec : Items) {
        const auto Row = std::ranges::find(Rows, &Rec, &TRow::Record);
        EXPECT_EQ(Rec.ListItem, Row == Rows.end() ? -1 : Row - Rows.begin()) << Rec.FileName();
    }
}

TEST(BuildRows, GroupsPerListFileTheFilterKeepsHeadersAndTruncateDropsTheLast) {
    ItemList Items;
    ExpectRows(Items, dfAll, {});
    AddRecords(Items, "/lists/a.sfv", {{"one.bin", 1}, {"sub/two.bin", 2048}, {"three.bin", -1}});
    AddRecords(Items, "/lists/a.sfv", {{"four.bin", 0}}); // same path text: the same group
    AddRecords(Items, "/lists/A.sfv", {{"five.bin", 5}}); // case-sensitive: a new group
    Items[1].State = isGood;
    Items[4].State = isMissing;
    ExpectRows(Items, dfAll,
               {"H00 /lists/a.sfv|", "F11 one.bin|1 bytes", "F41 two.bin|2 KB", "F11 three.bin|Not Found",
                "F11 four.bin|0 KB", "S-10 |", "H00 /lists/A.sfv|", "F21 five.bin|5 bytes"});
    ExpectRows(Items, dfBad, {"H00 /lists/a.sfv|", "S-10 |", "H00 /lists/A.sfv|"}); // every ListItem back to -1
    ExpectRows(Items, dfGood, {"H00 /lists/a.sfv|", "F41 two.bin|2 KB", "S-10 |", "H00 /lists/A.sfv|"});
    Items.Truncate(2); // drops the records from the end
    ExpectRows(Items, dfAll, {"H00 /lists/a.sfv|", "F11 one.bin|1 bytes", "F41 two.bin|2 KB"});
}

TEST(ItemSizeText, ThreeModesAndSpecialSizes) {
    // The units are SizeToText's; here the rules of the size column on top of them. Mode 7 reads as Auto.
    const std::tuple<std::int64_t, int, const char*> Cases[] = {
        {-1, smBytes, "Not Found"},    {0, smKB, "0 KB"},        {0, smBytes, "0 KB"},
        {100, smKB, "1 KB"},           {2560, smKB, "3 KB"},     {2000000, smKB, "1,953 KB"},
        {1023, smAuto, "1,023 bytes"}, {1600, smBytes, "1,600"}, {1600, 7, "1 KB"}};
    for (const auto& [Size, Mode, Text] : Cases)
        EXPECT_EQ(ItemSizeText(Size, Mode), Text) << Size << " mode " << Mode;
    EXPECT_EQ(ItemSizeText(2000000, smKB, LocaleFormat{.ThousandSeparator = "."}), "1.953 KB");
    EXPECT_EQ(ItemSizeText(INT64_MAX, smKB), "9,007,199,254,740,992 KB");
    EXPECT_EQ(ItemSizeText(INT64_MAX, smBytes), "9,223,372,036,854,775,808");
}

} // namespace
