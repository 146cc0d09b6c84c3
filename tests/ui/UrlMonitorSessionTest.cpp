// The URL monitor of the program itself on a real X server with a real window
// manager: the focus and the clipboard pass between programs as they do on a
// desktop, which no fake of the foreground check can show.
#include "support/NginxServer.h"
#include "support/PollUntil.h"
#include "support/TestEnvironment.h"
#include "support/XSession.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>

#include <xcb/xcb.h>

#include <csignal>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

namespace {

constexpr int kWaitMs = 20000;
constexpr int kFileBytes = 300 * 1024;

bool WaitFor(const std::function<bool()>& condition)
{
    return PollUntil(condition, kWaitMs);
}

QByteArray FileContent(int seed)
{
    QByteArray data(kFileBytes, Qt::Uninitialized);
    quint32 state = quint32(seed) * 2654435761u + 1;
    for (char& byte : data) {
        state = state * 1664525u + 1013904223u;
        byte = char(state >> 24);
    }
    return data;
}

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Another program on the display: a plain window of the test's own connection.
class OtherProgram
{
public:
    explicit OtherProgram(const QString& display)
        : m_connection(xcb_connect(display.toLatin1().constData(), nullptr))
    {
        if (xcb_connection_has_error(m_connection))
            return;
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data;
        m_window = xcb_generate_id(m_connection);
        xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, m_window, screen->root, 0, 0, 400, 300, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
        static const char kTitle[] = "other program";
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, m_window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                            sizeof kTitle - 1, kTitle);
        xcb_map_window(m_connection, m_window);
        xcb_flush(m_connection);
    }
    ~OtherProgram() { xcb_disconnect(m_connection); }
    OtherProgram(const OtherProgram&) = delete;
    OtherProgram& operator=(const OtherProgram&) = delete;

    xcb_window_t window() const { return m_window; }

    xcb_window_t focus() const
    {
        const std::unique_ptr<xcb_get_input_focus_reply_t, decltype(&std::free)> reply(
            xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr), &std::free);
        return reply ? reply->focus : XCB_NONE;
    }

private:
    xcb_connection_t* m_connection;
    xcb_window_t m_window = XCB_NONE;
};

class UrlMonitorSessionTest : public testing::Test
{
protected:
    void SetUp() override
    {
        const QStringList missing =
            XSession::missingPrograms({u"Xvfb"_qs, u"openbox"_qs, u"xclip"_qs, u"xdotool"_qs});
        if (!missing.isEmpty())
            GTEST_SKIP() << "A real X session needs " << missing.join(u", "_qs).toStdString() << ", not installed";
        ASSERT_TRUE(m_session.start()) << m_session.errorText().toStdString();
        ASSERT_TRUE(m_nginx.start()) << m_nginx.errorText().toStdString();
        m_root = TestEnvironment::root() + u"/x-session"_qs;
        for (const char* folder : {"/home", "/config", "/data", "/runtime"})
            ASSERT_TRUE(QDir().mkpath(m_root + QLatin1String(folder)));
        QFile::setPermissions(m_root + u"/runtime"_qs, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    void TearDown() override
    {
        if (m_program.state() != QProcess::NotRunning) {
            ::kill(pid_t(m_program.processId()), SIGTERM);
            EXPECT_TRUE(m_program.waitForFinished(kWaitMs));
            EXPECT_EQ(m_program.exitCode(), 0);
        }
        for (const std::unique_ptr<QProcess>& copy : m_copies) {
            copy->terminate();
            copy->waitForFinished(kWaitMs);
        }
    }

    void StartProgram()
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"HOME"_qs, m_root + u"/home"_qs);
        environment.insert(u"XDG_CONFIG_HOME"_qs, m_root + u"/config"_qs);
        environment.insert(u"XDG_DATA_HOME"_qs, m_root + u"/data"_qs);
        environment.insert(u"XDG_RUNTIME_DIR"_qs, m_root + u"/runtime"_qs);
        m_program.setProcessEnvironment(m_session.environment(environment));
        m_program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_program.start(QCoreApplication::applicationDirPath() + u"/vandrel"_qs);
        ASSERT_TRUE(m_program.waitForStarted(kWaitMs)) << m_program.errorString().toStdString();
    }

    QString Xdotool(const QStringList& arguments) const
    {
        QProcess process;
        process.setProcessEnvironment(m_session.environment());
        process.start(u"xdotool"_qs, arguments);
        process.waitForFinished(kWaitMs);
        return QString::fromLatin1(process.readAllStandardOutput()).trimmed();
    }

    // The program's windows that are on the screen.
    std::vector<xcb_window_t> ProgramWindows() const
    {
        std::vector<xcb_window_t> windows;
        const QString found =
            Xdotool({u"search"_qs, u"--onlyvisible"_qs, u"--pid"_qs, QString::number(m_program.processId())});
        for (const QString& id : found.split(u'\n', Qt::SkipEmptyParts))
            windows.push_back(id.toUInt());
        return windows;
    }

