#include "ControlLookup.h"
#include "UiFixture.h"

#include "app/VandrelCore.h"
#include "app/gui/ShellIntegration.h"
#include "app/gui/SingleInstance.h"
#include "app/gui/VandrelApp.h"
#include "dialogs/OptionsDialog.h"
#include "dialogs/OptionsPageBase.h"
#include "engine/DownloadItem.h"
#include "engine/HttpDownloader.h"
#include "mainframe/CommandIds.h"
#include "mainframe/CommandTable.h"
#include "mainframe/MainFrame.h"
#include "platform/AutostartEntry.h"
#include "platform/BinaryWriter.h"
#include "support/ProfileFixture.h"
#include "support/QStringPrinter.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QLocale>
#include <QPushButton>
#include <QSettings>
#include <QTimer>

#include <memory>
#include <optional>

namespace {

SYSTEMTIME Time(int year, int month, int day, int hour, int minute)
{
    return SystemTimeFromDateTime(QDateTime(QDate(year, month, day), QTime(hour, minute)));
}

QByteArray HistoryFile(uint32_t capacity, const QStringList& texts)
{
    BinaryWriter writer;
    writer.writeBytes(QByteArray("VRH\0", 4));
    writer.writeUInt32(capacity);
    for (const QString& text : texts) {
        writer.writeSystemTime(Time(2023, 1, 2, 3, 4));
        writer.writeString(text);
    }
    return writer.data();
}

class AppTest : public UiFixture
{
protected:
    ~AppTest() override { app.reset(); }

    CMainFrame* Frame() const { return app->GetMainFrame(); }

    // The Exit command through the event loop, then the exit hook.
    void ExitThroughTheCommand()
    {
        EXPECT_EQ(RunEventLoop([this] { Frame()->Commands().Dispatch(ID_APP_EXIT); }), 0);
        RunDeferredDeletes();
        EXPECT_FALSE(Frame());
        EXPECT_EQ(app->ExitInstance(), 0);
    }

    static QString HistoryPath() { return DataFolder() + QStringLiteral("/UrlsHistory.vrh"); }

    std::unique_ptr<CVandrelApp> app = std::make_unique<CVandrelApp>();
};

} // namespace

TEST_F(AppTest, SettingsHistoriesAndLayoutAreWrittenOnlyAtExitAndTheLockGoesLast)
{
    ASSERT_TRUE(app->InitInstance(AppModeNone));
    EXPECT_TRUE(Frame()->isVisible());
    EXPECT_FALSE(QFile::exists(IniPath()));
    CSingleInstance other;
    EXPECT_EQ(other.TryLock(), ExclusiveFileLock::Result::HeldElsewhere);

    ExitThroughTheCommand();
    EXPECT_TRUE(prompts.boxes.isEmpty());
    QSettings ini(IniPath(), QSettings::IniFormat);
    EXPECT_EQ(ini.value("Settings/ConfirmExit").toInt(), 1);
    EXPECT_EQ(ini.value("Settings/Columns").toByteArray().size(), 208);
    EXPECT_EQ(ini.value("Settings/ToolBar").toByteArray().size(), 984);
    EXPECT_EQ(ini.value("Settings/WindowPlacement/MainWindowRect").toByteArray().size(), 16);
    EXPECT_FALSE(ini.value("Settings/DockState/State").toByteArray().isEmpty());
    EXPECT_TRUE(QFile::exists(HistoryPath()));
    EXPECT_TRUE(QFile::exists(DataFolder() + QStringLiteral("/DownloadLocations.vrh")));
    EXPECT_EQ(other.TryLock(), ExclusiveFileLock::Result::Locked);
}

