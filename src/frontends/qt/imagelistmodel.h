// The rows of 超级列表框1 as a table model over the window's rows: it keeps only the count it
// last announced and reads each cell from the program's rows when the view asks for it, so an
// album of thousands of images stays fast and is kept once.
#pragma once

#include <QAbstractTableModel>

namespace xiuyun {

// Not included here: moc reads this header and can't parse the C++20 the window's headers use.
class Window;

class ImageListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    ImageListModel(const Window& rows, QObject* parent) : QAbstractTableModel(parent), m_rows(rows) {}

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // The rows were replaced: their count and every cell are read anew.
    void replaceRows();
    // One row changed; out-of-range rows are ignored.
    void rowChanged(int row);
    QString cell(int row, int column) const;

private:
    const Window& m_rows;
    int m_rowCount = 0;
};

} // namespace xiuyun
