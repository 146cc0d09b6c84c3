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
    layout->addWidget(MakeCheck(kURLMonitorId, QStringLiteral("启用 URL 监控(&E)")));
    auto* about = new CWrapLabel(QStringLiteral("通过启用此选项，当您将 url 复制到剪贴板时，如果匹配以下选项，"
                                                "则添加下载对话框会自动打开。"),
                                 this);
    layout->addWidget(about);
    auto* extensions = new QPlainTextEdit(this);
    extensions->setObjectName(ctrlName(kFileExtensionsId));
    extensions->setTabChangesFocus(true);
    layout->addWidget(MakeLabel(QStringLiteral("文件扩展名(&X)："), extensions));
    layout->addWidget(extensions, 1);
    layout->addWidget(MakeCheck(kAddUndetectedTypeId, QStringLiteral("未检测到文件类型时添加(&U)")));
    layout->addWidget(MakeCheck(kAddIfShiftKeyPressedId, QStringLiteral("如果按下 Shift 键则始终添加(&S)")));
    layout->addWidget(MakeCheck(kIgnoreIfCtrlKeyPressedId, QStringLiteral("如果按下 Ctrl 键则始终忽略(&C)")));
    layout->addWidget(MakeCheck(kKeepOnTopId, QStringLiteral("将“添加下载”对话框保持在所有其他窗口的前面(&K)")));
}

bool CURLMonitorPage::OnInitDialog()
{
    LoadData();
    return true;
}

void CURLMonitorPage::LoadData()
{
    const CAppSettings& s = Settings();
    LoadCheck(kURLMonitorId, s.URLMonitor);
    FindControl<QPlainTextEdit>(this, kFileExtensionsId)->setPlainText(s.URLMonitorFileExtensions);
    LoadCheck(kAddUndetectedTypeId, s.URLMonitorAddUndetectedType);
    LoadCheck(kAddIfShiftKeyPressedId, s.URLMonitorAddIfShiftKeyPressed);
    LoadCheck(kIgnoreIfCtrlKeyPressedId, s.URLMonitorIgnoreIfCtrlKeyPressed);
    LoadCheck(kKeepOnTopId, s.URLMonitorKeepOnTop);
}

bool CURLMonitorPage::SaveData()
{
    CAppSettings& s = Settings();
    s.URLMonitor = CheckValue(kURLMonitorId);
    s.URLMonitorFileExtensions = FindControl<QPlainTextEdit>(this, kFileExtensionsId)->toPlainText();
    s.URLMonitorAddUndetectedType = CheckValue(kAddUndetectedTypeId);
    s.URLMonitorAddIfShiftKeyPressed = CheckValue(kAddIfShiftKeyPressedId);
    s.URLMonitorIgnoreIfCtrlKeyPressed = CheckValue(kIgnoreIfCtrlKeyPressedId);
    s.URLMonitorKeepOnTop = CheckValue(kKeepOnTopId);
    return true;
}

void CURLMonitorPage::SetDefaults()
{
    CopyDefaults({&B::URLMonitor, &B::URLMonitorFileExtensions, &B::URLMonitorAddUndetectedType,
                  &B::URLMonitorAddIfShiftKeyPressed, &B::URLMonitorIgnoreIfCtrlKeyPressed,
                  &B::URLMonitorKeepOnTop});
    LoadData();
}
