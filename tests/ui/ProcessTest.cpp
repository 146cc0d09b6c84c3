// The program itself, run as a child process in a private environment of its
// own: its own HOME and XDG folders, the offscreen platform, no bus. Its
// command-line modes run headless.
#include "UiFixture.h"

#include "app/gui/VandrelApp.h"
#include "dialogs/OptionsDialog.h"
#include "support/ForeignUser.h"
#include "support/PollUntil.h"
#include "support/ProfileFixture.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTimer>

#include <csignal>
#include <sys/stat.h>

namespace {

constexpr int kStartMs = 10000;
constexpr int kExitMs = 20000;
constexpr int kIconSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

const QByteArray kMimePackage = R"(<?xml version="1.0" encoding="UTF-8"?>
<mime-info xmlns="http://www.freedesktop.org/standards/shared-mime-info">
  <mime-type type="application/x-vandrel-document">
    <comment>Vandrel.Document</comment>
    <icon name="application-x-vandrel-document"/>
    <glob pattern="*.vrldownload"/>
    <glob pattern="*.vrl"/>
    <glob pattern="*.vrh"/>
  </mime-type>
</mime-info>
)";

// A test root's XDG folders.
struct XdgFolder
{
    const char* variable;
    const char* folder;
};
constexpr XdgFolder kXdgFolders[] = {
    {"XDG_CONFIG_HOME", "/config"}, {"XDG_DATA_HOME", "/data"}, {"XDG_RUNTIME_DIR", "/runtime"}};

// Names the root of the test that runs this binary again as a running instance.
constexpr char kInstanceRootVariable[] = "VANDREL_TEST_INSTANCE_ROOT";
const QString kInstanceChildTest = QStringLiteral("InstanceChild.KeepsItsOptionsDialogOpenUntilAnExitRequestClosesIt");

QString OptionsOpenMarker(const QString& root)
{
    return root + QStringLiteral("/options-open");
}

QByteArray AutostartEntry(const QString& exec)
{
    return "[Desktop Entry]\nType=Application\nName=Vandrel\nExec=" + exec.toUtf8() + " -Autorun\nTerminal=false\n";
}

QString IconFile(int size)
{
    return QStringLiteral("data/icons/hicolor/%1x%1/mimetypes/application-x-vandrel-document.png").arg(size);
}

bool HasTool(const char* name)
{
    return !QStandardPaths::findExecutable(QLatin1String(name)).isEmpty();
}

class InstanceChild : public UiFixture
{
};

class ProgramTest : public testing::Test
{
protected:
    ProgramTest()
    {
        static int counter = 0;
        m_root = TestEnvironment::root() + QStringLiteral("/program-%1").arg(++counter);
        for (const char* folder : {"", "/home", "/config", "/data", "/runtime"})
            ::mkdir(QFile::encodeName(m_root + QLatin1String(folder)).constData(), 0700);
    }

