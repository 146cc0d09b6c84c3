#include "mainframe/SeparatorRowDelegate.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>
#include <qdrawutil.h>

namespace {

constexpr int kRightInset = 32;

} // namespace

void CSeparatorRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                  const QModelIndex& index) const
{
    QStyledItemDelegate::paint(painter, option, index);
    if (!index.data(IsSeparatorRole).toBool())
        return;
    QStyleOptionViewItem item(option);
    initStyleOption(&item, index);
    const QStyle* style = item.widget ? item.widget->style() : QApplication::style();
    QRect label = style->subElementRect(QStyle::SE_ItemViewItemText, &item, item.widget);
    label.setRight(label.right() - kRightInset);
    const int y = label.center().y();
    // A sunken line of width 1: a dark and a light pixel row, the etched look.
    qDrawShadeLine(painter, label.left(), y, label.right(), y, option.palette, true, 1, 0);
}
