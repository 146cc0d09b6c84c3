#include "dialogs/HistoryDialog.h"

#include "app/History.h"
#include "app/gui/AppIcons.h"
#include "app/gui/ClipboardText.h"
#include "app/gui/Prompts.h"
#include "app/gui/UIFont.h"
#include "app/gui/UiServices.h"
#include "platform/StringTable.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLocale>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

enum Column
{
    ColumnNumber,
    ColumnTime,
    ColumnAddress,
};
constexpr int kNumberWidth = 15;
constexpr int kTimeWidth = 50;
constexpr int kAddressWidth = 600;

constexpr QSize kDialogUnits(480, 258);

QDate DateOf(const SYSTEMTIME& time)
{
    return QDate(time.wYear, time.wMonth, time.wDay);
}

QTreeWidgetItem* Heading(QTreeWidget* list, const QDate& date, const QDate& today)
{
    QString text = QLocale().toString(date, QLocale::LongFormat);
    if (date == today)
        text += LoadResString(TextId::Today);
    auto* heading = new QTreeWidgetItem(list, {text});
    heading->setFlags(Qt::ItemIsEnabled);
    heading->setFirstColumnSpanned(true);
    heading->setExpanded(true);
    return heading;
}

} // namespace

CHistoryDialog::CHistoryDialog(CHistory& history, QWidget* parent)
    : QDialog(parent), m_history(history), m_list(new QTreeWidget(this))
{
    setObjectName(QStringLiteral("HistoryDialog"));
    setWindowTitle(QStringLiteral("历史记录"));
    setWindowIcon(AppIcon(IDI_HISTORY));
    resize(DialogUnitsToPixels(kDialogUnits, font()));
    m_list->setObjectName(QStringLiteral("ctl1045"));
    m_list->setColumnCount(3);
    m_list->setHeaderLabels({QStringLiteral("#"), QStringLiteral("Time"), QStringLiteral("Address")});
    m_list->setHeaderHidden(true);
    m_list->setSortingEnabled(false);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setUniformRowHeights(true);
    // The day headings span the columns: the address column fills the list, so
    // that a heading has the list's whole width however short the addresses are.
    m_list->header()->setStretchLastSection(true);
    m_list->setColumnWidth(ColumnNumber, kNumberWidth);
    m_list->setColumnWidth(ColumnTime, kTimeWidth);
    m_list->setColumnWidth(ColumnAddress, kAddressWidth);

    m_btnCopy = new QPushButton(QStringLiteral("复制地址(&C)"), this);
    m_btnCopy->setObjectName(QStringLiteral("ctl1168"));
    m_btnCopy->setEnabled(false);
    auto* btnDelete = new QPushButton(QStringLiteral("删除历史记录(&D)"), this);
    btnDelete->setObjectName(QStringLiteral("ctl1167"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_btnCopy);
    buttons->addWidget(btnDelete);
    buttons->addStretch();
    layout->addLayout(buttons);

    connect(m_list, &QTreeWidget::itemSelectionChanged, this, &CHistoryDialog::OnSelectionChanged);
    connect(m_btnCopy, &QPushButton::clicked, this, &CHistoryDialog::OnCopyAddress);
    connect(btnDelete, &QPushButton::clicked, this, &CHistoryDialog::OnDeleteHistory);
    FillList();
}

void CHistoryDialog::FillList()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_list->setUpdatesEnabled(false);
    const QDate today = DateOf(Ui().nowLocal());
    QTreeWidgetItem* heading = nullptr;
    QDate headingDate;
    for (int slot = 0; slot < m_history.GetSize(); ++slot) {
        const CHistory::CHistoryItem* entry = m_history.GetItem(slot);
        if (!entry)
            continue;
        const SYSTEMTIME& time = entry->GetTime();
        // Only neighbours share a heading: after a clock change one day may head two groups.
        if (!heading || DateOf(time) != headingDate) {
            headingDate = DateOf(time);
            heading = Heading(m_list, headingDate, today);
        }
        auto* row = new QTreeWidgetItem(heading);
        row->setData(ColumnNumber, SlotRole, slot);
        row->setText(ColumnTime, QStringLiteral("%1:%2").arg(time.wHour, 2, 10, QLatin1Char('0'))
                                     .arg(time.wMinute, 2, 10, QLatin1Char('0')));
        row->setTextAlignment(ColumnTime, Qt::AlignRight | Qt::AlignVCenter);
        row->setText(ColumnAddress, entry->GetText());
        row->setToolTip(ColumnAddress, entry->GetText());
    }
    m_list->resizeColumnToContents(ColumnAddress);
    const int captionWidth = m_list->fontMetrics().horizontalAdvance(QStringLiteral("Address"));
    m_list->setColumnWidth(ColumnAddress, std::max(m_list->columnWidth(ColumnAddress), captionWidth));
    m_list->setUpdatesEnabled(true);
    QApplication::restoreOverrideCursor();
}

void CHistoryDialog::OnSelectionChanged()
{
    m_btnCopy->setEnabled(!m_list->selectedItems().isEmpty());
}

void CHistoryDialog::OnCopyAddress()
{
    const QList<QTreeWidgetItem*> selected = m_list->selectedItems();
    if (selected.isEmpty())
        return;
    QString text;
    if (m_history.GetText(selected.front()->data(ColumnNumber, SlotRole).toInt(), &text))
        SetClipboardText(text);
}

void CHistoryDialog::OnDeleteHistory()
{
    if (m_list->topLevelItemCount() == 0)
        return;
    if (AppMessageBox(this, TextId::AreYouSure, MB_YESNO | MB_ICONEXCLAMATION) != IDYES)
        return;
    m_list->clear();
    m_history.RemoveFrom(0);
    m_btnCopy->setEnabled(false);
}
