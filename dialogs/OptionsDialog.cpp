#include "dialogs/OptionsDialog.h"

#include "app/gui/AppBitmaps.h"
#include "app/gui/Prompts.h"
#include "app/gui/UIFont.h"
#include "dialogs/ConnectionPage.h"
#include "dialogs/DialogControls.h"
#include "dialogs/DownloadsAdvancedPage.h"
#include "dialogs/DownloadsMiscPage.h"
#include "dialogs/DownloadsPage.h"
#include "dialogs/GeneralMiscPage.h"
#include "dialogs/GeneralPage.h"
#include "dialogs/ProxyPage.h"
#include "dialogs/SchedulerPage.h"
#include "dialogs/SecurityPage.h"
#include "dialogs/SpeedLimiterPage.h"
#include "dialogs/SpeedMeterPage.h"
#include "dialogs/TreeSheet.h"
#include "dialogs/URLMonitorPage.h"
#include "platform/StringTable.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QStackedWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kTemplateId = 340;
constexpr int kTreeId = 1059;
constexpr int kPageAreaId = 1060;
constexpr int kSetDefaultId = 1117;
constexpr int kNotePoints = 9;
constexpr int kItemHeight = 20;
// The tree is as wide as the template draws it, or as its texts need.
constexpr QSize kTreeUnits(120, 0);

// One tree item, in display order: its text, its parent's row in this table
// (-1: top level), its image's bitmap and its page.
struct TreeEntry
{
    TextId textId;
    int parentRow;
    int bitmapId;
    OptionsPage page;
};

constexpr std::array<TreeEntry, kOptionsPageCount> kTree{{
    {TextId::General, -1, 347, OptionsPageGeneral},
    {TextId::UrlMonitor, 0, 388, OptionsPageURLMonitor},
    {TextId::Miscellaneous, 0, 389, OptionsPageGeneralMisc},
    {TextId::Connection, -1, 390, OptionsPageConnection},
    {TextId::Proxy, 3, 391, OptionsPageProxy},
    {TextId::Security, 3, 440, OptionsPageSecurity},
    {TextId::Downloads, -1, 392, OptionsPageDownloads},
    {TextId::Advanced, 6, 444, OptionsPageDownloadsAdvanced},
    {TextId::Miscellaneous, 6, 389, OptionsPageDownloadsMisc},
    {TextId::Scheduler, -1, 406, OptionsPageScheduler},
    {TextId::SpeedLimiter, -1, 393, OptionsPageSpeedLimiter},
    {TextId::SpeedMeter, -1, 473, OptionsPageSpeedMeter},
}};

} // namespace

COptionsDialog::COptionsDialog(int startPage, QWidget* parent)
    : QDialog(parent), m_fontNote(CreateUIFont(kNotePoints, false)), m_nStartPage(startPage)
{
    setObjectName(QStringLiteral("dlg") + QString::number(kTemplateId));
    setWindowTitle(QStringLiteral("选项"));
    m_pages = {std::make_unique<CGeneralPage>(this),          std::make_unique<CGeneralMiscPage>(this),
               std::make_unique<CURLMonitorPage>(this),       std::make_unique<CConnectionPage>(this),
               std::make_unique<CProxyPage>(this),            std::make_unique<CSecurityPage>(this),
               std::make_unique<CDownloadsPage>(this),        std::make_unique<CDownloadsAdvancedPage>(this),
               std::make_unique<CDownloadsMiscPage>(this),    std::make_unique<CSpeedLimiterPage>(this),
               std::make_unique<CSchedulerPage>(this),        std::make_unique<CSpeedMeterPage>(this)};

    m_sheet = new CTreeSheet(*this, this, kTreeId, kPageAreaId);
    connect(m_sheet, &CTreeSheet::PageActivated, this, &COptionsDialog::OnPageActivated);
    auto* right = new QVBoxLayout;
    right->addWidget(m_sheet->Stack(), 1);
    right->addLayout(MakeButtons());
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(m_sheet->Tree());
    layout->addLayout(right, 1);
    BuildTree();
}

QLayout* COptionsDialog::MakeButtons()
{
    const auto makeButton = [this](int id, const QString& text) {
        auto* button = new QPushButton(text, this);
        button->setObjectName(ctrlName(id));
        button->setAutoDefault(false);
        return button;
    };
    m_setDefault = makeButton(kSetDefaultId, QStringLiteral("设置为默认"));
    QPushButton* ok = m_ok = makeButton(IDOK, QStringLiteral("确定"));
    ok->setDefault(true); // Enter is OK wherever the focus is
    QPushButton* cancel = makeButton(IDCANCEL, QStringLiteral("取消"));
    connect(m_setDefault, &QPushButton::clicked, this, &COptionsDialog::OnBnClickedSetDefault);
    connect(ok, &QPushButton::clicked, this, &COptionsDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &COptionsDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_setDefault);
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    return buttons;
}

// The pages go before the widgets: a page shown in the area leaves it when deleted.
COptionsDialog::~COptionsDialog() = default;

COptionsPageBase* COptionsDialog::Page(int index) const
{
    return index >= 0 && index < kOptionsPageCount ? m_pages[index].get() : nullptr;
}

void COptionsDialog::BuildTree()
{
    QTreeWidget* tree = m_sheet->Tree();
    tree->setIconSize(QSize(16, 16));
    tree->setStyleSheet(QStringLiteral("QTreeView::item { height: %1px; }").arg(kItemHeight));
    std::array<QTreeWidgetItem*, kOptionsPageCount> items{};
    for (size_t row = 0; row < kTree.size(); ++row) {
        const TreeEntry& entry = kTree[row];
        QTreeWidgetItem* parent = entry.parentRow < 0 ? nullptr : items[entry.parentRow];
        items[row] = m_sheet->AddPage(LoadResString(entry.textId), Page(entry.page), parent);
        items[row]->setIcon(0, QIcon(AppBitmap(entry.bitmapId)));
    }
    for (QTreeWidgetItem* item : items) {
        if (item->childCount() > 0)
            item->setExpanded(true);
    }
    tree->resizeColumnToContents(0);
    const int textWidth = tree->columnWidth(0) + 2 * tree->frameWidth();
    tree->setFixedWidth(std::max(DialogUnitsToPixels(kTreeUnits, tree->font()).width(), textWidth));
}

void COptionsDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_bStarted)
        return;
    m_bStarted = true;
    SelectStartPage();
}

void COptionsDialog::SelectStartPage()
{
    // Nothing is current yet, so the start page cannot be refused.
    if (COptionsPageBase* page = Page(m_nStartPage)) {
        m_sheet->SelectPage(page);
        return;
    }
    // The tree would make its first item current when it gets the focus, and
    // no page is to show until the user picks one.
    m_ok->setFocus();
}

void COptionsDialog::OnPageActivated()
{
    const auto* page = static_cast<const COptionsPageBase*>(m_pActivePage);
    m_setDefault->setEnabled(page && page->m_bHasDefaults);
}

void COptionsDialog::OnBnClickedSetDefault()
{
    if (m_pActivePage)
        static_cast<COptionsPageBase*>(m_pActivePage)->SetDefaults();
}

void COptionsDialog::accept()
{
    if (DeactivatePage(m_pActivePage, true))
        QDialog::accept();
}
