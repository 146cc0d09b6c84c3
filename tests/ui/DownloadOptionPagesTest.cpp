#include "OptionsFixture.h"

#include "support/QStringPrinter.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>
#include <QTest>
#include <QTimeEdit>

namespace {

using DownloadOptionPagesTest = OptionsFixture;

SYSTEMTIME At(int year, int month, int day, int hour, int minute, int second = 0)
{
    return SystemTimeFromDateTime(QDateTime(QDate(year, month, day), QTime(hour, minute, second)));
}

} // namespace

TEST_F(DownloadOptionPagesTest, TheDefaultFolderIsTrimmedCutOfItsSlashesAndMustExist)
{
    ASSERT_TRUE(QDir(folder.path()).mkpath(QStringLiteral("dl")));
    const QString dl = folder.path() + QStringLiteral("/dl");
    const struct
    {
        QString typed;
        const char* message; // none: accepted
    } kCases[] = {
        {QStringLiteral("  ") + dl + QStringLiteral("//  "), nullptr},
        {dl, nullptr},
        {QStringLiteral("   "), "请输入下载位置。"},
        {QStringLiteral("/does/not/exist"), "指定的下载位置不存在。"},
        {QStringLiteral("a"), "指定的下载位置不存在。"},
        {QStringLiteral("/"), "指定的下载位置不存在。"},
        {QStringLiteral("dl"), "指定的下载位置不存在。"}, // relative
        {dl + QStringLiteral("/") + QString(1827, u'x'), "指定的下载位置不存在。"},
    };
    Open(OptionsPageDownloads);
    QWidget* edit = FindControl(dialog->Page(OptionsPageDownloads), 1003);
    for (const auto& c : kCases) {
        dialog->m_settings.DefaultDownloadLocation = QStringLiteral("unchanged");
        SetText(OptionsPageDownloads, 1003, c.typed);
        EXPECT_EQ(Save(OptionsPageDownloads), !c.message) << c.typed.toStdString();
        if (c.message) {
            EXPECT_EQ(TakeBoxes(), QStringList{QString::fromUtf8(c.message)});
            EXPECT_EQ(dialog->Page(OptionsPageDownloads)->m_hWndFocusControl, edit);
            EXPECT_EQ(dialog->m_settings.DefaultDownloadLocation, QStringLiteral("unchanged"));
        } else {
            EXPECT_EQ(dialog->m_settings.DefaultDownloadLocation, dl);
        }
    }
}

TEST_F(DownloadOptionPagesTest, DownloadsListsAndNumbersConvertTheirUnits)
{
    settings.ConcurrentDownloads = 12;
    settings.MaxSectionCountPerDownload = 0;
    settings.MaxAttempts = 3;
    settings.PauseBetweenAttempts = 2500;
    settings.MinSectionSize = 3 << 20;
    Open(OptionsPageDownloads);
    EXPECT_EQ(Text(OptionsPageDownloads, 1095), QStringLiteral("8"));
    EXPECT_EQ(Control<QComboBox>(OptionsPageDownloads, 1087)->currentIndex(), -1);
    EXPECT_EQ(Control<QComboBox>(OptionsPageDownloads, 1090)->count(), 10);
    EXPECT_EQ(Text(OptionsPageDownloads, 1090), QStringLiteral("3"));
    EXPECT_EQ(Text(OptionsPageDownloads, 1091), QStringLiteral("2"));
    EXPECT_EQ(Text(OptionsPageDownloads, 1088), QStringLiteral("3"));
    SetText(OptionsPageDownloads, 1088, QStringLiteral("5"));
    ASSERT_TRUE(Save(OptionsPageDownloads));
    EXPECT_EQ(dialog->m_settings.ConcurrentDownloads, 8);
    EXPECT_EQ(dialog->m_settings.MaxSectionCountPerDownload, 0) << "no entry: 0, as specified";
    EXPECT_EQ(dialog->m_settings.MaxAttempts, 3);
    EXPECT_EQ(dialog->m_settings.PauseBetweenAttempts, 2000);
    EXPECT_EQ(dialog->m_settings.MinSectionSize, 5242880);

    const struct
    {
        int id;
        const char* text;
        const char* message;
    } kRefusals[] = {
        {1088, "1025", "请输入一个介于 1 和 1024 之间的值"},
        {1088, "0", "请输入一个介于 1 和 1024 之间的值"},
        {1091, "31", "请输入一个介于 0 和 30 之间的值"},
    };
    for (const auto& r : kRefusals) {
        SetText(OptionsPageDownloads, 1088, QStringLiteral("1"));
        SetText(OptionsPageDownloads, 1091, QStringLiteral("0"));
        SetText(OptionsPageDownloads, r.id, QString::fromUtf8(r.text));
        EXPECT_FALSE(Save(OptionsPageDownloads));
        EXPECT_EQ(TakeBoxes(), QStringList{QString::fromUtf8(r.message)});
    }
}

