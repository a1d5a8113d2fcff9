#include "ui/MainDlg.h"

#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QProgressBar>
#include <QRegularExpression>
#include <QScreen>
#include <QTableView>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QWindow>

#include "GuiTestSupport.h"
#include "checksum/Digest.h"
#include "lists/RunFlags.h"
#include "ui/ChecksumListModel.h"
#include "ui/QVstatus.h"

namespace {
class MainWindowTest : public WindowTest {
protected:
    // A file and its list line with the right (or a wrong) CRC-32.
    std::string Entry(const std::string& Name, const std::string& Bytes, bool Right = true) {
        const std::string Path = Dir.Write(Name, Bytes);
        return Name + " " + (Right ? Crc32ToText(Crc32OfFile(Path)) : std::string("DEADBEEF")) + "\n";
    }
    // Opens and checks a list slow enough to be watched (a large file read in tiny chunks); returns once it runs.
    void StartSlowCheck(TFrmMain& W) {
        CrcBufSize = 16;
        Open(W, Dir.Write("slow.sfv", Entry("big.bin", qvtest::PatternBytes(8 << 20)) + Entry("after.bin", "x")));
        Get(W, "bCheck")->trigger();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !Get(W, "bOpen")->isEnabled(); }, 10000));
    }
    static bool Open(TFrmMain& W, const std::string& List) {
        W.Session().ChecksumFiles = {List};
        return W.OpenChecksumFiles();
    }
    QString Request() { return Dialogs.OpenRequests.back().Directory + "|" + Dialogs.OpenRequests.back().FileName; }
    static QAbstractItemModel* Model(TFrmMain& W) { return Get<QTableView>(W, "lv")->model(); }
    // Each row's name with the state its image shows (none for a list's own row), then the status bar's counts.
    static QStringList Rows(TFrmMain& W, int From = 0) {
        const QStringList States{"", " Unchecked", " Missing", " Bad", " Good"};
        QStringList Out;
        for (QModelIndex I = Model(W)->index(From, 0); I.isValid(); I = I.siblingAtRow(I.row() + 1))
            Out << I.data().toString() + States.value(I.data(ChecksumListModel::ImageRole).toInt(), " ?");
        return Out << W.StatusPanelText(0) + "|" + W.StatusPanelText(1) + "|" + W.StatusPanelText(2) + "|" +
                          W.StatusPanelText(3);
    }
    const QString Idle = "drop bCreate bOpen bCheck bDisplay bCancel bOptions ToolButton3";
};
TEST_F(MainWindowTest, CheckAsksForAListThenChecksFiltersAndDeletesAndARunCanBeAbortedOrClosed) {
    auto List = Dir.Write("three.sfv", Entry("good.bin", "good") + Entry("bad.bin", "bad", false) + "gone.bin 0\n");
    Put("ShowProgress", 1);
    auto W = std::make_unique<TFrmMain>();
    W->show();
    W->resize(703, 462);
    Dialogs.Chosen = {{}, {Q(Dir / "nowhere.sfv")}, {Q(List)}};
    Get(*W, "bCheck")->trigger(); // the open dialog is cancelled: whatever is loaded (nothing) is checked
    ASSERT_TRUE(QTest::qWaitFor([&] { return Get<QLabel>(*W, "Label7")->text() == "Complete in 0 seconds"; }, 9000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !W->Running(); }, 9000));
    Get(*W, "bCheck")->trigger(); // a list that cannot be opened is not checked
    EXPECT_EQ(Dialogs.Errors, QStringList({"Quorvane|Cannot open file " + Q(Dir / "nowhere.sfv")}));
    EXPECT_FALSE(W->Running());
    W->Session().ChecksumFiles.clear();
    Get(*W, "bCheck")->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !W->Running(); }, 9000));
    const QStringList Checked{Q(List), "good.bin Good", "bad.bin Bad", "gone.bin Missing",
                              "0 Unchecked|1 Missing|1 Bad|1 Good"};
    EXPECT_EQ(Rows(*W), Checked);
    EXPECT_EQ(W->windowTitle() + Model(*W)->index(3, 1).data().toString(), "Quorvane 2.6 - three.sfvNot Found");
    ASSERT_EQ(Get(*W, "bDisplay")->menu(), Get<QMenu>(*W, "PopupMenu3"));
    Get(*W, "mnuBad")->trigger(); // the display filter shows one state; All brings every row back
    EXPECT_EQ(Rows(*W, 1), QStringList({"bad.bin Bad", Checked.last()}));
    Get(*W, "mnuAll")->trigger();
    // Editing a name renames nothing. Delete asks first (with nothing selected it does nothing), then deletes the
    // selected rows' files: the list's own row is skipped, a missing file reported; rows stay until the next check.
    auto* Lv = Get<QTableView>(*W, "lv");
    Lv->edit(Model(*W)->index(1, 0));
    ASSERT_NE(Lv->findChild<QLineEdit*>(), nullptr);
    QTest::keyClicks(Lv->findChild<QLineEdit*>(), "other.bin");
    emit Lv->itemDelegate()->commitData(Lv->findChild<QLineEdit*>()); // what Return does, without waiting
    QTest::keyClick(Lv, Qt::Key_Delete);                              // nothing selected
    for (int Row : {0, 1, 3})
        Lv->selectionModel()->select(Model(*W)->index(Row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    Dialogs.Answers = {false, true};
    QTest::keyClick(Lv, Qt::Key_Delete); // No: nothing is deleted (an error for good.bin would follow)
    QTest::keyClick(Lv, Qt::Key_Delete);
    EXPECT_EQ(qvtest::FilesIn(Dir.Path()), std::vector<std::string>({"bad.bin", "cfg", "three.sfv"}));
    EXPECT_EQ(Dialogs.Errors.mid(1), QStringList({"Quorvane|Error file not found: " + Q(Dir / "gone.bin")}));
    EXPECT_EQ(Rows(*W), Checked);
    // The status bar: four owner-drawn count panels of 120 px, drawn through DrawPanel, and the rest of the bar.
    auto* Bar = Get<TqvStatusBar>(*W, "sBar");
    QStringList Drawn;
    QObject::connect(Bar, &TqvStatusBar::DrawPanel, [&](QPainter*, int I, const QRect& R) {
        Drawn << QString::number(I) + (R == Bar->PanelRect(I) ? "" : " elsewhere");
    });
    Bar->grab();
    EXPECT_EQ(Drawn, QStringList({"0", "1", "2", "3"}));
    EXPECT_EQ(QPoint(Bar->PanelRect(4).left(), Bar->PanelRect(4).right()), QPoint(480, Bar->width() - 3));
    StartSlowCheck(*W);
    EXPECT_EQ(Enabled(*W), " bCancel bOptions ToolButton3");             // a run disables all commands but these
    EXPECT_FALSE(SendDrop(W.get(), {Q(W->Session().ChecksumFiles[0])})); // no drop, nor Delete, meanwhile
    Lv->selectRow(1);
    QTest::keyClick(Lv, Qt::Key_Delete);
    EXPECT_TRUE(QTest::qWaitFor([&] { return Get<QProgressBar>(*W, "FileProgressBar")->value() > 0; }, 20000));
    // Each progress half is half of Panel2 (truncated); a long text widens neither a half nor the window.
    const std::string Long = "Estimated Time Left: " + std::string(300, '9') + " hours";
    W->ShowProgress({std::uint64_t(1) << 60, 10, 20, Long, Long});
    Get<QLabel>(*W, "lbFileName")->setText(Q(Long));
    QTest::qWait(20);
    const int Width = Get<QWidget>(*W, "Panel2")->width(), Half = Width / 2;
    EXPECT_EQ(W->size(), QSize(703, 462));
    EXPECT_EQ(Get<QWidget>(*W, "Panel3")->geometry(), QRect(0, 0, Half, 53));
    EXPECT_EQ(Get<QWidget>(*W, "Panel4")->geometry(), QRect(Width - Half, 0, Half, 53));
    for (const char* Name : {"lbFileName", "Label1", "Label7"})
        EXPECT_LE(Get<QLabel>(*W, Name)->geometry().right(), Half) << Name;
    Get(*W, "bCancel")->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !W->Running(); }, 9000)); // cut short: the rest is not reached
    EXPECT_EQ(Rows(*W, 2), QStringList({"after.bin Unchecked", "2 Unchecked|0 Missing|0 Bad|0 Good"}));
    EXPECT_EQ(Get<QProgressBar>(*W, "TotalProgressBar")->value(), 100);
    EXPECT_EQ(Get<QLabel>(*W, "Label7")->text() + Enabled(*W), Idle);
    EXPECT_EQ(Dialogs.Questions, QStringList(2, "Quorvane|Delete Selected File(s)?")); // none during the run
    StartSlowCheck(*W); // closing the window during a run stops it safely
    EXPECT_TRUE(W->close() && AppClosing && CrcAbort);
    W.reset(); // waits for the current chunk only; no display change reaches the freed window
    QTest::qWait(50);
    EXPECT_FALSE(TFrmMain().isVisible() || AppClosing); // a new window starts afresh
}
TEST_F(MainWindowTest, ListsComeFromTheCommandLineADropOrTheOpenDialog) {
    const std::string List = Dir.Write("th\xE9se.sfv", Entry("good.bin", "good") + "gone.bin 01234567\n");
    TFrmMain W({List, "ignored.sfv"}); // a name that is no valid UTF-8 reaches the reader byte for byte
    W.show();
    EXPECT_EQ(Model(W)->rowCount(), 0); // handled once the event loop runs
    ASSERT_TRUE(QTest::qWaitFor([&] { return W.StatusPanelText(3) == "1 Good" && !W.Running(); }, 20000));
    Get(W, "bOpen")->trigger(); // cancelled
    EXPECT_EQ(Request(), Q(Dir.Path().string() + "/|" + List));
    EXPECT_EQ(Dialogs.OpenRequests.back().NameFilters.join(";"),
              "SFV or MD5 (*.sfv *.md5);Simple File Verification (*.sfv);MD5 (*.md5);SHA and BLAKE3 (*.sha1 "
              "*.sha256 *.sha512 *.b3 *.blake3);All Files (*)");
    const std::string First = Dir.Write("first.sfv", Entry("f.bin", "f") + Entry("g.bin", "g"));
    const QString Long = Q(Dir / (std::string(300, 'x') + ".sfv")); // longer than any fixed path buffer
    Dialogs.Answers = {false, true}; // a drop asks first, then opens and checks its first file only
    for (int Drop = 0; Drop < 2; ++Drop) {
        SendDrop(&W, {Q(First), "https://example.org/a.sfv", Long}, {5, 6});
        EXPECT_TRUE(Dialogs.Questions.size() == Drop); // OnDrop follows the finished drop
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(Dialogs.Questions, QStringList(2, "Quorvane|Process File?\n" + Q(First)));
    EXPECT_EQ(Get<TDragFilesTrg>(W, "DragFilesTrg1")->Files(), QStringList({Q(First), Long}));
    EXPECT_EQ(Get<TDragFilesTrg>(W, "DragFilesTrg1")->DropPoint(), QPoint(5, 6));
    ASSERT_TRUE(QTest::qWaitFor([&] { return W.StatusPanelText(3) == "2 Good" && !W.Running(); }, 20000));
    EXPECT_EQ(Rows(W), QStringList({Q(First), "f.bin Good", "g.bin Good", "0 Unchecked|0 Missing|0 Bad|2 Good"}));
    // A failing list: the records read so far are shown and counted (no separators); caption and Check stay.
    std::string Lines;
    for (int I = 0; I < 1234; ++I)
        Lines += "f" + std::to_string(I) + ".bin 00000000\n";
    const std::string Many = Dir.Write("many.sfv", Lines);
    EXPECT_FALSE(Open(W, Many + "x"));
    EXPECT_EQ(W.windowHandle()->title() + Enabled(W), "Quorvane 2.6 - first.sfv" + Idle);
    EXPECT_TRUE(Open(W, Dir.Write("a[*]b[*][*].sfv", ""))); // an empty list turns Check off; the caption as written
    Dialogs.Chosen.push_back({Q(Many), Q(Dir / "missing.sfv")});
    Get(W, "bOpen")->trigger();
    EXPECT_EQ(Request(), Q(Dir.Path().string() + "/|" + First));
    EXPECT_EQ(Rows(W, 1).first() + "|" + Rows(W).last(), "f0.bin Unchecked|1234 Unchecked|0 Missing|0 Bad|0 Good");
    EXPECT_EQ(W.windowHandle()->title() + Enabled(W),
              "Quorvane 2.6 - a[*]b[*][*].sfv" + QString(Idle).remove(" bCheck"));
    EXPECT_EQ(Dialogs.Errors, QStringList({"Quorvane|Cannot open file " + Q(Many + "x"),
                                           "Quorvane|Cannot open file " + Q(Dir / "missing.sfv")}));
}
// Verify File checks one file against a pasted hash (64 digits: SHA-256, else BLAKE3); a file with a list beside
// it, opened or dropped, is checked against that list; lines of a list not understood are reported.
TEST_F(MainWindowTest, OneFileAgainstAPastedHashOrTheListBesideIt) {
    const std::string File = Dir.Write("disk.iso", "the image");
    const std::string Sha256 = FileDigestText(THashKind::Sha256, File), Blake3 = FileDigestText(THashKind::Blake3, File);
    TFrmMain W(std::vector<std::string>{});
    W.show();
    QAction* VerifyFile = W.findChild<QAction*>("mnuVerifyFile");
    ASSERT_TRUE(VerifyFile && Get(W, "bOpen")->menu()->actions().contains(VerifyFile));
    QString Pasted;
    Dialogs.OnExec = [&](QDialog& D) { return D.findChild<QLineEdit*>()->setText(Pasted), QDialog::Accepted; };
    for (const auto& [Hash, Verdict] : {std::pair{" " + Sha256 + " ", "Good"}, {Blake3, "Good"}, {Sha256.substr(1) + "0", "Bad"},
                                        {FileDigestText(THashKind::Sha1, File) + "  disk.iso", "Good"}}) {
        Pasted = Q(Hash);
        Dialogs.Chosen.push_back({Q(File)});
        VerifyFile->trigger();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !W.Running() && W.StatusPanelText(1) == "0 Missing"; }, 20000));
        EXPECT_EQ(Rows(W, 1), QStringList({QString("disk.iso ") + Verdict, QString("0 Unchecked|0 Missing|") +
                                           (Verdict == std::string("Bad") ? "1 Bad|0 Good" : "0 Bad|1 Good")}))
            << Hash;
        EXPECT_EQ(W.windowHandle()->title(), "Quorvane 2.6 - disk.iso");
    }
    Pasted = "12345";
    Dialogs.Chosen.push_back({Q(File)});
    VerifyFile->trigger();
    EXPECT_EQ(Dialogs.Errors, QStringList({"Quorvane|Not a hash: 12345"}));

    Dir.Write("disk.iso.sha256", Sha256 + "  disk.iso\nnot a line\n");
    Dialogs.Chosen.push_back({Q(File)});
    Get(W, "bOpen")->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !W.Running() && W.StatusPanelText(3) == "1 Good"; }, 20000));
    EXPECT_EQ(W.windowHandle()->title(), "Quorvane 2.6 - disk.iso.sha256");
    EXPECT_EQ(Dialogs.Infos, QStringList({"These lines of the list were not understood and are left out:\n\n" +
                                          Q(File) + ".sha256:2: not a line"}));
}

