#include "ui/MainDlg.h"

#include <filesystem>
#include <fstream>

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QProgressBar>
#include <QTableView>
#include <QTest>
#include <QToolBar>
#include <QUrl>
#include <QWindow>

#include <gtest/gtest.h>

#include "FakeDialogs.h"
#include "checksum/Crc32.h"
#include "settings/Registry.h"
#include "settings/SettingsStore.h"
#include "support/TestSupport.h"
#include "ui/ChecksumListModel.h"
#include "ui/QVstatus.h"
#include "ui/uDragFilesTrg.h"
#include "lists/RunFlags.h"

namespace {

QString Q(const std::string& S) {
    return QString::fromStdString(S);
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetRegistryFolder(Q(Dir / "cfg"));
        SavedBufSize = CrcBufSize;
    }
    void TearDown() override {
        CrcBufSize = SavedBufSize;
        CrcAbort = false;
        SetRegistryFolder({});
    }

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
    // A list whose check takes long enough to be watched: a large file read in tiny chunks.
    std::string SlowList() {
        CrcBufSize = 16;
        return Dir.Write("slow.sfv", Entry("big.bin", qvtest::PatternBytes(8 << 20)) + Entry("after.bin", "x"));
    }
    static int Image(TFrmMain& W, int Row) { return W.Model->index(Row, 0).data(ChecksumListModel::ImageRole).toInt(); }
    static bool WaitIdle(TFrmMain& W) {
        return QTest::qWaitFor([&] { return !W.Running(); }, 60000);
    }
    static bool WaitRunning(TFrmMain& W) {
        return QTest::qWaitFor([&] { return !W.bOpen->isEnabled(); }, 10000);
    }
    void Put(const std::string& Name, int Value) {
        TRegistry Reg;
        Reg.OpenKey(SettingsKey, true);
        Reg.WriteInteger(Name, Value);
    }
    void Drop(TFrmMain& W, const QStringList& Paths) {
        QMimeData Data;
        QList<QUrl> Urls;
        for (const QString& P : Paths)
            Urls << QUrl::fromLocalFile(P);
        Data.setUrls(Urls);
        QDragEnterEvent Enter(QPoint(50, 50), Qt::CopyAction, &Data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&W, &Enter);
        QDropEvent Event(QPointF(50, 50), Qt::CopyAction, &Data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&W, &Event);
        QCoreApplication::processEvents(); // OnDrop follows the finished drop
    }

    qvtest::TempDir Dir;
    FakeDialogs Dialogs;
    std::int32_t SavedBufSize = 0;
};

TEST_F(MainWindowTest, OpenAndCheckThroughTheWindow) {
    const std::string List = ThreeStateList();
    TFrmMain W;
    W.show();
    EXPECT_EQ(W.windowTitle(), "Quorvane 2.6");
    EXPECT_EQ(W.StatusPanelText(0), "0 Unchecked");
    EXPECT_EQ(W.StatusPanelText(3), "0 Good");
    Dialogs.Chosen.push_back({Q(List)});
    W.bOpen->trigger();
    ASSERT_EQ(Dialogs.OpenRequests.size(), 1u);
    EXPECT_EQ(Dialogs.OpenRequests[0].NameFilters.first(), "SFV or MD5 (*.sfv *.md5)");
    EXPECT_EQ(Dialogs.OpenRequests[0].DefaultSuffix, "sfv");
    ASSERT_EQ(W.Model->rowCount(), 4);
    EXPECT_EQ(W.Model->index(0, 0).data().toString(), Q(List));
    EXPECT_EQ(W.windowTitle(), "Quorvane 2.6 - three.sfv");
    EXPECT_EQ(W.StatusPanelText(0), "3 Unchecked");
    EXPECT_TRUE(W.bCheck->isEnabled());
    EXPECT_EQ(W.OpenDialogInitialDir, Q(Dir.Path().string() + "/"));
    EXPECT_TRUE(W.Running() == false);

    W.bCheck->trigger();
    ASSERT_TRUE(WaitIdle(W));
    EXPECT_EQ(Image(W, 1), isGood);
    EXPECT_EQ(Image(W, 2), isBad);
    EXPECT_EQ(Image(W, 3), isMissing);
    EXPECT_EQ(W.Model->index(3, 1).data().toString(), "Not Found");
    EXPECT_EQ(W.StatusPanelText(0), "0 Unchecked");
    EXPECT_EQ(W.StatusPanelText(1), "1 Missing");
    EXPECT_EQ(W.StatusPanelText(2), "1 Bad");
    EXPECT_EQ(W.StatusPanelText(3), "1 Good");
    EXPECT_TRUE(W.Label7->text().startsWith("Complete in ")) << W.Label7->text().toStdString();
    EXPECT_EQ(W.FileProgressBar->value(), 100);
    EXPECT_EQ(W.TotalProgressBar->value(), 100);
    for (QAction* A : {W.bCreate, W.bOpen, W.bCheck, W.bDisplay})
        EXPECT_TRUE(A->isEnabled());
    EXPECT_TRUE(W.DragFilesTrg1->Enabled());
    EXPECT_TRUE(Dialogs.Errors.isEmpty());
}

