#include "lists/ItemList.h"

#include <filesystem>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "support/TestSupport.h"

namespace {

TEST(FileSize64, RegularFilesOnly) {
    qvtest::TempDir Dir;
    EXPECT_EQ(FileSize64(Dir.Write("empty", "")), 0);
    EXPECT_EQ(FileSize64(Dir.Write("five", "12345")), 5);
    std::filesystem::create_directory(Dir / "folder");
    EXPECT_EQ(FileSize64(Dir / "folder"), -1);
    EXPECT_EQ(FileSize64(Dir / "missing"), -1);
    EXPECT_EQ(FileSize64(""), -1);
    std::filesystem::create_symlink(Dir / "five", Dir / "link");
    EXPECT_EQ(FileSize64(Dir / "link"), 5);
    std::filesystem::create_symlink(Dir / "gone", Dir / "dangling");
    EXPECT_EQ(FileSize64(Dir / "dangling"), -1);
    ASSERT_EQ(mkfifo((Dir / "fifo").c_str(), 0600), 0);
    EXPECT_EQ(FileSize64(Dir / "fifo"), -1);
    EXPECT_EQ(FileSize64("/dev/null"), -1);
}

TEST(FileSize64, SizesBeyond4GiBAreExact) {
    qvtest::TempDir Dir;
    const std::string Path = Dir.Write("sparse", "");
    std::error_code Error;
    std::filesystem::resize_file(Path, (std::uintmax_t{5} << 30) + 3, Error); // sparse: no disk space used
    if (Error)
        GTEST_SKIP() << "the file system refuses a sparse 5 GiB file";
    EXPECT_EQ(FileSize64(Path), (std::int64_t{5} << 30) + 3);
}

TEST(ItemList, RecordsKeepTheirAddressesAndOrder) {
    ItemList Items;
    EXPECT_TRUE(Items.Empty());
    TItemRec& First = Items.Add();
    First.FileName = "first";
    for (int I = 0; I < 10000; ++I)
        Items.Add().FileName = std::to_string(I);
    EXPECT_EQ(&Items[0], &First); // growing never moves a record: rows and runs point at them
    EXPECT_EQ(Items.Count(), 10001u);
    EXPECT_EQ(Items[10000].FileName, "9999");
    EXPECT_EQ(First.State, isUnchecked);
    EXPECT_EQ(First.Size, -1);
    EXPECT_EQ(First.ListItem, -1);
    Items.Truncate(3);
    EXPECT_EQ(Items.Count(), 3u);
    EXPECT_EQ(Items[2].FileName, "1");
    Items.Clear();
    EXPECT_TRUE(Items.Empty());
}

} // namespace