    QProcessEnvironment Environment(bool display = true) const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("HOME"), m_root + QStringLiteral("/home"));
        for (const XdgFolder& xdg : kXdgFolders)
            environment.insert(QLatin1String(xdg.variable), m_root + QLatin1String(xdg.folder));
        for (const char* variable : {"DISPLAY", "WAYLAND_DISPLAY"})
            environment.remove(QLatin1String(variable));
        if (!display)
            environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        return environment;
    }

    void Start(QProcess& process, const QStringList& arguments = {}, bool display = true) const
    {
        StartIn(process, Environment(display), arguments);
    }
    static void StartIn(QProcess& process, const QProcessEnvironment& environment, const QStringList& arguments = {})
    {
        process.setProcessEnvironment(environment);
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(ProgramPath(), arguments);
        ASSERT_TRUE(process.waitForStarted(kStartMs)) << process.errorString().toStdString();
    }

    // This test binary as a running instance that holds its options dialog open.
    void StartInstanceChild(QProcess& process) const
    {
        QProcessEnvironment environment = Environment();
        environment.insert(QLatin1String(kInstanceRootVariable), m_root);
        process.setProcessEnvironment(environment);
        process.setProcessChannelMode(QProcess::ForwardedChannels);
        process.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=") + kInstanceChildTest});
        ASSERT_TRUE(process.waitForStarted(kStartMs)) << process.errorString().toStdString();
    }

    QProcessEnvironment CacheEnvironment() const
    {
        QProcessEnvironment environment = Environment();
        environment.insert(QStringLiteral("XDG_CACHE_HOME"), Path(QStringLiteral("cache")));
        return environment;
    }

    // A first start listens in the cache home's private folder, a second one
    // finds it there and hands over.
    void ExpectOneInstanceInTheCacheHome(const QProcessEnvironment& environment) const
    {
        const QString folder = Path(QStringLiteral("cache/Vandrel"));
        QProcess first;
        StartIn(first, environment);
        ASSERT_TRUE(WaitForFile(folder + QStringLiteral("/Orlmark_Vandrel_WndClass.socket")));
        EXPECT_EQ(FileMode(folder), 0700);
        EXPECT_TRUE(QFileInfo::exists(folder + QStringLiteral("/Orlmark_Vandrel_MultiInst_Mutex.lock")));
        QProcess second;
        StartIn(second, environment);
        ASSERT_TRUE(second.waitForFinished(kExitMs));
        EXPECT_EQ(second.exitCode(), 0) << "handed over";
        EXPECT_EQ(first.state(), QProcess::Running);
        Terminate(first);
    }

    static bool WaitForFile(const QString& path)
    {
        return PollUntil([&] { return QFileInfo::exists(path); }, kStartMs);
    }

    // The first instance listens once its window exists.
    bool WaitUntilListening() const { return WaitForFile(SocketPath()); }

    static void Terminate(QProcess& process)
    {
        ::kill(pid_t(process.processId()), SIGTERM);
        ASSERT_TRUE(process.waitForFinished(kExitMs));
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(process.exitCode(), 0);
    }

    // Runs the program headless to its end; its exit code, -1 when it crashed or hung.
    int Run(const QStringList& arguments, const QString& program = {}) const
    {
        QProcess process;
        process.setProcessEnvironment(Environment(false));
        process.setProcessChannelMode(QProcess::ForwardedChannels);
        process.start(program.isEmpty() ? ProgramPath() : program, arguments);
        if (!process.waitForFinished(kExitMs) || process.exitStatus() != QProcess::NormalExit)
            return -1;
        return process.exitCode();
    }

    // Every file and link below the root, relative to it, sorted; update-mime-database's
    // own output (everything in data/mime but the packages) left out.
    QStringList Files() const
    {
        QStringList files;
        QDirIterator it(m_root, QDir::Files | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString file = QDir(m_root).relativeFilePath(it.next());
            if (!file.startsWith(QLatin1String("data/mime/")) || file.startsWith(QLatin1String("data/mime/packages/")))
                files.append(file);
        }
        files.sort();
        return files;
    }

    void WriteFile(const QString& relative, const QByteArray& data) const
    {
        ASSERT_TRUE(QDir().mkpath(QFileInfo(Path(relative)).path()));
        QFile file(Path(relative));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(data);
    }

    QByteArray Globs() const { return ReadFileBytes(Path(QStringLiteral("data/mime/globs2"))); }

    static QString ProgramPath() { return QCoreApplication::applicationDirPath() + QStringLiteral("/vandrel"); }
    QString Path(const QString& relative) const { return m_root + u'/' + relative; }
    QString AutostartPath() const { return Path(QStringLiteral("config/autostart/Vandrel.desktop")); }
    QString PackagePath() const { return Path(QStringLiteral("data/mime/packages/Vandrel.Document.xml")); }
    QString SocketPath() const { return m_root + QStringLiteral("/runtime/Orlmark_Vandrel_WndClass.socket"); }
    QString IniPath() const { return m_root + QStringLiteral("/config/Orlmark/Vandrel/4.3.ini"); }
    QString DataFolder() const { return m_root + QStringLiteral("/data/Vandrel"); }

    QString m_root;
};

} // namespace

