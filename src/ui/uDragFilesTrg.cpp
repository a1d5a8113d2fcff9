#include "ui/uDragFilesTrg.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

namespace quorvane {

TDragFilesTrg::TDragFilesTrg(QObject* Owner) : QObject(Owner) {}

TDragFilesTrg::~TDragFilesTrg() {
    SetTarget(nullptr);
}

void TDragFilesTrg::SetEnabled(bool Value) {
    IsEnabled = Value;
    if (TargetWidget)
        TargetWidget->setAcceptDrops(Value);
}

void TDragFilesTrg::SetTarget(QWidget* Value) {
    if (Value == TargetWidget)
        return;
    if (TargetWidget) {
        TargetWidget->setAcceptDrops(false);
        TargetWidget->removeEventFilter(this);
    }
    TargetWidget = Value;
    if (TargetWidget) {
        TargetWidget->installEventFilter(this);
        TargetWidget->setAcceptDrops(IsEnabled);
    }
}

QStringList TDragFilesTrg::LocalFiles(const QMimeData* Data) {
    QStringList Paths;
    if (!Data || !Data->hasUrls())
        return Paths;
    for (const QUrl& Url : Data->urls())
        if (Url.isLocalFile())
            Paths << Url.toLocalFile();
    return Paths;
}

bool TDragFilesTrg::eventFilter(QObject* Watched, QEvent* Event) {
    if (Watched != TargetWidget)
        return false;
    switch (Event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* E = static_cast<QDragMoveEvent*>(Event);
        if (IsEnabled && !LocalFiles(E->mimeData()).isEmpty())
            E->acceptProposedAction();
        else
            E->ignore();
        return true;
    }
    case QEvent::Drop: {
        auto* E = static_cast<QDropEvent*>(Event);
        if (!IsEnabled) {
            E->ignore();
            return true;
        }
        FileList = LocalFiles(E->mimeData());
        Point = E->position().toPoint();
        E->acceptProposedAction();
        // Raised once the drop is finished: the file manager's drag must not wait for whatever the
        // handler asks the user.
        QMetaObject::invokeMethod(
            this, [this] { emit OnDrop(this); }, Qt::QueuedConnection);
        return true;
    }
    default:
        return false;
    }
}

} // namespace quorvane