TEST_F(AppTest, ASecondInstanceShowsTheFirstWindowAndSavesNothing)
{
    ASSERT_TRUE(app->InitInstance(AppModeAutorun));
    EXPECT_FALSE(Frame()->isVisible());
    EXPECT_TRUE(tray.shown);
    {
        CVandrelApp second;
        EXPECT_FALSE(second.InitInstance(AppModeNone));
        EXPECT_TRUE(second.IsSecondInstance());
        EXPECT_EQ(second.ExitInstance(), 0);
    }
    EXPECT_TRUE(WaitFor([this] { return Frame()->isVisible(); }));
    EXPECT_FALSE(QFile::exists(IniPath()));
}

// What a dead owner leaves at the lock's path never ends a start silently: a
// file is taken over, anything else that cannot be locked is explained.
TEST_F(AppTest, ALockNobodyHoldsIsTakenOverAndAnUnusablePathIsExplained)
{
    const QString lockPath = CSingleInstance::LockPath();
    {
        SCOPED_TRACE("a lock file written under another host name by a process that has ended");
        QFile stale(lockPath);
        ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
        stale.write("4242\nvandrel\nrenamed-host\n");
        stale.close();
        ASSERT_TRUE(app->InitInstance(AppModeNone));
        EXPECT_TRUE(Frame()->isVisible());
        EXPECT_TRUE(prompts.boxes.isEmpty());
        ExitThroughTheCommand();
        EXPECT_FALSE(QFile::exists(lockPath)) << "removed at exit";
    }
    SCOPED_TRACE("a folder at the lock's path");
    ASSERT_TRUE(QDir().mkdir(lockPath));
    CVandrelApp blocked;
    EXPECT_FALSE(blocked.InitInstance(AppModeNone));
    EXPECT_FALSE(blocked.GetMainFrame());
    ASSERT_EQ(prompts.boxes.size(), 1);
    EXPECT_TRUE(prompts.boxes[0].text.contains(lockPath)) << prompts.boxes[0].text.toStdString();
    EXPECT_EQ(prompts.boxes[0].flags, MB_OK | MB_ICONERROR);
    EXPECT_NE(blocked.ExitInstance(), 0);
    EXPECT_TRUE(QDir().rmdir(lockPath));
}

// A window hidden where no tray could bring it back would be lost: the start
// at login is then a plain one, maximised as the window was left.
TEST_F(AppTest, AutorunWithoutATrayShowsTheWindowAsAPlainStartDoes)
{
    WriteIniFixture(IniPath(), [](QSettings& ini) {
        ini.setValue("Settings/WindowPlacement/MainWindowRect",
                     QByteArray::fromHex("64000000" "64000000" "84030000" "bc020000"));
        ini.setValue("Settings/WindowPlacement/ShowCmd", 3);
    });
    tray.available = false;
    ASSERT_TRUE(app->InitInstance(AppModeAutorun));
    EXPECT_TRUE(Frame()->isVisible());
    EXPECT_FALSE(Frame()->isMinimized());
    EXPECT_TRUE(Frame()->isMaximized());
    ExitThroughTheCommand();
}

TEST_F(AppTest, TheSocketsExitClosesTheConnectionOnlyWhenDeclined)
{
    ASSERT_TRUE(app->InitInstance(AppModeNone));
    CDownloadItem* running = AddRow(*Frame(), true);
    prompts.answers = {IDNO, IDYES};
    QLocalSocket declined;
    declined.connectToServer(CSingleInstance::SocketPath());
    ASSERT_TRUE(declined.waitForConnected(1000));
    declined.write("EXIT\n");
    EXPECT_TRUE(WaitFor([&] { return declined.state() == QLocalSocket::UnconnectedState; }));
    EXPECT_EQ(prompts.boxes.size(), 1);
    ASSERT_TRUE(Frame());

    onSleep = [running] { running->m_pDownloader->m_bIsRunning = 0; };
    QLocalSocket accepted;
    accepted.connectToServer(CSingleInstance::SocketPath());
    ASSERT_TRUE(accepted.waitForConnected(1000));
    accepted.write("EXIT\n");
    EXPECT_TRUE(WaitFor([this] {
        RunDeferredDeletes();
        return !Frame();
    }));
    EXPECT_EQ(app->ExitInstance(), 0);
    EXPECT_TRUE(QFile::exists(IniPath()));
    QCoreApplication::processEvents();
    EXPECT_EQ(accepted.state(), QLocalSocket::ConnectedState) << "open until the process ends";
}

