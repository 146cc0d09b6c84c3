#include "mainframe/ListCtrlEx.h"

#include "mainframe/CaseFold.h"
#include "mainframe/ListModel.h"
#include "platform/BinaryReader.h"
#include "platform/BinaryWriter.h"

#include <QApplication>
#include <QBuffer>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <numeric>

namespace {

constexpr int kInsertMarkThickness = 2;

int ThreeWay(auto a, auto b)
{
    return (a > b) - (a < b);
}

// A stored width is the low 16 bits of its entry, signed, as the list control
// reads it.
int StoredWidth(int32_t entry)
{
    return int16_t(uint32_t(entry) & 0xFFFF);
}

} // namespace

// The stored layout, read but not yet checked.
struct CListCtrlEx::StoredColumns
{
    uint32_t count = 0;
    std::vector<int32_t> order;
    std::vector<int32_t> width;
    std::vector<int32_t> visible;
};

CListCtrlEx::SortKey CListCtrlEx::SortKey::Text(const QString& text)
{
    return {Rank::Known, 0, CaseFolded(text)};
}

int CListCtrlEx::CompareSortKeys(const SortKey& a, const SortKey& b)
{
    if (a.rank != b.rank)
        return ThreeWay(int(a.rank), int(b.rank));
    if (a.number != b.number)
        return ThreeWay(a.number, b.number);
    // Folded texts order as a comparison ignoring case orders the originals.
    return ThreeWay(QString::compare(a.text, b.text, Qt::CaseSensitive), 0);
}

CListCtrlEx::CListCtrlEx(int columnCount, QWidget* parent)
    : QTreeView(parent),
      m_nColumnCount(columnCount),
      m_arrColumnOrder(size_t(columnCount)),
      m_arrColumnWidth(size_t(columnCount)),
      m_arrColumnVisible(size_t(columnCount)),
      m_model(new CListModel(*this, columnCount, this))
{
    setModel(m_model);
    // A report list: whole rows, no tree decoration, one focus frame per row.
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);

    QHeaderView* header = this->header();
    header->setSectionsClickable(true);
    header->setStretchLastSection(false);
    header->setMinimumSectionSize(0); // stored small widths must come back as stored
    header->setCascadingSectionResizes(false);
    header->setFirstSectionMovable(true);
    header->setSortIndicatorShown(true);
    for (int id = 0; id < m_nColumnCount; ++id)
        header->hideSection(id);
    ApplySortIndicator();
    connect(header, &QHeaderView::sectionClicked, this, &CListCtrlEx::OnHeaderClicked);
}

CListCtrlEx::~CListCtrlEx() = default;

int CListCtrlEx::GetItemCount() const
{
    return m_model->RowCount();
}

quintptr CListCtrlEx::GetItemData(int row) const
{
    return m_model->ItemAt(row);
}

void CListCtrlEx::InsertItem(int row, quintptr data)
{
    m_model->InsertRow(row, data);
    OnItemInserted(data);
}

void CListCtrlEx::DeleteItem(int row)
{
    OnItemRemoving(GetItemData(row));
    m_model->RemoveRow(row);
}

void CListCtrlEx::DeleteItems(const std::vector<int>& rows)
{
    if (rows.size() == 1) {
        DeleteItem(rows.front()); // the model keeps the selection on its own
        return;
    }
    if (rows.empty())
        return;
    // Where each row that stays will be; -1 for the rows that go.
    std::vector<int> newRow(static_cast<size_t>(GetItemCount()));
    auto next = rows.cbegin();
    int kept = 0;
    for (int row = 0; row < GetItemCount(); ++row) {
        const bool goes = next != rows.cend() && *next == row;
        next += goes ? 1 : 0;
        newRow[size_t(row)] = goes ? -1 : kept++;
        if (goes)
            OnItemRemoving(GetItemData(row));
    }
    std::vector<int> selected;
    for (int row : GetSelectedRows()) {
        if (newRow[size_t(row)] >= 0)
            selected.push_back(newRow[size_t(row)]);
    }
    const QModelIndex current = currentIndex();
    int currentRow = -1;
    if (current.isValid() && kept > 0) {
        const auto stays = std::find_if(newRow.cbegin() + current.row(), newRow.cend(), [](int r) { return r >= 0; });
        currentRow = stays != newRow.cend() ? *stays : kept - 1;
    }
    const int scroll = verticalScrollBar()->value();

    m_model->RemoveRows(rows);
    SelectRows(selected, QItemSelectionModel::ClearAndSelect);
    if (currentRow >= 0)
        selectionModel()->setCurrentIndex(m_model->index(currentRow, current.column()), QItemSelectionModel::NoUpdate);
    executeDelayedItemsLayout();
    verticalScrollBar()->setValue(scroll);
}

