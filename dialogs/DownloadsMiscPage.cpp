#include "dialogs/DownloadsMiscPage.h"

#include "app/AppSettings.h"

#include <QCheckBox>
#include <QVBoxLayout>

namespace {

using B = CAppSettingsBase;

constexpr int kTemplateId = 437;
constexpr int kFileTimeFromServerId = 1097;
constexpr int kCheckHistoryId = 1130;

} // namespace

CDownloadsMiscPage::CDownloadsMiscPage(COptionsDialog* dialog) : COptionsPageBase(kTemplateId, dialog, true) {}

void CDownloadsMiscPage::CreateControls()
{
    auto* layout = new QVBoxLayout(this);
    m_pFileTimeFromServer = AddCheck(layout, kFileTimeFromServerId, QStringLiteral("从服务器获取文件日期和时间(&T)"));
    m_pCheckHistory = AddCheck(layout, kCheckHistoryId, QStringLiteral("如果历史记录中存在新的下载地址，请提醒我(&A)"));
    layout->addStretch();
}

bool CDownloadsMiscPage::OnInitDialog()
{
    LoadData();
    return true;
}

void CDownloadsMiscPage::LoadData()
{
    const CAppSettings& s = Settings();
    LoadCheck(m_pFileTimeFromServer, s.GetFileDateTimeFromServer);
    LoadCheck(m_pCheckHistory, s.CheckHistory);
}

bool CDownloadsMiscPage::SaveData()
{
    CAppSettings& s = Settings();
    s.GetFileDateTimeFromServer = CheckValue(m_pFileTimeFromServer);
    s.CheckHistory = CheckValue(m_pCheckHistory);
    return true;
}

void CDownloadsMiscPage::SetDefaults()
{
    CopyDefaults({&B::GetFileDateTimeFromServer, &B::CheckHistory});
    LoadData();
}
