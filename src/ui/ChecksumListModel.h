#pragma once

// The rows of the checksum list view `lv`: a thin table model over the row vector built by BuildRows.
// Column 0 "Filename" (caption and state image), column 1 "Size" (right-aligned text). Captions may be
// edited in place but never change. The rows point at records of the item list: reset the rows before
// the records are disposed of. User-interface thread only.

#include <vector>

#include <QAbstractTableModel>
#include <QIcon>

#include "lists/ItemRows.h"

namespace quorvane {

class ChecksumListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // Raw values under custom roles.
    enum TRole { KindRole = Qt::UserRole + 1, ImageRole, IndentRole, SizeRole, RecordRole };

    // Images are indexed by the row's Image (0 list header, 1..4 the states).
    explicit ChecksumListModel(std::vector<QIcon> Images, QObject* Parent = nullptr);

    // Replaces every row.
    void SetRows(std::vector<TRow> NewRows);
    // The rows, as shown.
    const std::vector<TRow>& Rows() const { return RowList; }
    // A file row now shows another image.
    void SetRowImage(int Row, int Image);
    // A file row's Size text.
    void SetSizeText(int Row, const std::string& Text);

    int rowCount(const QModelIndex& Parent = {}) const override;
    int columnCount(const QModelIndex& Parent = {}) const override;
    QVariant data(const QModelIndex& Index, int Role = Qt::DisplayRole) const override;
    QVariant headerData(int Section, Qt::Orientation Orientation, int Role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& Index) const override;
    bool setData(const QModelIndex& Index, const QVariant& Value, int Role = Qt::EditRole) override;

private:
    std::vector<QIcon> Images;
    std::vector<TRow> RowList;
};

} // namespace quorvane