void CListCtrlEx::DeleteAllItems()
{
    for (int row = 0; row < GetItemCount(); ++row)
        OnItemRemoving(GetItemData(row));
    m_model->RemoveAllRows();
}

std::vector<int> CListCtrlEx::GetSelectedRows() const
{
    std::vector<int> rows;
    for (const auto& [first, last] : GetSelectedRuns()) {
        for (int row = first; row <= last; ++row)
            rows.push_back(row);
    }
    return rows;
}

// The selection's ranges may overlap (a row selected cell by cell, or twice).
std::vector<std::pair<int, int>> CListCtrlEx::GetSelectedRuns() const
{
    std::vector<std::pair<int, int>> ranges;
    for (const QItemSelectionRange& range : selectionModel()->selection())
        ranges.emplace_back(range.top(), range.bottom());
    std::sort(ranges.begin(), ranges.end());
    std::vector<std::pair<int, int>> runs;
    for (const auto& [top, bottom] : ranges) {
        if (!runs.empty() && top <= runs.back().second + 1)
            runs.back().second = std::max(runs.back().second, bottom);
        else
            runs.emplace_back(top, bottom);
    }
    return runs;
}

void CListCtrlEx::SelectRows(const std::vector<int>& rows, QItemSelectionModel::SelectionFlags flags)
{
    QItemSelection selection;
    for (size_t k = 0; k < rows.size();) {
        size_t end = k + 1;
        while (end < rows.size() && rows[end] == rows[end - 1] + 1)
            ++end;
        selection.append(QItemSelectionRange(m_model->index(rows[k], 0), m_model->index(rows[end - 1], m_nColumnCount - 1)));
        k = end;
    }
    selectionModel()->select(selection, flags);
}

void CListCtrlEx::SelectRowRange(int first, int count)
{
    QItemSelection selection;
    if (count > 0)
        selection.select(m_model->index(first, 0), m_model->index(first + count - 1, m_nColumnCount - 1));
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

QVariant CListCtrlEx::GetCellData(quintptr, int, int) const
{
    return {};
}

CListCtrlEx::SortKey CListCtrlEx::GetSortKey(quintptr, int) const
{
    return {};
}

void CListCtrlEx::GetColumnInfo(int, QString&, int&, int&) const {}

bool CListCtrlEx::CanHideColumn(int) const
{
    return true;
}

void CListCtrlEx::OnItemInserted(quintptr) {}

void CListCtrlEx::OnItemRemoving(quintptr) {}

int CListCtrlEx::SortByColumn(int columnId)
{
    m_bSortAscending = !m_bSortAscending;
    const int previous = m_nSortColumn;
    m_nSortColumn = columnId >= 0 && columnId < m_nColumnCount ? columnId : -1;
    ApplySortIndicator();
    if (m_nSortColumn < 0)
        return previous;

    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    std::vector<SortKey> keys;
    keys.reserve(size_t(GetItemCount()));
    for (int row = 0; row < GetItemCount(); ++row)
        keys.push_back(GetSortKey(GetItemData(row), m_nSortColumn));
    std::vector<int> order(keys.size());
    std::iota(order.begin(), order.end(), 0);
    const int direction = m_bSortAscending ? 1 : -1;
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return direction * CompareSortKeys(keys[size_t(a)], keys[size_t(b)]) < 0;
    });
    m_model->Reorder(order);
    QGuiApplication::restoreOverrideCursor();
    return previous;
}