TEST_F(MainWindowTest, TheCaptionNamesTheLastListAsItIsWritten) {
    TFrmMain W;
    W.show();
    W.ChecksumFiles = {Dir.Write("one.sfv", ""), Dir.Write("a[*]b[*][*].sfv", "")};
    W.OpenChecksumFiles();
    ASSERT_NE(W.windowHandle(), nullptr);
    EXPECT_EQ(W.windowHandle()->title().toStdString(), "Quorvane 2.6 - a[*]b[*][*].sfv");
}

TEST_F(MainWindowTest, CommandsAreDisabledDuringARunAndAbortEndsIt) {
    Put("ShowProgress", 1);
    const std::string List = SlowList();
    TFrmMain W;
    W.show();
    EXPECT_FALSE(W.Panel2->isHidden());
    W.ChecksumFiles = {List};
    ASSERT_TRUE(W.OpenChecksumFiles());
    W.bCheck->trigger();
    ASSERT_TRUE(WaitRunning(W));
    for (QAction* A : {W.bCreate, W.bOpen, W.bCheck, W.bDisplay})
        EXPECT_FALSE(A->isEnabled());
    for (QAction* A : {W.bCancel, W.bOptions, W.ToolButton3})
        EXPECT_TRUE(A->isEnabled());
    EXPECT_FALSE(W.DragFilesTrg1->Enabled());
    // Neither a drop nor the Delete key does anything meanwhile.
    Drop(W, {Q(List)});
    W.lv->selectRow(1);
    QTest::keyClick(W.lv, Qt::Key_Delete);
    EXPECT_TRUE(Dialogs.Questions.isEmpty());
    // The event loop keeps running: the bars move while the big file is read.
    EXPECT_TRUE(QTest::qWaitFor([&] { return W.FileProgressBar->value() > 0; }, 20000));

    W.bCancel->trigger();
    ASSERT_TRUE(WaitIdle(W));
    EXPECT_EQ(Image(W, 1), isUnchecked); // cut short: keeps its state
    EXPECT_EQ(Image(W, 2), isUnchecked); // never reached
    EXPECT_EQ(W.Label7->text(), "");
    EXPECT_EQ(W.TotalProgressBar->value(), 100);
    for (QAction* A : {W.bCreate, W.bOpen, W.bCheck, W.bDisplay})
        EXPECT_TRUE(A->isEnabled());
    EXPECT_TRUE(W.DragFilesTrg1->Enabled());
    EXPECT_TRUE(Dialogs.Questions.isEmpty());
}

TEST_F(MainWindowTest, ClosingDuringARunStopsItSafely) {
    const std::string List = SlowList();
    auto W = std::make_unique<TFrmMain>();
    W->show();
    W->ChecksumFiles = {List};
    ASSERT_TRUE(W->OpenChecksumFiles());
    W->StartCheck();
    ASSERT_TRUE(WaitRunning(*W));
    EXPECT_TRUE(W->close());
    EXPECT_TRUE(AppClosing);
    EXPECT_TRUE(CrcAbort);
    W.reset(); // waits for the current chunk only; no display change reaches the freed window
    QTest::qWait(50);
    // A new window starts afresh.
    TFrmMain Next;
    EXPECT_FALSE(AppClosing);
}

