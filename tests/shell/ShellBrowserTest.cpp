// The shell browser: the folder tree, the file list linked to it, and their splitter, over a temporary folder.

#include "shell/ShellBrowser.h"

#include <filesystem>

#include <QApplication>
#include <QHeaderView>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include "support/TestSupport.h"

using namespace quorvane;

namespace {

class ShellBrowserTest : public ::testing::Test {
protected:
    ShellBrowserTest() {
        Dir.Write("alpha.txt", "abc");
        Dir.Write(".hidden", "h");
        Dir.Write("sub/inner.txt", "inner");
        Dir.Write(".hdir/x", "");
        Dir.Write("big.bin", "");
        std::filesystem::resize_file(Dir / "big.bin", 5ULL << 30); // sparse
        std::filesystem::create_symlink("alpha.txt", Dir / "zlink");
        Tree.SetShellList(&List);
    }
    QString Q(const std::string& Name = {}) const {
        return QDir::cleanPath(QString::fromStdString(Name.empty() ? Dir.Path().string() : Dir / Name));
    }
    // Each item of the list in the order shown: file name, "d" for a folder, size.
    QStringList Items() {
        QStringList Out;
        for (int I = 0; I < List.ItemCount(); ++I) {
            const TPTShListData* D = List.ListData(I);
            Out << D->FileName() + (D->IsFolder() ? " d " : " ") + QString::number(D->Size());
        }
        return Out;
    }
    qvtest::TempDir Dir;
    TPTShellList List;
    TPTShellTree Tree;
};

TEST_F(ShellBrowserTest, SetPathReturnsWithTheFolderListedHiddenEntriesIncluded) {
    QList<int> Cursors; // the override cursor whenever the list's entries are replaced during SetPath
    QObject::connect(List.model(), &QAbstractItemModel::modelReset, [&] {
        Cursors << (QGuiApplication::overrideCursor() ? QGuiApplication::overrideCursor()->shape() : -1);
    });
    ASSERT_TRUE(Tree.SetPath(Q() + "/"));
    const QStringList ByName{".hdir d 0", ".hidden 1", "alpha.txt 3", "big.bin 5368709120", "sub d 0", "zlink 3"};
    EXPECT_EQ(Items(), ByName);
    EXPECT_EQ(List.ListData(3), List.ListData(3)); // kept
    EXPECT_EQ(List.ListData(6), nullptr);
    EXPECT_EQ(Tree.Path(), Q());
    ASSERT_FALSE(Cursors.isEmpty());
    EXPECT_EQ(Cursors, QList<int>(Cursors.size(), Qt::WaitCursor));
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);

    List.SetFoldersFirst(true);
    EXPECT_EQ(Items(),
              QStringList({".hdir d 0", "sub d 0", ".hidden 1", "alpha.txt 3", "big.bin 5368709120", "zlink 3"}));
    List.sortByColumn(TPTShellList::NameColumn, Qt::DescendingOrder);
    EXPECT_EQ(Items(),
              QStringList({"sub d 0", ".hdir d 0", "zlink 3", "big.bin 5368709120", "alpha.txt 3", ".hidden 1"}));
    List.SetFoldersFirst(false);
    List.sortByColumn(TPTShellList::NameColumn, Qt::AscendingOrder);
    EXPECT_EQ(Items(), ByName);

    ASSERT_TRUE(Tree.SetPath(Q("sub")));
    EXPECT_EQ(Items(), QStringList({"inner.txt 5"}));
}