void CListCtrlEx::ApplySortIndicator()
{
    header()->setSortIndicator(m_nSortColumn, m_bSortAscending ? Qt::AscendingOrder : Qt::DescendingOrder);
}

void CListCtrlEx::OnHeaderClicked(int id)
{
    ApplySortIndicator();
    emit ColumnClicked(id);
}

void CListCtrlEx::ShowColumn(int id)
{
    if (id < 0 || id >= m_nColumnCount) {
        qWarning("CListCtrlEx::ShowColumn: no column %d", id);
        return;
    }
    if (m_arrColumnVisible[size_t(id)])
        return;
    QString title;
    int format = 0;
    int width = -1;
    GetColumnInfo(id, title, format, width);
    m_model->SetColumnHeader(id, title, format);

    // In at its list position among the columns on show.
    std::vector<int> displayed = DisplayedColumns();
    const size_t rank = std::min(size_t(ColumnPosition(id)), displayed.size());
    displayed.insert(displayed.begin() + qsizetype(rank), id);
    m_arrColumnVisible[size_t(id)] = 1;
    header()->showSection(id);
    ArrangeColumns(displayed);
    // A section shown again would keep its old width.
    header()->resizeSection(id, WidthOrDefault(width));
}

void CListCtrlEx::HideColumn(int id)
{
    if (!IsColumnVisible(id))
        return;
    m_arrColumnVisible[size_t(id)] = 0;
    header()->hideSection(id);
    if (id == m_nSortColumn) {
        // Its arrow goes with it.
        m_nSortColumn = -1;
        ApplySortIndicator();
    }
}

void CListCtrlEx::HideAllColumns()
{
    for (int id = 0; id < m_nColumnCount; ++id) {
        m_arrColumnVisible[size_t(id)] = 0;
        header()->hideSection(id);
    }
}

bool CListCtrlEx::IsColumnVisible(int id) const
{
    return id >= 0 && id < m_nColumnCount && m_arrColumnVisible[size_t(id)];
}

void CListCtrlEx::OnAutoSizeColumns()
{
    setUpdatesEnabled(false);
    for (int id = 0; id < m_nColumnCount; ++id) {
        if (IsColumnVisible(id))
            resizeColumnToContents(id);
    }
    setUpdatesEnabled(true);
}

int CListCtrlEx::ColumnPosition(int id) const
{
    return int(std::count(m_arrColumnVisible.begin(), m_arrColumnVisible.begin() + id, 1));
}

int CListCtrlEx::ColumnAt(int position) const
{
    for (int id = 0; id < m_nColumnCount; ++id) {
        if (m_arrColumnVisible[size_t(id)] && position-- == 0)
            return id;
    }
    return -1;
}

int CListCtrlEx::DefaultWidth(int id) const
{
    QString title;
    int format = 0;
    int width = -1;
    GetColumnInfo(id, title, format, width);
    return WidthOrDefault(width);
}

int CListCtrlEx::WidthOrDefault(int width) const
{
    return width > 0 ? width : header()->defaultSectionSize();
}

std::vector<int> CListCtrlEx::DisplayedColumns() const
{
    std::vector<int> ids;
    for (int visual = 0; visual < header()->count(); ++visual) {
        const int id = header()->logicalIndex(visual);
        if (IsColumnVisible(id))
            ids.push_back(id);
    }
    return ids;
}

void CListCtrlEx::ArrangeColumns(const std::vector<int>& displayed)
{
    std::vector<int> sequence = displayed;
    for (int id = 0; id < m_nColumnCount; ++id) {
        if (!IsColumnVisible(id))
            sequence.push_back(id);
    }
    for (int visual = 0; visual < int(sequence.size()); ++visual)
        header()->moveSection(header()->visualIndex(sequence[size_t(visual)]), visual);
}

