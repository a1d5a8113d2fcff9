// The About box opened from the About button: its title, layout, links, donation picture and closing; and the
// main window's donation picture in pnlbtn, in both tool-bar layouts.

#include <tuple>

#include <QDebug>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include "GuiTestSupport.h"
#include "ui/AboutDlg.h"
#include "ui/Links.h"
#include "ui/MainDlg.h"
#include "util/Base64.h"

namespace {
using AboutDlgTest = WindowTest;

// Values compared as QDebug writes them, so that a failure reads well.
std::string Show(const QVariantList& Values) {
    QString Text;
    QDebug(&Text) << Values;
    return Text.toStdString();
}

TEST_F(AboutDlgTest, ShowsTheTitleOpensEachAddressAndClosesWithEnterOrEscape) {
    TFrmMain W;
    W.show();
    // The donation address is kept as base64 text only.
    const QByteArray Raw = QByteArray::fromStdString(Base64Decode(DonateUrlBase64));
    ASSERT_TRUE(Raw.toBase64() == DonateUrlBase64 && !QUrl(Raw).scheme().isEmpty()) << DonateUrlBase64;
    const QUrl Donate = QUrl::fromUserInput(QString::fromUtf8(Raw)), Six("https://example.org/6"),
               Five("https://example.org/5");
    // Each opening clicks one address (a link opens its own caption) and closes with one key.
    const std::tuple<const char*, QUrl, Qt::Key> Cases[] = {
        {"Label6", Six, Qt::Key_Return}, {"Label5", Five, Qt::Key_Escape}, {"Image2", Donate, Qt::Key_Enter}};
    for (const auto& [Click, Url, Key] : Cases) {
        QPointer<QDialog> Shown;
        int Closed = -1;
        Dialogs.OnExec = [&](QDialog& Dlg) {
            Shown = &Dlg;
            Dlg.show();
            auto L = [&](const char* Name) { return Get<QLabel>(Dlg, Name); };
            EXPECT_EQ(Show({bool(qobject_cast<TFrmAbout*>(&Dlg)), Dlg.windowTitle(), Dlg.size(),
                            Dlg.minimumSize() == Dlg.maximumSize(), L("Label1")->text(), L("Label2")->text(),
                            L("Label2")->pos() - L("Label1")->pos(), L("Label2")->palette().color(QPalette::WindowText),
                            L("Label6")->text(), L("Label5")->text(), L("Image2")->geometry(),
                            int(L("Image2")->cursor().shape()), Get<QPushButton>(Dlg, "Button1")->isDefault()}),
                      Show({true, "About", QSize(338, 141), true, "Quorvane 2.6", "Quorvane 2.6", QPoint(-1, 0),
                            QColor(0, 128, 255), HomepageUrl, SupportUrl, QRect(14, 101, 62, 31),
                            int(Qt::PointingHandCursor), true}));
            // The credit lines are read whole, left of the links. The box stands over the main window (its
            // frame, unknown while it is placed, may shift it a little).
            for (const char* Credit : {"Label3", "Label4"})
                EXPECT_TRUE(L(Credit)->sizeHint().width() <= L(Credit)->width() &&
                            L(Credit)->geometry().right() < L("Label6")->x())
                    << Credit;
            EXPECT_LE((Dlg.frameGeometry().center() - W.frameGeometry().center()).manhattanLength(), 8);
            L("Label6")->setText(Six.toString());
            L("Label5")->setText(Five.toString());
            QTest::mouseClick(L(Click), Qt::LeftButton);
            QTest::keyClick(Dlg.focusWidget() ? Dlg.focusWidget() : &Dlg, Key);
            return Closed = Dlg.isVisible() ? -1 : Dlg.result();
        };
        Get(W, "ToolButton3")->trigger();
        EXPECT_EQ(Show({Closed, Shown.isNull(), QVariant::fromValue(Dialogs.Opened)}),
                  Show({int(QDialog::Accepted), true, QVariant::fromValue(QList<QUrl>{Url})}))
            << Click;
        Dialogs.Opened.clear();
    }
    // The main window's picture ends Panel5: at its right end on top, at its bottom on the left.
    for (int Position : {1, 0}) {
        W.ApplyToolbarPosition(Position);
        QTest::qWait(20);
        auto* Panel5 = Get<QWidget>(W, "Panel5");
        auto* Btn = Get<QWidget>(W, "pnlbtn");
        auto* Image = Get<QLabel>(*Btn, "Image2");
        QTest::mouseClick(Image, Qt::LeftButton);
        EXPECT_EQ(
            Show({Btn->geometry(), Image->size(), Btn->rect().contains(Image->geometry()), int(Image->cursor().shape()),
                  Btn->geometry().intersects(Get<QWidget>(W, "ToolBar1")->geometry()),
                  QVariant::fromValue(Dialogs.Opened)}),
            Show({Position ? QRect(Panel5->width() - 67, 0, 67, 40) : QRect(0, Panel5->height() - 37, 67, 37),
                  QSize(62, 31), true, int(Qt::PointingHandCursor), false, QVariant::fromValue(QList<QUrl>{Donate})}));
        Dialogs.Opened.clear();
    }
}
} // namespace
