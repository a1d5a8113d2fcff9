#include "ui/MainDlg.h"

#include <QImage>
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
#include "checksum/Crc32.h"
#include "lists/RunFlags.h"
#include "settings/ScratchRegistry.h"
#include "ui/ChecksumListModel.h"
#include "ui/QVstatus.h"
#include "ui/uDragFilesTrg.h"

namespace {
namespace fs = std::filesystem;
class MainWindowTest : public ScratchRegistry {
protected:
    ~MainWindowTest() override {
        CrcBufSize = SavedBufSize;
        CrcAbort = false;
    }
    static QString Q(const std::string& S) { return QFile::decodeName(S.c_str()); }
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
    static bool WaitIdle(TFrmMain& W) {
        return QTest::qWaitFor([&] { return !W.Running(); }, 9000);
    }
    static QAbstractItemModel* Model(TFrmMain& W) { return Get<QTableView>(W, "lv")->model(); }
    // Each row's name with the state its image shows (none for a list's own row), then the status bar's counts.
    static QStringList Rows(TFrmMain& W, int From = 0) {
        const QStringList States{"", " Unchecked", " Missing", " Bad", " Good"};
        QStringList Out;
        for (int Row = From; Row < Model(W)->rowCount(); ++Row)
            Out << Model(W)->index(Row, 0).data().toString() +
                       States.value(Model(W)->index(Row, 0).data(ChecksumListModel::ImageRole).toInt(), " ?");
        return Out << W.StatusPanelText(0) + "|" + W.StatusPanelText(1) + "|" + W.StatusPanelText(2) + "|" +
                          W.StatusPanelText(3);
    }
    // Which of Create, Open, Check, Display, the drop target, Abort, Options and About are enabled.
    static QString Enabled(TFrmMain& W) {
        QString Out = Get<TDragFilesTrg>(W, "DragFilesTrg1")->Enabled() ? "drop" : "";
        for (const char* Name : {"bCreate", "bOpen", "bCheck", "bDisplay", "bCancel", "bOptions", "ToolButton3"})
            Out += Get(W, Name)->isEnabled() ? QString(" ") + Name : "";
        return Out;
    }
    FakeDialogs Dialogs;
    const std::int32_t SavedBufSize = CrcBufSize;
    const QString Idle = "drop bCreate bOpen bCheck bDisplay bCancel bOptions ToolButton3";
};
TEST_F(MainWindowTest, CheckAsksForAListThenChecksFiltersAndDeletesAndARunCanBeAbortedOrClosed) {
    const std::string List =
        Dir.Write("three.sfv", Entry("good.bin", "good") + Entry("bad.bin", "bad", false) + "gone.bin 01234567\n");
    Put("ShowProgress", 1);
    auto W = std::make_unique<TFrmMain>();
    W->show();
    W->resize(703, 462);
    Dialogs.Chosen = {{}, {Q(Dir / "nowhere.sfv")}, {Q(List)}};
    Get(*W, "bCheck")->trigger(); // the open dialog is cancelled: whatever is loaded (nothing) is checked
    ASSERT_TRUE(QTest::qWaitFor([&] { return Get<QLabel>(*W, "Label7")->text() == "Complete in 0 seconds"; }, 9000));
    ASSERT_TRUE(WaitIdle(*W));
    Get(*W, "bCheck")->trigger(); // a list that cannot be opened is not checked
    EXPECT_EQ(Dialogs.Errors, QStringList({"Quorvane|Cannot open file " + Q(Dir / "nowhere.sfv")}));
    EXPECT_FALSE(W->Running());
    W->Session().ChecksumFiles.clear();
    Get(*W, "bCheck")->trigger();
    ASSERT_TRUE(WaitIdle(*W));
    const QStringList Checked{Q(List), "good.bin Good", "bad.bin Bad", "gone.bin Missing",
                              "0 Unchecked|1 Missing|1 Bad|1 Good"};
    EXPECT_EQ(Rows(*W), Checked);
    EXPECT_EQ(W->windowTitle() + Model(*W)->index(3, 1).data().toString(), "Quorvane 2.6 - three.sfvNot Found");
    EXPECT_EQ(Get<QProgressBar>(*W, "TotalProgressBar")->value(), 100);
    EXPECT_EQ(Enabled(*W), Idle);
    // The display filter shows one state; All brings every row back.
    ASSERT_EQ(Get(*W, "bDisplay")->menu(), Get<QMenu>(*W, "PopupMenu3"));
    Get(*W, "mnuBad")->trigger();
    EXPECT_EQ(Rows(*W, 1), QStringList({"bad.bin Bad", Checked.last()}));
    Get(*W, "mnuAll")->trigger();
    // Editing a name renames nothing. Delete asks first (with nothing selected it does nothing), then deletes the
    // selected rows' files: the list's own row is skipped, a missing file reported; rows stay until the next check.
    auto* Lv = Get<QTableView>(*W, "lv");
    Lv->edit(Model(*W)->index(1, 0));
    ASSERT_NE(Lv->findChild<QLineEdit*>(), nullptr);
    Lv->findChild<QLineEdit*>()->setText("other.bin");
    QTest::keyClick(Lv->findChild<QLineEdit*>(), Qt::Key_Return);
    Lv->clearSelection();
    QTest::keyClick(Lv, Qt::Key_Delete);
    for (int Row : {0, 1, 3})
        Lv->selectionModel()->select(Model(*W)->index(Row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    Dialogs.Answers = {false, true};
    QTest::keyClick(Lv, Qt::Key_Delete);
    EXPECT_TRUE(fs::exists(Dir / "good.bin"));
    QTest::keyClick(Lv, Qt::Key_Delete);
    EXPECT_EQ(Dialogs.Questions, QStringList(2, "Quorvane|Delete Selected File(s)?"));
    EXPECT_TRUE(!fs::exists(Dir / "good.bin") && fs::exists(Dir / "bad.bin") && fs::exists(List));
    EXPECT_FALSE(fs::exists(Dir / "other.bin"));
    EXPECT_EQ(Dialogs.Errors.last(), "Quorvane|Error file not found: " + Q(Dir / "gone.bin"));
    EXPECT_EQ(Rows(*W), Checked);
    // The status bar: four owner-drawn count panels of 120 px, drawn through DrawPanel, and the rest of the bar.
    auto* Bar = Get<TqvStatusBar>(*W, "sBar");
    QStringList Drawn;
    QObject::connect(Bar, &TqvStatusBar::DrawPanel, [&](QPainter*, int I, const QRect& R) {
        Drawn << QString::number(I) + (R == Bar->PanelRect(I) ? "" : " elsewhere");
    });
    QImage Image(Bar->size(), QImage::Format_ARGB32);
    Bar->render(&Image);
    EXPECT_EQ(Drawn, QStringList({"0", "1", "2", "3"}));
    EXPECT_EQ(QPoint(Bar->PanelRect(4).left(), Bar->PanelRect(4).right()), QPoint(480, Bar->width() - 3));
    // A run disables the commands but Abort, Options and About.
    StartSlowCheck(*W);
    EXPECT_EQ(Enabled(*W), " bCancel bOptions ToolButton3");
    // Neither a drop nor the Delete key does anything meanwhile.
    EXPECT_FALSE(SendDrop(W.get(), {Q(W->Session().ChecksumFiles[0])}));
    Get<QTableView>(*W, "lv")->selectRow(1);
    QTest::keyClick(Get<QTableView>(*W, "lv"), Qt::Key_Delete);
    // The event loop keeps running: the bars move while the big file is read.
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
    ASSERT_TRUE(WaitIdle(*W));
    // Cut short, not reached.
    EXPECT_EQ(Rows(*W, 1),
              QStringList({"big.bin Unchecked", "after.bin Unchecked", "2 Unchecked|0 Missing|0 Bad|0 Good"}));
    EXPECT_EQ(Get<QLabel>(*W, "Label7")->text(), "");
    EXPECT_EQ(Get<QProgressBar>(*W, "TotalProgressBar")->value(), 100);
    EXPECT_EQ(Enabled(*W), Idle);
    EXPECT_EQ(Dialogs.Questions.size(), 2); // neither the drop nor the Delete key asked anything more
    // Closing the window during a run stops it safely.
    StartSlowCheck(*W);
    EXPECT_TRUE(W->close() && AppClosing && CrcAbort);
    W.reset(); // waits for the current chunk only; no display change reaches the freed window
    QTest::qWait(50);
    EXPECT_FALSE(TFrmMain().isVisible() || AppClosing); // a new window starts afresh
}
TEST_F(MainWindowTest, ListsComeFromTheCommandLineADropOrTheOpenDialog) {
    // A name that is no valid UTF-8 reaches the reader byte for byte.
    const std::string List = Dir.Write("th\xE9se.sfv", Entry("good.bin", "good") + "gone.bin 01234567\n");
    TFrmMain W({List, "ignored.sfv"});
    W.show();
    EXPECT_EQ(Model(W)->rowCount(), 0); // handled once the event loop runs
    ASSERT_TRUE(QTest::qWaitFor([&] { return W.StatusPanelText(3) == "1 Good" && !W.Running(); }, 20000));
    EXPECT_EQ(Rows(W).last(), "0 Unchecked|1 Missing|0 Bad|1 Good");
    Get(W, "bOpen")->trigger(); // cancelled
    EXPECT_EQ(Dialogs.OpenRequests.back().Directory + "|" + Dialogs.OpenRequests.back().FileName,
              Q(Dir.Path().string() + "/|" + List));
    // A drop asks first, then opens and checks its first file only.
    const std::string First = Dir.Write("first.sfv", Entry("f.bin", "f") + Entry("g.bin", "g"));
    const QString Long = Q(Dir / (std::string(300, 'x') + ".sfv")); // longer than any fixed path buffer
    Dialogs.Answers = {false, true};
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
    // A list that fails part-way through several: the records read so far are shown and counted (without
    // separators); the caption and Check stay as they were.
    std::string Lines;
    for (int I = 0; I < 1234; ++I)
        Lines += "f" + std::to_string(I) + ".bin 00000000\n";
    const std::string Many = Dir.Write("many.sfv", Lines), Empty = Dir.Write("a[*]b[*][*].sfv", "");
    Dialogs.Chosen.push_back({Q(Many), Q(Dir / "missing.sfv")});
    Get(W, "bOpen")->trigger();
    EXPECT_EQ(Dialogs.OpenRequests.back().Directory + "|" + Dialogs.OpenRequests.back().FileName,
              Q(Dir.Path().string() + "/|" + First));
    EXPECT_EQ(Rows(W).mid(0, 2) << Rows(W).last(),
              QStringList({Q(Many), "f0.bin Unchecked", "1234 Unchecked|0 Missing|0 Bad|0 Good"}));
    EXPECT_EQ(W.windowHandle()->title() + Enabled(W), "Quorvane 2.6 - first.sfv" + Idle);
    EXPECT_TRUE(Open(W, Empty)); // an empty list turns Check off; the caption names it as written
    EXPECT_FALSE(Open(W, Many + "x"));
    EXPECT_EQ(W.windowHandle()->title() + Enabled(W),
              "Quorvane 2.6 - a[*]b[*][*].sfv" + QString(Idle).remove(" bCheck"));
    EXPECT_EQ(Dialogs.Errors, QStringList({"Quorvane|Cannot open file " + Q(Dir / "missing.sfv"),
                                           "Quorvane|Cannot open file " + Q(Many + "x")}));
}
// Without saved bounds a start stands centred at 606 x 462, also on a damaged settings file (its error first);
// SavePos saves the last normal bounds. The settings give the tool bar layout (66 px buttons, captions fitting by
// font metrics), the progress panel and the size mode (texts up to 999 TB whole in the Size column, >= 90 px).
TEST_F(MainWindowTest, StartSettingsShapeTheWindowAndSavePosKeepsItsBounds) {
    const std::int64_t TB = std::int64_t(1) << 40;
    const std::vector<std::int64_t> Sizes{-1, 0, 1023, (1 << 20) - 1, TB - 1, 999 * TB + 123456789};
    const std::string List = Dir.Write("sizes.sfv", "a 0\nb 0\nc 0\nd 0\ne 0\nf 0\n");
    const QRect Screen = QGuiApplication::primaryScreen()->geometry();
    const QRect Centred(Screen.x() + (Screen.width() - 606) / 2, Screen.y() + (Screen.height() - 462) / 2, 606, 462);
    const std::vector<std::tuple<std::string, bool, bool, QRect, QString, std::string>> Cases{
        // settings, damaged, top layout (with the progress panel), start bounds, end of 999 TB's text, bounds saved
        {"", false, false, Centred, " TB", "- - - - -"},
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
        ASSERT_TRUE(QTest::qWaitFor([&] { return Dialogs.Errors.size() == 1 + Damaged; }, 5000));
        EXPECT_EQ(Dialogs.Errors.first().contains(".bad"), Damaged) << Dialogs.Errors.first().toStdString();
        EXPECT_EQ(Dialogs.Errors.last(), "Quorvane|Cannot open file /makesfv");
        QTest::qWait(20);
        EXPECT_EQ(Get<QLabel>(*W, "Label7")->text() + Enabled(*W), Idle); // not checked
        EXPECT_EQ(W->isMaximized(), Settings.find("Maximized=1") != std::string::npos);
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
