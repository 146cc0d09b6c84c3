#include "dialogs/AddDownloadDialog.h"

#include "dialogs/AddDownloadGeneralPage.h"
#include "dialogs/DialogControls.h"
#include "dialogs/DownloadAuthorizationPage.h"
#include "dialogs/DownloadConnectionPage.h"
#include "dialogs/DownloadMorePage.h"
#include "dialogs/RememberedAddSettings.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScreen>

#include <algorithm>

namespace {

constexpr int IDC_REMEMBER = 1130;
constexpr int IDC_LATER = 1001;
constexpr int IDC_START = 1000;

// The dialog's width: this share of the screen's, at most kMaxWidth, and never
// less than its layout needs.
constexpr int kScreenShareNumerator = 2;
constexpr int kScreenShareDenominator = 5;
constexpr int kMaxWidth = 640;

} // namespace

CAddDownloadDialog::CAddDownloadDialog(QWidget* parent) : CDownloadDialog(DialogTypeAdd, nullptr, parent)
{
    ShowInTaskBar();
    const RememberedAddSettings& remembered = g_rememberedAddSettings;
    if (!remembered.m_bRemember)
        return;
    m_pAddGeneralPage->m_strLocation = remembered.m_strLocation;
    m_pAddGeneralPage->m_strDescription = remembered.m_strDescription;
    m_pAddGeneralPage->m_bGetInfo = remembered.m_bGetInfo;
    m_pAuthorizationPage->m_bUseAuthorization = remembered.m_bUseAuthorization;
    m_pAuthorizationPage->m_strUserName = remembered.m_strUserName;
    m_pAuthorizationPage->m_strPassword = remembered.m_strPassword;
    m_pConnectionPage->m_nAccessType = remembered.m_nAccessType;
    m_pMorePage->m_strReferer = remembered.m_strReferer;
}

void CAddDownloadDialog::CreateButtons(QHBoxLayout* row)
{
    m_pRemember = new QCheckBox(QStringLiteral("记住设置/快速添加拖放链接(&R)"), this);
    m_pRemember->setObjectName(ctrlName(IDC_REMEMBER));
    row->addWidget(m_pRemember);
    row->addStretch();
    QPushButton* later = AddButton(row, IDC_LATER, QStringLiteral("稍后下载(&T)"));
    later->setIcon(m_bmpPause);
    QPushButton* start = AddButton(row, IDC_START, QStringLiteral("开始下载(&S)"));
    start->setIcon(m_bmpStart);
    start->setDefault(true);
    connect(start, &QPushButton::clicked, this, [this] { Confirm(ResultStart); });
    connect(later, &QPushButton::clicked, this, [this] { Confirm(ResultLater); });
}

void CAddDownloadDialog::OnInitDialog()
{
    CDownloadDialog::OnInitDialog();
    m_pRemember->setChecked(g_rememberedAddSettings.m_bRemember);
    FitWidthToScreen();
}

void CAddDownloadDialog::FitWidthToScreen()
{
    const QRect available = screen()->availableGeometry();
    const int share = std::min(kMaxWidth, available.width() * kScreenShareNumerator / kScreenShareDenominator);
    const QSize hint = sizeHint();
    resize(std::max({share, hint.width(), minimumSizeHint().width()}), hint.height());
}

bool CAddDownloadDialog::IsRememberChecked() const
{
    return m_pRemember && m_pRemember->isChecked();
}

void CAddDownloadDialog::Confirm(DownloadDialogResult result)
{
    // Taken before the check, so a refused start has already changed it.
    g_rememberedAddSettings.m_bRemember = IsRememberChecked();
    if (!ValidatePages())
        return;
    if (g_rememberedAddSettings.m_bRemember)
        RememberSettings();
    CloseDialog(result);
}

void CAddDownloadDialog::RememberSettings() const
{
    RememberedAddSettings& remembered = g_rememberedAddSettings;
    remembered.m_strLocation = m_pAddGeneralPage->m_strLocation;
    remembered.m_strDescription = m_pAddGeneralPage->m_strDescription;
    remembered.m_bGetInfo = m_pAddGeneralPage->m_bGetInfo;
    remembered.m_bUseAuthorization = m_pAuthorizationPage->m_bUseAuthorization;
    remembered.m_strUserName = m_pAuthorizationPage->m_strUserName;
    remembered.m_strPassword = m_pAuthorizationPage->m_strPassword;
    remembered.m_nAccessType = m_pConnectionPage->m_nAccessType;
    remembered.m_strReferer = m_pMorePage->m_strReferer;
}

void CAddDownloadDialog::closeEvent(QCloseEvent* event)
{
    event->accept();
    if (!IsClosed() && !IsRememberChecked())
        g_rememberedAddSettings.m_bRemember = false;
    CloseDialog(ResultCancel);
}
