// The widgets' parts under the window: the list model, the dialog seam's helpers; and the tests' main.

#include <QAbstractItemModelTester>
#include <QApplication>

#include <gtest/gtest.h>

#include "GuiTestSupport.h"
#include "ui/ChecksumListModel.h"

namespace {

TEST(ChecksumListModelTest, ShowsTheBuiltRowsAndSignalsEachChangedCellUnderTheModelTester) {
    ItemList Items;
    for (const char* Name : {"/data/one.bin", "/data/two.bin"}) {
        TItemRec& R = Items.Add();
        R.FileName = Name;
        R.ListFile = std::make_shared<const TListFile>(TListFile{"/data/a.sfv"});
        R.Size = Items.Count() == 1 ? 2048 : -1;
    }
    ChecksumListModel Model{{QIcon(), QIcon(), QIcon(), QIcon(), QIcon()}};
    QAbstractItemModelTester Tester(&Model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    Model.SetRows(BuildRows(Items, dfAll, 0));
    auto Data = [&](int Row, int Column, int Role) { return Model.index(Row, Column).data(Role); };
    EXPECT_EQ(QVariantList({Model.headerData(0, Qt::Horizontal), Model.headerData(1, Qt::Horizontal),
                            Data(1, 0, Qt::DisplayRole), Data(1, 0, ChecksumListModel::IndentRole),
                            Data(2, 1, Qt::DisplayRole), Data(1, 1, ChecksumListModel::SizeRole),
                            Data(0, 1, ChecksumListModel::SizeRole)}),
              QVariantList({"Filename", "Size", "one.bin", 1, "Not Found", qint64(2048), QVariant()}));
    EXPECT_EQ(Data(1, 1, Qt::TextAlignmentRole).toInt() & Qt::AlignRight, Qt::AlignRight);

    std::vector<std::pair<int, int>> Changed;
    QObject::connect(&Model, &QAbstractItemModel::dataChanged,
                     [&](const QModelIndex& A, const QModelIndex&) { Changed.emplace_back(A.row(), A.column()); });
    Model.SetRowImage(1, isGood);
    Model.SetRowImage(1, isGood); // unchanged: no signal
    Model.SetSizeText(1, "Not Found");
    Model.SetSizeText(0, "x");    // a header has no size
    Model.SetRowImage(99, isBad); // beyond the rows
    EXPECT_EQ(Changed, (std::vector<std::pair<int, int>>{{1, 0}, {1, 1}}));
}

TEST(DialogSeamTest, TheOpenDialogStandsCentredAThirdDown) {
    // A second monitor right of the first: its own origin counts.
    EXPECT_EQ(OpenDialogGeometry(QRect(1920, 0, 1280, 1024), QSize(601, 400)),
              QRect(1920 + (1280 - 601) / 2, 40 + (1024 - 400) / 3, 601, 400));
}

} // namespace

// One QApplication for all GUI tests: offscreen unless told otherwise, German locale (for the size separators).
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("LC_ALL", "de_DE.UTF-8");
    QApplication App(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
