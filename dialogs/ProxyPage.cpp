#include "dialogs/ProxyPage.h"

#include "app/AppSettings.h"
#include "dialogs/DialogControls.h"
#include "dialogs/TextLimitValidator.h"

#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <array>
#include <limits>

namespace {

constexpr int kTemplateId = 341;
constexpr int kSameAsHttpId = 1073;
constexpr int kUseBypassId = 1071;
constexpr int kBypassId = 1072;

constexpr int kServerLimit = 256;
constexpr int kPortDigits = 5;
constexpr int kCredentialLimit = 128;
constexpr int kMaxPort = std::numeric_limits<uint16_t>::max();

// The four fields of one proxy.
struct ProxyIds
{
    int server;
    int port;
    int userName;
    int password;
};

constexpr ProxyIds kHttp{1042, 1065, 1066, 1067};
constexpr ProxyIds kHttps{1043, 1068, 1069, 1070};

struct ProxyFields
{
    QString CAppSettingsBase::*server;
    uint16_t CAppSettingsBase::*port;
    QString CAppSettingsBase::*userName;
    QString CAppSettingsBase::*password;
};

const ProxyFields kHttpFields{&CAppSettingsBase::HttpProxyServer, &CAppSettingsBase::HttpProxyPort,
                              &CAppSettingsBase::HttpProxyUserName, &CAppSettingsBase::HttpProxyPassword};
const ProxyFields kHttpsFields{&CAppSettingsBase::HttpsProxyServer, &CAppSettingsBase::HttpsProxyPort,
                               &CAppSettingsBase::HttpsProxyUserName, &CAppSettingsBase::HttpsProxyPassword};

} // namespace

CProxyPage::CProxyPage(COptionsDialog* dialog) : COptionsPageBase(kTemplateId, dialog, false) {}

void CProxyPage::CreateControls()
{
    auto* layout = new QVBoxLayout(this);
    const auto addProxy = [&](const QString& heading, const ProxyIds& ids, ProxyEdits& edits) {
        auto* title = new QLabel(heading, this);
        auto* line = new QFrame(this);
        line->setFrameShape(QFrame::HLine);
        line->setFrameShadow(QFrame::Sunken);
        auto* grid = new QGridLayout;
        auto* server = new QLineEdit(this);
        server->setObjectName(ctrlName(ids.server));
        CTextLimitValidator::Install(server, kServerLimit);
        QLineEdit* port = MakeNumberEdit(ids.port, kPortDigits);
        auto* userName = new QLineEdit(this);
        userName->setObjectName(ctrlName(ids.userName));
        CTextLimitValidator::Install(userName, kCredentialLimit);
        auto* password = new QLineEdit(this);
        password->setObjectName(ctrlName(ids.password));
        password->setEchoMode(QLineEdit::Password);
        CTextLimitValidator::Install(password, kCredentialLimit);
        title->setBuddy(server);
        grid->addWidget(MakeLabel(QStringLiteral("服务器名称："), server), 0, 0);
        grid->addWidget(server, 0, 1);
        grid->addWidget(MakeLabel(QStringLiteral("端口："), port), 0, 2);
        grid->addWidget(port, 0, 3);
        grid->addWidget(MakeLabel(QStringLiteral("用户名："), userName), 1, 0);
        grid->addWidget(userName, 1, 1);
        grid->addWidget(MakeLabel(QStringLiteral("密码："), password), 1, 2);
        grid->addWidget(password, 1, 3);
        edits = {server, port, userName, password};
        layout->addWidget(title);
        layout->addWidget(line);
        layout->addLayout(grid);
    };
    addProxy(QStringLiteral("HTTP 代理(&H)"), kHttp, m_http);
    addProxy(QStringLiteral("HTTPS 代理(&S)"), kHttps, m_https);
    auto* sameAsHttp = new QPushButton(QStringLiteral("设置为 HTTP"), this);
    sameAsHttp->setObjectName(ctrlName(kSameAsHttpId));
    sameAsHttp->setAutoDefault(false);
    layout->addWidget(sameAsHttp, 0, Qt::AlignRight);
    m_pUseBypass = MakeCheck(kUseBypassId, QStringLiteral("绕过以下地址的代理服务器(&B)："));
    m_pBypass = new QLineEdit(this);
    m_pBypass->setObjectName(ctrlName(kBypassId));
    layout->addWidget(m_pUseBypass);
    layout->addWidget(m_pBypass);
    layout->addStretch();
    connect(sameAsHttp, &QPushButton::clicked, this, &CProxyPage::OnBnClickedSameAsHttp);
    connect(m_pUseBypass, &QCheckBox::clicked, this, &CProxyPage::OnBnClickedUseBypass);
}

bool CProxyPage::OnInitDialog()
{
    const CAppSettings& s = Settings();
    for (const auto& [edits, fields] : {std::pair(m_http, kHttpFields), std::pair(m_https, kHttpsFields)}) {
        edits.server->setText(s.*fields.server);
        SetNumber(edits.port, s.*fields.port);
        edits.userName->setText(s.*fields.userName);
        edits.password->setText(s.*fields.password);
    }
    LoadCheck(m_pUseBypass, s.UseProxyBypass);
    m_pBypass->setText(s.ProxyBypass);
    OnBnClickedUseBypass();
    return true;
}

bool CProxyPage::SavePort(QLineEdit* edit, uint16_t* port)
{
    if (edit->text().trimmed().isEmpty()) {
        *port = 0;
        return true;
    }
    int32_t value = 0;
    if (!BoundedNumber(edit, 0, kMaxPort, &value))
        return false;
    *port = uint16_t(value);
    return true;
}

bool CProxyPage::SaveData()
{
    CAppSettings& s = Settings();
    for (const auto& [edits, fields] : {std::pair(m_http, kHttpFields), std::pair(m_https, kHttpsFields)}) {
        s.*fields.server = edits.server->text();
        if (!SavePort(edits.port, &(s.*fields.port)))
            return false;
        s.*fields.userName = edits.userName->text();
        s.*fields.password = edits.password->text();
    }
    s.UseProxyBypass = CheckValue(m_pUseBypass);
    s.ProxyBypass = m_pBypass->text();
    return true;
}

void CProxyPage::OnBnClickedSameAsHttp()
{
    const std::array<std::pair<QLineEdit*, QLineEdit*>, 4> pairs{{{m_http.server, m_https.server},
                                                                  {m_http.port, m_https.port},
                                                                  {m_http.userName, m_https.userName},
                                                                  {m_http.password, m_https.password}}};
    for (const auto& [from, to] : pairs)
        to->setText(from->text());
}

void CProxyPage::OnBnClickedUseBypass()
{
    m_pBypass->setEnabled(CheckValue(m_pUseBypass) != 0);
}