TEST_F(DownloadOptionPagesTest, BrowsePicksTheFolderStartingAtTheTypedOne)
{
    Open(OptionsPageDownloads);
    const QString typed = QDir::tempPath(); // a folder that exists: one that does not opens the download folder
    SetText(OptionsPageDownloads, 1003, typed);
    prompts.folders = {QStringLiteral("/picked"), std::nullopt};
    auto* browse = FindControl<QAbstractButton>(dialog->Page(OptionsPageDownloads), 1004);
    browse->click();
    EXPECT_EQ(Text(OptionsPageDownloads, 1003), QStringLiteral("/picked"));
    browse->click();
    EXPECT_EQ(Text(OptionsPageDownloads, 1003), QStringLiteral("/picked")) << "Cancel keeps the text";
    ASSERT_EQ(prompts.folderRequests.size(), 2);
    EXPECT_EQ(prompts.folderRequests[0].title, QStringLiteral("请选择下载位置"));
    EXPECT_EQ(prompts.folderRequests[0].initial, typed);
    EXPECT_TRUE(prompts.boxes.isEmpty()) << "nothing checked until the page is saved";
}

TEST_F(DownloadOptionPagesTest, TransferSizeListShowsThePrefixEntryAndStoresOnlyAPick)
{
    const struct
    {
        int32_t bytes;
        const char* shown;
    } kCases[] = {{4096, "4"}, {3072, "32"}, {4194304, "4096"}, {512, ""}};
    for (const auto& c : kCases) {
        settings.MaxTransferBufferSize = c.bytes;
        Open(OptionsPageDownloadsAdvanced);
        EXPECT_EQ(Text(OptionsPageDownloadsAdvanced, 1089), QString::fromUtf8(c.shown)) << c.bytes;
        EXPECT_TRUE(Ok());
        EXPECT_EQ(dialog->m_settings.MaxTransferBufferSize, c.bytes) << "a visit keeps it";
    }
    settings.UpdateDownloadStubEvery = 52428800;
    Open(OptionsPageDownloadsAdvanced);
    auto* list = Control<QComboBox>(OptionsPageDownloadsAdvanced, 1089);
    ASSERT_EQ(list->count(), 13);
    EXPECT_EQ(list->itemText(10), QStringLiteral("1024"));
    EXPECT_EQ(Text(OptionsPageDownloadsAdvanced, 1094), QStringLiteral("50"));
    list->setCurrentIndex(9);
    QTest::keyClick(list, Qt::Key_Down); // the user picks "1024"
    SetText(OptionsPageDownloadsAdvanced, 1094, QStringLiteral("0"));
    EXPECT_FALSE(Save(OptionsPageDownloadsAdvanced));
    EXPECT_EQ(TakeBoxes(), QStringList{QStringLiteral("请输入一个介于 1 和 1024 之间的值")});
    SetText(OptionsPageDownloadsAdvanced, 1094, QStringLiteral("1024"));
    ASSERT_TRUE(Save(OptionsPageDownloadsAdvanced));
    EXPECT_EQ(dialog->m_settings.MaxTransferBufferSize, 1048576);
    EXPECT_EQ(dialog->m_settings.UpdateDownloadStubEvery, 1073741824);
}

