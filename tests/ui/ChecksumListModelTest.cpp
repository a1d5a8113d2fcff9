#include "ui/ChecksumListModel.h"

#include <QAbstractItemModelTester>

#include <gtest/gtest.h>

using namespace quorvane;

namespace {

TEST(ChecksumListModelTest, ShowsTheBuiltRowsAndSignalsEachChangedCellUnderTheModelTester) {
    ItemList Items;
    auto List = std::make_shared<const std::string>("/data/a.sfv");
    for (const char* Name : {"/data/one.bin", "/data/two.bin"}) {
        TItemRec& R = Items.Add();
        R.FileName = Name;
        R.ListFile = List;
        R.Size = 2048;
    }
    Items[1].Size = -1;
    Items[1].State = isMissing;
    ChecksumListModel Model{{QIcon(), QIcon(), QIcon(), QIcon(), QIcon()}};
    QAbstractItemModelTester Tester(&Model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    Model.SetRows(BuildRows(Items, dfAll, 0));
    ASSERT_EQ(Model.rowCount(), 3);
    EXPECT_EQ(Model.headerData(0, Qt::Horizontal).toString(), "Filename");
    EXPECT_EQ(Model.headerData(1, Qt::Horizontal).toString(), "Size");
    EXPECT_EQ(Model.index(0, 0).data(ChecksumListModel::ImageRole).toInt(), 0); // a list's own row has no image
    EXPECT_EQ(Model.index(1, 0).data().toString(), "one.bin");
    EXPECT_EQ(Model.index(1, 0).data(ChecksumListModel::IndentRole).toInt(), 1);
    EXPECT_EQ(Model.index(2, 1).data().toString(), "Not Found");
    EXPECT_EQ(Model.index(1, 1).data(ChecksumListModel::SizeRole).toLongLong(), 2048);
    EXPECT_EQ(Model.index(1, 1).data(Qt::TextAlignmentRole).toInt() & Qt::AlignRight, Qt::AlignRight);
    EXPECT_FALSE(Model.index(0, 1).data(ChecksumListModel::SizeRole).isValid());

    std::vector<std::pair<int, int>> Changed;
    QObject::connect(&Model, &QAbstractItemModel::dataChanged,
                     [&](const QModelIndex& A, const QModelIndex&) { Changed.emplace_back(A.row(), A.column()); });
    Model.SetRowImage(1, isGood);
    Model.SetRowImage(1, isGood); // unchanged: no signal
    Model.SetSizeText(1, "Not Found");
    Model.SetSizeText(0, "x");    // a header has no size
    Model.SetRowImage(99, isBad); // beyond the rows
    EXPECT_EQ(Changed, (std::vector<std::pair<int, int>>{{1, 0}, {1, 1}}));
    Model.SetRows(BuildRows(Items, dfGood, 0));
    EXPECT_EQ(Model.rowCount(), 1); // none is Good in the list: the header stays
}

} // namespace
