#include "dialogs/GeneralPage.h"

#include "app/AppSettings.h"
#include "dialogs/DialogControls.h"
#include "dialogs/WrapLabel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

using B = CAppSettingsBase;

constexpr int kTemplateId = 107;
constexpr int kLaunchAtStartupId = 1062;
constexpr int kMinimizeToTrayId = 1063;
constexpr int kAnimateTrayIconId = 1130;
constexpr int kUrlsHistoryId = 1064;
constexpr int kLocationsHistoryId = 1065;
constexpr int kNotifyAllCompleteId = 1111;
constexpr int kNotifyCompleteId = 1112;
constexpr int kNotifyFailId = 1113;
constexpr int kNotifySchedulerId = 1158;
constexpr int kResetId = 1115;

// 0, 100, ... 1000 URLs; 0, 10, ... 50 folders.
constexpr int kUrlsStep = 100;
constexpr int kUrlsCount = 11;
constexpr int kLocationsStep = 10;
constexpr int kLocationsCount = 6;

QStringList Multiples(int step, int count)
{
    QStringList entries;
    for (int i = 0; i < count; ++i)
        entries << QString::number(i * step);
    return entries;
}

} // namespace

CGeneralPage::CGeneralPage(COptionsDialog* dialog) : COptionsPageBase(kTemplateId, dialog, true) {}

void CGeneralPage::CreateControls()
{
    auto* layout = new QVBoxLayout(this);
    m_pLaunchAtStartup = AddCheck(layout, kLaunchAtStartupId, QStringLiteral("开机时启动(&S)"));
    m_pMinimizeToTray = AddCheck(layout, kMinimizeToTrayId, QStringLiteral("关闭时最小化到系统托盘(&M)"));
    m_pAnimateTrayIcon = AddCheck(layout, kAnimateTrayIconId, QStringLiteral("下载时为托盘图标设置动画(&Y)"));

    auto* history = new QGroupBox(QStringLiteral("历史记录(&H)"), this);
    auto* form = new QFormLayout(history);
    QComboBox* urls = m_pUrlsHistory = MakeDropList(kUrlsHistoryId, Multiples(kUrlsStep, kUrlsCount));
    QComboBox* locations = m_pLocationsHistory =
        MakeDropList(kLocationsHistoryId, Multiples(kLocationsStep, kLocationsCount));
    form->addRow(MakeLabel(QStringLiteral("保留在历史中的 URL 数量(&U)："), urls), urls);
    form->addRow(MakeLabel(QStringLiteral("保留在历史记录中的位置数量(&L)："), locations), locations);
    layout->addWidget(history);
    connect(urls, &QComboBox::activated, this, [this] { m_bUrlsPicked = true; });
    connect(locations, &QComboBox::activated, this, [this] { m_bLocationsPicked = true; });

    auto* notify = new QGroupBox(QStringLiteral("通知设置(&N)"), this);
    auto* notifyLayout = new QVBoxLayout(notify);
    m_pNotifyAllComplete = AddCheck(notifyLayout, kNotifyAllCompleteId, QStringLiteral("当所有下载完成时通知(&A)"));
    m_pNotifyComplete = AddCheck(notifyLayout, kNotifyCompleteId, QStringLiteral("每次下载完成时通知(&E)"));
    m_pNotifyFail = AddCheck(notifyLayout, kNotifyFailId, QStringLiteral("下载失败时通知(&F)"));
    m_pNotifyScheduler = AddCheck(notifyLayout, kNotifySchedulerId, QStringLiteral("通知计划任务开始/停止(&O)"));
    layout->addWidget(notify);

    auto* confirm = new QGroupBox(QStringLiteral("确认(&C)"), this);
    auto* confirmLayout = new QHBoxLayout(confirm);
    auto* text = new CWrapLabel(QStringLiteral("如果您想显示带有“不要再问我”的确认信息，请单击重置"), confirm);
    auto* reset = new QPushButton(QStringLiteral("重置(&R)"), confirm);
    reset->setObjectName(ctrlName(kResetId));
    reset->setAutoDefault(false);
    connect(reset, &QPushButton::clicked, this, &CGeneralPage::OnBnClickedReset);
    confirmLayout->addWidget(text, 1);
    confirmLayout->addWidget(reset);
    layout->addWidget(confirm);
    layout->addStretch();
}

bool CGeneralPage::OnInitDialog()
{
    LoadData();
    return true;
}

void CGeneralPage::LoadData()
{
    const CAppSettings& s = Settings();
    LoadCheck(m_pLaunchAtStartup, s.LaunchAtStartup);
    LoadCheck(m_pMinimizeToTray, s.MinimizeToTray);
    LoadCheck(m_pAnimateTrayIcon, s.AnimateTrayIcon);
    m_pUrlsHistory->setCurrentIndex(NumberListIndex(s.URLsHistorySize, 0, kUrlsStep, kUrlsCount));
    m_pLocationsHistory->setCurrentIndex(
        NumberListIndex(s.DownloadLocationsHistorySize, 0, kLocationsStep, kLocationsCount));
    m_bUrlsPicked = false;
    m_bLocationsPicked = false;
    LoadCheck(m_pNotifyAllComplete, s.NotifyAllComplete);
    LoadCheck(m_pNotifyComplete, s.NotifyComplete);
    LoadCheck(m_pNotifyFail, s.NotifyFail);
    LoadCheck(m_pNotifyScheduler, s.NotifyScheduler);
}

bool CGeneralPage::SaveData()
{
    CAppSettings& s = Settings();
    s.LaunchAtStartup = CheckValue(m_pLaunchAtStartup);
    s.MinimizeToTray = CheckValue(m_pMinimizeToTray);
    s.AnimateTrayIcon = CheckValue(m_pAnimateTrayIcon);
    if (m_bUrlsPicked)
        s.URLsHistorySize = int32_t(PlainNumber(m_pUrlsHistory));
    if (m_bLocationsPicked)
        s.DownloadLocationsHistorySize = int32_t(PlainNumber(m_pLocationsHistory));
    s.NotifyAllComplete = CheckValue(m_pNotifyAllComplete);
    s.NotifyComplete = CheckValue(m_pNotifyComplete);
    s.NotifyFail = CheckValue(m_pNotifyFail);
    s.NotifyScheduler = CheckValue(m_pNotifyScheduler);
    return true;
}

void CGeneralPage::SetDefaults()
{
    CopyDefaults({&B::LaunchAtStartup, &B::MinimizeToTray, &B::AnimateTrayIcon, &B::URLsHistorySize,
                  &B::DownloadLocationsHistorySize, &B::NotifyFail, &B::NotifyComplete, &B::NotifyAllComplete,
                  &B::NotifyScheduler});
    LoadData();
}

void CGeneralPage::OnBnClickedReset()
{
    CAppSettings& s = Settings();
    s.DoNotAskSaveChanges = 0;
    s.DoNotAskSort = 0;
}