QByteArray CListCtrlEx::SaveColumns()
{
    const std::vector<int> displayed = DisplayedColumns();
    m_nOrderCount = int32_t(displayed.size());
    for (int k = 0; k < m_nOrderCount; ++k) {
        m_arrColumnOrder[size_t(k)] = ColumnPosition(displayed[size_t(k)]);
        m_arrColumnWidth[size_t(k)] = header()->sectionSize(ColumnAt(k));
    }
    BinaryWriter writer;
    writer.writeUInt32(uint32_t(m_nOrderCount));
    for (const std::vector<int32_t>* array : {&m_arrColumnOrder, &m_arrColumnWidth, &m_arrColumnVisible}) {
        for (int32_t entry : *array)
            writer.writeInt32(entry);
    }
    return writer.data();
}

bool CListCtrlEx::RestoreColumns(const QByteArray& value)
{
    const size_t n = size_t(m_nColumnCount);
    if (value.size() != qsizetype(sizeof(uint32_t) + 3 * n * sizeof(int32_t)))
        return false;
    QByteArray bytes = value;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    BinaryReader reader(&buffer);
    StoredColumns stored;
    reader.readUInt32(&stored.count);
    for (std::vector<int32_t>* array : {&stored.order, &stored.width, &stored.visible}) {
        array->resize(n);
        for (int32_t& entry : *array)
            reader.readInt32(&entry);
    }
    if (!IsValidLayout(stored))
        return false;

    m_nOrderCount = int32_t(stored.count);
    m_arrColumnOrder = stored.order;
    m_arrColumnWidth = stored.width;
    setUpdatesEnabled(false);
    for (int id = 0; id < m_nColumnCount; ++id) {
        if (stored.visible[size_t(id)])
            ShowColumn(id);
        else
            HideColumn(id);
    }
    std::vector<int> displayed;
    for (int k = 0; k < m_nOrderCount; ++k)
        displayed.push_back(ColumnAt(stored.order[size_t(k)]));
    ArrangeColumns(displayed);
    for (int position = 0; position < m_nOrderCount; ++position) {
        const int id = ColumnAt(position);
        const int width = StoredWidth(stored.width[size_t(position)]);
        header()->resizeSection(id, width > 0 ? width : DefaultWidth(id));
    }
    setUpdatesEnabled(true);
    return true;
}

// Only what this control itself writes: count visible flags of 0 or 1, the
// order a permutation of the positions, and no column hidden that the user
// cannot hide. Any other value is a damaged or hand-made one; taking part of
// it could leave no header to right-click on.
bool CListCtrlEx::IsValidLayout(const StoredColumns& stored) const
{
    if (stored.count > uint32_t(m_nColumnCount))
        return false;
    uint32_t shown = 0;
    for (int id = 0; id < m_nColumnCount; ++id) {
        const int32_t flag = stored.visible[size_t(id)];
        if (flag != 0 && flag != 1)
            return false;
        if (flag == 0 && !CanHideColumn(id))
            return false;
        shown += uint32_t(flag);
    }
    if (shown != stored.count)
        return false;
    std::vector<int32_t> positions(stored.order.begin(), stored.order.begin() + stored.count);
    std::sort(positions.begin(), positions.end());
    for (uint32_t k = 0; k < stored.count; ++k) {
        if (positions[k] != int32_t(k))
            return false;
    }
    return true;
}

void CListCtrlEx::MoveSelectedItems(int mode, int index)
{
    const std::vector<int> selected = GetSelectedRows();
    const int count = GetItemCount();
    const int moved = int(selected.size());
    if (moved == 0)
        return;
    // The target among the rows that are left once the selected ones are out.
    int target = 0;
    switch (mode) {
    case MoveToIndex:
        if (index < 0 || index > count)
            return;
        target = index - int(std::count_if(selected.begin(), selected.end(), [index](int r) { return r < index; }));
        break;
    case MoveUp:
        if (selected.front() == 0)
            return;
        target = selected.front() - 1;
        break;
    case MoveDown:
        // The mirror of MoveUp: the last selected row goes one down, the block
        // closing up above it.
        if (selected.back() == count - 1)
            return;
        target = selected.back() + 2 - moved;
        break;
    case MoveToTop:
        target = 0;
        break;
    case MoveToBottom:
        target = count - moved;
        break;
    default:
        return;
    }
    std::vector<int> order;
    order.reserve(size_t(count));
    for (int row = 0; row < count; ++row) {
        if (!std::binary_search(selected.begin(), selected.end(), row))
            order.push_back(row);
    }
    order.insert(order.begin() + target, selected.begin(), selected.end());

    setUpdatesEnabled(false);
    m_model->Reorder(order);
    SelectRowRange(target, moved);
    setUpdatesEnabled(true);
}

