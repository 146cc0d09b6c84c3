#include "mainframe/ListModel.h"

#include "mainframe/ListCtrlEx.h"

#include <algorithm>

CListModel::CListModel(const CListCtrlEx& list, int columnCount, QObject* parent)
    : QAbstractTableModel(parent), m_list(list), m_headers(size_t(columnCount))
{
}

int CListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : RowCount();
}

int CListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_headers.size());
}

QVariant CListModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Alignment(index.column()));
    return m_list.GetCellData(ItemAt(index.row()), index.column(), role);
}

QVariant CListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount())
        return {};
    if (role == Qt::DisplayRole)
        return m_headers[size_t(section)].title;
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Alignment(section));
    return {};
}

void CListModel::SetColumnHeader(int id, const QString& title, int format)
{
    m_headers[size_t(id)] = {title, format};
    emit headerDataChanged(Qt::Horizontal, id, id);
}

Qt::Alignment CListModel::Alignment(int id) const
{
    Qt::Alignment horizontal = Qt::AlignLeft;
    if (m_headers[size_t(id)].format == CListCtrlEx::LVCFMT_RIGHT)
        horizontal = Qt::AlignRight;
    else if (m_headers[size_t(id)].format == CListCtrlEx::LVCFMT_CENTER)
        horizontal = Qt::AlignHCenter;
    return horizontal | Qt::AlignVCenter;
}

void CListModel::InsertRow(int row, quintptr item)
{
    row = std::clamp(row, 0, RowCount());
    beginInsertRows({}, row, row);
    m_rows.insert(m_rows.begin() + row, item);
    endInsertRows();
}

void CListModel::RemoveRow(int row)
{
    beginRemoveRows({}, row, row);
    m_rows.erase(m_rows.begin() + row);
    endRemoveRows();
}

void CListModel::RemoveRows(const std::vector<int>& rows)
{
    beginResetModel();
    auto next = rows.cbegin();
    size_t kept = 0;
    for (size_t row = 0; row < m_rows.size(); ++row) {
        if (next != rows.cend() && size_t(*next) == row)
            ++next;
        else
            m_rows[kept++] = m_rows[row];
    }
    m_rows.resize(kept);
    endResetModel();
}

void CListModel::RemoveAllRows()
{
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

void CListModel::Reorder(const std::vector<int>& order)
{
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> newRow(order.size());
    std::vector<quintptr> rows(order.size());
    for (size_t k = 0; k < order.size(); ++k) {
        newRow[size_t(order[k])] = int(k);
        rows[k] = m_rows[size_t(order[k])];
    }
    m_rows.swap(rows);
    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex& index : from)
        to.append(this->index(newRow[size_t(index.row())], index.column()));
    changePersistentIndexList(from, to);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}
