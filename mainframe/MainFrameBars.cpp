// The main window's tool bar and speed-meter bands, its menus and its status bar.

#include "mainframe/MainFrame.h"

#include "app/TextFormat.h"
#include "app/VandrelCore.h"
#include "app/gui/AppIcons.h"
#include "app/gui/UIFont.h"
#include "engine/DownloadError.h"
#include "engine/DownloadItem.h"
#include "engine/HttpDownloader.h"
#include "mainframe/Accelerators.h"
#include "mainframe/CommandIds.h"
#include "mainframe/CommandTable.h"
#include "mainframe/DownloadsView.h"
#include "mainframe/MenuStyle.h"
#include "mainframe/SpeedMeterWnd.h"
#include "mainframe/StatusBarEx.h"
#include "mainframe/ToolBarCtrlEx.h"
#include "mainframe/ToolBarCustomizeDialog.h"
#include "platform/MessageFormat.h"
#include "platform/Profile.h"
#include "platform/StringTable.h"

#include <QActionGroup>
#include <QCursor>
#include <QKeySequence>
#include <QMenuBar>
#include <QToolButton>

#include <mutex>

namespace {

constexpr int kBoldFontPoints = 8;

// The scheduler's and the all-done pane's texts.

struct AllDoneText
{
    int32_t action;
    TextId text;
};
constexpr AllDoneText kAllDoneTexts[] = {
    {FinishNothing, TextId::AllDoneNone}, {FinishExit, TextId::AutoExit}, {FinishSleep, TextId::AutoSleep},
    {FinishHibernate, TextId::AutoHibernate}, {FinishShutDown, TextId::AutoShutDown},
};

// Commands that choose one of a set: wherever they share a menu they are one
// exclusive group, so the style marks them as radio items.
struct ChoiceSet
{
    int first;
    int last;
    QActionGroup::ExclusionPolicy policy;
};
constexpr ChoiceSet kChoiceSets[] = {
    {ID_SPEED_UNLIMITED, ID_SPEED_LOW, QActionGroup::ExclusionPolicy::Exclusive},
    {ID_CONCURRENCY_FIRST, ID_CONCURRENCY_LAST, QActionGroup::ExclusionPolicy::Exclusive},
    {ID_SPEED_METER_DARK, ID_SPEED_METER_LIGHT, QActionGroup::ExclusionPolicy::Exclusive},
    {ID_SPEED_METER_BAR, ID_SPEED_METER_ANALOG, QActionGroup::ExclusionPolicy::Exclusive},
    // Choosing the checked action again turns it off.
    {ID_ALLDONE_SHUTDOWN, ID_ALLDONE_EXIT, QActionGroup::ExclusionPolicy::ExclusiveOptional},
};

void GroupChoices(QMenu* menu)
{
    for (const ChoiceSet& set : kChoiceSets) {
        QActionGroup* group = nullptr;
        for (QAction* action : menu->actions()) {
            const int command = action->data().toInt();
            if (action->menu() || action->isSeparator() || command < set.first || command > set.last)
                continue;
            if (!group) {
                group = new QActionGroup(menu);
                group->setExclusionPolicy(set.policy);
            }
            group->addAction(action);
        }
    }
}

// One menu entry: a command (0: a separator) or a submenu.
struct MenuEntry
{
    int command = 0;
    QString text;
    QMenu* submenu = nullptr;
};

QString Label(TextId stringId)
{
    return LoadResString(stringId);
}

QString Text(const char* text)
{
    return QString::fromUtf8(text);
}

MenuEntry Separator()
{
    return {};
}

MenuEntry Submenu(QMenu* menu)
{
    return {0, menu->title(), menu};
}

// The command's first key of the accelerator table as menu text ("\tCtrl+S"), or nothing.
QString ShortcutText(int command)
{
    for (const Accelerator& accelerator : AcceleratorTable()) {
        if (accelerator.command == command)
            return QLatin1Char('\t') + QKeySequence(accelerator.keys).toString(QKeySequence::NativeText);
    }
    return {};
}

enum class Shortcuts
{
    Hidden,
    Shown, // the menu bar's popups show each command's key
};

QMenu* BuildMenu(const QString& title, const QList<MenuEntry>& entries, CCommandTable& commands, QWidget* parent,
                 Shortcuts shortcuts = Shortcuts::Hidden)
{
    auto* menu = new QMenu(title, parent);
    for (const MenuEntry& entry : entries) {
        if (entry.submenu) {
            menu->addMenu(entry.submenu);
        } else if (entry.command == 0) {
            menu->addSeparator();
        } else {
            const QString text =
                shortcuts == Shortcuts::Shown ? entry.text + ShortcutText(entry.command) : entry.text;
            menu->addAction(commands.CreateAction(entry.command, text, menu));
        }
    }
    GroupChoices(menu);
    commands.WatchMenu(menu);
    return menu;
}

// 336: the speed modes.
QMenu* BuildSpeedMenu(CCommandTable& commands, QWidget* parent)
{
    return BuildMenu(Label(TextId::Speed),
                     {{ID_SPEED_UNLIMITED, Text("无限制")},
                      {ID_SPEED_HIGH, Text("高")},
                      {ID_SPEED_MEDIUM, Text("中")},
                      {ID_SPEED_LOW, Text("低")}},
                     commands, parent);
}

// 329: the concurrency limits 1 to 8.
QMenu* BuildConcurrencyMenu(CCommandTable& commands, QWidget* parent)
{
    QList<MenuEntry> entries;
    for (int command = ID_CONCURRENCY_FIRST; command <= ID_CONCURRENCY_LAST; ++command)
        entries.append({command, QString::number(command - ID_CONCURRENCY_FIRST + 1)});
    return BuildMenu(Label(TextId::Concurrency), entries, commands, parent);
}

QMenu* BuildSpeedMeterMenu(CCommandTable& commands, QWidget* parent)
{
    return BuildMenu(Text("速度表(&M)"),
                     {{ID_VIEW_SPEED_METER, Text("显示速度表(&S)")},
                      Separator(),
                      {ID_SPEED_METER_DARK, Text("深色")},
                      {ID_SPEED_METER_LIGHT, Text("浅色")},
                      Separator(),
                      {ID_SPEED_METER_BAR, Text("条形图")},
                      {ID_SPEED_METER_AREA, Text("面积图")},
                      {ID_SPEED_METER_ANALOG, Text("仪表盘")}},
                     commands, parent);
}

uint64_t DataUsage()
{
    CVandrelCore& core = AppCore();
    const std::lock_guard lock(core.m_csDataUsage);
    return core.m_settings.DataUsage;
}

QString AllDonePaneText()
{
    const int32_t action = SettingLoad(AppCore().m_settings.AllDoneAction);
    for (const AllDoneText& entry : kAllDoneTexts) {
        if (entry.action == action)
            return Label(entry.text);
    }
    return {};
}

} // namespace

