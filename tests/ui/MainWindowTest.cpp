#include "ui/MainDlg.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QMenu>
#include <QProgressBar>
#include <QTableView>
#include <QTest>
#include <QToolBar>
#include <QWindow>

#include "GuiTestSupport.h"
#include "checksum/Crc32.h"
#include "lists/RunFlags.h"
#include "settings/ScratchRegistry.h"
#include "ui/ChecksumListModel.h"
#include "ui/uDragFilesTrg.h"

using namespace quorvane;

namespace {

namespace fs = std::filesystem;

class MainWindowTest : public ScratchRegistry {
protected:
    ~MainWindowTest() override {
        CrcBufSize = SavedBufSize;
        CrcAbort = false;
    }

    static QString Q(const std::string& S) { return QString::fromStdString(S); }
    // A file and its list line with the right (or a wrong) CRC-32.
    std::string Entry(const std::string& Name, const std::string& Bytes, bool Right = true) {
        const std::string Path = Dir.Write(Name, Bytes);
        return Name + " " + (Right ? Crc32ToText(Crc32OfFile(Path)) : std::string("DEADBEEF")) + "\n";
    }
    // good.bin (Good), bad.bin (Bad), gone.bin (Missing).
    std::string ThreeStateList() {
        return Dir.Write("three.sfv", Entry("good.bin", "good bytes") + Entry("bad.bin", "bad bytes", false) +
                                          "gone.bin 01234567\n");
    }
    // Opens and checks a list slow enough to be watched (a large file read in tiny chunks); returns once it runs.
    void StartSlowCheck(TFrmMain& W) {
        CrcBufSize = 16;
        Open(W, Dir.Write("slow.sfv", Entry("big.bin", qvtest::PatternBytes(8 << 20)) + Entry("after.bin", "x")));
        W.bCheck->trigger();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !W.bOpen->isEnabled(); }, 10000));
    }
    static bool Open(TFrmMain& W, const std::string& List) {
        W.ChecksumFiles = {List};
        return W.OpenChecksumFiles();
    }
    static bool WaitIdle(TFrmMain& W) {
        return QTest::qWaitFor([&] { return !W.Running(); }, 60000);
    }
    static void Drop(TFrmMain& W, const QStringList& Paths) {
        SendDrop(&W, Paths);
        QCoreApplication::processEvents(); // OnDrop follows the finished drop
    }
    // Each row's name with the state its image shows (none for a list's own row), and the status bar's counts.
    static QStringList Rows(TFrmMain& W) {
        const QMap<int, QString> States{
            {0, ""}, {isUnchecked, " Unchecked"}, {isMissing, " Missing"}, {isBad, " Bad"}, {isGood, " Good"}};
        QStringList Out;
        for (int Row = 0; Row < W.Model->rowCount(); ++Row) {
            const int Image = W.Model->index(Row, 0).data(ChecksumListModel::ImageRole).toInt();
            Out << W.Model->index(Row, 0).data().toString() + States.value(Image, " image " + QString::number(Image));
        }
        return Out;
    }
    static QString Counts(TFrmMain& W) {
        return QStringList{W.StatusPanelText(0), W.StatusPanelText(1), W.StatusPanelText(2), W.StatusPanelText(3)}.join(
            "|");
    }
    // Create, Open, Check, Display and the drop target are on exactly while no run goes on.
    static void ExpectIdleCommands(TFrmMain& W, bool Idle) {
        for (QAction* A : {W.bCreate, W.bOpen, W.bCheck, W.bDisplay})
            EXPECT_EQ(A->isEnabled(), Idle) << A->objectName().toStdString();
        EXPECT_EQ(W.DragFilesTrg1->Enabled(), Idle);
    }

    FakeDialogs Dialogs;
    const std::int32_t SavedBufSize = CrcBufSize;
};

