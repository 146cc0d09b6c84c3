#pragma once

#include <QStyledItemDelegate>

// Draws a list row marked as a separator (IsSeparatorRole) as an etched rule
// through the middle of its label area, 32 pixels short of the right edge.
class CSeparatorRowDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    static constexpr int IsSeparatorRole = Qt::UserRole + 1;

    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};
