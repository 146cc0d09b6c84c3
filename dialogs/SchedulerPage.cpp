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

// What the scheduler's switch enables.
constexpr std::array<int, 11> kScheduleControls{kAllItemsId,  kScheduledItemsId, kStartLabelId, kStartDateId,
                                                kStartTimeId, kActionLabelId,    kStopLabelId,  kStopDateId,
                                                kStopTimeId,  kStopActionLabelId, kStopActionId};

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

// A date picker and a time picker of hours and minutes ("hh:mm tt").
void AddMoment(QGridLayout* grid, int row, QWidget* parent, int labelId, const QString& text, int dateId,
               int timeId)
{
    auto* date = new QDateEdit(parent);
    date->setObjectName(ctrlName(dateId));
    date->setCalendarPopup(true);
    date->setDisplayFormat(QLocale().dateFormat(QLocale::ShortFormat));
    auto* time = new QTimeEdit(parent);
    time->setObjectName(ctrlName(timeId));
    time->setDisplayFormat(QStringLiteral("hh:mm AP"));
    grid->addWidget(MakeNamedLabel(parent, labelId, text, date), row, 0);
    grid->addWidget(date, row, 1);
    grid->addWidget(time, row, 2);
}

FILETIME FileTimeOf(const SYSTEMTIME& time)
{
    FILETIME fileTime = 0;
    SystemTimeToFileTime(time, &fileTime);
    return fileTime;
}

} // namespace

CSchedulerPage::CSchedulerPage(COptionsDialog* dialog) : COptionsPageBase(kTemplateId, dialog, false) {}

void CSchedulerPage::CreateControls()
{
    auto* layout = new QVBoxLayout(this);
    // A plain group under the switch: a checkable group box would disable 1160 too.
    QCheckBox* on = MakeCheck(kSchedulerOnId, QStringLiteral("打开计划任务(&T)"));
    connect(on, &QCheckBox::clicked, this, &CSchedulerPage::UpdateEnabling);
    layout->addWidget(on);
    auto* group = new QGroupBox(this);
    auto* grid = new QGridLayout(group);
    AddMoment(grid, 0, this, kStartLabelId, QStringLiteral("开始在(&S)："), kStartDateId, kStartTimeId);
    auto* all = new QRadioButton(QStringLiteral("下载所有项目(&A)"), this);
    all->setObjectName(ctrlName(kAllItemsId));
    auto* scheduled = new QRadioButton(QStringLiteral("仅下载计划任务项目(&H)"), this);
    scheduled->setObjectName(ctrlName(kScheduledItemsId));
    auto* items = new QButtonGroup(this);
    items->addButton(all);
    items->addButton(scheduled);
    auto* itemsRow = new QHBoxLayout;
    itemsRow->addWidget(all);
    itemsRow->addWidget(scheduled);
    grid->addWidget(MakeNamedLabel(this, kActionLabelId, QStringLiteral("操作："), all), 1, 0);
    grid->addLayout(itemsRow, 1, 1, 1, 2);
    AddMoment(grid, 2, this, kStopLabelId, QStringLiteral("停止在：(&B)"), kStopDateId, kStopTimeId);
    QStringList actions;
    for (TextId id : kStopActionTexts)
        actions << LoadResString(id);
    QComboBox* action = MakeDropList(kStopActionId, actions);
    grid->addWidget(MakeNamedLabel(this, kStopActionLabelId, QStringLiteral("操作(&I)："), action), 3, 0);
    grid->addWidget(action, 3, 1, 1, 2);
    layout->addWidget(group);
    layout->addWidget(MakeCheck(kAutoTurnOnId, QStringLiteral("在当前日期启动程序时打开计划任务(&P)")));
    layout->addStretch();
}

bool CSchedulerPage::OnInitDialog()
{
    // A picker starts at a fixed date of its own; a stored time it cannot show
    // leaves it at now instead.
    const SYSTEMTIME now = Ui().nowLocal();
    LoadMoment(kStartDateId, kStartTimeId, now);
    LoadMoment(kStopDateId, kStopTimeId, now);
    LoadData();
    return true;
}

void CSchedulerPage::LoadMoment(int dateId, int timeId, const SYSTEMTIME& moment) const
{
    const QDate date(moment.wYear, moment.wMonth, moment.wDay);
    const QTime time(moment.wHour, moment.wMinute, moment.wSecond, moment.wMilliseconds);
    if (!date.isValid() || !time.isValid())
        return;
    FindControl<QDateEdit>(this, dateId)->setDate(date);
    FindControl<QTimeEdit>(this, timeId)->setTime(time);
}

void CSchedulerPage::LoadData()
{
    const CAppSettings& s = Settings();
    LoadCheck(kSchedulerOnId, s.SchedulerOn);
    FindControl<QRadioButton>(this, s.ScheduleAllItems ? kAllItemsId : kScheduledItemsId)->setChecked(true);
    LoadMoment(kStartDateId, kStartTimeId, s.SchedulerStartTime);
    LoadMoment(kStopDateId, kStopTimeId, s.SchedulerStopTime);
    if (s.SchedulerStopAction >= 0 && s.SchedulerStopAction < int(kStopActionTexts.size()))
        FindControl<QComboBox>(this, kStopActionId)->setCurrentIndex(s.SchedulerStopAction);
    LoadCheck(kAutoTurnOnId, s.SchedulerAutoTurnOn);
    UpdateEnabling();
}

void CSchedulerPage::UpdateEnabling()
{
    const bool on = CheckValue(kSchedulerOnId) != 0;
    for (int id : kScheduleControls)
        FindControl(this, id)->setEnabled(on);
}

SYSTEMTIME CSchedulerPage::Moment(int dateId, int timeId) const
{
    // The picked fields as they are: a UTC date-time has no local gaps to move them.
    const QTime time = FindControl<QTimeEdit>(this, timeId)->time();
    return SystemTimeFromDateTime(QDateTime(FindControl<QDateEdit>(this, dateId)->date(),
                                            QTime(time.hour(), time.minute()), QTimeZone::utc()));
}

bool CSchedulerPage::SaveData()
{
    CAppSettings& s = Settings();
    s.SchedulerOn = CheckValue(kSchedulerOnId);
    if (s.SchedulerOn) {
        s.ScheduleAllItems = FindControl<QRadioButton>(this, kAllItemsId)->isChecked() ? 1 : 0;
        const SYSTEMTIME start = Moment(kStartDateId, kStartTimeId);
        const SYSTEMTIME stop = Moment(kStopDateId, kStopTimeId);
        // Local times compared field by field, as stored: no time zone comes in.
        if (FileTimeOf(start) >= FileTimeOf(stop) || FileTimeOf(stop) <= FileTimeOf(Ui().nowLocal())) {
            AppMessageBox(window(), TextId::StopTooEarly, MB_OK | MB_ICONWARNING);
            return false;
        }
        s.SchedulerStartTime = start;
        s.SchedulerStopTime = stop;
        const int action = FindControl<QComboBox>(this, kStopActionId)->currentIndex();
        if (action >= 0)
            s.SchedulerStopAction = action;
    }
    s.SchedulerAutoTurnOn = CheckValue(kAutoTurnOnId);
    return true;
}
