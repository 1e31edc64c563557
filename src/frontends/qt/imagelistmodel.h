// The rows of 超级列表框1 as a table model: the view asks only for the rows it shows, so an
// album of thousands of images stays fast.
#pragma once

#include <QAbstractTableModel>
#include <QStringList>

#include <array>
#include <vector>

namespace xiuyun {

class ImageListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // position outside 0 … rowCount() appends.
    void insertImageRow(int position, const QString& firstColumn);
    void appendImageRows(const QStringList& firstColumns);
    // Out-of-range cells are ignored, as in the control model.
    void setCell(int row, int column, const QString& text);
    QString cell(int row, int column) const;
    void clearRows();

private:
    std::vector<std::array<QString, 3>> m_rows;
};

} // namespace xiuyun