TEST_F(AppTest, SchedulerAutoTurnOnMovesTheScheduleToTodayWithinADay)
{
    const struct
    {
        SYSTEMTIME start, stop, today, expectedStart, expectedStop;
    } cases[] = {
        {Time(2020, 1, 1, 8, 30), Time(2020, 1, 1, 17, 0), Time(2024, 3, 5, 9, 0), Time(2024, 3, 5, 8, 30),
         Time(2024, 3, 5, 17, 0)},
        {Time(2020, 1, 1, 22, 0), Time(2020, 1, 2, 6, 0), Time(2024, 2, 28, 9, 0), Time(2024, 2, 28, 22, 0),
         Time(2024, 2, 29, 6, 0)},
        // Spans of several days shrink to the start's day, or the next one when overnight.
        {Time(2020, 1, 1, 22, 0), Time(2020, 1, 3, 6, 0), Time(2024, 2, 28, 9, 0), Time(2024, 2, 28, 22, 0),
         Time(2024, 2, 29, 6, 0)},
        {Time(2020, 1, 1, 8, 30), Time(2020, 1, 5, 17, 0), Time(2024, 12, 31, 9, 0), Time(2024, 12, 31, 8, 30),
         Time(2024, 12, 31, 17, 0)},
        {Time(2020, 1, 1, 8, 30), Time(2020, 1, 3, 8, 30), Time(2024, 12, 31, 9, 0), Time(2024, 12, 31, 8, 30),
         Time(2025, 1, 1, 8, 30)},
        {Time(2020, 1, 2, 6, 0), Time(2020, 1, 1, 22, 0), Time(2024, 3, 5, 9, 0), Time(2024, 3, 5, 6, 0),
         Time(2024, 3, 5, 22, 0)},
        {SYSTEMTIME{}, Time(2020, 1, 1, 17, 0), Time(2024, 3, 5, 9, 0), Time(2024, 3, 5, 0, 0),
         Time(2024, 3, 5, 17, 0)},
    };
    CAppSettings settings;
    for (const auto& test : cases) {
        settings.SchedulerStartTime = test.start;
        settings.SchedulerStopTime = test.stop;
        CVandrelApp::MoveScheduleToToday(settings, test.today);
        EXPECT_EQ(settings.SchedulerStartTime, test.expectedStart) << test.start.wHour;
        EXPECT_EQ(settings.SchedulerStopTime, test.expectedStop) << test.start.wHour;
    }
}

TEST_F(AppTest, StartUpTurnsTheSchedulerOnWithSchedulerAutoTurnOn)
{
    WriteIniFixture(IniPath(), [](QSettings& ini) {
        QByteArray start;
        AppendSystemTime(start, Time(2020, 1, 1, 8, 30));
        ini.setValue("Settings/SchedulerAutoTurnOn", 1);
        ini.setValue("Settings/SchedulerStartTime", start);
    });
    ASSERT_TRUE(app->InitInstance(AppModeNone));
    const CAppSettings& settings = AppCore().m_settings;
    EXPECT_EQ(settings.SchedulerOn, 1);
    EXPECT_EQ(settings.SchedulerStartTime, Time(2024, 3, 5, 8, 30));
    EXPECT_TRUE(Frame()->SchedulerTimer().isActive());
}

