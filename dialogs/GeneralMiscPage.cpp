#include "dialogs/GeneralMiscPage.h"

#include "app/AppSettings.h"

#include <QCheckBox>
#include <QVBoxLayout>

namespace {

using B = CAppSettingsBase;

constexpr int kTemplateId = 346;
constexpr int kUnicodeImportExportId = 1120;
constexpr int kConfirmExitId = 1121;
constexpr int kAutoFillDownloadAddressId = 1130;

} // namespace

CGeneralMiscPage::CGeneralMiscPage(COptionsDialog* dialog) : COptionsPageBase(kTemplateId, dialog, true) {}

void CGeneralMiscPage::CreateControls()
{
    auto* layout = new QVBoxLayout(this);
    m_pUnicodeImportExport = AddCheck(layout, kUnicodeImportExportId, QStringLiteral("在导入/导出时使用 Unicode(&U)"));
    m_pConfirmExit = AddCheck(layout, kConfirmExitId, QStringLiteral("下载时确认退出(&C)"));
    m_pAutoFillDownloadAddress = AddCheck(layout, kAutoFillDownloadAddressId, QStringLiteral("在添加下载对话框中自动填写下载地址"));
    layout->addStretch();
}

bool CGeneralMiscPage::OnInitDialog()
{
    LoadData();
    return true;
}

void CGeneralMiscPage::LoadData()
{
    const CAppSettings& s = Settings();
    LoadCheck(m_pUnicodeImportExport, s.UnicodeImportExport);
    LoadCheck(m_pConfirmExit, s.ConfirmExit);
    LoadCheck(m_pAutoFillDownloadAddress, s.AutoFillDownloadAddress);
}

bool CGeneralMiscPage::SaveData()
{
    CAppSettings& s = Settings();
    s.UnicodeImportExport = CheckValue(m_pUnicodeImportExport);
    s.ConfirmExit = CheckValue(m_pConfirmExit);
    s.AutoFillDownloadAddress = CheckValue(m_pAutoFillDownloadAddress);
    return true;
}

void CGeneralMiscPage::SetDefaults()
{
    CopyDefaults({&B::UnicodeImportExport, &B::ConfirmExit, &B::AutoFillDownloadAddress});
    LoadData();
}
