#include "ui/ChecksumRowDelegate.h"

#include <QPainter>

#include "ui/ChecksumListModel.h"

namespace quorvane {

void ChecksumRowDelegate::initStyleOption(QStyleOptionViewItem* Option, const QModelIndex& Index) const {
    QStyledItemDelegate::initStyleOption(Option, Index);
    Option->decorationSize = QSize(16, 16);
}

void ChecksumRowDelegate::paint(QPainter* Painter, const QStyleOptionViewItem& Option, const QModelIndex& Index) const {
    const int Indent = Index.column() == 0 ? Index.data(ChecksumListModel::IndentRole).toInt() : 0;
    if (Indent <= 0)
        return QStyledItemDelegate::paint(Painter, Option, Index);
    // The selection highlight still spans the whole cell; only the content moves right.
    QStyleOptionViewItem Shifted(Option);
    Shifted.rect.setLeft(Option.rect.left() + Indent * IndentStep);
    if (Option.state & QStyle::State_Selected)
        Painter->fillRect(Option.rect, Option.palette.highlight());
    QStyledItemDelegate::paint(Painter, Shifted, Index);
}

} // namespace quorvane