TEST_F(MainWindowTest, DisplayFilterShowsOneStateAndAllBringsEveryRowBack) {
    TFrmMain W;
    W.ChecksumFiles = {ThreeStateList()};
    W.OpenChecksumFiles();
    W.StartCheck();
    ASSERT_TRUE(WaitIdle(W));
    W.mnuBad->trigger();
    EXPECT_TRUE(W.mnuBad->isChecked());
    EXPECT_FALSE(W.mnuAll->isChecked());
    EXPECT_EQ(W.DisplayFilter, 3);
    ASSERT_EQ(W.Model->rowCount(), 2);
    EXPECT_EQ(W.Model->index(1, 0).data().toString(), "bad.bin");
    W.mnuMiss->trigger();
    ASSERT_EQ(W.Model->rowCount(), 2);
    EXPECT_EQ(W.Model->index(1, 0).data().toString(), "gone.bin");
    W.mnuAll->trigger();
    ASSERT_EQ(W.Model->rowCount(), 4);
    EXPECT_EQ(Image(W, 1), isGood);
    EXPECT_EQ(Image(W, 2), isBad);
    ASSERT_EQ(W.bDisplay->menu(), W.PopupMenu3);
    EXPECT_EQ(W.PopupMenu3->actions().size(), 5); // All, a separator, Good, Bad, Missing
}