TEST_F(MainWindowTest, OpenCheckAndFilterAListThroughTheWindow) {
    const std::string List = ThreeStateList();
    TFrmMain W;
    W.show();
    EXPECT_EQ(W.windowTitle(), "Quorvane 2.6");
    Dialogs.Chosen.push_back({Q(List)});
    W.bOpen->trigger();
    ASSERT_EQ(Dialogs.OpenRequests.size(), 1u);
    EXPECT_EQ(Dialogs.OpenRequests[0].NameFilters.first(), "SFV or MD5 (*.sfv *.md5)");
    EXPECT_EQ(Dialogs.OpenRequests[0].DefaultSuffix, "sfv");
    EXPECT_EQ(Rows(W), QStringList({Q(List), "good.bin Unchecked", "bad.bin Unchecked", "gone.bin Unchecked"}));
    EXPECT_EQ(W.windowTitle(), "Quorvane 2.6 - three.sfv");
    EXPECT_EQ(Counts(W), "3 Unchecked|0 Missing|0 Bad|0 Good");
    EXPECT_EQ(W.OpenDialogInitialDir, Q(Dir.Path().string() + "/"));

    W.bCheck->trigger();
    ASSERT_TRUE(WaitIdle(W));
    const QStringList Checked{Q(List), "good.bin Good", "bad.bin Bad", "gone.bin Missing"};
    EXPECT_EQ(Rows(W), Checked);
    EXPECT_EQ(W.Model->index(3, 1).data().toString(), "Not Found");
    EXPECT_EQ(Counts(W), "0 Unchecked|1 Missing|1 Bad|1 Good");
    EXPECT_TRUE(W.Label7->text().startsWith("Complete in ")) << W.Label7->text().toStdString();
    EXPECT_EQ(W.FileProgressBar->value(), 100);
    EXPECT_EQ(W.TotalProgressBar->value(), 100);
    ExpectIdleCommands(W, true);
    EXPECT_TRUE(Dialogs.Errors.isEmpty());

    // The display filter shows one state; All brings every row back.
    ASSERT_EQ(W.bDisplay->menu(), W.PopupMenu3);
    W.mnuBad->trigger();
    EXPECT_TRUE(W.mnuBad->isChecked());
    EXPECT_FALSE(W.mnuAll->isChecked());
    EXPECT_EQ(Rows(W), QStringList({Q(List), "bad.bin Bad"}));
    W.mnuMiss->trigger();
    EXPECT_EQ(Rows(W), QStringList({Q(List), "gone.bin Missing"}));
    W.mnuAll->trigger();
    EXPECT_EQ(Rows(W), Checked);
}

TEST_F(MainWindowTest, ARunDisablesTheCommandsAndEndsByAbortOrClose) {
    Put("ShowProgress", 1);
    auto W = std::make_unique<TFrmMain>();
    W->show();
    EXPECT_FALSE(W->Panel2->isHidden());
    StartSlowCheck(*W);
    ExpectIdleCommands(*W, false);
    for (QAction* A : {W->bCancel, W->bOptions, W->ToolButton3})
        EXPECT_TRUE(A->isEnabled());
    // Neither a drop nor the Delete key does anything meanwhile.
    Drop(*W, {Q(W->ChecksumFiles[0])});
    W->lv->selectRow(1);
    QTest::keyClick(W->lv, Qt::Key_Delete);
    // The event loop keeps running: the bars move while the big file is read.
    EXPECT_TRUE(QTest::qWaitFor([&] { return W->FileProgressBar->value() > 0; }, 20000));

    W->bCancel->trigger();
    ASSERT_TRUE(WaitIdle(*W));
    EXPECT_EQ(Rows(*W).mid(1), QStringList({"big.bin Unchecked", "after.bin Unchecked"})); // cut short, not reached
    EXPECT_EQ(W->Label7->text(), "");
    EXPECT_EQ(W->TotalProgressBar->value(), 100);
    ExpectIdleCommands(*W, true);
    EXPECT_TRUE(Dialogs.Questions.isEmpty()); // neither the drop nor the Delete key asked anything

    // Closing the window during a run stops it safely.
    StartSlowCheck(*W);
    EXPECT_TRUE(W->close());
    EXPECT_TRUE(AppClosing);
    EXPECT_TRUE(CrcAbort);
    W.reset(); // waits for the current chunk only; no display change reaches the freed window
    QTest::qWait(50);
    TFrmMain Next; // starts afresh
    EXPECT_FALSE(AppClosing);
}

