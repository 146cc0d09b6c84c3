#include "dialogs/DownloadAuthorizationPage.h"

#include "app/gui/AppIcons.h"
#include "dialogs/TextLimitValidator.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

#include <initializer_list>
#include <tuple>

namespace {

constexpr int IDC_USE = 1010;
constexpr int IDC_USER_LABEL = 1024;
constexpr int IDC_USER = 1012;
constexpr int IDC_PASSWORD_LABEL = 1025;
constexpr int IDC_PASSWORD = 1013;
constexpr qsizetype kNameLimit = 128;
constexpr int kIconSize = 32;

} // namespace

void CDownloadAuthorizationPage::CreateControls()
{
    auto* layout = new QGridLayout(this);
    m_pUse = new QCheckBox(QStringLiteral("使用授权(&A)"), this);
    m_pUse->setObjectName(ctrlName(IDC_USE));
    layout->addWidget(m_pUse, 0, 0, 1, 3);
    auto* icon = new QLabel(this);
    icon->setPixmap(AppIcon(IDI_AUTHORIZATION).pixmap(kIconSize));
    layout->addWidget(icon, 1, 0, 2, 1, Qt::AlignTop);
    const std::tuple<int, const char*, int, QLabel**, QLineEdit**> fields[] = {
        {IDC_USER_LABEL, "用户名(&U)：", IDC_USER, &m_pUserLabel, &m_pUser},
        {IDC_PASSWORD_LABEL, "密码(&P)：", IDC_PASSWORD, &m_pPasswordLabel, &m_pPassword}};
    int row = 1;
    for (const auto& [labelId, text, editId, labelMember, editMember] : fields) {
        auto* label = *labelMember = new QLabel(QString::fromUtf8(text), this);
        label->setObjectName(ctrlName(labelId));
        auto* edit = *editMember = new QLineEdit(this);
        edit->setObjectName(ctrlName(editId));
        label->setBuddy(edit);
        layout->addWidget(label, row, 1);
        layout->addWidget(edit, row, 2);
        ++row;
    }
    m_pPassword->setEchoMode(QLineEdit::Password);
    layout->setRowStretch(row, 1);
    layout->setColumnStretch(2, 1);

    connect(m_pUse, &QCheckBox::clicked, this, &CDownloadAuthorizationPage::OnUseAuthorization);
    for (QLineEdit* edit : {m_pUser, m_pPassword})
        connect(edit, &QLineEdit::textChanged, this, [this] { m_bChanged = true; });
}

bool CDownloadAuthorizationPage::OnInitDialog()
{
    CTextLimitValidator::Install(m_pUser, kNameLimit);
    CTextLimitValidator::Install(m_pPassword, kNameLimit);
    m_pUse->setChecked(m_bUseAuthorization);
    m_pUser->setText(m_strUserName);
    m_pPassword->setText(m_strPassword);
    OnUseAuthorization();
    m_bChanged = false;
    return true;
}

void CDownloadAuthorizationPage::OnUseAuthorization()
{
    const bool use = m_pUse->isChecked();
    for (QWidget* control : std::initializer_list<QWidget*>{m_pUserLabel, m_pUser, m_pPasswordLabel, m_pPassword})
        control->setEnabled(use);
    m_bChanged = true;
}

bool CDownloadAuthorizationPage::SaveData()
{
    m_bUseAuthorization = m_pUse->isChecked();
    if (m_bUseAuthorization) {
        m_strUserName = m_pUser->text();
        m_strPassword = m_pPassword->text();
    }
    return true;
}
