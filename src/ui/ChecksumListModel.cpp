#include "ui/ChecksumListModel.h"

namespace quorvane {

ChecksumListModel::ChecksumListModel(std::vector<QIcon> Icons, QObject* Parent)
    : QAbstractTableModel(Parent), Images(std::move(Icons)) {}

void ChecksumListModel::SetRows(std::vector<TRow> NewRows) {
    beginResetModel();
    RowList = std::move(NewRows);
    endResetModel();
}

void ChecksumListModel::SetRowImage(int Row, int Image) {
    if (Row < 0 || Row >= rowCount() || RowList[Row].Image == Image)
        return;
    RowList[Row].Image = Image;
    emit dataChanged(index(Row, 0), index(Row, 0), {Qt::DecorationRole, ImageRole});
}

void ChecksumListModel::SetSizeText(int Row, const std::string& Text) {
    if (Row < 0 || Row >= rowCount() || RowList[Row].Kind != TRowKind::File || RowList[Row].SizeText == Text)
        return;
    RowList[Row].SizeText = Text;
    emit dataChanged(index(Row, 1), index(Row, 1), {Qt::DisplayRole});
}

int ChecksumListModel::rowCount(const QModelIndex& Parent) const {
    return Parent.isValid() ? 0 : static_cast<int>(RowList.size());
}

int ChecksumListModel::columnCount(const QModelIndex& Parent) const {
    return Parent.isValid() ? 0 : 2;
}

QVariant ChecksumListModel::data(const QModelIndex& Index, int Role) const {
    if (!checkIndex(Index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const TRow& R = RowList[static_cast<std::size_t>(Index.row())];
    const bool Name = Index.column() == 0;
    switch (Role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return QString::fromStdString(Name ? R.Caption : R.SizeText);
    case Qt::DecorationRole:
        if (Name && R.Image >= 0 && static_cast<std::size_t>(R.Image) < Images.size())
            return Images[static_cast<std::size_t>(R.Image)];
        return {};
    case Qt::TextAlignmentRole:
        return Name ? QVariant(Qt::AlignLeft | Qt::AlignVCenter) : QVariant(Qt::AlignRight | Qt::AlignVCenter);
    case KindRole:
        return static_cast<int>(R.Kind);
    case ImageRole:
        return R.Image;
    case IndentRole:
        return R.Indent;
    case SizeRole:
        return R.Record ? QVariant(static_cast<qlonglong>(R.Record->Size)) : QVariant();
    case RecordRole:
        return QVariant::fromValue(static_cast<void*>(R.Record));
    default:
        return {};
    }
}

QVariant ChecksumListModel::headerData(int Section, Qt::Orientation Orientation, int Role) const {
    if (Orientation != Qt::Horizontal)
        return {};
    if (Role == Qt::DisplayRole)
        return Section == 0 ? QStringLiteral("Filename") : QStringLiteral("Size");
    if (Role == Qt::TextAlignmentRole)
        return Section == 0 ? QVariant(Qt::AlignLeft | Qt::AlignVCenter) : QVariant(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

Qt::ItemFlags ChecksumListModel::flags(const QModelIndex& Index) const {
    if (!Index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags F = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (Index.column() == 0)
        F |= Qt::ItemIsEditable; // the edit is offered, then undone
    return F;
}

// An in-place rename never renames anything: the caption snaps back to the old name.
bool ChecksumListModel::setData(const QModelIndex&, const QVariant&, int) {
    return false;
}

} // namespace quorvane