TEST_F(MainWindowTest, DeleteKeyDeletesTheSelectedRowsFiles) {
    const std::string List = Dir.Write("del.sfv", Entry("a.bin", "a") + Entry("b.bin", "b") + "c.bin 00000000\n");
    TFrmMain W;
    W.show();
    W.ChecksumFiles = {List};
    W.OpenChecksumFiles();
    QTest::keyClick(W.lv, Qt::Key_Delete); // nothing selected: no question
    EXPECT_TRUE(Dialogs.Questions.isEmpty());

    auto* Sel = W.lv->selectionModel();
    for (int Row : {0, 1, 3})
        Sel->select(W.Model->index(Row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    Dialogs.Answers = {false};
    QTest::keyClick(W.lv, Qt::Key_Delete);
    EXPECT_TRUE(std::filesystem::exists(Dir / "a.bin"));

    Dialogs.Answers = {true};
    QTest::keyClick(W.lv, Qt::Key_Delete);
    ASSERT_EQ(Dialogs.Questions.size(), 2);
    EXPECT_EQ(Dialogs.Questions[1], "Quorvane|Delete Selected File(s)?");
    EXPECT_FALSE(std::filesystem::exists(Dir / "a.bin"));
    EXPECT_TRUE(std::filesystem::exists(Dir / "b.bin"));
    EXPECT_TRUE(std::filesystem::exists(List)); // the header row names the list: skipped
    EXPECT_EQ(Dialogs.Errors, QStringList({"Quorvane|Error file not found: " + Q(Dir / "c.bin")}));
    EXPECT_EQ(W.Model->rowCount(), 4); // rows and states stay until the next check
    EXPECT_EQ(Image(W, 1), isUnchecked);
}

TEST_F(MainWindowTest, AnInPlaceRenameSnapsBack) {
    const std::string List = Dir.Write("ren.sfv", Entry("keep.bin", "k"));
    TFrmMain W;
    W.show();
    W.ChecksumFiles = {List};
    W.OpenChecksumFiles();
    const QModelIndex Name = W.Model->index(1, 0);
    W.lv->setCurrentIndex(Name);
    W.lv->edit(Name);
    auto* Editor = W.lv->findChild<QLineEdit*>();
    ASSERT_NE(Editor, nullptr);
    Editor->selectAll();
    QTest::keyClicks(Editor, "other.bin");
    QTest::keyClick(Editor, Qt::Key_Return);
    EXPECT_EQ(Name.data().toString(), "keep.bin");
    EXPECT_TRUE(std::filesystem::exists(Dir / "keep.bin"));
    EXPECT_FALSE(std::filesystem::exists(Dir / "other.bin"));
}

TEST_F(MainWindowTest, ADropAsksThenOpensAndChecksTheFirstFile) {
    const std::string First = Dir.Write("first.sfv", Entry("f.bin", "f"));
    const std::string Second = Dir.Write("second.sfv", Entry("s.bin", "s") + Entry("t.bin", "t"));
    TFrmMain W;
    W.show();
    W.ChecksumFiles = {Second};
    Dialogs.Answers = {false};
    Drop(W, {Q(First), Q(Second)});
    ASSERT_EQ(Dialogs.Questions, QStringList({"Quorvane|Process File?\n" + Q(First)}));
    EXPECT_EQ(W.ChecksumFiles, std::vector<std::string>({Second}));
    EXPECT_FALSE(W.Running());

    Dialogs.Answers = {true};
    Drop(W, {Q(First), Q(Second)});
    ASSERT_TRUE(QTest::qWaitFor([&] { return W.StatusPanelText(3) == "1 Good" && !W.Running(); }, 20000));
    EXPECT_EQ(W.ChecksumFiles, std::vector<std::string>({First}));
    EXPECT_EQ(W.OpenDialogFileName, Q(First));
    EXPECT_EQ(W.Model->rowCount(), 2);
}

TEST_F(MainWindowTest, TheCommandLineOpensAndChecksAList) {
    // A name that is no valid UTF-8 reaches the reader byte for byte.
    const std::string List = Dir / "th\xE9se.sfv";
    std::filesystem::rename(ThreeStateList(), List);
    TFrmMain W({List, "ignored.sfv"});
    W.show();
    EXPECT_EQ(W.Model->rowCount(), 0); // handled once the event loop runs
    ASSERT_TRUE(QTest::qWaitFor([&] { return W.StatusPanelText(3) == "1 Good" && !W.Running(); }, 20000));
    EXPECT_EQ(W.StatusPanelText(2), "1 Bad");
    EXPECT_EQ(W.ChecksumFiles, std::vector<std::string>({List}));
    EXPECT_EQ(W.OpenDialogInitialDir, Q(Dir.Path().string() + "/"));
}

TEST_F(MainWindowTest, AListThatCannotBeOpenedIsReportedAndNotChecked) {
    TFrmMain W({"/makesfv"});
    W.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !Dialogs.Errors.isEmpty(); }, 5000));
    EXPECT_EQ(Dialogs.Errors, QStringList({"Quorvane|Cannot open file /makesfv"}));
    QTest::qWait(20);
    EXPECT_EQ(W.Label7->text(), "");
    EXPECT_FALSE(W.bCheck->isEnabled());
    EXPECT_EQ(W.windowTitle(), "Quorvane 2.6 - makesfv");

    // Part-way through several lists: the records read so far are shown.
    const std::string Good = Dir.Write("ok.sfv", Entry("ok.bin", "ok"));
    W.ChecksumFiles = {Good, Dir / "nowhere.sfv"};
    EXPECT_FALSE(W.OpenChecksumFiles());
    EXPECT_EQ(W.Model->rowCount(), 2);
    EXPECT_EQ(W.Model->index(1, 0).data().toString(), "ok.bin");
    EXPECT_EQ(Dialogs.Errors.size(), 2);
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

TEST_F(MainWindowTest, CountsAreDrawnWithoutSeparators) {
    std::string Lines;
    for (int I = 0; I < 1234; ++I)
        Lines += "f" + std::to_string(I) + ".bin 00000000\n";
    TFrmMain W;
    W.ChecksumFiles = {Dir.Write("many.sfv", Lines)};
    W.OpenChecksumFiles();
    EXPECT_EQ(W.StatusPanelText(0), "1234 Unchecked");
    EXPECT_EQ(W.StatusPanelText(4), "");
    ASSERT_EQ(W.sBar->Panels().size(), 5);
    EXPECT_EQ(W.sBar->Panels()[3].Width, 120);
    EXPECT_TRUE(W.sBar->Panels()[3].OwnerDraw);
    EXPECT_TRUE(W.sBar2->isHidden());
}