TEST_F(ProgramTest, SigtermExitsInOrderAndWritesTheSettingsHistoriesAndLayout)
{
    QProcess program;
    Start(program);
    ASSERT_TRUE(WaitUntilListening());
    EXPECT_FALSE(QFileInfo::exists(IniPath())) << "settings are written at exit only";
    Terminate(program);

    const QSettings ini(IniPath(), QSettings::IniFormat);
    EXPECT_EQ(ini.value("Settings/MaxAttempts").toInt(), 3);
    EXPECT_EQ(ini.value("Settings/Columns").toByteArray().size(), 208);
    EXPECT_EQ(ini.value("Settings/ToolBar").toByteArray().size(), 984);
    EXPECT_FALSE(ini.value("Settings/DockState/State").toByteArray().isEmpty());
    EXPECT_EQ(ini.value("Settings/DockState/StatusBar").toInt(), 1);
    EXPECT_EQ(ini.value("Settings/WindowPlacement/MainWindowRect").toByteArray().size(), 16);
    EXPECT_EQ(ini.value("Settings/WindowPlacement/ShowCmd").toInt(), 1);
    EXPECT_TRUE(QFileInfo::exists(DataFolder() + QStringLiteral("/UrlsHistory.vrh")));
    EXPECT_TRUE(QFileInfo::exists(DataFolder() + QStringLiteral("/DownloadLocations.vrh")));
    EXPECT_FALSE(QFileInfo::exists(SocketPath()));
}

TEST_F(ProgramTest, ASecondStartHandsOverAndEndsWhileTheFirstKeepsRunning)
{
    QProcess first;
    Start(first);
    ASSERT_TRUE(WaitUntilListening());
    QProcess second;
    Start(second);
    ASSERT_TRUE(second.waitForFinished(kExitMs));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(first.state(), QProcess::Running);
    EXPECT_FALSE(QFileInfo::exists(IniPath())) << "the second instance saved nothing";
    Terminate(first);
    EXPECT_TRUE(QFileInfo::exists(IniPath()));
}

TEST_F(ProgramTest, ALockFileLeftByAnEndedInstanceOnAnotherHostDoesNotStopTheStart)
{
    WriteFile(QStringLiteral("runtime/Orlmark_Vandrel_MultiInst_Mutex.lock"), "4242\nvandrel\nrenamed-host\n");
    QProcess program;
    Start(program);
    ASSERT_TRUE(WaitUntilListening()) << "started as the only instance";
    Terminate(program);
    EXPECT_TRUE(QFileInfo::exists(IniPath()));
}

// Without a runtime folder of the user's own (su, ssh -X, some display
// managers) the lock and the socket go to a private folder in the cache home,
// where a second start finds them.
TEST_F(ProgramTest, WithoutARuntimeFolderTheInstanceLivesInTheCacheHome)
{
    QProcessEnvironment environment = CacheEnvironment();
    environment.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    ExpectOneInstanceInTheCacheHome(environment);
}

// Someone else may have made the folder first.
TEST_F(ProgramTest, ARuntimeFolderSomeoneElseOwnsIsNotUsed)
{
    ForeignUser other;
    const QString foreign = Path(QStringLiteral("runtime-of-another"));
    ASSERT_EQ(::mkdir(QFile::encodeName(foreign).constData(), 0700), 0);
    if (!other.give(foreign))
        GTEST_SKIP() << other.whyNot().toStdString();
    QProcessEnvironment environment = CacheEnvironment();
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), foreign);
    ExpectOneInstanceInTheCacheHome(environment);
    EXPECT_TRUE(QDir(foreign).isEmpty());
}

TEST_F(ProgramTest, AWorkModeNeedsNoDisplayAndTouchesNothing)
{
    const QString fixture = QStringLiteral("[Settings]\nMaxAttempts=7\n");
    QDir().mkpath(QFileInfo(IniPath()).path());
    QFile ini(IniPath());
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write(fixture.toUtf8());
    ini.close();
    const QDateTime modified = QFileInfo(IniPath()).lastModified();

    QProcess program;
    Start(program, {QStringLiteral("-EnableShellIntegration")}, false);
    ASSERT_TRUE(program.waitForFinished(kExitMs));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
    EXPECT_EQ(ReadFileBytes(IniPath()), fixture.toUtf8());
    EXPECT_EQ(QFileInfo(IniPath()).lastModified(), modified);
    EXPECT_FALSE(QFileInfo::exists(DataFolder()));
    EXPECT_TRUE(QDir(m_root + QStringLiteral("/runtime")).isEmpty()) << "no lock, no socket";
}

