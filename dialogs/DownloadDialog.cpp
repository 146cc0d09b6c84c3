#include "dialogs/DownloadDialog.h"

#include "app/gui/AppBitmaps.h"
#include "app/gui/AppIcons.h"
#include "dialogs/AddDownloadGeneralPage.h"
#include "dialogs/DialogControls.h"
#include "dialogs/DownloadAuthorizationPage.h"
#include "dialogs/DownloadConnectionPage.h"
#include "dialogs/DownloadMorePage.h"
#include "dialogs/DownloadStatusPage.h"
#include "dialogs/FixedDownloadGeneralPage.h"
#include "dialogs/GroupDownloadGeneralPage.h"
#include "dialogs/TabSheet.h"
#include "engine/DownloadItem.h"
#include "engine/HttpDownloader.h"
#include "platform/StringTable.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int IDC_TAB = 1168;
constexpr int IDB_START = 328;
constexpr int IDB_PAUSE = 326;

// Template, title and icon of each type.
struct TypeLook
{
    int templateId;
    const char* title;
    int icon;
};
constexpr TypeLook kLooks[] = {
    {310, "添加新的下载", IDI_ADD_DOWNLOAD},
    {311, "下载属性", IDI_DOWNLOAD_PROPERTIES},
    {334, "下载群组属性", IDI_DOWNLOAD_PROPERTIES},
};

} // namespace

CDownloadDialog::CDownloadDialog(DownloadDialogType type, CDownloadItem* item, QWidget* parent)
    : QDialog(parent), m_nType(type), m_pItem(item)
{
    const TypeLook& look = kLooks[type];
    setObjectName(QStringLiteral("dlg") + QString::number(look.templateId));
    setWindowTitle(QString::fromUtf8(look.title));
    CreatePages();
    m_bmpStart = AppBitmap(IDB_START);
    m_bmpPause = AppBitmap(IDB_PAUSE);
}

CDownloadDialog::~CDownloadDialog()
{
    // Before the widgets go: a page that was shown is a child of a tab.
    delete m_pStatusPage;
    delete m_pAddGeneralPage;
    delete m_pFixedGeneralPage;
    delete m_pGroupGeneralPage;
    delete m_pAuthorizationPage;
    delete m_pConnectionPage;
    delete m_pMorePage;
}

void CDownloadDialog::CreatePages()
{
    CHttpDownloader* download = m_pItem ? m_pItem->m_pDownloader : nullptr;
    switch (m_nType) {
    case DialogTypeAdd:
        m_pAddGeneralPage = new CAddDownloadGeneralPage(this);
        break;
    case DialogTypeFixed:
        m_pStatusPage = new CDownloadStatusPage(this);
        m_pFixedGeneralPage = new CFixedDownloadGeneralPage(this);
        break;
    case DialogTypeGroup:
        m_pGroupGeneralPage = new CGroupDownloadGeneralPage(this);
        break;
    }
    m_pAuthorizationPage = new CDownloadAuthorizationPage(this);
    m_pConnectionPage = new CDownloadConnectionPage(this);
    m_pMorePage = new CDownloadMorePage(this);
    if (download) {
        m_pAuthorizationPage->m_bUseAuthorization = download->m_bUseAuthorization != 0;
        m_pAuthorizationPage->m_strUserName = download->m_strUserName;
        m_pAuthorizationPage->m_strPassword = download->m_strPassword;
        m_pConnectionPage->m_nAccessType = download->m_nAccessType;
        m_pMorePage->m_strReferer = download->m_strReferer;
    }
}

CDialogPage* CDownloadDialog::GeneralPage() const
{
    if (m_pAddGeneralPage)
        return m_pAddGeneralPage;
    if (m_pFixedGeneralPage)
        return m_pFixedGeneralPage;
    return m_pGroupGeneralPage;
}

void CDownloadDialog::Create()
{
    if (std::exchange(m_bCreated, true))
        return;
    OnInitDialog();
}

int CDownloadDialog::DoModal()
{
    m_bModal = true;
    Create();
    return exec();
}

