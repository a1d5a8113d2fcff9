#pragma once

// Draws the rows of `lv` with the indent of file rows under their list's header row.

#include <QStyledItemDelegate>

namespace quorvane {

class ChecksumRowDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // Indent step in pixels (the width of a row image).
    static constexpr int IndentStep = 16;

protected:
    void initStyleOption(QStyleOptionViewItem* Option, const QModelIndex& Index) const override;
    void paint(QPainter* Painter, const QStyleOptionViewItem& Option, const QModelIndex& Index) const override;
};

} // namespace quorvane