TEST_F(AppTest, HistoriesAreSizedFromTheSettingsANegativeSizeCountingAsNone)
{
    const QStringList urls = {QStringLiteral("http://a/1"), QStringLiteral("http://a/2"), QStringLiteral("http://a/3")};
    const struct
    {
        int size;
        QByteArray saved;
    } cases[] = {{2, HistoryFile(2, urls.mid(0, 2))}, {-1, HistoryFile(0, {})}};
    for (const auto& test : cases) {
        UseFreshConfigHome();
        WriteIniFixture(IniPath(), [&](QSettings& ini) { ini.setValue("Settings/URLsHistorySize", test.size); });
        QDir().mkpath(DataFolder());
        QFile file(HistoryPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(HistoryFile(3, urls));
        file.close();

        app = std::make_unique<CVandrelApp>();
        ASSERT_TRUE(app->InitInstance(AppModeNone));
        ExitThroughTheCommand();
        EXPECT_EQ(ReadFileBytes(HistoryPath()).toHex(), test.saved.toHex()) << test.size;
    }
}

TEST_F(AppTest, TheDataUsageBoxShowsTheCounterAndResetsItOnlyOnTheResetButton)
{
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    CAppSettings& settings = AppCore().m_settings;
    settings.DataUsage = 1536;
    settings.DataUsageReset = Time(2024, 3, 5, 10, 0);
    app->ShowDataUsageDialog();
    ASSERT_EQ(prompts.boxes.size(), 1);
    const TaskDialogSpec& box = prompts.boxes[0].task;
    EXPECT_EQ(box.title, QStringLiteral("Vandrel"));
    EXPECT_EQ(box.mainInstruction, QStringLiteral("数据使用"));
    EXPECT_EQ(box.content, QStringLiteral("自 ") + QLocale().toString(QDate(2024, 3, 5), QLocale::LongFormat)
                               + QStringLiteral(" 使用以来共计 1.50 KB"));
    EXPECT_EQ(box.icon, PromptIcon::Resource);
    EXPECT_EQ(box.iconResource, 441);
    EXPECT_EQ(box.commonButtons, TDCBF_CLOSE_BUTTON);
    EXPECT_EQ(box.defaultButton, IDCLOSE);
    EXPECT_TRUE(box.allowCancellation);
    ASSERT_EQ(box.customButtons.size(), 1);
    EXPECT_EQ(box.customButtons[0].second, QStringLiteral("重置使用统计"));
    EXPECT_EQ(settings.DataUsage, 1536u) << "closed: unchanged";

    now = Time(2024, 6, 7, 8, 9);
    prompts.answers = {box.customButtons[0].first};
    app->ShowDataUsageDialog();
    EXPECT_EQ(settings.DataUsage, 0u);
    EXPECT_EQ(settings.DataUsageReset, now);
    QLocale::setDefault(QLocale::c());
}

TEST_F(AppTest, OptionsOkKeepsTheLiveDataUsageAndAppliesTheCopyWhileCancelChangesNothing)
{
    ASSERT_TRUE(app->InitInstance(AppModeNone));
    CVandrelCore& core = AppCore();
    core.m_settings.DataUsage = 500;
    const auto runOptions = [this](bool accept) {
        QTimer::singleShot(0, [this, accept] {
            auto* dialog = qobject_cast<COptionsDialog*>(QApplication::activeModalWidget());
            ASSERT_TRUE(dialog);
            AppCore().AddDataUsage(1000); // a transfer ends while the dialog is open
            dialog->m_settings.URLsHistorySize = 7;
            SettingStore(dialog->m_settings.SchedulerOn, 1);
            app->ShowOptionsDialog(0); // the tray's Options meanwhile: no second dialog
            app->ShowDataUsageDialog();
            accept ? dialog->accept() : dialog->reject();
        });
        app->ShowOptionsDialog(0);
    };
    runOptions(false);
    EXPECT_EQ(core.m_settings.DataUsage, 1500u);
    EXPECT_EQ(core.m_settings.URLsHistorySize, 100);
    EXPECT_FALSE(Frame()->SchedulerTimer().isActive());

    runOptions(true);
    EXPECT_TRUE(prompts.boxes.isEmpty()) << "no data-usage box over the options";
    EXPECT_EQ(core.m_settings.DataUsage, 2500u);
    EXPECT_EQ(core.m_settings.URLsHistorySize, 7);
    EXPECT_EQ(core.m_urlsHistory.GetSize(), 7);
    EXPECT_TRUE(Frame()->SchedulerTimer().isActive()) << "ApplySettings ran";
}

TEST_F(AppTest, OptionsOkStoresWhatTheUserChangedAndKeepsWhatTheProgramChangedMeanwhile)
{
    ASSERT_TRUE(app->InitInstance(AppModeNone));
    CVandrelCore& core = AppCore();
    SettingStore(core.m_settings.URLMonitor, 1);
    SettingStore(core.m_settings.SchedulerOn, 1);
    SettingStore(core.m_settings.MinimizeToTray, 1);
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<COptionsDialog*>(QApplication::activeModalWidget());
        ASSERT_TRUE(dialog);
        FindControl<QCheckBox>(dialog->Page(OptionsPageGeneral), 1063)->setChecked(false);
        SettingStore(AppCore().m_settings.URLMonitor, 0);  // toggled from the tray
        SettingStore(AppCore().m_settings.SchedulerOn, 0); // the scheduler stopped itself
        FindControl<QPushButton>(dialog, IDOK)->click();
    });
    app->ShowOptionsDialog(OptionsPageGeneral);
    EXPECT_EQ(core.m_settings.MinimizeToTray, 0);
    EXPECT_EQ(core.m_settings.URLMonitor, 0);
    EXPECT_EQ(core.m_settings.SchedulerOn, 0);
    EXPECT_FALSE(Frame()->SchedulerTimer().isActive()) << "not revived";
}

