#include "lists/ItemRows.h"

#include <memory>

#include <gtest/gtest.h>

#include "util/SizeText.h"

namespace {

// Records of list files as the reader makes them: size and state set by hand.
void AddRecords(ItemList& Items, const std::string& List,
                std::initializer_list<std::pair<const char*, std::int64_t>> Files) {
    const auto ListFile = std::make_shared<const std::string>(List);
    const std::string Folder = List.substr(0, List.rfind('/') + 1);
    for (const auto& [Name, Size] : Files) {
        TItemRec& Rec = Items.Add();
        Rec.FileName = Folder + Name;
        Rec.Checksum = "12345678";
        Rec.Size = Size;
        Rec.ListFile = ListFile;
    }
}

TEST(BuildRows, GroupsPerListFileWithHeadersAndSeparators) {
    ItemList Items;
    AddRecords(Items, "/lists/a.sfv", {{"one.bin", 1}, {"sub/two.bin", 2048}, {"three.bin", -1}});
    AddRecords(Items, "/other/b.sfv", {{"four.bin", 0}, {"five.bin", 5}});
    const auto Rows = BuildRows(Items, dfAll, smAuto);
    ASSERT_EQ(Rows.size(), 8u);
    const TRowKind Kinds[] = {TRowKind::Header,    TRowKind::File,   TRowKind::File, TRowKind::File,
                              TRowKind::Separator, TRowKind::Header, TRowKind::File, TRowKind::File};
    const char* Captions[] = {"/lists/a.sfv", "one.bin",  "two.bin", "three.bin", "",
                              "/other/b.sfv", "four.bin", "five.bin"};
    const int Images[] = {0, 1, 1, 1, -1, 0, 1, 1};
    const int Indents[] = {0, 1, 1, 1, 0, 0, 1, 1};
    const char* Sizes[] = {"", "1 bytes", "2 KB", "Not Found", "", "", "0 KB", "5 bytes"};
    for (std::size_t I = 0; I < Rows.size(); ++I) {
        EXPECT_EQ(Rows[I].Kind, Kinds[I]) << I;
        EXPECT_EQ(Rows[I].Caption, Captions[I]) << I;
        EXPECT_EQ(Rows[I].Image, Images[I]) << I;
        EXPECT_EQ(Rows[I].Indent, Indents[I]) << I;
        EXPECT_EQ(Rows[I].SizeText, Sizes[I]) << I;
        EXPECT_EQ(Rows[I].Record != nullptr, Kinds[I] == TRowKind::File) << I;
    }
    const int RowOf[] = {1, 2, 3, 6, 7};
    for (std::size_t R = 0; R < Items.Count(); ++R) {
        EXPECT_EQ(Items[R].ListItem, RowOf[R]);
        EXPECT_EQ(Rows[static_cast<std::size_t>(RowOf[R])].Record, &Items[R]);
    }
}

TEST(BuildRows, FilterKeepsHeadersAndClearsHiddenRecords) {
    ItemList Items;
    AddRecords(Items, "/a.sfv", {{"x", 1}, {"y", 1}});
    AddRecords(Items, "/b.sfv", {{"z", 1}});
    Items[1].State = isGood;
    Items[2].State = isMissing;
    BuildRows(Items, dfAll, smAuto);

    auto Rows = BuildRows(Items, dfBad, smAuto); // no bad record: only headers and separators
    ASSERT_EQ(Rows.size(), 3u);
    EXPECT_EQ(Rows[0].Kind, TRowKind::Header);
    EXPECT_EQ(Rows[1].Kind, TRowKind::Separator);
    EXPECT_EQ(Rows[2].Kind, TRowKind::Header);
    for (const auto& Rec : Items)
        EXPECT_EQ(Rec.ListItem, -1);

    Rows = BuildRows(Items, dfGood, smAuto);
    ASSERT_EQ(Rows.size(), 4u);
    EXPECT_EQ(Rows[1].Record, &Items[1]);
    EXPECT_EQ(Rows[1].Image, isGood);
    EXPECT_EQ(Items[1].ListItem, 1);
    EXPECT_EQ(Items[0].ListItem, -1);

    Rows = BuildRows(Items, dfAll, smAuto); // back to All: every file row with its current state
    ASSERT_EQ(Rows.size(), 6u);
    EXPECT_EQ(Rows[1].Image, isUnchecked);
    EXPECT_EQ(Rows[2].Image, isGood);
    EXPECT_EQ(Rows[5].Image, isMissing);
}

TEST(BuildRows, EmptyListGivesNoRowsAndSameListPathsFormOneGroup) {
    ItemList Items;
    EXPECT_TRUE(BuildRows(Items, dfAll, smAuto).empty());
    // Two list objects with the same path text are one group (texts are compared, not pointers).
    AddRecords(Items, "/a.sfv", {{"x", 1}});
    AddRecords(Items, "/a.sfv", {{"y", 1}});
    AddRecords(Items, "/A.sfv", {{"z", 1}}); // case-sensitive: a new group
    const auto Rows = BuildRows(Items, dfAll, smAuto);
    ASSERT_EQ(Rows.size(), 6u);
    EXPECT_EQ(Rows[3].Kind, TRowKind::Separator);
    EXPECT_EQ(Rows[4].Caption, "/A.sfv");
}

TEST(ItemSizeText, ThreeModesAndSpecialSizes) {
    struct Case {
        std::int64_t Size;
        int Mode;
        const char* Text;
    };
    const Case Cases[] = {
        {-1, smAuto, "Not Found"},
        {-1, smKB, "Not Found"},
        {-1, smBytes, "Not Found"},
        {0, smAuto, "0 KB"},
        {0, smKB, "0 KB"},
        {0, smBytes, "0 KB"},
        {100, smKB, "1 KB"},
        {1600, smKB, "2 KB"},
        {1600, smAuto, "1 KB"},
        {1536, smKB, "2 KB"},
        {2560, smKB, "3 KB"},
        {1023, smAuto, "1,023 bytes"},
        {2000000, smKB, "1,953 KB"},
        {1600, smBytes, "1,600"},
        {1, smBytes, "1"},
        {5368709120, smAuto, "5.00 GB"},
        {5368709120, smKB, "5,242,880 KB"},
        {INT64_MAX, smKB, "9,007,199,254,740,992 KB"},
        {INT64_MAX, smBytes, "9,223,372,036,854,775,808"},
        {1600, 7, "1 KB"}, // an unknown mode reads as Auto
    };
    for (const auto& C : Cases)
        EXPECT_EQ(ItemSizeText(C.Size, C.Mode), C.Text) << C.Size << " mode " << C.Mode;
    LocaleFormat German;
    German.ThousandSeparator = ".";
    EXPECT_EQ(ItemSizeText(2000000, smKB, German), "1.953 KB");
}

} // namespace
