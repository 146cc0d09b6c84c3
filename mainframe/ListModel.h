#pragma once

#include <QAbstractTableModel>
#include <QString>

#include <vector>

class CListCtrlEx;

// The rows of a CListCtrlEx: one item-data value per row in the list's own
// order, and a fixed set of columns whose logical index is the column id. It
// keeps no cell text: every cell is asked of the list whenever it is shown, so
// a repaint shows the live values.
class CListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    CListModel(const CListCtrlEx& list, int columnCount, QObject* parent);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The title and LVCFMT_ alignment of a column, as it was last inserted.
    void SetColumnHeader(int id, const QString& title, int format);

    int RowCount() const { return int(m_rows.size()); }
    quintptr ItemAt(int row) const { return m_rows[size_t(row)]; }
    // A row beyond the end is appended.
    void InsertRow(int row, quintptr item);
    void RemoveRow(int row);
    // Removes the rows (ascending, no repeats) in one pass: the model is reset,
    // so the caller takes care of the selection and the current row.
    void RemoveRows(const std::vector<int>& rows);
    void RemoveAllRows();
    // Row k becomes the old row order[k]; order is a permutation of the rows.
    // Persistent indexes (the selection, the current row) stay with their rows.
    void Reorder(const std::vector<int>& order);

private:
    struct Header
    {
        QString title;
        int format = 0;
    };

    Qt::Alignment Alignment(int id) const;

    const CListCtrlEx& m_list;
    std::vector<quintptr> m_rows;
    std::vector<Header> m_headers; // by column id
};
