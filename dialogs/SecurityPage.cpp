#include "dialogs/SecurityPage.h"

#include "app/AppSettings.h"

#include <QCheckBox>
#include <QVBoxLayout>

#include <array>

namespace {

using B = CAppSettingsBase;

constexpr int kTemplateId = 436;

struct Check
{
    int id;
    const char16_t* text;
    int32_t B::*field;
};

const std::array<Check, 6> kChecks{{
    {1130, u"忽略证书的撤销", &B::IgnoreRevocation},
    {1131, u"忽略未知的证书授权", &B::IgnoreUnknownCA},
    {1181, u"忽略弱的证书签名", &B::IgnoreWeakSignature},
    {1182, u"忽略非服务器证书", &B::IgnoreWrongUsage},
    {1082, u"忽略无效证书日期(&E)", &B::IgnoreCertDateInvalid},
    {1083, u"忽略无效的证书通用名称(&N)", &B::IgnoreCertCnInvalid},
}};

} // namespace

CSecurityPage::CSecurityPage(COptionsDialog* dialog) : COptionsPageBase(kTemplateId, dialog, true) {}

void CSecurityPage::CreateControls()
{
    auto* layout = new QVBoxLayout(this);
    for (const Check& check : kChecks)
        layout->addWidget(MakeCheck(check.id, QString::fromUtf16(check.text)));
    layout->addStretch();
}

bool CSecurityPage::OnInitDialog()
{
    LoadData();
    return true;
}

void CSecurityPage::LoadData()
{
    for (const Check& check : kChecks)
        LoadCheck(check.id, Settings().*check.field);
}

bool CSecurityPage::SaveData()
{
    for (const Check& check : kChecks)
        Settings().*check.field = CheckValue(check.id);
    return true;
}

void CSecurityPage::SetDefaults()
{
    for (const Check& check : kChecks)
        CopyDefaults({check.field});
    LoadData();
}
