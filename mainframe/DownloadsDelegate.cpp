#include "mainframe/DownloadsDelegate.h"

#include "app/PrintfText.h"
#include "mainframe/DownloadsView.h"

#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>

#include <algorithm>

namespace {

constexpr int kSelectionAlpha = 64;
constexpr int kPercentTextInset = 2;

// Left, top, right and bottom, the right and bottom edges outside.
struct Edges
{
    int left;
    int top;
    int right;
    int bottom;
};

void Fill(QPainter* painter, const Edges& e, const QColor& color)
{
    if (e.right > e.left && e.bottom > e.top)
        painter->fillRect(QRect(e.left, e.top, e.right - e.left, e.bottom - e.top), color);
}

void Frame(QPainter* painter, const Edges& e, const QColor& color)
{
    Fill(painter, {e.left, e.top, e.right, e.top + 1}, color);
    Fill(painter, {e.left, e.bottom - 1, e.right, e.bottom}, color);
    Fill(painter, {e.left, e.top, e.left + 1, e.bottom}, color);
    Fill(painter, {e.right - 1, e.top, e.right, e.bottom}, color);
}

} // namespace

CDownloadsDelegate::CDownloadsDelegate(CDownloadsView& view)
    : QStyledItemDelegate(&view), m_view(view)
{
}

void CDownloadsDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QStyleOptionViewItem opt = option;
    if (opt.state & QStyle::State_Selected) {
        QColor highlight = opt.palette.color(QPalette::Highlight);
        highlight.setAlpha(kSelectionAlpha);
        painter->fillRect(opt.rect, highlight);
        opt.state &= ~QStyle::State_Selected;
    }
    if (index.column() == CDownloadsView::ColumnCompleted
        && index.data(CDownloadsView::BarModeRole).toInt() != CDownloadsView::BarNone)
        PaintBar(painter, opt, index);
    else
        QStyledItemDelegate::paint(painter, opt, index);
    if (m_bGridLines) {
        const QRect& r = opt.rect;
        const QColor grid = opt.palette.color(QPalette::Midlight);
        Fill(painter, {r.x(), r.y() + r.height() - 1, r.x() + r.width(), r.y() + r.height()}, grid);
        Fill(painter, {r.x() + r.width() - 1, r.y(), r.x() + r.width(), r.y() + r.height()}, grid);
    }
}

void CDownloadsDelegate::PaintBar(QPainter* painter, const QStyleOptionViewItem& option,
                                  const QModelIndex& index) const
{
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    opt.text.clear();
    opt.widget->style()->drawPrimitive(QStyle::PE_PanelItemViewItem, &opt, painter, opt.widget);

    const QRect& r = opt.rect;
    const Edges frame{r.x() + 1, r.y() + 2, r.x() + r.width() - 1, r.y() + r.height() - 2};
    Frame(painter, frame, opt.palette.color(QPalette::Dark));
    const int stripLeft = frame.left + 1;
    const int stripRight = frame.right - 1;
    const QColor color = index.data(CDownloadsView::BarColorRole).value<QColor>();

    if (index.data(CDownloadsView::BarModeRole).toInt() == CDownloadsView::BarMarquee) {
        const int blockWidth = (frame.right - frame.left) / 4;
        const int right = std::min(frame.left - 1 + 4 * m_view.m_nMarqueeTick, stripRight);
        const int left = std::max(frame.left - 1 + 4 * m_view.m_nMarqueeTick - blockWidth, stripLeft);
        if (left > right)
            m_view.m_nMarqueeTick = 0; // the block has left the bar: start again at the left
        else
            Fill(painter, {left, frame.top + 1, right, frame.bottom - 1}, color);
        return;
    }
    const float percent = index.data(CDownloadsView::BarPercentRole).toFloat();
    // Single precision, in this order, as the bar was always measured. More
    // than 100 % (a server sent more than it announced) stays inside the bar.
    const int filled = int(float(frame.right - stripLeft - 1) / 100.0f * percent + float(stripLeft));
    Fill(painter, {stripLeft, frame.top + 1, std::min(filled, stripRight), frame.bottom - 1}, color);
    const QRect textRect(frame.left, frame.top, frame.right - kPercentTextInset - frame.left, frame.bottom - frame.top);
    painter->setPen(opt.palette.color(QPalette::Text));
    painter->drawText(textRect, Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine,
                      PrintfText("%.1f%%", double(percent)));
}

bool CDownloadsDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                                   const QModelIndex& index)
{
    if (event->type() != QEvent::ToolTip)
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QRect textRect = view->style()->subElementRect(QStyle::SE_ItemViewItemText, &opt, view);
    if (opt.text.isEmpty() || opt.fontMetrics.horizontalAdvance(opt.text) <= textRect.width()) {
        QToolTip::hideText();
        return false;
    }
    QToolTip::showText(event->globalPos(), opt.text, view);
    return true;
}
