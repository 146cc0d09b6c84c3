#include "dialogs/AddDownloadGeneralPage.h"

#include "app/TextFormat.h"
#include "app/VandrelCore.h"
#include "app/gui/AppIcons.h"
#include "app/gui/HistoryComboBox.h"
#include "dialogs/DownloadInput.h"
#include "dialogs/LinkLabel.h"
#include "dialogs/SysLinkText.h"
#include "dialogs/TextLimitValidator.h"
#include "dialogs/UpDownCtrl.h"
#include "dialogs/WrapLabel.h"
#include "engine/UrlInfo.h"
#include "engine/UrlInfoDoneEvent.h"
#include "platform/MessageFormat.h"
#include "platform/SanitizerHandOff.h"
#include "platform/StringTable.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include <algorithm>
#include <climits>

namespace {

constexpr int IDC_URL = 1002;
constexpr int IDC_GET_SIZE = 1011;
constexpr int IDC_GROUP = 1030;
constexpr int IDC_GROUP_HINT = 1040;
constexpr int IDC_GET_INFO = 1022;
// The group's labels, edits and up-downs: from, to, step.
constexpr int kGroupLabels[] = {1037, 1038, 1039};
constexpr int kGroupEdits[] = {1031, 1033, 1035};
constexpr int kGroupUpDowns[] = {1032, 1034, 1036};

constexpr qsizetype kNumberLimit = 10;
constexpr int kUpDownMaximum = 32767;
constexpr int kIconSize = 32;

} // namespace

CAddDownloadGeneralPage::CAddDownloadGeneralPage(CDownloadDialog* owner)
    : CDownloadGeneralPage(423, owner), m_urlInfo(std::make_shared<CUrlInfo>())
{
}

CAddDownloadGeneralPage::~CAddDownloadGeneralPage()
{
    m_urlInfo->ClearNotifyTarget();
}

void CAddDownloadGeneralPage::CreateControls()
{
    auto* layout = new QVBoxLayout(this);
    auto* head = new QHBoxLayout;
    auto* icon = new QLabel(this);
    icon->setPixmap(AppIcon(IDI_DOWNLOAD_ADDRESS).pixmap(kIconSize));
    head->addWidget(icon, 0, Qt::AlignTop);
    auto* urlColumn = new QVBoxLayout;
    auto* urlLabel = new QLabel(QStringLiteral("地址 (URL)(&A):"), this);
    urlColumn->addWidget(urlLabel);
    m_pUrl = new QComboBox(this);
    m_pUrl->setObjectName(ctrlName(IDC_URL));
    m_pUrl->setEditable(true);
    m_pUrl->setInsertPolicy(QComboBox::NoInsert);
    urlColumn->addWidget(m_pUrl);
    urlLabel->setBuddy(m_pUrl);
    m_pGetSize = new CLinkLabel(SysLinkHtml(QStringLiteral("<a>获取下载大小</a>")), this);
    m_pGetSize->setObjectName(ctrlName(IDC_GET_SIZE));
    m_pGetSize->setFocusPolicy(Qt::TabFocus);
    urlColumn->addWidget(m_pGetSize);
    head->addLayout(urlColumn, 1);
    layout->addLayout(head);

    auto* group = new QGroupBox(this);
    auto* groupLayout = new QGridLayout(group);
    m_pGroup = new QCheckBox(QStringLiteral("群组下载(&G)"), group);
    m_pGroup->setObjectName(ctrlName(IDC_GROUP));
    groupLayout->addWidget(m_pGroup, 0, 0, 1, 9);
    m_pGroupHint = new CWrapLabel(QStringLiteral("使用 $ 在一处或多处插入计数器编号。 对于前导零，请使用额外的 $。 "
                                                 "示例：$$$ 将替换为 001..."),
                                  group);
    m_pGroupHint->setObjectName(ctrlName(IDC_GROUP_HINT));
    groupLayout->addWidget(m_pGroupHint, 1, 0, 1, 9);
    const char* const labels[] = {"从：", "到：", "步骤："};
    for (int i = 0; i < 3; ++i) {
        auto* label = m_pGroupLabels[i] = new QLabel(QString::fromUtf8(labels[i]), group);
        label->setObjectName(ctrlName(kGroupLabels[i]));
        auto* edit = m_pGroupEdits[i] = new QLineEdit(group);
        edit->setObjectName(ctrlName(kGroupEdits[i]));
        CTextLimitValidator::Install(edit, kNumberLimit, CTextLimitValidator::Chars::Digits);
        auto* upDown = m_pGroupUpDowns[i] = new CUpDownCtrl(edit, group);
        upDown->setObjectName(ctrlName(kGroupUpDowns[i]));
        groupLayout->addWidget(label, 2, i * 3);
        groupLayout->addWidget(edit, 2, i * 3 + 1);
        groupLayout->addWidget(upDown, 2, i * 3 + 2);
    }
    layout->addWidget(group);

    CreateLocationControls(layout);
    m_pGetInfo = new QCheckBox(QStringLiteral("获取下载信息"), this);
    m_pGetInfo->setObjectName(ctrlName(IDC_GET_INFO));
    layout->addWidget(m_pGetInfo);
    layout->addStretch();

    connect(m_pGroup, &QCheckBox::clicked, this, &CAddDownloadGeneralPage::OnGroupCheck);
    connect(m_pGetSize, &QLabel::linkActivated, this, &CAddDownloadGeneralPage::OnGetSizeClick);
}