TEST_F(ProgramTest, InstallWritesTheAutostartEntryAndTheFileTypeWithItsIconsAndNothingElse)
{
    // The last switch wins: no uninstall runs, the settings stay.
    WriteFile(QStringLiteral("config/Orlmark/Vandrel/4.3.ini"), "[Settings]\nMaxAttempts=7\n");
    ASSERT_EQ(Run({QStringLiteral("-Uninstall"), QStringLiteral("/INSTALL")}), 0);

    const QString program = QFileInfo(ProgramPath()).canonicalFilePath();
    EXPECT_EQ(ReadFileBytes(AutostartPath()), AutostartEntry(program));
    EXPECT_EQ(ReadFileBytes(PackagePath()), kMimePackage);
    QStringList expected = {QStringLiteral("config/Orlmark/Vandrel/4.3.ini"),
                            QStringLiteral("config/autostart/Vandrel.desktop"),
                            QStringLiteral("data/mime/packages/Vandrel.Document.xml")};
    for (const int size : kIconSizes) {
        const QImage icon(Path(IconFile(size)), "PNG");
        EXPECT_EQ(icon.size(), QSize(size, size)) << size;
        EXPECT_TRUE(icon.hasAlphaChannel());
        expected.append(IconFile(size));
    }
    expected.sort();
    EXPECT_EQ(Files(), expected) << "no lock, no socket, no settings or data written";

    if (HasTool("update-mime-database")) {
        for (const char* glob : {"*.vrldownload", "*.vrl", "*.vrh"})
            EXPECT_TRUE(Globs().contains(QByteArray("application/x-vandrel-document:") + glob)) << glob;
    }
    if (HasTool("desktop-file-validate")) {
        EXPECT_EQ(QProcess::execute(QStringLiteral("desktop-file-validate"), {AutostartPath()}), 0);
    }
}

TEST_F(ProgramTest, TheAutostartEntryQuotesAProgramPathWithReservedCharacters)
{
    const struct
    {
        const char* folder;
        QString exec; // %1: the root
    } cases[] = {
        {"t x", QStringLiteral(R"("%1/t x/vandrel")")},
        {"a$b", QStringLiteral(R"("%1/a\\$b/vandrel")")},
    };
    for (const auto& test : cases) {
        const QString copy = Path(QLatin1String(test.folder) + QStringLiteral("/vandrel"));
        ASSERT_TRUE(QDir().mkpath(QFileInfo(copy).path()));
        ASSERT_TRUE(QFile::copy(ProgramPath(), copy));
        ASSERT_EQ(Run({QStringLiteral("-Install")}, copy), 0) << test.folder;
        EXPECT_EQ(ReadFileBytes(AutostartPath()), AutostartEntry(test.exec.arg(m_root))) << test.folder;
        if (HasTool("desktop-file-validate")) {
            EXPECT_EQ(QProcess::execute(QStringLiteral("desktop-file-validate"), {AutostartPath()}), 0);
        }
        QFile::remove(copy);
    }
}

TEST_F(ProgramTest, DisableShellIntegrationRemovesTheFileTypeAlone)
{
    ASSERT_EQ(Run({QStringLiteral("-Install")}), 0);
    WriteFile(QStringLiteral("config/Orlmark/Vandrel/4.3.ini"), "[Settings]\nMaxAttempts=7\n");
    ASSERT_EQ(Run({QStringLiteral("-disableshellintegration")}), 0);
    EXPECT_EQ(Files(), QStringList({QStringLiteral("config/Orlmark/Vandrel/4.3.ini"),
                                    QStringLiteral("config/autostart/Vandrel.desktop")}));
    if (HasTool("update-mime-database")) {
        EXPECT_FALSE(Globs().contains("vandrel"));
    }
    ASSERT_EQ(Run({QStringLiteral("-EnableShellIntegration")}), 0);
    EXPECT_EQ(ReadFileBytes(PackagePath()), kMimePackage);
    EXPECT_TRUE(QFileInfo::exists(Path(IconFile(48))));
}

