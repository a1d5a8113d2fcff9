#include "ui/WindowUtils.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace quorvane {

void CenterForm(QWidget* Parent, QWidget* Form) {
    if (!Form)
        return;
    QScreen* Own = Form->screen();
    QScreen* Target = nullptr;
    if (Parent && Parent->isVisible())
        Target = Parent->screen();
    if (!Target && QApplication::activeWindow())
        Target = QApplication::activeWindow()->screen();
    if (!Target)
        Target = Own ? Own : QGuiApplication::primaryScreen();
    if (!Target)
        return;
    const QRect Mon = Target->geometry();
    const QSize Size = Form->frameGeometry().size();
    QPoint Pos(Mon.left() + (Mon.width() - Size.width()) / 2, Mon.top() + (Mon.height() - Size.height()) / 2);
    if (Parent && Parent->isVisible() && Own == Target) {
        const QRect P = Parent->frameGeometry();
        QPoint Over(P.left() + P.width() / 2 - Size.width() / 2, P.top() + P.height() / 2 - Size.height() / 2);
        if (Over.y() + Size.height() <= Mon.bottom() + 1)
            Pos.setY(Over.y());
        if (Over.x() >= Mon.left() && Over.x() + Size.width() <= Mon.right() + 1)
            Pos.setX(Over.x());
    }
    Form->move(Pos);
}

} // namespace quorvane