TEST_F(DownloadOptionPagesTest, SpeedLimiterTrackBarsClampAndTheirLabelsFollow)
{
    settings.HighSpeedDelay = 0;
    settings.MediumSpeedDelay = 5000;
    settings.LowSpeedDelay = 200;
    Open(OptionsPageSpeedLimiter);
    QWidget* page = dialog->Page(OptionsPageSpeedLimiter);
    EXPECT_FALSE(FindControl(page, 1104)->isEnabled());
    EXPECT_EQ(Control<QSlider>(OptionsPageSpeedLimiter, 1105)->value(), 1);
    EXPECT_EQ(Text(OptionsPageSpeedLimiter, 1108), QStringLiteral("1"));
    EXPECT_EQ(Text(OptionsPageSpeedLimiter, 1109), QStringLiteral("1500"));
    EXPECT_EQ(Text(OptionsPageSpeedLimiter, 1110), QStringLiteral("200"));
    auto* medium = Control<QSlider>(OptionsPageSpeedLimiter, 1106);
    medium->setSliderDown(true);
    medium->setSliderPosition(700); // while dragging
    EXPECT_EQ(Text(OptionsPageSpeedLimiter, 1109), QStringLiteral("700"));
    medium->setSliderDown(false);
    ASSERT_TRUE(Save(OptionsPageSpeedLimiter));
    EXPECT_EQ(dialog->m_settings.HighSpeedDelay, 1);
    EXPECT_EQ(dialog->m_settings.MediumSpeedDelay, 700);
    ClickSetDefault();
    EXPECT_EQ(Text(OptionsPageSpeedLimiter, 1108), QStringLiteral("50"));
    EXPECT_EQ(dialog->m_settings.MediumSpeedDelay, 100);
}

TEST_F(DownloadOptionPagesTest, SchedulerRefusesAStopNotAfterTheStartAndNow)
{
    now = At(2024, 3, 5, 9, 5, 30);
    settings.ScheduleAllItems = 1;
    settings.SchedulerStopAction = 1;
    const struct
    {
        SYSTEMTIME start;
        SYSTEMTIME stop;
    } kRefused[] = {
        {At(2024, 3, 5, 10, 0), At(2024, 3, 5, 10, 0)}, // the same moment
        {At(2024, 3, 5, 11, 0), At(2024, 3, 5, 10, 0)}, // before the start
        {At(2024, 3, 5, 8, 0), At(2024, 3, 5, 9, 5)},   // 09:05 is past at 09:05:30
    };
    for (const auto& c : kRefused) {
        SettingStore(settings.SchedulerOn, 1);
        settings.SchedulerStartTime = c.start;
        settings.SchedulerStopTime = c.stop;
        Open(OptionsPageScheduler);
        Control<QRadioButton>(OptionsPageScheduler, 1133)->click();
        EXPECT_FALSE(Save(OptionsPageScheduler));
        EXPECT_EQ(TakeBoxes(), QStringList{QStringLiteral("停止时间必须大于开始时间和当前时间。")});
        EXPECT_EQ(dialog->m_settings.ScheduleAllItems, 0) << "stored before the check";
        EXPECT_EQ(dialog->m_settings.SchedulerStopTime, c.stop);
    }

    settings.SchedulerStartTime = At(2024, 3, 10, 10, 0, 15); // a Sunday
    settings.SchedulerStopTime = At(2024, 3, 10, 23, 59);
    Open(OptionsPageScheduler);
    Control<QComboBox>(OptionsPageScheduler, 1154)->setCurrentIndex(FinishShutDown);
    ASSERT_TRUE(Save(OptionsPageScheduler));
    const SYSTEMTIME start = dialog->m_settings.SchedulerStartTime;
    EXPECT_EQ(start, At(2024, 3, 10, 10, 0));
    EXPECT_EQ(start.wDayOfWeek, 0);
    EXPECT_EQ(dialog->m_settings.SchedulerStopAction, FinishShutDown);
}

