#include "ui/ChecksumListModel.h"

#include <QAbstractItemModelTester>

#include <gtest/gtest.h>

namespace {

struct Fixture {
    Fixture() {
        auto List = std::make_shared<const std::string>("/data/a.sfv");
        for (const char* Name : {"/data/one.bin", "/data/two.bin"}) {
            TItemRec& R = Items.Add();
            R.FileName = Name;
            R.Checksum = "12345678";
            R.ListFile = List;
            R.Size = 2048;
        }
        Items[1].Size = -1;
        Items[1].State = isMissing;
    }
    ItemList Items;
    ChecksumListModel Model{{QIcon(), QIcon(), QIcon(), QIcon(), QIcon()}};
};

TEST(ChecksumListModelTest, ShowsTheBuiltRowsUnderTheModelTester) {
    Fixture F;
    QAbstractItemModelTester Tester(&F.Model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    F.Model.SetRows(BuildRows(F.Items, dfAll, 0));
    ASSERT_EQ(F.Model.rowCount(), 3);
    EXPECT_EQ(F.Model.columnCount(), 2);
    EXPECT_EQ(F.Model.headerData(0, Qt::Horizontal).toString(), "Filename");
    EXPECT_EQ(F.Model.headerData(1, Qt::Horizontal).toString(), "Size");
    EXPECT_EQ(F.Model.index(0, 0).data().toString(), "/data/a.sfv");
    EXPECT_EQ(F.Model.index(0, 0).data(ChecksumListModel::ImageRole).toInt(), 0);
    EXPECT_EQ(F.Model.index(1, 0).data().toString(), "one.bin");
    EXPECT_EQ(F.Model.index(1, 0).data(ChecksumListModel::IndentRole).toInt(), 1);
    EXPECT_EQ(F.Model.index(2, 0).data(ChecksumListModel::ImageRole).toInt(), isMissing);
    EXPECT_EQ(F.Model.index(2, 1).data().toString(), "Not Found");
    EXPECT_EQ(F.Model.index(1, 1).data(ChecksumListModel::SizeRole).toLongLong(), 2048);
    EXPECT_EQ(F.Model.index(1, 1).data(Qt::TextAlignmentRole).toInt() & Qt::AlignRight, Qt::AlignRight);
    EXPECT_FALSE(F.Model.index(0, 1).data(ChecksumListModel::SizeRole).isValid());
    F.Model.SetRows(BuildRows(F.Items, dfGood, 0));
    EXPECT_EQ(F.Model.rowCount(), 1); // the header stays
}

TEST(ChecksumListModelTest, ARenameSnapsBack) {
    Fixture F;
    F.Model.SetRows(BuildRows(F.Items, dfAll, 0));
    QModelIndex Name = F.Model.index(1, 0);
    EXPECT_TRUE(F.Model.flags(Name) & Qt::ItemIsEditable);
    EXPECT_FALSE(F.Model.setData(Name, "renamed.bin"));
    EXPECT_EQ(Name.data().toString(), "one.bin");
}

TEST(ChecksumListModelTest, ImageAndSizeChangesAreSignalledForTheirCell) {
    Fixture F;
    QAbstractItemModelTester Tester(&F.Model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    F.Model.SetRows(BuildRows(F.Items, dfAll, 0));
    std::vector<std::pair<int, int>> Changed;
    QObject::connect(&F.Model, &QAbstractItemModel::dataChanged,
                     [&](const QModelIndex& A, const QModelIndex&) { Changed.emplace_back(A.row(), A.column()); });
    F.Model.SetRowImage(1, isGood);
    F.Model.SetRowImage(1, isGood); // unchanged: no signal
    F.Model.SetSizeText(1, "Not Found");
    F.Model.SetSizeText(0, "x");    // a header has no size
    F.Model.SetRowImage(99, isBad); // beyond the rows
    ASSERT_EQ(Changed.size(), 2u);
    EXPECT_EQ(Changed[0], std::make_pair(1, 0));
    EXPECT_EQ(Changed[1], std::make_pair(1, 1));
    EXPECT_EQ(F.Model.index(1, 0).data(ChecksumListModel::ImageRole).toInt(), isGood);
    EXPECT_EQ(F.Model.index(1, 1).data().toString(), "Not Found");
}

} // namespace