    std::vector<xcb_window_t> Dialogs() const
    {
        std::vector<xcb_window_t> dialogs = ProgramWindows();
        std::erase(dialogs, m_mainWindow);
        return dialogs;
    }

    bool Focused(xcb_window_t window) const { return m_other->focus() == window; }

    void Activate(xcb_window_t window) const
    {
        Xdotool({u"windowactivate"_qs, u"--sync"_qs, QString::number(window)});
        ASSERT_TRUE(WaitFor([&] { return Focused(window); })) << "window " << window << " never got the focus";
    }

    void Keys(const QStringList& keys) const { Xdotool(QStringList{u"key"_qs, u"--clearmodifiers"_qs} + keys); }

    // As a program copies: xclip owns the clipboard until the next copy takes it.
    void Copy(const QString& text)
    {
        auto& copy = *m_copies.emplace_back(std::make_unique<QProcess>());
        copy.setProcessEnvironment(m_session.environment());
        copy.start(u"xclip"_qs, {u"-quiet"_qs, u"-selection"_qs, u"clipboard"_qs});
        ASSERT_TRUE(copy.waitForStarted(kWaitMs));
        copy.write(text.toUtf8());
        copy.closeWriteChannel();
        copy.waitForBytesWritten(kWaitMs); // no event loop runs here to write it
        ASSERT_TRUE(WaitFor([&] {
            QProcess paste;
            paste.setProcessEnvironment(m_session.environment());
            paste.start(u"xclip"_qs, {u"-o"_qs, u"-selection"_qs, u"clipboard"_qs});
            paste.waitForFinished(kWaitMs);
            return paste.readAllStandardOutput() == text.toUtf8();
        })) << "xclip never owned the clipboard";
    }

    // A file on the server, and where the program saves it.
    QString ServeFile(const QString& name, int seed)
    {
        m_nginx.putFile(u'/' + name, FileContent(seed));
        return m_nginx.url(u'/' + name);
    }

    void ExpectDownloaded(const QString& name, int seed) const
    {
        const QString path = m_root + u"/home/Downloads/"_qs + name;
        EXPECT_TRUE(WaitFor([&] { return ReadAll(path) == FileContent(seed); }))
            << name.toStdString() << " was not downloaded byte-identical";
    }

    XSession m_session;
    NginxServer m_nginx;
    QString m_root;
    QProcess m_program;
    std::vector<std::unique_ptr<QProcess>> m_copies;
    std::unique_ptr<OtherProgram> m_other;
    xcb_window_t m_mainWindow = XCB_NONE;
};

} // namespace

TEST_F(UrlMonitorSessionTest, EveryLinkCopiedInAnotherProgramOpensADialogThatDownloadsIt)
{
    const QString typed = ServeFile(u"typed.zip"_qs, 0);
    const QString ignored = ServeFile(u"ignored.zip"_qs, 9);
    m_other = std::make_unique<OtherProgram>(m_session.display());
    ASSERT_NE(m_other->window(), XCB_NONE);
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    ASSERT_TRUE(WaitFor([&] {
        const std::vector<xcb_window_t> windows = ProgramWindows();
        return windows.size() == 1 && Focused(windows.front());
    })) << "the main window never got the focus";
    m_mainWindow = ProgramWindows().front();

    // Copied while the main window has the focus: no dialog. Insert is pressed
    // after the copy, so its dialog opens after any the copy would have opened.
    ASSERT_NO_FATAL_FAILURE(Copy(ignored));
    Keys({u"Insert"_qs});
    ASSERT_TRUE(WaitFor([&] { return !Dialogs().empty() && Focused(Dialogs().front()); }));
    EXPECT_EQ(Dialogs().size(), 1u) << "a copy made in the program's own window opened a dialog";
    Keys({u"ctrl+a"_qs});
    Xdotool({u"type"_qs, u"--delay"_qs, u"20"_qs, typed});
    Keys({u"Return"_qs});
    ASSERT_TRUE(WaitFor([&] { return Dialogs().empty(); }));
    ExpectDownloaded(u"typed.zip"_qs, 0);

    ASSERT_NO_FATAL_FAILURE(Activate(m_other->window()));
    for (int seed = 1; seed <= 3; ++seed) {
        const QString name = QStringLiteral("copied-%1.zip").arg(seed);
        ASSERT_NO_FATAL_FAILURE(Copy(ServeFile(name, seed)));
        ASSERT_TRUE(WaitFor([&] { return Dialogs().size() == 1; })) << "no add dialog for copy " << seed;
        ASSERT_NO_FATAL_FAILURE(Activate(Dialogs().front()));
        Keys({u"Return"_qs});
        ASSERT_TRUE(WaitFor([&] { return Dialogs().empty(); }));
        ASSERT_TRUE(WaitFor([&] { return Focused(m_other->window()); }))
            << "the window manager did not give the focus back to the other program";
        ExpectDownloaded(name, seed);
    }
    EXPECT_TRUE(m_nginx.accessLogFor(u"/ignored.zip"_qs, 0).isEmpty());
}
