// The widgets' parts under the window: the list model, the dialog seam's helpers; and the tests' main.

#include <cmath>

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include "GuiTestSupport.h"
#include "ui/ChecksumListModel.h"
#include "ui/WindowUtils.h"

// Rectangles in failure messages as "(x,y wxh)".
static void PrintTo(const QRect& R, std::ostream* Os) {
    *Os << "(" << R.x() << "," << R.y() << " " << R.width() << "x" << R.height() << ")";
}

namespace {

TEST(ChecksumListModelTest, ShowsTheBuiltRowsAndSignalsEachChangedCellUnderTheModelTester) {
    ItemList Items;
    const TListFile* const List = Items.AddListFile("/data/a.sfv", THashKind::Crc32);
    for (const char* Name : {"/data/one.bin", "/data/two.bin"})
        Items.Add(Name, "00000000", List).Size = Items.Count() == 0 ? 2048 : -1;
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

TEST(InputQueryExTest, SizesItselfFromTheMainWindowsAverageCharacterAndTakesTheTextOnlyOnOk) {
    QFont Big = QApplication::font();
    Big.setPointSize(Big.pointSize() + 7);
    const QFontMetrics Metrics(Big);
    ASSERT_EQ(AverageCharSize(Big),
              QSize(Metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") / 52,
                    Metrics.height()));
    QWidget Main; // the main window lends the dialog its font
    Main.setFont(Big);
    Main.show();
    auto M = [](int A, int B, int C) { return int(std::lround(double(A) * B / C)); };
    const struct { QString Prompt; bool Password, OnTop, Limit; int Result; } Cases[] = {
        {"Name:", false, true, true, QDialog::Accepted},
        {"Name:", true, false, false, QDialog::Rejected},
        {"A prompt quite a lot wider than the dialog that asks the question", false, false, true, QDialog::Accepted},
    };
    FakeDialogs Fake;
    for (const auto& C : Cases) {
        Fake.OnExec = [&](QDialog& Dlg) {
            const QSize Avg = AverageCharSize(Dlg.font());
            const int X = Avg.width(), Y = Avg.height(), L = M(8, X, 4);
            auto* Label = Get<QLabel>(Dlg, "Prompt");
            auto* Edit = Get<QLineEdit>(Dlg, "Edit");
            const int LW = Label->sizeHint().width(), W = LW > M(180, X, 4) ? LW + 2 * L : M(180, X, 4);
            const QRect LabelR(L, M(8, Y, 8), LW, Label->sizeHint().height());
            const QRect EditR(L, LabelR.bottom() + 1 + M(8, X, 8), LW > M(164, X, 4) ? W - 2 * L : M(164, X, 4),
                              Edit->sizeHint().height());
            const int Top = EditR.bottom() + 1 + M(13, X, 8);
            EXPECT_EQ(QList<QRect>({Label->geometry(), Edit->geometry(), Get<QPushButton>(Dlg, "OK")->geometry(),
                                    Get<QPushButton>(Dlg, "Cancel")->geometry(), Dlg.rect()}),
                      QList<QRect>({LabelR, EditR, QRect(M(38, X, 4), Top, M(50, X, 4), M(14, Y, 8)),
                                    QRect(M(92, X, 4), Top, M(50, X, 4), M(14, Y, 8)),
                                    QRect(0, 0, W, Top + M(14, Y, 8) + M(13, X, 8))}));
            EXPECT_EQ(QVariantList({Dlg.font() == Big, LW > M(180, X, 4), Dlg.windowTitle(),
                                    Dlg.minimumSize() == Dlg.maximumSize(),
                                    bool(Dlg.windowFlags() & Qt::WindowStaysOnTopHint),
                                    Edit->echoMode() == QLineEdit::Password, Edit->maxLength(), Edit->text(),
                                    Edit->selectedText(), Get<QPushButton>(Dlg, "OK")->isDefault()}),
                      QVariantList({true, C.Prompt.size() > 40, "Caption", true, C.OnTop, C.Password,
                                    C.Limit ? 250 : 32767, "old", "old", true}));
            QTest::keyClicks(Edit, "new"); // replaces the selection
            return C.Result;
        };
        QString Value = "old";
        EXPECT_EQ(InputQueryEx("Caption", C.Prompt, C.Password, C.OnTop, C.Limit, Value),
                  C.Result == QDialog::Accepted);
        EXPECT_EQ(Value.toStdString(), C.Result == QDialog::Accepted ? "new" : "old");
    }
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
