#pragma once

#include <QTreeWidget>

#include <cstdint>

// The inspector's Property / Value / Description list. Rows are written cell by
// cell: the first cell of a row appends it, each further cell fills the next
// column, and the caller sets m_nColumn to 0 after a row so that the next
// property starts a row of its own even when it fills fewer cells. A row made
// while m_nIndent is 0 or more carries that indent (IndentRole); the first
// column is drawn shifted by it.
class CDebugListCtrl : public QTreeWidget
{
    Q_OBJECT

public:
    static constexpr int IndentRole = Qt::UserRole + 1; // int, on column 0
    static constexpr int kIndentPixels = 16;

    explicit CDebugListCtrl(QWidget* parent);

    CDebugListCtrl& AddText(const QString& text);
    CDebugListCtrl& AddInt(int32_t value);    // "%d"
    CDebugListCtrl& AddUInt(uint32_t value);  // "0x%08X"
    CDebugListCtrl& AddUInt64(uint64_t value); // "0x" and 16 upper-case digits

    void DeleteAllItems();
    // Widens the Value column to its widest cell at the list's font, never
    // below its initial width.
    void FitValueColumn();

    int m_nColumn = 0;
    int m_nIndent = -1; // -1: none
};