void CMainFrame::CreateBars()
{
    m_wndToolBar = new CToolBarCtrlEx(*m_commands, this);
    addToolBar(Qt::TopToolBarArea, m_wndToolBar);
    m_wndSpeedMeterBar = new QToolBar(this);
    m_wndSpeedMeterBar->setObjectName(QStringLiteral("SpeedMeterBar"));
    m_wndSpeedMeterBar->setMovable(false);
    m_wndSpeedMeterBar->setFloatable(false);
    m_wndSpeedMeter = new CSpeedMeterWnd(m_wndSpeedMeterBar);
    m_wndSpeedMeter->SetTheme(SettingLoad(AppCore().m_settings.SpeedMeterTheme));
    m_wndSpeedMeter->SetStyle(SettingLoad(AppCore().m_settings.SpeedMeterStyle));
    m_wndSpeedMeterBar->addWidget(m_wndSpeedMeter);
    addToolBar(Qt::TopToolBarArea, m_wndSpeedMeterBar);

    RegisterBarCommands();
    CreateBarMenus();
    m_wndToolBar->SetDropDownMenu(ID_SPEED_DROPDOWN, m_menuSpeed);
    m_wndToolBar->SetDropDownMenu(ID_CONCURRENCY_DROPDOWN, m_menuConcurrency);
    QByteArray layout;
    if (CProfile().GetProfileBinary(SettingsSection(), QStringLiteral("ToolBar"), &layout))
        m_wndToolBar->LoadLayout(layout);
    UpdateConcurrencyButton();
    m_wndToolBar->RebuildButtons();
    for (QToolBar* bar : {static_cast<QToolBar*>(m_wndToolBar), m_wndSpeedMeterBar}) {
        bar->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(bar, &QWidget::customContextMenuRequested, this,
                [this, bar](const QPoint& position) { ShowBarsMenu(bar, position); });
    }
    m_wndStatusBar = new CStatusBarEx(this);
    setStatusBar(m_wndStatusBar);
    // Pane tips also while the window is inactive; Qt reads the flag on the window.
    setAttribute(Qt::WA_AlwaysShowToolTips);
}

