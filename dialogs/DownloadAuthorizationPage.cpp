#include "dialogs/DownloadAuthorizationPage.h"

#include "app/gui/AppIcons.h"
#include "dialogs/TextLimitValidator.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

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
    auto* use = new QCheckBox(QStringLiteral("使用授权(&A)"), this);
    use->setObjectName(ctrlName(IDC_USE));
    layout->addWidget(use, 0, 0, 1, 3);
    auto* icon = new QLabel(this);
    icon->setPixmap(AppIcon(IDI_AUTHORIZATION).pixmap(kIconSize));
    layout->addWidget(icon, 1, 0, 2, 1, Qt::AlignTop);
    const std::tuple<int, const char*, int> fields[] = {
        {IDC_USER_LABEL, "用户名(&U)：", IDC_USER}, {IDC_PASSWORD_LABEL, "密码(&P)：", IDC_PASSWORD}};
    int row = 1;
    for (const auto& [labelId, text, editId] : fields) {
        auto* label = new QLabel(QString::fromUtf8(text), this);
        label->setObjectName(ctrlName(labelId));
        auto* edit = new QLineEdit(this);
        edit->setObjectName(ctrlName(editId));
        label->setBuddy(edit);
        layout->addWidget(label, row, 1);
        layout->addWidget(edit, row, 2);
        ++row;
    }
    FindControl<QLineEdit>(this, IDC_PASSWORD)->setEchoMode(QLineEdit::Password);
    layout->setRowStretch(row, 1);
    layout->setColumnStretch(2, 1);

    connect(use, &QCheckBox::clicked, this, &CDownloadAuthorizationPage::OnUseAuthorization);
    for (int id : {IDC_USER, IDC_PASSWORD})
        connect(FindControl<QLineEdit>(this, id), &QLineEdit::textChanged, this, [this] { m_bChanged = true; });
}

bool CDownloadAuthorizationPage::OnInitDialog()
{
    auto* user = FindControl<QLineEdit>(this, IDC_USER);
    auto* password = FindControl<QLineEdit>(this, IDC_PASSWORD);
    CTextLimitValidator::Install(user, kNameLimit);
    CTextLimitValidator::Install(password, kNameLimit);
    FindControl<QCheckBox>(this, IDC_USE)->setChecked(m_bUseAuthorization);
    user->setText(m_strUserName);
    password->setText(m_strPassword);
    OnUseAuthorization();
    m_bChanged = false;
    return true;
}

void CDownloadAuthorizationPage::OnUseAuthorization()
{
    const bool use = FindControl<QCheckBox>(this, IDC_USE)->isChecked();
    for (int id : {IDC_USER_LABEL, IDC_USER, IDC_PASSWORD_LABEL, IDC_PASSWORD})
        FindControl(this, id)->setEnabled(use);
    m_bChanged = true;
}

bool CDownloadAuthorizationPage::SaveData()
{
    m_bUseAuthorization = FindControl<QCheckBox>(this, IDC_USE)->isChecked();
    if (m_bUseAuthorization) {
        m_strUserName = FindControl<QLineEdit>(this, IDC_USER)->text();
        m_strPassword = FindControl<QLineEdit>(this, IDC_PASSWORD)->text();
    }
    return true;
}