TEST_F(AppTest, StartAtLoginShowsWhetherTheAutostartEntryIsThereAndTickingItWritesTheEntry)
{
    ASSERT_TRUE(app->InitInstance(AppModeNone));
    ASSERT_EQ(AppCore().m_settings.LaunchAtStartup, 1) << "the factory value";
    const QString entry = AutostartEntryPath(QStringLiteral("Vandrel"));
    // Opens the options, takes what the box shows, ticks or unticks it when asked, then OK.
    const auto runOptions = [this](std::optional<bool> launchAtStartup) {
        bool shown = false;
        QTimer::singleShot(0, [&shown, launchAtStartup] {
            auto* dialog = qobject_cast<COptionsDialog*>(QApplication::activeModalWidget());
            ASSERT_TRUE(dialog);
            auto* box = FindControl<QCheckBox>(dialog->Page(OptionsPageGeneral), 1062);
            shown = box->isChecked();
            if (launchAtStartup)
                box->setChecked(*launchAtStartup);
            FindControl<QPushButton>(dialog, IDOK)->click();
        });
        app->ShowOptionsDialog(OptionsPageGeneral);
        return shown;
    };
    EXPECT_FALSE(runOptions(std::nullopt)) << "a fresh profile has no entry";
    EXPECT_FALSE(QFileInfo::exists(entry));
    EXPECT_EQ(AppCore().m_settings.LaunchAtStartup, 1) << "the stored value stays";

    EXPECT_FALSE(runOptions(true));
    EXPECT_TRUE(QFileInfo::exists(entry));
    EXPECT_TRUE(runOptions(std::nullopt));
    ASSERT_TRUE(QFile::remove(entry));
    EXPECT_FALSE(runOptions(std::nullopt)) << "removed outside the program";
    EXPECT_FALSE(QFileInfo::exists(entry)) << "unchanged: the entry is left alone";

    SettingStore(AppCore().m_settings.LaunchAtStartup, 0);
    ASSERT_TRUE(SetAutoStart(true)); // as the Install mode writes it
    EXPECT_TRUE(runOptions(false)) << "the entry shows, whatever was stored";
    EXPECT_FALSE(QFileInfo::exists(entry));
    EXPECT_EQ(AppCore().m_settings.LaunchAtStartup, 0);
}