bool CAddDownloadGeneralPage::OnInitDialog()
{
    CDownloadGeneralPage::OnInitDialog();
    CTextLimitValidator::Install(m_pUrl, kMaxUrlInputLength);
    for (int i = 0; i < 3; ++i) {
        CUpDownCtrl* upDown = m_pGroupUpDowns[i];
        upDown->SetRange(0, kUpDownMaximum);
        upDown->SetPos(i == 0 ? m_nFrom : i == 1 ? m_nTo : m_nStep);
    }
    FillComboBox(AppCore().m_urlsHistory, m_pUrl);
    m_pUrl->setCurrentIndex(-1);
    m_pUrl->setEditText(m_strUrl);
    m_pGetInfo->setChecked(m_bGetInfo);
    OnGroupCheck();
    return true;
}

void CAddDownloadGeneralPage::OnGroupCheck()
{
    const bool group = m_pGroup->isChecked();
    m_pGroupHint->setEnabled(group);
    for (int i = 0; i < 3; ++i) {
        m_pGroupLabels[i]->setEnabled(group);
        m_pGroupEdits[i]->setEnabled(group);
        m_pGroupUpDowns[i]->setEnabled(group);
    }
}

bool CAddDownloadGeneralPage::SaveData()
{
    QString url = m_pUrl->currentText().trimmed();
    const TextId refusal = url.isEmpty() ? TextId::NoUrl : CheckUrlInput(url);
    if (refusal != TextId::None) {
        ActivateOwnTab(GeneralTabIndex());
        ShowWarning(refusal);
        return FocusControl(m_pUrl);
    }
    m_strUrl = url;
    m_bGroup = m_pGroup->isChecked();
    if (m_bGroup && !CheckGroup())
        return false;
    m_bGetInfo = m_pGetInfo->isChecked();
    return CDownloadGeneralPage::SaveData();
}

bool CAddDownloadGeneralPage::CheckGroup()
{
    const auto refuse = [this](TextId message) {
        ActivateOwnTab(GeneralTabIndex());
        ShowWarning(message);
        return FocusControl(m_pUrl);
    };
    if (!m_strUrl.contains(u'$'))
        return refuse(TextId::NoPattern);
    // A number refused on a tab in the back would name a field nobody sees.
    ActivateOwnTab(GeneralTabIndex());
    int from = m_nFrom;
    int to = m_nTo;
    int step = m_nStep;
    if (!GetDlgItemIntChecked(m_pGroupEdits[0], 0, INT_MAX, &from, true)
        || !GetDlgItemIntChecked(m_pGroupEdits[1], 0, INT_MAX, &to, true)
        || !GetDlgItemIntChecked(m_pGroupEdits[2], 1, INT_MAX, &step, true))
        return false;
    m_nFrom = from;
    m_nTo = to;
    m_nStep = step;
    // Every address of the group must fit into a list, the longest counter included.
    if (ExpandCounterPattern(m_strUrl, uint32_t(std::max(from, to))).size() > kMaxUrlInputLength)
        return refuse(TextId::UrlTooLong);
    return true;
}

void CAddDownloadGeneralPage::SetSizeText(const QString& markup)
{
    m_pGetSize->SetLinkText(SysLinkHtml(markup));
}

void CAddDownloadGeneralPage::OnGetSizeClick(const QString& link)
{
    if (link != u"0")
        return;
    m_strUrl = m_pUrl->currentText();
    if (m_strUrl.isEmpty())
        return;
    SetSizeText(LoadResString(TextId::Working));
    // One probe at a time: a running one is asked again for this address when it ends.
    if (!m_urlInfo->IsRunning())
        m_urlInfo->Start(m_strUrl, this, AppCore().m_settings.UserAgent);
}

bool CAddDownloadGeneralPage::event(QEvent* event)
{
    HandOffReceived(m_urlInfo.get());
    if (event->type() != WM_URLINFO_DONE)
        return CDownloadGeneralPage::event(event);
    const auto* done = static_cast<UrlInfoDoneEvent*>(event);
    if (done->m_strUrl != m_strUrl && !m_strUrl.isEmpty()) {
        m_urlInfo->Start(m_strUrl, this, AppCore().m_settings.UserAgent);
        return true;
    }
    SetSizeText(done->m_bSucceeded && done->m_bGotSize
                    ? FormatString(LoadResString(TextId::FileSizeRefresh), FormatByteSize(done->m_nSize, false))
                    : LoadResString(TextId::SizeFailedRetry));
    return true;
}
