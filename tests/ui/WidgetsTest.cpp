#include <QCoreApplication>
#include <QDropEvent>
#include <QImage>
#include <QMimeData>
#include <QPainter>
#include <QUrl>
#include <QWidget>

#include <gtest/gtest.h>

#include "ui/DialogSeam.h"
#include "ui/QVstatus.h"
#include "ui/uDragFilesTrg.h"

namespace {

TEST(DialogSeamTest, FiltersBecomeQtNameFilters) {
    QStringList F = QtNameFilters("SFV or MD5 (*.sfv;*.md5)|*.sfv;*.md5|Simple File Verification (*.sfv)|*.sfv|"
                                  "MD5 (*.md5)|*.md5|All Files (*.*)|*.*");
    EXPECT_EQ(F, QStringList(
                     {"SFV or MD5 (*.sfv *.md5)", "Simple File Verification (*.sfv)", "MD5 (*.md5)", "All Files (*)"}));
}

TEST(DialogSeamTest, TheOpenDialogStandsCentredAThirdDown) {
    // A second monitor right of the first: its own origin counts.
    QRect R = OpenDialogGeometry(QRect(1920, 0, 1280, 1024), QSize(601, 400));
    EXPECT_EQ(R.left(), 1920 + (1280 - 601) / 2);
    EXPECT_EQ(R.top(), 40 + (1024 - 400) / 3);
    EXPECT_EQ(R.size(), QSize(601, 400));
}

TEST(StatusBarTest, PanelsTakeTheirWidthsAndTheLastTheRest) {
    TqvStatusBar Bar;
    Bar.resize(700, 22);
    for (int I = 0; I < 4; ++I)
        Bar.AddPanel(QString::number(I), 120, true);
    Bar.AddPanel("", -1, false);
    EXPECT_EQ(Bar.height(), 22);
    EXPECT_EQ(Bar.PanelRect(1).left(), 120);
    EXPECT_EQ(Bar.PanelRect(4).left(), 480);
    EXPECT_EQ(Bar.PanelRect(4).right(), 700 - 3);
    EXPECT_TRUE(Bar.PanelRect(5).isNull());
    std::vector<int> Drawn;
    QObject::connect(&Bar, &TqvStatusBar::DrawPanel, [&](QPainter*, int Index, const QRect& Rect) {
        Drawn.push_back(Index);
        EXPECT_EQ(Rect, Bar.PanelRect(Index));
    });
    QImage Image(Bar.size(), QImage::Format_ARGB32);
    Bar.render(&Image);
    EXPECT_EQ(Drawn, (std::vector<int>{0, 1, 2, 3})); // the plain panel is drawn by the bar itself
}

TEST(DropTargetTest, DropsCarryFullPathsAndAreRefusedWhileDisabled) {
    QWidget Window;
    TDragFilesTrg Target;
    Target.SetTarget(&Window);
    EXPECT_TRUE(Window.acceptDrops());
    int Drops = 0;
    QObject::connect(&Target, &TDragFilesTrg::OnDrop, [&](TDragFilesTrg* Sender) {
        EXPECT_EQ(Sender, &Target);
        ++Drops;
    });
    // Longer than any fixed path buffer: nothing may be cut off.
    const QString Long = "/tmp/" + QString(300, 'x') + "/list.sfv";
    QMimeData Data;
    Data.setUrls({QUrl::fromLocalFile(Long), QUrl("https://example.org/a.sfv"), QUrl::fromLocalFile("/tmp/b.md5")});
    QDragEnterEvent Accept(QPoint(5, 6), Qt::CopyAction, &Data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&Window, &Accept);
    EXPECT_TRUE(Accept.isAccepted());
    QDropEvent Drop(QPointF(5, 6), Qt::CopyAction, &Data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&Window, &Drop);
    EXPECT_EQ(Drops, 0); // the drop is finished before OnDrop is raised
    QCoreApplication::processEvents();
    EXPECT_EQ(Drops, 1);
    EXPECT_EQ(Target.Files(), QStringList({Long, "/tmp/b.md5"}));
    EXPECT_EQ(Target.DropPoint(), QPoint(5, 6));

    Target.SetEnabled(false);
    EXPECT_FALSE(Window.acceptDrops());
    QDragEnterEvent Enter(QPoint(1, 1), Qt::CopyAction, &Data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&Window, &Enter);
    EXPECT_FALSE(Enter.isAccepted());
    QDropEvent Again(QPointF(1, 1), Qt::CopyAction, &Data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&Window, &Again);
    QCoreApplication::processEvents();
    EXPECT_EQ(Drops, 1);
}

} // namespace