TEST_F(ShellBrowserTest, TheTreeShowsFoldersOnlyAndKeepsItsSelectionForPathsThatAreNoFolder) {
    ASSERT_TRUE(Tree.SetPath(Q()));
    const QModelIndex Folder = Tree.currentIndex();
    ASSERT_TRUE(QTest::qWaitFor([&] { return Tree.model()->rowCount(Folder) >= 2; }, 10000));
    QTest::qWait(100); // a file would have arrived with the folders
    QStringList Names;
    for (int Row = 0; Row < Tree.model()->rowCount(Folder); ++Row)
        Names << Tree.model()->index(Row, 0, Folder).data().toString();
    Names.sort();
    EXPECT_EQ(Names, QStringList({".hdir", "sub"}));
    for (const QString& Path : {QString(), Q("missing"), Q("alpha.txt"), Q("zlink"), Q("sub/inner.txt")}) {
        EXPECT_FALSE(Tree.SetPath(Path)) << Path.toStdString();
        EXPECT_EQ(Tree.Path(), Q());
        EXPECT_EQ(List.Folder(), Q());
    }
    EXPECT_EQ(QVariantList({Tree.indentation(), Tree.rootIsDecorated(), Tree.isColumnHidden(1)}),
              QVariantList({19, false, true}));
}

TEST_F(ShellBrowserTest, SelectionIsReadAndWrittenAndBulkChangesArriveAtOnce) {
    ASSERT_TRUE(Tree.SetPath(Q()));
    QSignalSpy Changes(List.selectionModel(), &QItemSelectionModel::selectionChanged);
    // The selected items, the selected count, selection signals so far, whether the list paints.
    auto State = [&] {
        QStringList Out;
        for (int I = 0; I < List.ItemCount(); ++I)
            if (List.ItemSelected(I))
                Out << QString::number(I);
        return QString("%1|%2|%3|%4")
            .arg(Out.join(' '))
            .arg(List.SelectedCount())
            .arg(Changes.size())
            .arg(List.updatesEnabled());
    };
    EXPECT_EQ(State(), "|0|0|1");
    List.SetItemSelected(1, true);
    List.SetItemSelected(3, true);
    List.SetItemSelected(9, true); // beyond the items
    EXPECT_EQ(State(), "1 3|2|2|1");

    List.BeginUpdate();
    List.BeginUpdate();
    for (const auto& [Index, On] : {std::pair{0, true}, {1, false}, {2, true}, {4, true}, {4, false}})
        List.SetItemSelected(Index, On);
    List.EndUpdate();
    EXPECT_EQ(State(), "0 2 3|3|2|0");
    List.EndUpdate();
    EXPECT_EQ(State(), "0 2 3|3|3|1");
}

TEST_F(ShellBrowserTest, AFileMadeAfterSetPathAppearsInItsPlaceAndTheSelectionMovesAlong) {
    ASSERT_TRUE(Tree.SetPath(Q()));
    List.SetItemSelected(3, true); // big.bin
    Dir.Write("beta.txt", "1234");
    ASSERT_TRUE(QTest::qWaitFor([&] { return List.ItemCount() == 7; }, 10000));
    EXPECT_EQ(Items(), QStringList({".hdir d 0", ".hidden 1", "alpha.txt 3", "beta.txt 4", "big.bin 5368709120",
                                    "sub d 0", "zlink 3"}));
    EXPECT_EQ(QList<bool>({List.ItemSelected(3), List.ItemSelected(4), List.SelectedCount() == 1}),
              QList<bool>({false, true, true}));
}

TEST_F(ShellBrowserTest, TheDividerStandsAt254AndTheTypeColumnCanBeHidden) {
    TPTSplitter Splitter;
    Splitter.addWidget(new QWidget);
    Splitter.addWidget(new QWidget);
    Splitter.resize(900, 400);
    Splitter.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&Splitter));
    EXPECT_EQ(Splitter.sizes().value(0), 254);
    Splitter.resize(1200, 400);
    QCoreApplication::processEvents();
    EXPECT_EQ(Splitter.sizes().value(0), 254);

    EXPECT_EQ(List.model()->headerData(TPTShellList::TypeColumn, Qt::Horizontal).toString(), "Type");
    EXPECT_FALSE(List.header()->isSectionHidden(TPTShellList::TypeColumn));
    List.HideTypeColumn();
    EXPECT_TRUE(List.header()->isSectionHidden(TPTShellList::TypeColumn));
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication App(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