void CDownloadDialog::OnInitDialog()
{
    setWindowIcon(AppIcon(kLooks[m_nType].icon));
    auto* layout = new QVBoxLayout(this);
    m_pTabs = new CTabSheet(*this, this);
    m_pTabs->setObjectName(ctrlName(IDC_TAB));
    layout->addWidget(m_pTabs);
    auto* row = new QHBoxLayout;
    layout->addLayout(row);

    const auto tab = [this](TextId label, CDialogPage* page) { m_pTabs->AddPage(LoadResString(label), page); };
    if (m_pStatusPage)
        tab(TextId::Status, m_pStatusPage);
    tab(TextId::General, GeneralPage());
    tab(TextId::Authorization, m_pAuthorizationPage);
    tab(TextId::Connection, m_pConnectionPage);
    tab(TextId::More, m_pMorePage);
    CreateButtons(row);
    m_pTabs->Start();
    if (m_nType == DialogTypeFixed)
        RefreshFromItem();
}

void CDownloadDialog::ShowInTaskBar()
{
    setWindowFlags((windowFlags() & ~Qt::WindowType_Mask) | Qt::Window);
}

QPushButton* CDownloadDialog::AddButton(QHBoxLayout* row, int id, const QString& text)
{
    auto* button = new QPushButton(text, this);
    button->setObjectName(ctrlName(id));
    button->setAutoDefault(false);
    row->addWidget(button);
    return button;
}

bool CDownloadDialog::ValidatePages()
{
    CDialogPage* const pages[] = {m_pActivePage, GeneralPage(), m_pAuthorizationPage, m_pConnectionPage,
                                  m_pMorePage};
    for (size_t i = 0; i < std::size(pages); ++i) {
        CDialogPage* page = pages[i];
        if (!page || !page->isCreated() || (i > 0 && page == m_pActivePage))
            continue;
        if (!page->SaveData())
            return false;
    }
    return true;
}

bool CDownloadDialog::ApplyToItem()
{
    if (!m_pItem || !m_pItem->m_pDownloader || !m_pFixedGeneralPage)
        return false;
    CHttpDownloader& download = *m_pItem->m_pDownloader;
    // The folder only while nothing has been prepared from it; the page locks
    // its box in every other state, so no checked edit is dropped here.
    if (download.m_nState == NeedToPrepare && !download.m_bIsRunning && m_pFixedGeneralPage->IsLocationEditable())
        download.SetDownloadLocation(m_pFixedGeneralPage->m_strLocation);
    download.m_strDescription = m_pFixedGeneralPage->m_strDescription;
    download.SetAuthorization(m_pAuthorizationPage->m_bUseAuthorization, m_pAuthorizationPage->m_strUserName,
                              m_pAuthorizationPage->m_strPassword);
    download.SetAccessType(m_pConnectionPage->m_nAccessType);
    download.SetReferer(m_pMorePage->m_strReferer);
    return true;
}

void CDownloadDialog::RefreshFromItem()
{
    if (!m_pItem || !m_pItem->m_pDownloader)
        return;
    if (m_pStatusPage)
        m_pStatusPage->Refresh();
    const int32_t state = m_pItem->m_pDownloader->m_nState;
    // Every tick: the running flag is cleared after the final state is written,
    // so a tick between the two would otherwise leave the buttons stale.
    UpdateStartPause();
    if (state == m_nLastState)
        return;
    if (m_pFixedGeneralPage && m_pFixedGeneralPage->isCreated())
        m_pFixedGeneralPage->FillFromItem();
    m_nLastState = state;
}

void CDownloadDialog::UpdateStartPause()
{
    const bool running = m_pItem->m_pDownloader->m_bIsRunning != 0;
    if (m_pStart)
        m_pStart->setEnabled(!running);
    if (m_pPause)
        m_pPause->setEnabled(running);
}

void CDownloadDialog::reject()
{
    OnCancel();
}

void CDownloadDialog::OnCancel()
{
    CloseDialog(ResultCancel);
}

void CDownloadDialog::closeEvent(QCloseEvent* event)
{
    event->accept();
    OnCancel();
}

void CDownloadDialog::CloseDialog(DownloadDialogResult result)
{
    // A dialog closes once: a close box on a hidden dialog reports nothing more.
    if (std::exchange(m_bClosed, true))
        return;
    m_nResult = result;
    if (m_bModal) {
        done(result == ResultCancel ? QDialog::Rejected : QDialog::Accepted);
    } else {
        hide();
    }
    emit DownloadDialogClosed(this);
}
