#include "dialogs/SchedulerPage.h"

#include "app/AppSettings.h"
#include "app/SettingsTypes.h"
#include "app/gui/Prompts.h"
#include "app/gui/UiServices.h"
#include "dialogs/DialogControls.h"
#include "platform/StringTable.h"
#include "platform/SystemTime.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QRadioButton>
#include <QTimeEdit>
#include <QTimeZone>
#include <QVBoxLayout>

#include <array>

namespace {

constexpr int kTemplateId = 347;
constexpr int kSchedulerOnId = 1141;
constexpr int kStartLabelId = 1156;
constexpr int kStartDateId = 1142;
constexpr int kStartTimeId = 1143;
constexpr int kActionLabelId = 1159;
constexpr int kAllItemsId = 1132;
constexpr int kScheduledItemsId = 1133;
constexpr int kStopLabelId = 1157;
constexpr int kStopDateId = 1145;
constexpr int kStopTimeId = 1153;
constexpr int kStopActionLabelId = 1155;
constexpr int kStopActionId = 1154;
constexpr int kAutoTurnOnId = 1160;

// The stop actions' texts, by FinishAction.
constexpr std::array<TextId, 6> kStopActionTexts{
    TextId::DoNothing, TextId::PauseAll, TextId::ExitApplication, TextId::SwitchToSleep, TextId::SwitchToHibernate,
    TextId::ShutDownComputer,
};

QLabel* MakeNamedLabel(QWidget* parent, int id, const QString& text, QWidget* buddy)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(ctrlName(id));
    label->setBuddy(buddy);
    return label;
}

FILETIME FileTimeOf(const SYSTEMTIME& time)
{
    FILETIME fileTime = 0;
    SystemTimeToFileTime(time, &fileTime);
    return fileTime;
}

} // namespace

CSchedulerPage::CSchedulerPage(COptionsDialog* dialog) : COptionsPageBase(kTemplateId, dialog, false) {}

CSchedulerPage::MomentEdits CSchedulerPage::AddMoment(QGridLayout* grid, int row, int labelId, const QString& text,
                                                      int dateId, int timeId)
{
    auto* date = new QDateEdit(this);
    date->setObjectName(ctrlName(dateId));
    date->setCalendarPopup(true);
    date->setDisplayFormat(QLocale().dateFormat(QLocale::ShortFormat));
    auto* time = new QTimeEdit(this);
    time->setObjectName(ctrlName(timeId));
    time->setDisplayFormat(QStringLiteral("hh:mm AP"));
    QLabel* label = MakeNamedLabel(this, labelId, text, date);
    grid->addWidget(label, row, 0);
    grid->addWidget(date, row, 1);
    grid->addWidget(time, row, 2);
    return {label, date, time};
}

void CSchedulerPage::CreateControls()
{
    auto* layout = new QVBoxLayout(this);
    // A plain group under the switch: a checkable group box would disable 1160 too.
    QCheckBox* on = m_pSchedulerOn = MakeCheck(kSchedulerOnId, QStringLiteral("打开计划任务(&T)"));
    connect(on, &QCheckBox::clicked, this, &CSchedulerPage::UpdateEnabling);
    layout->addWidget(on);
    auto* group = new QGroupBox(this);
    auto* grid = new QGridLayout(group);
    m_start = AddMoment(grid, 0, kStartLabelId, QStringLiteral("开始在(&S)："), kStartDateId, kStartTimeId);
    auto* all = m_pAllItems = new QRadioButton(QStringLiteral("下载所有项目(&A)"), this);
    all->setObjectName(ctrlName(kAllItemsId));
    auto* scheduled = m_pScheduledItems = new QRadioButton(QStringLiteral("仅下载计划任务项目(&H)"), this);
    scheduled->setObjectName(ctrlName(kScheduledItemsId));
    auto* items = new QButtonGroup(this);
    items->addButton(all);
    items->addButton(scheduled);
    auto* itemsRow = new QHBoxLayout;
    itemsRow->addWidget(all);
    itemsRow->addWidget(scheduled);
    m_pActionLabel = MakeNamedLabel(this, kActionLabelId, QStringLiteral("操作："), all);
    grid->addWidget(m_pActionLabel, 1, 0);
    grid->addLayout(itemsRow, 1, 1, 1, 2);
    m_stop = AddMoment(grid, 2, kStopLabelId, QStringLiteral("停止在：(&B)"), kStopDateId, kStopTimeId);
    QStringList actions;
    for (TextId id : kStopActionTexts)
        actions << LoadResString(id);
    QComboBox* action = m_pStopAction = MakeDropList(kStopActionId, actions);
    m_pStopActionLabel = MakeNamedLabel(this, kStopActionLabelId, QStringLiteral("操作(&I)："), action);
    grid->addWidget(m_pStopActionLabel, 3, 0);
    grid->addWidget(action, 3, 1, 1, 2);
    layout->addWidget(group);
    m_pAutoTurnOn = AddCheck(layout, kAutoTurnOnId, QStringLiteral("在当前日期启动程序时打开计划任务(&P)"));
    layout->addStretch();
}

