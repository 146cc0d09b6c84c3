#include "UiFixture.h"

#include "app/VandrelCore.h"
#include "app/gui/UiServices.h"
#include "engine/DownloadItem.h"
#include "engine/HttpDownloader.h"
#include "mainframe/DownloadsView.h"
#include "mainframe/MainFrame.h"
#include "platform/Profile.h"
#include "support/ProfileFixture.h"
#include "support/TestEnvironment.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QTest>
#include <QTimer>

UiFixture::UiFixture()
{
    UseFreshConfigHome();
    QDir(DataFolder()).removeRecursively();
    QApplication::setQuitOnLastWindowClosed(false);
    now = SystemTimeFromDateTime(QDateTime(QDate(2024, 3, 5), QTime(9, 5)));
    UiServices& services = Ui();
    services.tray = &tray;
    services.notifier = &notifier;
    services.power = &power;
    services.sleepMs = [this](int ms) {
        sleeps << ms;
        if (onSleep)
            onSleep();
    };
    services.exitWaitMs = services.sleepMs;
    services.nowLocal = [this] { return now; };
    services.ownProcessIsForeground = [this] { return foregroundIsOurs; };
    services.currentModifiers = [this] { return modifiers; };
    services.endEventLoop = [this](int code) {
        if (m_loop)
            m_loop->exit(code);
    };
    CVandrelCore& core = AppCore();
    core.m_settings.Load();
    SettingStore(core.m_settings.SchedulerOn, 0);
    SettingStore(core.m_settings.AllDoneAction, 0);
    core.m_urlsHistory.SetCapacity(0);
    core.m_downloadLocationsHistory.SetCapacity(0);
}

UiFixture::~UiFixture()
{
    RunDeferredDeletes();
    Ui() = UiServices();
}

QString UiFixture::IniPath()
{
    return CProfile::DefaultFilePath();
}

QString UiFixture::DataFolder()
{
    return TestEnvironment::dataHome() + QStringLiteral("/Vandrel");
}

namespace {

constexpr int kLoopGuardMs = 20000;
constexpr int kWaitMs = 5000;

} // namespace

int UiFixture::RunEventLoop(const std::function<void()>& start)
{
    QEventLoop loop;
    m_loop = &loop;
    QTimer::singleShot(0, start);
    QTimer::singleShot(kLoopGuardMs, &loop, [&loop] { loop.exit(-1); });
    const int code = loop.exec();
    m_loop = nullptr;
    return code;
}

bool UiFixture::WaitFor(const std::function<bool()>& condition)
{
    QDeadlineTimer deadline(kWaitMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QTest::qWait(10);
    }
    return true;
}

CDownloadItem* UiFixture::AddRow(CMainFrame& frame, bool running, bool queued)
{
    auto* item = new CDownloadItem;
    item->m_pDownloader = new CHttpDownloader(u"http://127.0.0.1:9/file.bin", TestEnvironment::root(), item);
    item->m_pDownloader->m_bIsRunning = running ? 1 : 0;
    item->SetQueued(queued);
    frame.View()->AddItem(item);
    return item;
}

QWidget* UiFixture::TopLevel(const QString& name)
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == name)
            return widget;
    }
    return nullptr;
}

void UiFixture::RunDeferredDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