void CMainFrame::RegisterBarCommands()
{
    m_commands->Add(ID_SPEED_DROPDOWN, [this] { OpenDropDown(ID_SPEED_DROPDOWN); });
    m_commands->Add(ID_CONCURRENCY_DROPDOWN, [this] { OpenDropDown(ID_CONCURRENCY_DROPDOWN); });
    m_commands->Add(ID_CUSTOMIZE_TOOLBAR, [this] { OnCustomizeToolBar(); });
}

void CMainFrame::CreateBarMenus()
{
    m_menuSpeed = BuildSpeedMenu(*m_commands, this);
    m_menuSpeed->setObjectName(QStringLiteral("menu336"));
    m_menuConcurrency = BuildConcurrencyMenu(*m_commands, this);
    m_menuConcurrency->setObjectName(QStringLiteral("menu329"));
    m_menuBars = BuildMenu({},
                           {Submenu(BuildSpeedMeterMenu(*m_commands, this)),
                            Separator(),
                            {ID_CUSTOMIZE_TOOLBAR, Text("自定义工具栏(&C)...")}},
                           *m_commands, this);
    m_menuBars->setObjectName(QStringLiteral("menu420"));
}

void CMainFrame::CreateMenus()
{
    CMenuStyle::Install();
    g_fontBold = CreateUIFont(kBoldFontPoints, true);
    CCommandTable& commands = *m_commands;
    const QList<QMenu*> popups = {
        BuildMenu(Text("文件(&F)"),
                  {{ID_FILE_IMPORT, Text("导入下载列表(&I)...")},
                   {ID_FILE_IMPORT_UNFINISHED, Text("导入未完成的下载(&U)...")},
                   Separator(),
                   {ID_FILE_EXPORT_ALL, Text("导出全部(&E)...")},
                   {ID_FILE_EXPORT_SELECTED, Text("导出所选(&S)...")},
                   Separator(),
                   {ID_APP_EXIT, Text("退出(&X)")}},
                  commands, this, Shortcuts::Shown),
        BuildMenu(Text("下载(&D)"),
                  {{ID_DOWNLOAD_ADD, Text("添加下载(&A)...")},
                   Separator(),
                   {ID_DOWNLOAD_START, Label(TextId::Start)},
                   {ID_DOWNLOAD_PAUSE, Label(TextId::Pause)},
                   {ID_DOWNLOAD_GET_INFO, Text("获取信息")},
                   Separator(),
                   {ID_DOWNLOAD_DELETE, Label(TextId::Delete)},
                   {ID_DOWNLOAD_DELETE_WITH_FILES, Text("删除下载和文件")},
                   {ID_DOWNLOAD_RESET, Text("重置")},
                   Separator(),
                   {ID_SCHEDULE_ADD, Text("添加到计划任务")},
                   {ID_SCHEDULE_REMOVE, Text("从计划任务中移除")},
                   {ID_SCHEDULE_TOGGLE, Label(TextId::ToggleScheduler)},
                   Separator(),
                   {ID_DOWNLOAD_COPY_URL, Label(TextId::CopyUrl)},
                   {ID_DOWNLOAD_OPEN_IN_BROWSER, Label(TextId::OpenInBrowser)},
                   {ID_DOWNLOAD_OPEN_LOCATION, Label(TextId::OpenDownloadLocation)},
                   {ID_DOWNLOAD_OPEN_FILE, Label(TextId::OpenFile)},
                   {ID_DOWNLOAD_CHECKSUM, Label(TextId::Checksum)},
                   Separator(),
                   {ID_MOVE_UP, Label(TextId::MoveUp)},
                   {ID_MOVE_DOWN, Label(TextId::MoveDown)},
                   {ID_MOVE_TO_TOP, Label(TextId::MoveToTop)},
                   {ID_MOVE_TO_BOTTOM, Label(TextId::MoveToBottom)},
                   Separator(),
                   {ID_SELECT_ALL, Text("全选(&L)")},
                   Separator(),
                   {ID_DOWNLOAD_PROPERTIES, Label(TextId::Properties)}},
                  commands, this, Shortcuts::Shown),
        BuildMenu(Text("操作(&A)"),
                  {{ID_START_ALL, Label(TextId::StartAll)},
                   {ID_PAUSE_ALL, Label(TextId::PauseAll)},
                   Separator(),
                   {ID_REMOVE_COMPLETED, Label(TextId::RemoveCompleted)},
                   Separator(),
                   Submenu(BuildSpeedMenu(commands, this)),
                   Submenu(BuildConcurrencyMenu(commands, this))},
                  commands, this, Shortcuts::Shown),
        BuildMenu(Text("查看(&V)"),
                  {{ID_VIEW_STATUS_BAR, Text("状态栏(&S)")},
                   Submenu(BuildSpeedMeterMenu(commands, this)),
                   // Also here: with every button hidden the bars' own menu is hard to reach.
                   {ID_CUSTOMIZE_TOOLBAR, Text("自定义工具栏(&C)...")},
                   Separator(),
                   {ID_VIEW_AUTOSIZE_COLUMNS, Label(TextId::AutosizeColumns)},
                   {ID_VIEW_RESET_COLUMNS, Text("重置列")},
                   {ID_VIEW_GRID, Text("网格线")}},
                  commands, this, Shortcuts::Shown),
        BuildMenu(Text("自动(&U)"),
                  {{ID_ALLDONE_SHUTDOWN, Text("完成后关机")},
                   {ID_ALLDONE_SLEEP, Text("完成后睡眠")},
                   {ID_ALLDONE_HIBERNATE, Text("完成后休眠")},
                   {ID_ALLDONE_EXIT, Text("完成后退出")},
                   Separator(),
                   {ID_URL_MONITOR, Label(TextId::UrlMonitor)},
                   Separator(),
                   {ID_SCHEDULER, Label(TextId::Scheduler) + Text("...")}},
                  commands, this, Shortcuts::Shown),
        BuildMenu(Text("工具(&T)"),
                  {{ID_HISTORY, Label(TextId::History) + Text("...")},
                   {ID_DATA_USAGE, Label(TextId::DataUsage) + Text("...")},
                   Separator(),
                   {ID_OPTIONS, Text("选项(&O)...")}},
                  commands, this, Shortcuts::Shown),
        BuildMenu(Text("帮助(&H)"),
                  {{ID_VERSION_HISTORY, Text("版本历史")},
                   {ID_TERMS_OF_USE, Text("使用条款")},
                   Separator(),
                   {ID_APP_ABOUT, Text("关于 Vandrel(&A)...")}},
                  commands, this, Shortcuts::Shown),
    };
    for (QMenu* popup : popups)
        menuBar()->addMenu(popup);
}