bool CSchedulerPage::OnInitDialog()
{
    // A picker starts at a fixed date of its own; a stored time it cannot show
    // leaves it at now instead.
    const SYSTEMTIME now = Ui().nowLocal();
    LoadMoment(m_start, now);
    LoadMoment(m_stop, now);
    LoadData();
    return true;
}

void CSchedulerPage::LoadMoment(const MomentEdits& edits, const SYSTEMTIME& moment)
{
    const QDate date(moment.wYear, moment.wMonth, moment.wDay);
    const QTime time(moment.wHour, moment.wMinute, moment.wSecond, moment.wMilliseconds);
    if (!date.isValid() || !time.isValid())
        return;
    edits.date->setDate(date);
    edits.time->setTime(time);
}

void CSchedulerPage::LoadData()
{
    const CAppSettings& s = Settings();
    LoadCheck(m_pSchedulerOn, s.SchedulerOn);
    (s.ScheduleAllItems ? m_pAllItems : m_pScheduledItems)->setChecked(true);
    LoadMoment(m_start, s.SchedulerStartTime);
    LoadMoment(m_stop, s.SchedulerStopTime);
    if (s.SchedulerStopAction >= 0 && s.SchedulerStopAction < int(kStopActionTexts.size()))
        m_pStopAction->setCurrentIndex(s.SchedulerStopAction);
    LoadCheck(m_pAutoTurnOn, s.SchedulerAutoTurnOn);
    UpdateEnabling();
}

void CSchedulerPage::UpdateEnabling()
{
    const bool on = CheckValue(m_pSchedulerOn) != 0;
    // What the scheduler's switch enables.
    const std::array<QWidget*, 11> controls{m_pAllItems,  m_pScheduledItems, m_start.label, m_start.date,
                                            m_start.time, m_pActionLabel,    m_stop.label,  m_stop.date,
                                            m_stop.time,  m_pStopActionLabel, m_pStopAction};
    for (QWidget* control : controls)
        control->setEnabled(on);
}

SYSTEMTIME CSchedulerPage::Moment(const MomentEdits& edits)
{
    // The picked fields as they are: a UTC date-time has no local gaps to move them.
    const QTime time = edits.time->time();
    return SystemTimeFromDateTime(QDateTime(edits.date->date(),
                                            QTime(time.hour(), time.minute()), QTimeZone::utc()));
}

bool CSchedulerPage::SaveData()
{
    CAppSettings& s = Settings();
    s.SchedulerOn = CheckValue(m_pSchedulerOn);
    if (s.SchedulerOn) {
        s.ScheduleAllItems = m_pAllItems->isChecked() ? 1 : 0;
        const SYSTEMTIME start = Moment(m_start);
        const SYSTEMTIME stop = Moment(m_stop);
        // Local times compared field by field, as stored: no time zone comes in.
        if (FileTimeOf(start) >= FileTimeOf(stop) || FileTimeOf(stop) <= FileTimeOf(Ui().nowLocal())) {
            AppMessageBox(window(), TextId::StopTooEarly, MB_OK | MB_ICONWARNING);
            return false;
        }
        s.SchedulerStartTime = start;
        s.SchedulerStopTime = stop;
        const int action = m_pStopAction->currentIndex();
        if (action >= 0)
            s.SchedulerStopAction = action;
    }
    s.SchedulerAutoTurnOn = CheckValue(m_pAutoTurnOn);
    return true;
}