TEST_F(MainWindowTest, EditingNeverRenamesAndDeleteRemovesTheSelectedRowsFiles) {
    const std::string List = Dir.Write("del.sfv", Entry("a.bin", "a") + Entry("b.bin", "b") + "c.bin 00000000\n");
    TFrmMain W;
    W.show();
    Open(W, List);
    const QModelIndex Name = W.Model->index(1, 0);
    W.lv->setCurrentIndex(Name);
    W.lv->edit(Name);
    auto* Editor = W.lv->findChild<QLineEdit*>();
    ASSERT_NE(Editor, nullptr);
    Editor->selectAll();
    QTest::keyClicks(Editor, "other.bin");
    QTest::keyClick(Editor, Qt::Key_Return);
    EXPECT_EQ(Name.data().toString(), "a.bin"); // snaps back
    EXPECT_FALSE(fs::exists(Dir / "other.bin"));

    W.lv->clearSelection();
    QTest::keyClick(W.lv, Qt::Key_Delete); // nothing selected: no question
    EXPECT_TRUE(Dialogs.Questions.isEmpty());
    for (int Row : {0, 1, 3})
        W.lv->selectionModel()->select(W.Model->index(Row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    Dialogs.Answers = {false, true};
    QTest::keyClick(W.lv, Qt::Key_Delete);
    EXPECT_TRUE(fs::exists(Dir / "a.bin"));
    QTest::keyClick(W.lv, Qt::Key_Delete);
    EXPECT_EQ(Dialogs.Questions, QStringList(2, "Quorvane|Delete Selected File(s)?"));
    EXPECT_FALSE(fs::exists(Dir / "a.bin"));
    EXPECT_TRUE(fs::exists(Dir / "b.bin"));
    EXPECT_TRUE(fs::exists(List)); // the header row names the list: skipped
    EXPECT_EQ(Dialogs.Errors, QStringList({"Quorvane|Error file not found: " + Q(Dir / "c.bin")}));
    // Rows and states stay until the next check.
    EXPECT_EQ(Rows(W).mid(1), QStringList({"a.bin Unchecked", "b.bin Unchecked", "c.bin Unchecked"}));
}

TEST_F(MainWindowTest, ListsFromTheCommandLineOrADropAreOpenedAndChecked) {
    // A name that is no valid UTF-8 reaches the reader byte for byte.
    const std::string List = Dir / "th\xE9se.sfv";
    fs::rename(ThreeStateList(), List);
    TFrmMain W({List, "ignored.sfv"});
    W.show();
    EXPECT_EQ(W.Model->rowCount(), 0); // handled once the event loop runs
    ASSERT_TRUE(QTest::qWaitFor([&] { return W.StatusPanelText(3) == "1 Good" && !W.Running(); }, 20000));
    EXPECT_EQ(Counts(W), "0 Unchecked|1 Missing|1 Bad|1 Good");
    EXPECT_EQ(W.ChecksumFiles, std::vector<std::string>({List}));
    EXPECT_EQ(W.OpenDialogInitialDir, Q(Dir.Path().string() + "/"));

    // A drop asks first, then opens and checks its first file only.
    const std::string First = Dir.Write("first.sfv", Entry("f.bin", "f") + Entry("g.bin", "g"));
    const QStringList Dropped{Q(First), Q(Dir.Write("second.sfv", ""))};
    Dialogs.Answers = {false, true};
    Drop(W, Dropped);
    ASSERT_EQ(Dialogs.Questions, QStringList({"Quorvane|Process File?\n" + Q(First)}));
    EXPECT_EQ(W.ChecksumFiles, std::vector<std::string>({List}));
    EXPECT_FALSE(W.Running());
    Drop(W, Dropped);
    ASSERT_TRUE(QTest::qWaitFor([&] { return W.StatusPanelText(3) == "2 Good" && !W.Running(); }, 20000));
    EXPECT_EQ(W.ChecksumFiles, std::vector<std::string>({First}));
    EXPECT_EQ(W.OpenDialogFileName, Q(First));
    EXPECT_EQ(Rows(W), QStringList({Q(First), "f.bin Good", "g.bin Good"}));
}

TEST_F(MainWindowTest, ListsThatCannotBeOpenedAreReportedAndNotChecked) {
    TFrmMain W({"/makesfv"});
    W.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !Dialogs.Errors.isEmpty(); }, 5000));
    EXPECT_EQ(Dialogs.Errors, QStringList({"Quorvane|Cannot open file /makesfv"}));
    QTest::qWait(20);
    EXPECT_EQ(W.Label7->text(), "");
    EXPECT_FALSE(W.bCheck->isEnabled());
    EXPECT_EQ(W.windowTitle(), "Quorvane 2.6 - makesfv");

    // Part-way through several lists: the records read so far are shown and counted (with no separators), and the
    // caption names the last list as written.
    std::string Lines;
    for (int I = 0; I < 1234; ++I)
        Lines += "f" + std::to_string(I) + ".bin 00000000\n";
    const std::string Many = Dir.Write("many.sfv", Lines);
    W.ChecksumFiles = {Many, Dir / "a[*]b[*][*].sfv"};
    EXPECT_FALSE(W.OpenChecksumFiles());
    EXPECT_EQ(Dialogs.Errors.size(), 2);
    EXPECT_EQ(Rows(W).mid(0, 2), QStringList({Q(Many), "f0.bin Unchecked"}));
    EXPECT_EQ(Counts(W), "1234 Unchecked|0 Missing|0 Bad|0 Good");
    EXPECT_EQ(W.windowHandle()->title().toStdString(), "Quorvane 2.6 - a[*]b[*][*].sfv");
}

