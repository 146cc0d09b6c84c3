#include "dialogs/ConnectionPage.h"

#include "app/AppSettings.h"
#include "dialogs/DialogControls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace {

using B = CAppSettingsBase;

constexpr int kTemplateId = 342;
constexpr int kUserAgentId = 1075;
constexpr int kHttpVersionId = 1076;
constexpr int kRetriesId = 1042;
constexpr int kRetriesSpinId = 1077;
constexpr int kConnectTimeoutId = 1078;
constexpr int kSendTimeoutId = 1079;
constexpr int kReceiveTimeoutId = 1080;
constexpr int kDoNotUseCacheId = 1081;
constexpr int kHandleRedirectId = 1084;
constexpr int kAutoRefererId = 1085;

constexpr int kRetriesDigits = 2;
constexpr int kMinRetries = 1;
constexpr int kMaxRetries = 99;
constexpr int kTimeoutDigits = 5;
constexpr int kMaxTimeoutMs = 60000;
constexpr int kUserAgentChars = 30;

const QStringList kUserAgents{
    QStringLiteral("Vandrel"),
    QStringLiteral("Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) "
                   "Chrome/91.0.4472.124 Safari/537.36 Edg/91.0.864.59"),
    QStringLiteral("Mozilla/5.0 (Windows NT 10.0; Trident/7.0; rv:11.0) like Gecko"),
    QStringLiteral("Mozilla/5.0 (Windows NT 6.1; Win64; x64; rv:47.0) Gecko/20100101 Firefox/47.0"),
    QStringLiteral("Mozilla/5.0 (compatible; MSIE 10.0; Windows NT 6.2; Trident/6.0)"),
    QStringLiteral("Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1; Trident/5.0)"),
    QStringLiteral("Mozilla/4.0 (compatible; MSIE 8.0; Windows NT 6.1; Trident/4.0)"),
    QStringLiteral("Mozilla/5.0 (X11; Linux x86_64) AppleWebKit/537.36 (KHTML, like Gecko) "
                   "Chrome/51.0.2704.106 Safari/537.36 OPR/38.0.2220.41"),
};

} // namespace

CConnectionPage::CConnectionPage(COptionsDialog* dialog) : COptionsPageBase(kTemplateId, dialog, true) {}

void CConnectionPage::CreateControls()
{
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    auto* userAgent = m_pUserAgent = new QComboBox(this);
    userAgent->setObjectName(ctrlName(kUserAgentId));
    userAgent->setEditable(true);
    userAgent->setInsertPolicy(QComboBox::NoInsert);
    userAgent->addItems(kUserAgents);
    // The page's width, not its longest entry's: the edit scrolls the rest.
    userAgent->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    userAgent->setMinimumContentsLength(kUserAgentChars);
    QComboBox* version = m_pHttpVersion =
        MakeDropList(kHttpVersionId, {QStringLiteral("HTTP/1.0"), QStringLiteral("HTTP/1.1")});
    form->addRow(MakeLabel(QStringLiteral("用户代理(&U)："), userAgent), userAgent);
    form->addRow(MakeLabel(QStringLiteral("HTTP 版本(&H)："), version), version);
    const SpinEdit retries = MakeSpinEdit(kRetriesId, kRetriesSpinId, kRetriesDigits, kMinRetries, kMaxRetries);
    m_pRetries = retries.edit;
    form->addRow(MakeLabel(QStringLiteral("连接重试(&C)："), m_pRetries), retries.box);
    const auto addTimeout = [&](int id, const QString& label) {
        QLineEdit* edit = MakeNumberEdit(id, kTimeoutDigits);
        auto* row = new QHBoxLayout;
        row->addWidget(edit);
        row->addWidget(new QLabel(QStringLiteral("（以毫秒为单位）"), this));
        form->addRow(MakeLabel(label, edit), row);
        return edit;
    };
    m_pConnectTimeout = addTimeout(kConnectTimeoutId, QStringLiteral("连接超时(&T)："));
    m_pSendTimeout = addTimeout(kSendTimeoutId, QStringLiteral("发送超时(&S)："));
    m_pReceiveTimeout = addTimeout(kReceiveTimeoutId, QStringLiteral("接收超时(&R)："));
    layout->addLayout(form);
    m_pDoNotUseCache = AddCheck(layout, kDoNotUseCacheId, QStringLiteral("不使用缓存(&D)"));
    m_pHandleRedirect = AddCheck(layout, kHandleRedirectId, QStringLiteral("在内部处理重定向(&I)"));
    m_pAutoReferer = AddCheck(layout, kAutoRefererId, QStringLiteral("如果为空，则自动创建引用字符串(&F)"));
    layout->addStretch();
    layout->addWidget(MakeNote(QStringLiteral("注意：增加超时和重试值可能会增加下载暂停时间。")));
}

bool CConnectionPage::OnInitDialog()
{
    LoadData();
    return true;
}

void CConnectionPage::LoadData()
{
    const CAppSettings& s = Settings();
    m_pUserAgent->setEditText(s.UserAgent);
    SelectPrefix(m_pHttpVersion, s.HTTPVersion);
    SetNumber(m_pRetries, s.ConnectRetries);
    SetNumber(m_pConnectTimeout, s.ConnectTimeout);
    SetNumber(m_pSendTimeout, s.SendTimeout);
    SetNumber(m_pReceiveTimeout, s.ReceiveTimeout);
    LoadCheck(m_pDoNotUseCache, s.DoNotUseCache);
    LoadCheck(m_pHandleRedirect, s.HandleRedirectInternally);
    LoadCheck(m_pAutoReferer, s.AutoCreateRefererString);
}

bool CConnectionPage::SaveData()
{
    CAppSettings& s = Settings();
    s.UserAgent = m_pUserAgent->currentText();
    s.HTTPVersion = m_pHttpVersion->currentText();
    if (!BoundedNumber(m_pRetries, kMinRetries, kMaxRetries, &s.ConnectRetries)
        || !BoundedNumber(m_pConnectTimeout, 0, kMaxTimeoutMs, &s.ConnectTimeout)
        || !BoundedNumber(m_pSendTimeout, 0, kMaxTimeoutMs, &s.SendTimeout)
        || !BoundedNumber(m_pReceiveTimeout, 0, kMaxTimeoutMs, &s.ReceiveTimeout))
        return false;
    s.DoNotUseCache = CheckValue(m_pDoNotUseCache);
    s.HandleRedirectInternally = CheckValue(m_pHandleRedirect);
    s.AutoCreateRefererString = CheckValue(m_pAutoReferer);
    return true;
}

void CConnectionPage::SetDefaults()
{
    CopyDefaults({&B::UserAgent, &B::HTTPVersion, &B::ConnectRetries, &B::ConnectTimeout, &B::SendTimeout,
                  &B::ReceiveTimeout, &B::DoNotUseCache, &B::HandleRedirectInternally, &B::AutoCreateRefererString});
    LoadData();
}