// A start without saved bounds is centred at 606 x 462, also on a damaged settings file (its error first); SavePos
// saves the last normal bounds. The settings set the tool bar layout, the progress panel and the size mode.
TEST_F(MainWindowTest, StartSettingsShapeTheWindowAndSavePosKeepsItsBounds) {
    const std::vector<std::int64_t> Sizes{-1, 0, 1023, (1 << 20) - 1, (1LL << 40) - 1, 999 * (1LL << 40) + 123456789};
    const std::string List = Dir.Write("sizes.sfv", "a 0\nb 0\nc 0\nd 0\ne 0\nf 0\n");
    const QRect Screen = QGuiApplication::primaryScreen()->geometry();
    const QRect Centred(Screen.x() + (Screen.width() - 606) / 2, Screen.y() + (Screen.height() - 462) / 2, 606, 462);
    const std::vector<std::tuple<std::string, bool, bool, QRect, QString, std::string>> Cases{
        // settings, damaged, top layout (with the progress panel), start bounds, end of 999 TB's text, bounds saved
        {"Width=520 Height=410", false, false, Centred, " TB", "520 410 - - -"}, // no SavePos: no saved bounds
        {"SavePos=1", true, false, Centred, " TB", "- - - - -"},
        {"ToolbarPosition=1 SizeType=1 ShowProgress=0 SavePos=1", false, true, Centred, " KB", "500 400 30 40 1"},
        {"ToolbarPosition=2 SizeType=2 SavePos=1 Width=520 Height=410 Left=31 Top=41 Maximized=1", false, false,
         QRect(31, 41, 520, 410), ".239.605.013", "520 410 31 41 1"}}; // the system's separators
    for (const auto& [Settings, Damaged, Top, Start, Last, Saved] : Cases) {
        SCOPED_TRACE(Settings);
        const QString Values =
            QString::fromStdString(Settings).replace(QRegularExpression("(\\w+)=(\\d+) ?"), "\"\\1\"=int:\\2\n");
        WriteUserFile("[Software\\Quorvane]\n" + (Damaged ? Settings : Values.toStdString()) + "\n");
        Dialogs.Errors.clear();
        auto W = std::make_unique<TFrmMain>(std::vector<std::string>{"/makesfv"});
        EXPECT_EQ(QRect(W->pos(), W->size()), Start);
        EXPECT_EQ(Get<QWidget>(*W, "Panel2")->isHidden(), !Top);
        W->ApplyToolbarPosition(2); // not a layout: nothing changes
        W->show();
        QTest::qWait(20);
        EXPECT_EQ(Dialogs.Errors.mid(Damaged), QStringList({"Quorvane|Cannot open file /makesfv"}));
        EXPECT_EQ(Dialogs.Errors.value(0).contains(".bad"), Damaged) << Dialogs.Errors.value(0).toStdString();
        EXPECT_EQ(Get<QLabel>(*W, "Label7")->text() + Enabled(*W), Idle); // not checked
        auto* Bar = Get<QToolBar>(*W, "ToolBar1");
        EXPECT_EQ(Bar->orientation(), Top ? Qt::Horizontal : Qt::Vertical);
        QString Order;
        QRect Previous;
        for (QAction* A : Bar->actions()) {
            Order += A->objectName() + " ";
            auto* B = qobject_cast<QToolButton*>(Bar->widgetForAction(A));
            if (A->isSeparator() || !B)
                continue;
            const QFontMetrics Font(B->font());
            const int Frame = B->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, B);
            const int Arrow = A->menu() ? B->style()->pixelMetric(QStyle::PM_MenuButtonIndicator, nullptr, B) - 4 : 0;
            const int Text = Font.horizontalAdvance(B->text()), Icon = B->iconSize().width() + 4 + 2 * Frame;
            EXPECT_EQ(B->width(), 66) << Order.toStdString();
            EXPECT_LE(Top ? Text + 2 * Arrow : Icon + Text + Arrow, B->width()) << Order.toStdString();
            EXPECT_LE(Top ? Icon + Font.height() : std::max(Font.height(), 16) + 2 * Frame, B->height());
            EXPECT_TRUE(B->isVisible() && Bar->rect().contains(B->geometry()) && !B->geometry().intersects(Previous));
            Previous = B->geometry();
        }
        EXPECT_EQ(Order, "bCreate bOpen ToolButton4 bCheck bCancel ToolButton1 bDisplay bOptions ToolButton5 "
                         "ToolButton7 ToolButton3 ToolButton6 ");
        auto* Lv = Get<QTableView>(*W, "lv");
        Open(*W, List);
        EXPECT_EQ(Lv->columnWidth(1), 90);
        for (std::size_t I = 0; I < Sizes.size(); ++I)
            W->Session().Items()[I].Size = Sizes[I];
        W->RefillList();
        const int Margin = Lv->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, Lv) + 1;
        for (int Row = 1; Row <= int(Sizes.size()); ++Row) {
            const QModelIndex Cell = Model(*W)->index(Row, 1);
            const int Needed = Lv->fontMetrics().horizontalAdvance(Cell.data().toString()) + 2 * Margin;
            EXPECT_GE(Lv->visualRect(Cell).width(), Needed) << Cell.data().toString().toStdString();
            EXPECT_TRUE(Lv->viewport()->rect().contains(Lv->visualRect(Cell)));
        }
        EXPECT_TRUE(Model(*W)->index(int(Sizes.size()), 1).data().toString().endsWith(Last));
        if (!W->isMaximized()) { // one started maximized keeps the normal bounds it started with
            W->resize(500, 400);
            W->move(30, 40);
        }
        QTest::qWait(20);
        W->showMaximized();
        QTest::qWait(20);
        W.reset();
        EXPECT_EQ(SavedBounds(), Saved);
    }
}
} // namespace