void CListCtrlEx::mousePressEvent(QMouseEvent* event)
{
    if (m_bDragging) {
        // Another button during a drag ends it without a move.
        CancelDrag();
        event->accept();
        return;
    }
    QTreeView::mousePressEvent(event);
    const QModelIndex pressed = indexAt(event->position().toPoint());
    m_nPressedRow = event->button() == Qt::LeftButton && pressed.isValid() ? pressed.row() : -1;
    m_pressPoint = event->position().toPoint();
}

void CListCtrlEx::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint point = event->position().toPoint();
    if (m_bDragging) {
        SetInsertMark(InsertMarkHitTest(point));
        return;
    }
    if (m_nPressedRow >= 0 && (event->buttons() & Qt::LeftButton)) {
        // A press on a row drags rows; it never selects by dragging.
        if ((point - m_pressPoint).manhattanLength() > QApplication::startDragDistance()) {
            OnBeginDrag();
            SetInsertMark(InsertMarkHitTest(point));
        }
        return;
    }
    QTreeView::mouseMoveEvent(event);
}

void CListCtrlEx::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_bDragging && event->button() == Qt::LeftButton) {
        const int target = InsertMarkHitTest(event->position().toPoint());
        CancelDrag();
        setState(NoState);
        if (target >= 0)
            MoveSelectedItems(MoveToIndex, target);
        event->accept();
        return;
    }
    m_nPressedRow = -1;
    QTreeView::mouseReleaseEvent(event);
}

void CListCtrlEx::keyPressEvent(QKeyEvent* event)
{
    if (m_bDragging && event->key() == Qt::Key_Escape) {
        CancelDrag();
        event->accept();
        return;
    }
    QTreeView::keyPressEvent(event);
}

void CListCtrlEx::focusOutEvent(QFocusEvent* event)
{
    // A drag whose mouse went elsewhere must not move rows at a later release.
    CancelDrag();
    QTreeView::focusOutEvent(event);
}

void CListCtrlEx::OnBeginDrag()
{
    m_bDragging = 1;
}

void CListCtrlEx::CancelDrag()
{
    m_bDragging = 0;
    m_nPressedRow = -1;
    SetInsertMark(-1);
}

int CListCtrlEx::InsertMarkHitTest(const QPoint& point) const
{
    if (!viewport()->rect().contains(point) || GetItemCount() == 0)
        return -1;
    const QModelIndex index = indexAt(point);
    if (!index.isValid())
        return GetItemCount(); // below the rows: after the last one
    const QRect rect = visualRect(index);
    return point.y() >= rect.top() + rect.height() / 2 ? index.row() + 1 : index.row();
}

QRect CListCtrlEx::RowRect(int row) const
{
    const std::vector<int> displayed = DisplayedColumns();
    const QRect cell = displayed.empty() ? QRect() : visualRect(m_model->index(row, displayed.front()));
    return {-horizontalOffset(), cell.y(), header()->length(), cell.height()};
}

void CListCtrlEx::SetInsertMark(int row)
{
    if (row == m_nInsertMark)
        return;
    m_nInsertMark = row;
    viewport()->update();
}

void CListCtrlEx::paintEvent(QPaintEvent* event)
{
    QTreeView::paintEvent(event);
    if (m_nInsertMark < 0 || GetItemCount() == 0)
        return;
    const bool after = m_nInsertMark >= GetItemCount();
    const QRect row = RowRect(after ? GetItemCount() - 1 : m_nInsertMark);
    const int y = after ? row.top() + row.height() : row.top();
    QPainter painter(viewport());
    // Filled, not drawn as a line: an aliased line would cover one pixel more.
    painter.fillRect(0, y - kInsertMarkThickness / 2, viewport()->width(), kInsertMarkThickness,
                     palette().color(QPalette::WindowText));
}
