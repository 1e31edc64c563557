#include "frontends/qt/imagelistmodel.h"

#include "frontends/qt/qttext.h"
#include "window/controls.h"
#include "window/window.h"

namespace xiuyun {

int ImageListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_rowCount;
}

int ImageListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(listColumns.size());
}

QVariant ImageListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount())
        return {};
    // The address column is narrower than most addresses: the tooltip shows all of it.
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
        return cell(index.row(), index.column());
    return {};
}

QVariant ImageListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= columnCount())
        return {};
    return qtString(listColumns[section].caption);
}

void ImageListModel::replaceRows() {
    beginResetModel();
    m_rowCount = m_rows.rowCount();
    endResetModel();
}

void ImageListModel::rowChanged(int row) {
    if (row < 0 || row >= rowCount())
        return;
    emit dataChanged(index(row, 0), index(row, columnCount() - 1), {Qt::DisplayRole, Qt::ToolTipRole});
}

QString ImageListModel::cell(int row, int column) const {
    if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount())
        return {};
    return qtString(m_rows.cell(row, column));
}

} // namespace xiuyun
