#pragma once

#include <QStyledItemDelegate>

class CDownloadsView;

// Paints the downloads list's cells: a light selection that keeps the state
// colours readable, the completed column's progress bar or moving block, and the
// grid lines while they are on. The bar keeps the list control's pixel rules:
// rectangles whose right and bottom edges lie outside them.
class CDownloadsDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    explicit CDownloadsDelegate(CDownloadsView& view);

    void SetGridLines(bool on) { m_bGridLines = on; }
    bool HasGridLines() const { return m_bGridLines; }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    // The full text of a cell that is too narrow for it.
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

private:
    void PaintBar(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const;

    CDownloadsView& m_view;
    bool m_bGridLines = false;
};
