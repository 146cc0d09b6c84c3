// The program itself, run as a child process in a private environment of its
// own: its own HOME and XDG folders, the offscreen platform, no bus.
#include "support/ProfileFixture.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QThread>

#include <csignal>
#include <sys/stat.h>

namespace {

constexpr int kStartMs = 10000;
constexpr int kExitMs = 20000;

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
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_root + QStringLiteral("/config"));
        environment.insert(QStringLiteral("XDG_DATA_HOME"), m_root + QStringLiteral("/data"));
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_root + QStringLiteral("/runtime"));
        for (const char* variable : {"DISPLAY", "WAYLAND_DISPLAY"})
            environment.remove(QLatin1String(variable));
        if (!display)
            environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        return environment;
    }

    void Start(QProcess& process, const QStringList& arguments = {}, bool display = true) const
    {
        process.setProcessEnvironment(Environment(display));
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(QCoreApplication::applicationDirPath() + QStringLiteral("/vandrel"), arguments);
        ASSERT_TRUE(process.waitForStarted(kStartMs)) << process.errorString().toStdString();
    }

    // The first instance listens once its window exists.
    bool WaitUntilListening() const
    {
        QDeadlineTimer deadline(kStartMs);
        while (!QFileInfo::exists(SocketPath())) {
            if (deadline.hasExpired())
                return false;
            QThread::msleep(20);
        }
        return true;
    }

    static void Terminate(QProcess& process)
    {
        ::kill(pid_t(process.processId()), SIGTERM);
        ASSERT_TRUE(process.waitForFinished(kExitMs));
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(process.exitCode(), 0);
    }

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
