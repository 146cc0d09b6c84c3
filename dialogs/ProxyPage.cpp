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
    const auto addProxy = [&](const QString& heading, const ProxyIds& ids) {
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
        layout->addWidget(title);
        layout->addWidget(line);
        layout->addLayout(grid);
    };
    addProxy(QStringLiteral("HTTP 代理(&H)"), kHttp);
    addProxy(QStringLiteral("HTTPS 代理(&S)"), kHttps);
    auto* sameAsHttp = new QPushButton(QStringLiteral("设置为 HTTP"), this);
    sameAsHttp->setObjectName(ctrlName(kSameAsHttpId));
    sameAsHttp->setAutoDefault(false);
    layout->addWidget(sameAsHttp, 0, Qt::AlignRight);
    QCheckBox* useBypass = MakeCheck(kUseBypassId, QStringLiteral("绕过以下地址的代理服务器(&B)："));
    auto* bypass = new QLineEdit(this);
    bypass->setObjectName(ctrlName(kBypassId));
    layout->addWidget(useBypass);
    layout->addWidget(bypass);
    layout->addStretch();
    connect(sameAsHttp, &QPushButton::clicked, this, &CProxyPage::OnBnClickedSameAsHttp);
    connect(useBypass, &QCheckBox::clicked, this, &CProxyPage::OnBnClickedUseBypass);
}

bool CProxyPage::OnInitDialog()
{
    const CAppSettings& s = Settings();
    for (const auto& [ids, fields] : {std::pair(kHttp, kHttpFields), std::pair(kHttps, kHttpsFields)}) {
        FindControl<QLineEdit>(this, ids.server)->setText(s.*fields.server);
        SetNumber(ids.port, s.*fields.port);
        FindControl<QLineEdit>(this, ids.userName)->setText(s.*fields.userName);
        FindControl<QLineEdit>(this, ids.password)->setText(s.*fields.password);
    }
    LoadCheck(kUseBypassId, s.UseProxyBypass);
    FindControl<QLineEdit>(this, kBypassId)->setText(s.ProxyBypass);
    OnBnClickedUseBypass();
    return true;
}

bool CProxyPage::SavePort(int id, uint16_t* port)
{
    if (ControlText(FindControl(this, id)).trimmed().isEmpty()) {
        *port = 0;
        return true;
    }
    int32_t value = 0;
    if (!BoundedNumber(id, 0, kMaxPort, &value))
        return false;
    *port = uint16_t(value);
    return true;
}

bool CProxyPage::SaveData()
{
    CAppSettings& s = Settings();
    for (const auto& [ids, fields] : {std::pair(kHttp, kHttpFields), std::pair(kHttps, kHttpsFields)}) {
        s.*fields.server = FindControl<QLineEdit>(this, ids.server)->text();
        if (!SavePort(ids.port, &(s.*fields.port)))
            return false;
        s.*fields.userName = FindControl<QLineEdit>(this, ids.userName)->text();
        s.*fields.password = FindControl<QLineEdit>(this, ids.password)->text();
    }
    s.UseProxyBypass = CheckValue(kUseBypassId);
    s.ProxyBypass = FindControl<QLineEdit>(this, kBypassId)->text();
    return true;
}

void CProxyPage::OnBnClickedSameAsHttp()
{
    const std::array<std::pair<int, int>, 4> pairs{{{kHttp.server, kHttps.server},
                                                    {kHttp.port, kHttps.port},
                                                    {kHttp.userName, kHttps.userName},
                                                    {kHttp.password, kHttps.password}}};
    for (const auto& [from, to] : pairs)
        FindControl<QLineEdit>(this, to)->setText(FindControl<QLineEdit>(this, from)->text());
}

void CProxyPage::OnBnClickedUseBypass()
{
    FindControl(this, kBypassId)->setEnabled(CheckValue(kUseBypassId) != 0);
}