TEST_F(MainWindowTest, FirstStartUsesTheDefaults) {
    TFrmMain W;
    EXPECT_EQ(W.size(), QSize(606, 462));
    EXPECT_EQ(W.ToolBar1->orientation(), Qt::Vertical);
    EXPECT_EQ(W.Panel5->width(), 67);
    EXPECT_TRUE(W.Panel2->isHidden());
    EXPECT_EQ(W.SizeType, 0);
    W.ApplyToolbarPosition(1);
    EXPECT_EQ(W.ToolBar1->orientation(), Qt::Horizontal);
    W.ApplyToolbarPosition(2); // not a layout: nothing changes
    EXPECT_EQ(W.ToolBar1->orientation(), Qt::Horizontal);
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
    TRegistry Reg;
    ASSERT_TRUE(Reg.OpenKey(SettingsKey, false));
    EXPECT_EQ(Reg.ReadInteger("Width"), 500);
    EXPECT_EQ(Reg.ReadInteger("Height"), 400);
    EXPECT_EQ(Reg.ReadInteger("Left"), 30);
    EXPECT_EQ(Reg.ReadInteger("Top"), 40);
    EXPECT_EQ(Reg.ReadInteger("Maximized"), 1);
    TFrmMain Again;
    EXPECT_TRUE(Again.windowState() & Qt::WindowMaximized);
    EXPECT_EQ(Again.size(), QSize(500, 400)); // the normal size behind the maximized window
    EXPECT_EQ(Again.pos(), QPoint(30, 40));
}

TEST_F(MainWindowTest, AWindowStartedAndClosedMaximizedKeepsItsNormalBounds) {
    Put("SavePos", 1);
    Put("Width", 500);
    Put("Height", 400);
    Put("Left", 30);
    Put("Top", 40);
    Put("Maximized", 1);
    {
        TFrmMain W;
        W.show();
        QTest::qWait(20);
        EXPECT_TRUE(W.windowState() & Qt::WindowMaximized);
        W.close();
    }
    TRegistry Reg;
    ASSERT_TRUE(Reg.OpenKey(SettingsKey, false));
    EXPECT_EQ(Reg.ReadInteger("Width"), 500);
    EXPECT_EQ(Reg.ReadInteger("Height"), 400);
    EXPECT_EQ(Reg.ReadInteger("Left"), 30);
    EXPECT_EQ(Reg.ReadInteger("Top"), 40);
    EXPECT_EQ(Reg.ReadInteger("Maximized"), 1);
}

TEST_F(MainWindowTest, WithoutSavePosNothingIsWrittenAtExit) {
    Put("Width", 1);
    {
        TFrmMain W;
        W.resize(700, 500);
    }
    TRegistry Reg;
    ASSERT_TRUE(Reg.OpenKey(SettingsKey, false));
    EXPECT_EQ(Reg.ReadInteger("Width"), 1);
    EXPECT_FALSE(Reg.ValueExists("Height"));
}

TEST_F(MainWindowTest, ADamagedSettingsFileNeverStopsTheProgram) {
    std::filesystem::create_directories(Dir / "cfg");
    { std::ofstream(RegistryFile(TRegRoot::CurrentUser).toStdString()) << "[Software\\Quorvane]\nSavePos=1\n"; }
    TFrmMain W;
    W.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !Dialogs.Errors.isEmpty(); }, 5000));
    EXPECT_TRUE(Dialogs.Errors[0].contains(".bad")) << Dialogs.Errors[0].toStdString();
    EXPECT_TRUE(std::filesystem::exists(RegistryFile(TRegRoot::CurrentUser).toStdString() + ".bad"));
    EXPECT_EQ(W.size(), QSize(606, 462));
}

} // namespace