void CMainFrame::ConnectBarsToView()
{
    connect(m_wndView->selectionModel(), &QItemSelectionModel::selectionChanged, this, &CMainFrame::OnItemChanged);
    OnUpdateStatusPanes(); // then at every refresh tick
}

QMenu* CMainFrame::DropDownMenu(int command) const
{
    if (command == ID_SPEED_DROPDOWN)
        return m_menuSpeed;
    if (command == ID_CONCURRENCY_DROPDOWN)
        return m_menuConcurrency;
    return nullptr;
}

void CMainFrame::OpenDropDown(int command)
{
    QMenu* menu = DropDownMenu(command);
    const QToolButton* button = m_wndToolBar->ButtonForCommand(command);
    if (button && button->isVisible())
        menu->popup(button->mapToGlobal(QPoint(0, button->height())));
    else
        menu->popup(QCursor::pos());
}

void CMainFrame::ShowBarsMenu(QToolBar* bar, const QPoint& position)
{
    m_menuBars->popup(bar->mapToGlobal(position));
}

void CMainFrame::OnCustomizeToolBar()
{
    CToolBarCustomizeDialog dialog(m_wndToolBar->Buttons(), &m_wndToolBar->DefaultButtons(),
                                   m_wndToolBar->TextMode(), this);
    if (dialog.exec() == QDialog::Accepted)
        m_wndToolBar->Customize(dialog.m_arrButtons, dialog.m_nTextMode);
}

