#include "dialogs/DebugListCtrl.h"

#include <QHeaderView>
#include <QStyledItemDelegate>

#include <algorithm>

namespace {

enum Column
{
    ColumnProperty,
    ColumnValue,
    ColumnDescription,
};
constexpr int kPropertyWidth = 180;
constexpr int kValueWidth = 140;
constexpr int kDescriptionWidth = 240;
constexpr int kRowIconSide = 16;

// Draws the first column shifted right by the row's indent.
class IndentDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem shifted(option);
        if (index.column() == ColumnProperty)
            shifted.rect.setLeft(option.rect.left() + Indent(index) * CDebugListCtrl::kIndentPixels);
        QStyledItemDelegate::paint(painter, shifted, index);
    }

private:
    static int Indent(const QModelIndex& index) { return std::max(index.data(CDebugListCtrl::IndentRole).toInt(), 0); }
};

QString Hex(uint64_t value, int digits)
{
    return QStringLiteral("0x") + QString::number(value, 16).toUpper().rightJustified(digits, QLatin1Char('0'));
}

} // namespace

CDebugListCtrl::CDebugListCtrl(QWidget* parent)
    : QTreeWidget(parent)
{
    setObjectName(QStringLiteral("ctl100"));
    setColumnCount(3);
    setHeaderLabels({QStringLiteral("Property"), QStringLiteral("Value"), QStringLiteral("Description")});
    setColumnWidth(ColumnProperty, kPropertyWidth);
    setColumnWidth(ColumnValue, kValueWidth);
    setColumnWidth(ColumnDescription, kDescriptionWidth);
    header()->setSectionsClickable(false);
    setSortingEnabled(false);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setIconSize(QSize(kRowIconSide, kRowIconSide));
    setUniformRowHeights(true);
    setItemDelegate(new IndentDelegate(this));
}

CDebugListCtrl& CDebugListCtrl::AddText(const QString& text)
{
    QTreeWidgetItem* row = nullptr;
    if (m_nColumn > 0 && m_nColumn < columnCount() && topLevelItemCount() > 0) {
        row = topLevelItem(topLevelItemCount() - 1);
    } else {
        m_nColumn = 0;
        row = new QTreeWidgetItem(this);
        if (m_nIndent >= 0)
            row->setData(ColumnProperty, IndentRole, m_nIndent);
    }
    row->setText(m_nColumn, text);
    row->setToolTip(m_nColumn, text); // for a cell too narrow for its text
    ++m_nColumn;
    return *this;
}

CDebugListCtrl& CDebugListCtrl::AddInt(int32_t value)
{
    return AddText(QString::number(value));
}

CDebugListCtrl& CDebugListCtrl::AddUInt(uint32_t value)
{
    return AddText(Hex(value, 8));
}

CDebugListCtrl& CDebugListCtrl::AddUInt64(uint64_t value)
{
    return AddText(Hex(value, 16));
}

void CDebugListCtrl::FitValueColumn()
{
    int widest = kValueWidth;
    for (int row = 0; row < topLevelItemCount(); ++row)
        widest = std::max(widest, sizeHintForIndex(indexFromItem(topLevelItem(row), ColumnValue)).width());
    setColumnWidth(ColumnValue, widest);
}

void CDebugListCtrl::DeleteAllItems()
{
    clear();
    m_nColumn = 0;
}
