#include <QImage>
#include <QPainter>
#include <QWidget>

#include <gtest/gtest.h>

#include "GuiTestSupport.h"
#include "ui/QVstatus.h"
#include "ui/uDragFilesTrg.h"

using namespace quorvane;

namespace {

TEST(DialogSeamTest, FiltersBecomeQtNameFiltersAndTheOpenDialogStandsCentredAThirdDown) {
    EXPECT_EQ(
        QtNameFilters("SFV or MD5 (*.sfv;*.md5)|*.sfv;*.md5|Simple File Verification (*.sfv)|*.sfv|"
                      "MD5 (*.md5)|*.md5|All Files (*.*)|*.*"),
        QStringList({"SFV or MD5 (*.sfv *.md5)", "Simple File Verification (*.sfv)", "MD5 (*.md5)", "All Files (*)"}));
    // A second monitor right of the first: its own origin counts.
    EXPECT_EQ(OpenDialogGeometry(QRect(1920, 0, 1280, 1024), QSize(601, 400)),
              QRect(1920 + (1280 - 601) / 2, 40 + (1024 - 400) / 3, 601, 400));
}

TEST(StatusBarTest, PanelsTakeTheirWidthsAndTheLastTheRest) {
    TqvStatusBar Bar;
    Bar.resize(700, 22);
    for (int I = 0; I < 4; ++I)
        Bar.AddPanel(QString::number(I), 120, true);
    Bar.AddPanel("", -1, false);
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
    QObject::connect(&Target, &TDragFilesTrg::OnDrop, [&](TDragFilesTrg* Sender) { Drops += Sender == &Target; });
    // Longer than any fixed path buffer: nothing may be cut off.
    const QString Long = "/tmp/" + QString(300, 'x') + "/list.sfv";
    const QStringList Urls{Long, "https://example.org/a.sfv", "/tmp/b.md5"};
    EXPECT_TRUE(SendDrop(&Window, Urls, {5, 6}));
    EXPECT_EQ(Drops, 0); // the drop is finished before OnDrop is raised
    QCoreApplication::processEvents();
    EXPECT_EQ(Drops, 1);
    EXPECT_EQ(Target.Files(), QStringList({Long, "/tmp/b.md5"}));
    EXPECT_EQ(Target.DropPoint(), QPoint(5, 6));

    Target.SetEnabled(false);
    EXPECT_FALSE(Window.acceptDrops());
    EXPECT_FALSE(SendDrop(&Window, Urls, {1, 1}));
    QCoreApplication::processEvents();
    EXPECT_EQ(Drops, 1);
}

} // namespace
