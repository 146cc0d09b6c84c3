#include "mainframe/ToolBarCustomizeDialog.h"

#include "app/gui/AppBitmaps.h"
#include "mainframe/SeparatorRowDelegate.h"
#include "platform/StringTable.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int kListWidth = 200;

bool IsSeparator(const _TBEXBUTTON& button)
{
    return button.fsStyle & BTNS_SEP;
}

QPushButton* MakeButton(const char* name, const char* text, QWidget* parent)
{
    auto* button = new QPushButton(QString::fromUtf8(text), parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    return button;
}

} // namespace

CToolBarCustomizeDialog::CToolBarCustomizeDialog(const QList<_TBEXBUTTON>& buttons,
                                                 const QList<_TBEXBUTTON>* defaultButtons,
                                                 ToolbarTextMode textMode, QWidget* parent)
    : QDialog(parent), m_nTextMode(textMode), m_arrButtons(buttons), m_pDefaultButtons(defaultButtons)
{
    setObjectName(QStringLiteral("dialog419"));
    setWindowTitle(QStringLiteral("自定义工具栏"));
    CreateControls();
    FillList();
}

void CToolBarCustomizeDialog::CreateControls()
{
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("list1045"));
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setIconSize(QSize(kToolBarImageSize, kToolBarImageSize));
    m_list->setItemDelegate(new CSeparatorRowDelegate(m_list));
    m_list->setMinimumWidth(kListWidth);
    m_btnMoveUp = MakeButton("button1162", "上移(&U)", this);
    m_btnMoveDown = MakeButton("button1161", "下移(&D)", this);
    m_btnReset = MakeButton("button1163", "重置(&R)", this);
    m_chkShowText = new QCheckBox(QStringLiteral("显示文本(&S)"), this);
    m_chkShowText->setObjectName(QStringLiteral("check1165"));
    m_cmbTextMode = new QComboBox(this);
    m_cmbTextMode->setObjectName(QStringLiteral("combo1166"));
    m_cmbTextMode->addItems({LoadResString(TextId::NoTextLabels), LoadResString(TextId::ShowTextLabels)});
    m_cmbTextMode->setCurrentIndex(m_nTextMode == ShowTextLabels ? ShowTextLabels : NoTextLabels);
    auto* label = new QLabel(QStringLiteral("文本选项(&T)："), this);
    label->setBuddy(m_cmbTextMode);
    QPushButton* ok = MakeButton("button1", "确定", this);
    ok->setDefault(true);
    QPushButton* close = MakeButton("button2", "关闭", this);

    auto* side = new QVBoxLayout;
    for (QPushButton* button : {ok, close, m_btnMoveUp, m_btnMoveDown, m_btnReset})
        side->addWidget(button);
    side->addWidget(m_chkShowText);
    side->addStretch();
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(label);
    bottom->addWidget(m_cmbTextMode, 1);
    auto* layout = new QGridLayout(this);
    layout->addWidget(m_list, 0, 0);
    layout->addLayout(side, 0, 1);
    layout->addLayout(bottom, 1, 0);

    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_btnMoveUp, &QPushButton::clicked, this, [this] { MoveCurrent(-1); });
    connect(m_btnMoveDown, &QPushButton::clicked, this, [this] { MoveCurrent(1); });
    connect(m_btnReset, &QPushButton::clicked, this, &CToolBarCustomizeDialog::OnReset);
    connect(m_chkShowText, &QCheckBox::clicked, this, &CToolBarCustomizeDialog::OnShowText);
    connect(m_list, &QListWidget::currentRowChanged, this, &CToolBarCustomizeDialog::OnCurrentRowChanged);
    connect(m_list, &QListWidget::itemChanged, this, &CToolBarCustomizeDialog::OnItemChanged);
}

void CToolBarCustomizeDialog::FillList()
{
    m_list->setUpdatesEnabled(false);
    for (int record = 0; record < m_arrButtons.size(); ++record)
        InsertListItem(record, record);
    m_list->setCurrentRow(0);
    m_list->setUpdatesEnabled(true);
}

void CToolBarCustomizeDialog::InsertListItem(int row, int record)
{
    m_bFilling = true;
    const _TBEXBUTTON& button = m_arrButtons[record];
    auto* item = new QListWidgetItem;
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    if (IsSeparator(button)) {
        item->setData(CSeparatorRowDelegate::IsSeparatorRole, true);
    } else {
        item->setText(button.idsLabel ? LoadResString(TextId(button.idsLabel)) : QStringLiteral("<No text>"));
        item->setIcon(CToolBarCtrlEx::ButtonImage(button.iBitmap));
    }
    item->setCheckState(button.bVisible ? Qt::Checked : Qt::Unchecked);
    m_list->insertItem(row, item);
    m_bFilling = false;
}

bool CToolBarCustomizeDialog::SwapItems(int from, int to)
{
    const int rows = m_list->count();
    if (from == to || from < 0 || to < 0 || from >= rows || to >= rows)
        return false;
    m_arrButtons.swapItemsAt(from, to);
    m_list->setUpdatesEnabled(false);
    delete m_list->takeItem(from);
    InsertListItem(to, to);
    m_list->setUpdatesEnabled(true);
    return true;
}

void CToolBarCustomizeDialog::MoveCurrent(int step)
{
    const int row = m_list->currentRow();
    if (row < 0 || !SwapItems(row, row + step))
        return;
    m_list->setCurrentRow(row + step);
    m_list->scrollToItem(m_list->item(row + step));
}

void CToolBarCustomizeDialog::OnCurrentRowChanged(int row)
{
    const bool valid = row >= 0 && row < m_arrButtons.size();
    m_btnMoveUp->setEnabled(valid && row > 0);
    m_btnMoveDown->setEnabled(valid && row < m_list->count() - 1);
    m_chkShowText->setEnabled(valid && !IsSeparator(m_arrButtons[row]));
    m_chkShowText->setChecked(valid && (m_arrButtons[row].fsStyle & BTNS_SHOWTEXT));
}

void CToolBarCustomizeDialog::OnItemChanged(QListWidgetItem* item)
{
    const int row = m_list->row(item);
    if (m_bFilling || row < 0 || row >= m_arrButtons.size())
        return;
    m_arrButtons[row].bVisible = item->checkState() == Qt::Checked ? 1 : 0;
}

void CToolBarCustomizeDialog::OnShowText(bool checked)
{
    const int row = m_list->currentRow();
    if (row < 0 || row >= m_arrButtons.size())
        return;
    if (checked)
        m_arrButtons[row].fsStyle |= BTNS_SHOWTEXT;
    else
        m_arrButtons[row].fsStyle &= uint8_t(~BTNS_SHOWTEXT);
}

void CToolBarCustomizeDialog::OnReset()
{
    m_arrButtons = *m_pDefaultButtons;
    m_list->clear();
    FillList();
}

void CToolBarCustomizeDialog::accept()
{
    m_nTextMode = ToolbarTextMode(m_cmbTextMode->currentIndex());
    QDialog::accept();
}