TEST_F(MainWindowTest, CheckWithoutAListAsksForOneAndRunsAnyway) {
    TFrmMain W;
    W.show();
    W.bCheck->trigger(); // the open dialog is cancelled
    EXPECT_EQ(Dialogs.OpenRequests.size(), 1u);
    ASSERT_TRUE(QTest::qWaitFor([&] { return W.Label7->text() == "Complete in 0 seconds"; }, 10000));
    ASSERT_TRUE(WaitIdle(W));

    // A list chosen in the dialog that cannot be opened: the error is shown and no check starts.
    Dialogs.Chosen.push_back({Q(Dir / "nowhere.sfv")});
    W.bCheck->trigger();
    EXPECT_EQ(Dialogs.OpenRequests.size(), 2u);
    EXPECT_EQ(Dialogs.Errors, QStringList({"Quorvane|Cannot open file " + Q(Dir / "nowhere.sfv")}));
    EXPECT_FALSE(W.Running());
    EXPECT_TRUE(W.bOpen->isEnabled());
}

TEST_F(MainWindowTest, FirstStartUsesTheDefaultsAndWithoutSavePosWritesNoBounds) {
    {
        TFrmMain W;
        EXPECT_EQ(W.size(), QSize(606, 462));
        EXPECT_EQ(W.ToolBar1->orientation(), Qt::Vertical);
        EXPECT_TRUE(W.Panel2->isHidden());
        EXPECT_EQ(W.SizeType, 0);
        W.ApplyToolbarPosition(2); // not a layout: nothing changes
        EXPECT_EQ(W.ToolBar1->orientation(), Qt::Vertical);
        W.resize(700, 500);
    }
    EXPECT_EQ(SavedBounds(), "- - - - -");
}

TEST_F(MainWindowTest, SettingsRoundTripIncludingAMaximizedClose) {
    Put("SavePos", 1);
    Put("ToolbarPosition", 1);
    Put("SizeType", 2);
    {
        TFrmMain W;
        EXPECT_EQ(W.ToolBar1->orientation(), Qt::Horizontal);
        EXPECT_EQ(W.SizeType, 2);
        W.show();
        W.resize(500, 400);
        W.move(30, 40);
        QTest::qWait(20);
        W.showMaximized();
        QTest::qWait(20);
        W.close();
    }
    EXPECT_EQ(SavedBounds(), "500 400 30 40 1");
    {
        // Started and closed maximized, never shown normal: the normal bounds behind it are kept.
        TFrmMain Again;
        EXPECT_EQ(QRect(Again.pos(), Again.size()), QRect(30, 40, 500, 400));
        Again.show();
        QTest::qWait(20);
        EXPECT_TRUE(Again.windowState() & Qt::WindowMaximized);
        Again.close();
    }
    EXPECT_EQ(SavedBounds(), "500 400 30 40 1");
}

TEST_F(MainWindowTest, ADamagedSettingsFileNeverStopsTheProgram) {
    WriteUserFile("[Software\\Quorvane]\nSavePos=1\n");
    TFrmMain W;
    W.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !Dialogs.Errors.isEmpty(); }, 5000));
    EXPECT_TRUE(Dialogs.Errors[0].contains(".bad")) << Dialogs.Errors[0].toStdString();
    EXPECT_TRUE(fs::exists(UserFile() + ".bad"));
    EXPECT_EQ(W.size(), QSize(606, 462));
}

} // namespace