QString CMainFrame::SchedulerPaneText(int scheduled) const
{
    const CAppSettings& settings = AppCore().m_settings;
    if (!SettingLoad(settings.SchedulerOn))
        return Label(TextId::SchedulerOff);
    if (m_bSchedulerRunning)
        return Label(TextId::Started);
    if (SettingLoad(settings.ScheduleAllItems))
        return Label(TextId::PendingAll);
    return FormatString(Label(TextId::PendingItems), uint32_t(scheduled));
}

void CMainFrame::OnUpdateStatusPanes()
{
    if (m_wndView)
        ShowStatusPanes(m_wndView->TallyRows());
}

void CMainFrame::ShowStatusPanes(const CDownloadsView::RowTally& tally)
{
    if (!m_wndStatusBar)
        return;
    CStatusBarEx& bar = *m_wndStatusBar;
    bar.SetPaneText(CStatusBarEx::ID_INDICATOR_SCHEDULER, SchedulerPaneText(tally.scheduled));
    bar.SetPaneText(CStatusBarEx::ID_INDICATOR_ALL_DONE, AllDonePaneText());
    bar.SetPaneText(CStatusBarEx::ID_INDICATOR_RUNNING, QString::number(tally.running));
    bar.SetPaneText(CStatusBarEx::ID_INDICATOR_QUEUED, QString::number(tally.queued));
    bar.SetPaneText(CStatusBarEx::ID_INDICATOR_IDLE, QString::number(tally.idle));
    bar.SetPaneText(CStatusBarEx::ID_INDICATOR_DATA_USAGE, FormatByteSize(DataUsage(), false));
    bar.SetPaneText(CStatusBarEx::ID_INDICATOR_SPEED, FormatByteSize(tally.speed, false) + QStringLiteral("/s"));
}

void CMainFrame::OnItemChanged()
{
    const QModelIndexList rows = m_wndView->selectionModel()->selectedRows();
    if (rows.size() != 1) {
        SetMessageText(TextId::IdleMessage);
        return;
    }
    const CDownloadItem* item = m_wndView->GetItem(rows.front().row());
    const CHttpDownloader* download = item ? item->m_pDownloader : nullptr;
    if (!download) {
        SetMessageText(QString());
        return;
    }
    const bool failed = IsFailedState(download->m_nState) && download->m_pError;
    SetMessageText(failed ? download->m_pError->GetText() : download->m_strUrl);
}
