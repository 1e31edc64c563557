#include "frontends/qt/imagelistmodel.h"

#include "frontends/qt/qttext.h"
#include "window/controls.h"

namespace xiuyun {

int ImageListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int ImageListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(listColumns.size());
}

QVariant ImageListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount())
        return {};
    // The address column is narrower than most addresses: the tooltip shows all of it.
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
        return m_rows[index.row()][index.column()];
    return {};
}

QVariant ImageListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= columnCount())
        return {};
    return qtString(listColumns[section].caption);
}

void ImageListModel::insertImageRow(int position, const QString& firstColumn) {
    const int count = rowCount();
    if (position < 0 || position > count)
        position = count;
    beginInsertRows({}, position, position);
    m_rows.insert(m_rows.begin() + position, {firstColumn, {}, {}});
    endInsertRows();
}

void ImageListModel::appendImageRows(const QStringList& firstColumns) {
    if (firstColumns.isEmpty())
        return;
    const int count = rowCount();
    beginInsertRows({}, count, count + static_cast<int>(firstColumns.size()) - 1);
    for (const QString& first : firstColumns)
        m_rows.push_back({first, {}, {}});
    endInsertRows();
}

void ImageListModel::setCell(int row, int column, const QString& text) {
    if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount())
        return;
    m_rows[row][column] = text;
    const QModelIndex changedIndex = index(row, column);
    emit dataChanged(changedIndex, changedIndex, {Qt::DisplayRole, Qt::ToolTipRole});
}

QString ImageListModel::cell(int row, int column) const {
    if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount())
        return {};
    return m_rows[row][column];
}

void ImageListModel::clearRows() {
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

} // namespace xiuyun
