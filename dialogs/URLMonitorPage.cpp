#include "dialogs/URLMonitorPage.h"

#include "app/AppSettings.h"
#include "dialogs/DialogControls.h"
#include "dialogs/WrapLabel.h"

#include <QCheckBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace {

using B = CAppSettingsBase;

constexpr int kTemplateId = 345;
constexpr int kURLMonitorId = 1116;
constexpr int kFileExtensionsId = 1042;
constexpr int kAddUndetectedTypeId = 1122;
constexpr int kAddIfShiftKeyPressedId = 1123;
constexpr int kIgnoreIfCtrlKeyPressedId = 1128;
constexpr int kKeepOnTopId = 1130;

} // namespace

CURLMonitorPage::CURLMonitorPage(COptionsDialog* dialog) : COptionsPageBase(kTemplateId, dialog, true) {}

void CURLMonitorPage::CreateControls()
{
    auto* layout = new QVBoxLayout(this);
    m_pURLMonitor = AddCheck(layout, kURLMonitorId, QStringLiteral("启用 URL 监控(&E)"));
    auto* about = new CWrapLabel(QStringLiteral("通过启用此选项，当您将 url 复制到剪贴板时，如果匹配以下选项，"
                                                "则添加下载对话框会自动打开。"),
                                 this);
    layout->addWidget(about);
    auto* extensions = m_pFileExtensions = new QPlainTextEdit(this);
    extensions->setObjectName(ctrlName(kFileExtensionsId));
    extensions->setTabChangesFocus(true);
    layout->addWidget(MakeLabel(QStringLiteral("文件扩展名(&X)："), extensions));
    layout->addWidget(extensions, 1);
    m_pAddUndetectedType = AddCheck(layout, kAddUndetectedTypeId, QStringLiteral("未检测到文件类型时添加(&U)"));
    m_pAddIfShiftKeyPressed = AddCheck(layout, kAddIfShiftKeyPressedId, QStringLiteral("如果按下 Shift 键则始终添加(&S)"));
    m_pIgnoreIfCtrlKeyPressed = AddCheck(layout, kIgnoreIfCtrlKeyPressedId, QStringLiteral("如果按下 Ctrl 键则始终忽略(&C)"));
    m_pKeepOnTop = AddCheck(layout, kKeepOnTopId, QStringLiteral("将“添加下载”对话框保持在所有其他窗口的前面(&K)"));
}

bool CURLMonitorPage::OnInitDialog()
{
    LoadData();
    return true;
}

void CURLMonitorPage::LoadData()
{
    const CAppSettings& s = Settings();
    LoadCheck(m_pURLMonitor, s.URLMonitor);
    m_pFileExtensions->setPlainText(s.URLMonitorFileExtensions);
    LoadCheck(m_pAddUndetectedType, s.URLMonitorAddUndetectedType);
    LoadCheck(m_pAddIfShiftKeyPressed, s.URLMonitorAddIfShiftKeyPressed);
    LoadCheck(m_pIgnoreIfCtrlKeyPressed, s.URLMonitorIgnoreIfCtrlKeyPressed);
    LoadCheck(m_pKeepOnTop, s.URLMonitorKeepOnTop);
}

bool CURLMonitorPage::SaveData()
{
    CAppSettings& s = Settings();
    s.URLMonitor = CheckValue(m_pURLMonitor);
    s.URLMonitorFileExtensions = m_pFileExtensions->toPlainText();
    s.URLMonitorAddUndetectedType = CheckValue(m_pAddUndetectedType);
    s.URLMonitorAddIfShiftKeyPressed = CheckValue(m_pAddIfShiftKeyPressed);
    s.URLMonitorIgnoreIfCtrlKeyPressed = CheckValue(m_pIgnoreIfCtrlKeyPressed);
    s.URLMonitorKeepOnTop = CheckValue(m_pKeepOnTop);
    return true;
}

void CURLMonitorPage::SetDefaults()
{
    CopyDefaults({&B::URLMonitor, &B::URLMonitorFileExtensions, &B::URLMonitorAddUndetectedType,
                  &B::URLMonitorAddIfShiftKeyPressed, &B::URLMonitorIgnoreIfCtrlKeyPressed,
                  &B::URLMonitorKeepOnTop});
    LoadData();
}
