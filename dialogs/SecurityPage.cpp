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
    static_assert(std::tuple_size_v<decltype(kChecks)> == std::tuple_size_v<decltype(m_pChecks)>);
    auto* layout = new QVBoxLayout(this);
    for (size_t i = 0; i < kChecks.size(); ++i) {
        m_pChecks[i] = MakeCheck(kChecks[i].id, QString::fromUtf16(kChecks[i].text));
        layout->addWidget(m_pChecks[i]);
    }
    layout->addStretch();
}

bool CSecurityPage::OnInitDialog()
{
    LoadData();
    return true;
}

void CSecurityPage::LoadData()
{
    for (size_t i = 0; i < kChecks.size(); ++i)
        LoadCheck(m_pChecks[i], Settings().*kChecks[i].field);
}

bool CSecurityPage::SaveData()
{
    for (size_t i = 0; i < kChecks.size(); ++i)
        Settings().*kChecks[i].field = CheckValue(m_pChecks[i]);
    return true;
}

void CSecurityPage::SetDefaults()
{
    for (const Check& check : kChecks)
        CopyDefaults({check.field});
    LoadData();
}