TEST_F(ProgramTest, UninstallRemovesTheProgramsOwnFilesAndKeepsTheDataFolder)
{
    ASSERT_EQ(Run({QStringLiteral("-Install")}), 0);
    WriteFile(QStringLiteral("config/Orlmark/Vandrel/4.3.ini"), "[Settings]\nMaxAttempts=7\n");
    WriteFile(QStringLiteral("config/Orlmark/Vandrel/4.2.ini"), "[Settings]\nMaxAttempts=5\n");
    WriteFile(QStringLiteral("config/Orlmark/Vandrel/sub/x"), "x");
    WriteFile(QStringLiteral("data/Vandrel/UrlsHistory.vrh"), "history");
    WriteFile(QStringLiteral("data/Vandrel/DefaultDownloadList.vrl"), "list");

    ASSERT_EQ(Run({QStringLiteral("-Uninstall")}), 0);
    EXPECT_EQ(Files(), QStringList({QStringLiteral("data/Vandrel/DefaultDownloadList.vrl"),
                                    QStringLiteral("data/Vandrel/UrlsHistory.vrh")}));
    EXPECT_EQ(ReadFileBytes(Path(QStringLiteral("data/Vandrel/UrlsHistory.vrh"))), "history");
    EXPECT_FALSE(QFileInfo::exists(Path(QStringLiteral("config/Orlmark/Vandrel"))));
    EXPECT_TRUE(QFileInfo(Path(QStringLiteral("config/Orlmark"))).isDir());
    if (HasTool("update-mime-database")) {
        EXPECT_FALSE(Globs().contains("vandrel"));
    }

    EXPECT_EQ(Run({QStringLiteral("-Uninstall")}), 0) << "nothing left to remove";
}

TEST_F(ProgramTest, UninstallWaitsForARunningInstanceToSaveAndEndBeforeRemovingItsSettings)
{
    const auto check = [this](QProcess& instance) {
        EXPECT_FALSE(QFileInfo::exists(IniPath()));
        ASSERT_EQ(Run({QStringLiteral("-Uninstall")}), 0);
        const bool endedFirst = instance.waitForFinished(0);
        EXPECT_TRUE(endedFirst) << "ended before the uninstaller did";
        ASSERT_TRUE(endedFirst || instance.waitForFinished(kExitMs));
        EXPECT_EQ(instance.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(instance.exitCode(), 0);
        EXPECT_FALSE(QFileInfo::exists(Path(QStringLiteral("config/Orlmark/Vandrel"))))
            << "the instance's saves came before the removal";
        EXPECT_TRUE(QFileInfo(Path(QStringLiteral("config/Orlmark"))).isDir());
    };
    {
        QProcess program;
        Start(program);
        ASSERT_TRUE(WaitUntilListening());
        check(program);
    }
    SCOPED_TRACE("the exit deferred past an open options dialog");
    QProcess instance;
    StartInstanceChild(instance);
    ASSERT_TRUE(WaitForFile(OptionsOpenMarker(m_root)));
    check(instance);
}

// The instance of the test above, this binary run again: its options dialog is
// open when the uninstaller's exit request arrives. Skipped when run on its own.
TEST_F(InstanceChild, KeepsItsOptionsDialogOpenUntilAnExitRequestClosesIt)
{
    const QString root = qEnvironmentVariable(kInstanceRootVariable);
    if (root.isEmpty())
        GTEST_SKIP() << "runs as the instance of ProgramTest's uninstall";
    for (const XdgFolder& xdg : kXdgFolders)
        qputenv(xdg.variable, QFile::encodeName(root + QLatin1String(xdg.folder)));
    CVandrelApp app;
    ASSERT_TRUE(app.InitInstance(AppModeNone));
    bool optionsClosed = false;
    const int code = RunEventLoop([&] {
        QTimer::singleShot(0, [&] {
            ASSERT_TRUE(qobject_cast<COptionsDialog*>(QApplication::activeModalWidget()));
            QFile marker(OptionsOpenMarker(root));
            ASSERT_TRUE(marker.open(QIODevice::WriteOnly));
        });
        app.ShowOptionsDialog(0);
        optionsClosed = true;
    });
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(optionsClosed);
    RunDeferredDeletes();
    EXPECT_FALSE(app.GetMainFrame());
    EXPECT_EQ(app.ExitInstance(), 0);
    EXPECT_TRUE(QFileInfo::exists(IniPath())) << "saved before the process ends";
}