TEST_F(DownloadOptionPagesTest, SchedulerOffStoresOnlyTheSwitchAndTheAutoTurnOn)
{
    SettingStore(settings.SchedulerOn, 1);
    settings.SchedulerAutoTurnOn = 0;
    settings.ScheduleAllItems = 1;
    settings.SchedulerStopAction = 9; // no entry: the list shows none
    settings.SchedulerStartTime = At(2024, 3, 5, 10, 0);
    settings.SchedulerStopTime = At(2024, 3, 5, 10, 0);
    Open(OptionsPageScheduler);
    QWidget* page = dialog->Page(OptionsPageScheduler);
    EXPECT_EQ(Control<QComboBox>(OptionsPageScheduler, 1154)->currentIndex(), -1);
    EXPECT_EQ(Control<QComboBox>(OptionsPageScheduler, 1154)->itemText(3), QStringLiteral("切换到睡眠模式"));
    EXPECT_EQ(Control<QDateEdit>(OptionsPageScheduler, 1145)->date(), QDate(2024, 3, 5));
    EXPECT_EQ(Control<QTimeEdit>(OptionsPageScheduler, 1153)->time(), QTime(10, 0));
    Control<QCheckBox>(OptionsPageScheduler, 1141)->click();
    for (int id : {1132, 1133, 1156, 1142, 1143, 1159, 1157, 1145, 1153, 1155, 1154})
        EXPECT_FALSE(FindControl(page, id)->isEnabled()) << id;
    EXPECT_TRUE(FindControl(page, 1160)->isEnabled());
    Control<QCheckBox>(OptionsPageScheduler, 1160)->click();
    Control<QRadioButton>(OptionsPageScheduler, 1133)->setChecked(true);

    ASSERT_TRUE(Save(OptionsPageScheduler)) << "the times are not looked at";
    EXPECT_EQ(dialog->m_settings.SchedulerOn, 0);
    EXPECT_EQ(dialog->m_settings.SchedulerAutoTurnOn, 1);
    EXPECT_EQ(dialog->m_settings.ScheduleAllItems, 1);
    EXPECT_EQ(dialog->m_settings.SchedulerStopAction, 9);
    EXPECT_EQ(dialog->m_settings.SchedulerStopTime, At(2024, 3, 5, 10, 0));
}

TEST_F(DownloadOptionPagesTest, SpeedMeterFixedScaleIsCheckedOnlyWhenChosen)
{
    settings.SpeedMeterFixedMax = 0;
    settings.SpeedMeterMax = 104857600;
    Open(OptionsPageSpeedMeter);
    QWidget* page = dialog->Page(OptionsPageSpeedMeter);
    EXPECT_EQ(Text(OptionsPageSpeedMeter, 1042), QStringLiteral("100"));
    for (int id : {1042, 1186, 1188})
        EXPECT_FALSE(FindControl(page, id)->isEnabled()) << id;
    SetText(OptionsPageSpeedMeter, 1042, QStringLiteral("0"));
    ASSERT_TRUE(Save(OptionsPageSpeedMeter)) << "automatic ignores the number";
    EXPECT_EQ(dialog->m_settings.SpeedMeterMax, 104857600);

    Control<QRadioButton>(OptionsPageSpeedMeter, 1185)->click();
    for (int id : {1042, 1186, 1188})
        EXPECT_TRUE(FindControl(page, id)->isEnabled()) << id;
    EXPECT_FALSE(Save(OptionsPageSpeedMeter));
    EXPECT_EQ(TakeBoxes(), QStringList{QStringLiteral("请输入一个介于 1 和 1024 之间的值")});
    EXPECT_EQ(dialog->m_settings.SpeedMeterFixedMax, 0) << "neither is stored";

    SetText(OptionsPageSpeedMeter, 1042, QStringLiteral("1023"));
    auto* edit = Control<QLineEdit>(OptionsPageSpeedMeter, 1042);
    QTest::keyClick(edit, Qt::Key_Up);
    QTest::keyClick(edit, Qt::Key_Up);
    EXPECT_EQ(edit->text(), QStringLiteral("1024"));
    ASSERT_TRUE(Save(OptionsPageSpeedMeter));
    EXPECT_EQ(dialog->m_settings.SpeedMeterFixedMax, 1);
    EXPECT_EQ(dialog->m_settings.SpeedMeterMax, 1073741824);
}
