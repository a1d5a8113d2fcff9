#include "ui/QVstatus.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOption>

namespace quorvane {

TqvStatusBar::TqvStatusBar(QWidget* Parent) : QStatusBar(Parent) {
    setSizeGripEnabled(false);
    setFixedHeight(22);
}

void TqvStatusBar::AddPanel(const QString& Text, int Width, bool OwnerDraw) {
    PanelList.push_back({Text, Width, OwnerDraw});
    update();
}

void TqvStatusBar::SetPanelText(int Index, const QString& Text) {
    if (Index < 0 || Index >= PanelList.size())
        return;
    PanelList[Index].Text = Text;
    update(PanelRect(Index));
}

QRect TqvStatusBar::PanelRect(int Index) const {
    int Left = 0;
    for (int I = 0; I < PanelList.size(); ++I) {
        int W = PanelList[I].Width < 0 || I == PanelList.size() - 1 ? width() - Left : PanelList[I].Width;
        if (I == Index)
            return {Left, 2, qMax(0, W - 2), height() - 2};
        Left += W;
    }
    return {};
}

void TqvStatusBar::paintEvent(QPaintEvent*) {
    QPainter P(this);
    P.fillRect(rect(), palette().window());
    for (int I = 0; I < PanelList.size(); ++I) {
        const QRect R = PanelRect(I);
        if (R.isEmpty())
            continue;
        QStyleOption Opt;
        Opt.initFrom(this);
        Opt.rect = R.adjusted(-1, -1, 1, 0);
        style()->drawPrimitive(QStyle::PE_FrameStatusBarItem, &Opt, &P, this);
        P.save();
        P.setClipRect(R);
        if (PanelList[I].OwnerDraw)
            emit DrawPanel(&P, I, R);
        else
            P.drawText(R.adjusted(3, 0, -3, 0), Qt::AlignLeft | Qt::AlignVCenter, PanelList[I].Text);
        P.restore();
    }
}

} // namespace quorvane
