#pragma once

#include <QByteArray>
#include <QString>
#include <QTreeView>

#include <cstdint>
#include <utility>
#include <vector>

class CListModel;

// A report list: rows that carry one item-data value each, sorted by the derived
// class's keys (the rows themselves are reordered, with the header's arrow),
// columns known by a stable column id that can be hidden and shown again, a fit
// of all column widths, and rows moved by dragging or by the move commands.
// What a cell shows and how rows order are asked of the derived class; what a
// header click does is up to the owner (ColumnClicked).
//
// Column ids are the model's logical indexes. The stored layout speaks of "list
// positions": the visible columns in ascending id order, so position p is the
// p-th visible id.
class CListCtrlEx : public QTreeView
{
    Q_OBJECT

public:
    enum MoveItemsMode
    {
        MoveToIndex = 0, // before the given row
        MoveUp = 1,
        MoveDown = 2,
        MoveToTop = 3,
        MoveToBottom = 4,
    };

    // The alignments GetColumnInfo reports.
    static constexpr int LVCFMT_LEFT = 0;
    static constexpr int LVCFMT_RIGHT = 1;
    static constexpr int LVCFMT_CENTER = 2;

    // One row's value in the sorted column, taken once per row before sorting,
    // so that the order is well defined even while downloads change. Keys
    // compare by rank, then number, then text ignoring case.
    struct SortKey
    {
        enum class Rank
        {
            Lowest, // no value at all: before every value
            Known,
            Highest, // a value not known yet: after every value
        };

        static SortKey Unsigned(uint64_t value) { return {Rank::Known, value, {}}; }
        static SortKey Signed(int64_t value) { return {Rank::Known, uint64_t(value) ^ kSignBit, {}}; }
        // Kept case-folded, so that a sort folds each text once.
        static SortKey Text(const QString& text);
        static SortKey Lowest() { return {Rank::Lowest, 0, {}}; }
        static SortKey Highest() { return {Rank::Highest, 0, {}}; }

        Rank rank = Rank::Known;
        uint64_t number = 0;
        QString text; // case-folded

    private:
        static constexpr uint64_t kSignBit = uint64_t(1) << 63;
    };

    // Negative, 0 or positive.
    static int CompareSortKeys(const SortKey& a, const SortKey& b);

    // The control starts without visible columns; ShowColumn brings them in.
    explicit CListCtrlEx(int columnCount, QWidget* parent = nullptr);
    ~CListCtrlEx() override;

    // Rows.
    int GetItemCount() const;
    quintptr GetItemData(int row) const;
    // A row beyond the end is appended.
    void InsertItem(int row, quintptr data);
    void DeleteItem(int row);
    // Deletes the rows (ascending, no repeats) in one pass over the list. The
    // rows that stay keep their selection, and the current row stays or moves
    // to the next row that stays, as it does when one row goes.
    void DeleteItems(const std::vector<int>& rows);
    void DeleteAllItems();
    // The selected rows, top first.
    std::vector<int> GetSelectedRows() const;
    // The same rows as runs of neighbours, first and last row of each, top
    // first: a selection of many rows costs no more than its runs.
    std::vector<std::pair<int, int>> GetSelectedRuns() const;

    // Sorts the rows by the column with that id (the header's sectionClicked
    // gives ids), flipping the direction on every call; a negative id only
    // clears the arrow. Returns the column sorted before, or -1.
    int SortByColumn(int columnId);
    int GetSortColumn() const { return m_nSortColumn; }
    bool IsSortAscending() const { return m_bSortAscending != 0; }

    void ShowColumn(int id);
    void HideColumn(int id);
    bool IsColumnVisible(int id) const;
    // Fits every visible column to its contents and its title.
    void OnAutoSizeColumns();

    void MoveSelectedItems(int mode, int index);

    // The column layout as stored: count, order by list position, widths by
    // list position, visible flags by id, each 32-bit little-endian (4 + 12 x
    // column count bytes). Entries beyond the count keep what the last restore
    // put there.
    QByteArray SaveColumns();
    // Applies a stored layout; false, changing nothing, for a value that is not
    // a layout this control could have written.
    bool RestoreColumns(const QByteArray& value);

signals:
    // A click on the header of the column with this id, after the arrow was put
    // back to the current sort (the header flips it on its own).
    void ColumnClicked(int columnId);

protected:
    friend class CListModel;

    // The cell's data for a Qt item role; the alignment comes from the column.
    virtual QVariant GetCellData(quintptr item, int columnId, int role) const;
    // The base class keeps every row equal.
    virtual SortKey GetSortKey(quintptr item, int columnId) const;
    // Title, LVCFMT_ alignment and default width of a column; the base leaves
    // the caller's values.
    virtual void GetColumnInfo(int columnId, QString& title, int& format, int& width) const;
    // Whether the user may hide the column; a stored layout that hides one that
    // may not be hidden is not taken.
    virtual bool CanHideColumn(int columnId) const;
    // Told of each row's item data after the row came and before it goes, so
    // that the derived class can keep its own index of the rows.
    virtual void OnItemInserted(quintptr data);
    virtual void OnItemRemoving(quintptr data);

    // Rows are dragged with the mouse alone, never with Qt's drag and drop,
    // which would meet the main window's drop target.
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

    // Hides every column without touching the sort.
    void HideAllColumns();
    // The whole row, across every column, in viewport coordinates.
    QRect RowRect(int row) const;

    int32_t m_bSortAscending = 0;
    int32_t m_nSortColumn = -1; // a column id, so hiding other columns cannot move it
    int32_t m_bDragging = 0;
    const int32_t m_nColumnCount;
    int32_t m_nOrderCount = 0;
    std::vector<int32_t> m_arrColumnOrder;   // list positions in display order
    std::vector<int32_t> m_arrColumnWidth;   // by list position
    std::vector<int32_t> m_arrColumnVisible; // 0 or 1 by column id

private:
    struct StoredColumns;

    // The list position of a column id: the number of visible ids below it.
    int ColumnPosition(int id) const;
    // The id at a list position, or -1.
    int ColumnAt(int position) const;
    int DefaultWidth(int id) const;
    int WidthOrDefault(int width) const;
    // The visible ids in display order.
    std::vector<int> DisplayedColumns() const;
    // Moves the sections so that the visible ones show in this order.
    void ArrangeColumns(const std::vector<int>& displayed);
    bool IsValidLayout(const StoredColumns& stored) const;
    void ApplySortIndicator();
    void OnHeaderClicked(int id);
    void SelectRowRange(int first, int count);
    // Selects the rows (ascending) in as few ranges as they allow.
    void SelectRows(const std::vector<int>& rows, QItemSelectionModel::SelectionFlags flags);

    void OnBeginDrag();
    // The row before which a drop at the point would insert, or -1.
    int InsertMarkHitTest(const QPoint& point) const;
    void SetInsertMark(int row);
    void CancelDrag();

    CListModel* m_model;
    int m_nPressedRow = -1;
    QPoint m_pressPoint;
    int m_nInsertMark = -1;
};
