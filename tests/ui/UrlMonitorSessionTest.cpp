// The URL monitor of the program itself on a real X server with a real window
// manager: the focus and the clipboard pass between programs as they do on a
// desktop, which no fake of the foreground check can show.
#include "support/NginxServer.h"
#include "support/SessionProgram.h"
#include "support/TestEnvironment.h"
#include "support/XSession.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>

#include <xcb/xcb.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

namespace {

constexpr int kWaitMs = SessionProgram::kWaitMs;
constexpr int kFileBytes = 300 * 1024;

bool WaitFor(const std::function<bool()>& condition)
{
    return SessionProgram::waitFor(condition);
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

// Another program on the display: a plain window of the test's own
// connection, which counts the keys it is given.
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
        const uint32_t events = XCB_EVENT_MASK_KEY_PRESS;
        xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, m_window, screen->root, 0, 0, 400, 300, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, XCB_CW_EVENT_MASK, &events);
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

    // The managed windows from the bottom of the stack to its top, as the window manager tells them.
    std::vector<xcb_window_t> stacking() const
    {
        static const char kName[] = "_NET_CLIENT_LIST_STACKING";
        const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> atom(
            xcb_intern_atom_reply(m_connection, xcb_intern_atom(m_connection, 0, sizeof kName - 1, kName), nullptr),
            &std::free);
        if (!atom)
            return {};
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
        const std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> list(
            xcb_get_property_reply(
                m_connection, xcb_get_property(m_connection, 0, root, atom->atom, XCB_ATOM_WINDOW, 0, 1024), nullptr),
            &std::free);
        if (!list)
            return {};
        const auto* windows = static_cast<const xcb_window_t*>(xcb_get_property_value(list.get()));
        return {windows, windows + xcb_get_property_value_length(list.get()) / sizeof(xcb_window_t)};
    }

    // The keys pressed in the window so far.
    int keyPresses()
    {
        while (xcb_generic_event_t* event = xcb_poll_for_event(m_connection)) {
            m_keyPresses += (event->response_type & ~0x80) == XCB_KEY_PRESS;
            std::free(event);
        }
        return m_keyPresses;
    }

private:
    xcb_connection_t* m_connection;
    xcb_window_t m_window = XCB_NONE;
    int m_keyPresses = 0;
};

class UrlMonitorSessionTest : public testing::Test
{
protected:
    void SetUp() override
    {
        const QString missing = XSession::missingText({u"Xvfb"_qs, u"openbox"_qs, u"xclip"_qs, u"xdotool"_qs});
        if (!missing.isEmpty())
            GTEST_SKIP() << missing.toStdString();
        ASSERT_TRUE(m_session.start()) << m_session.errorText().toStdString();
        ASSERT_TRUE(m_nginx.start()) << m_nginx.errorText().toStdString();
    }

    void TearDown() override
    {
        EXPECT_TRUE(m_program.stop());
        for (const std::unique_ptr<QProcess>& copy : m_copies) {
            copy->terminate();
            copy->waitForFinished(kWaitMs);
        }
    }

    void StartProgram() { ASSERT_TRUE(m_program.start()) << m_program.errorText().toStdString(); }

    std::vector<xcb_window_t> ProgramWindows() const { return m_program.windows(); }

    std::vector<xcb_window_t> Dialogs() const
    {
        std::vector<xcb_window_t> dialogs = ProgramWindows();
        std::erase(dialogs, m_mainWindow);
        return dialogs;
    }

    bool Focused(xcb_window_t window) const { return m_other->focus() == window; }

    void Activate(xcb_window_t window) const
    {
        m_program.xdotool({u"windowactivate"_qs, u"--sync"_qs, QString::number(window)});
        ASSERT_TRUE(WaitFor([&] { return Focused(window); })) << "window " << window << " never got the focus";
    }

    void Keys(const QStringList& keys) const { m_program.keys(keys); }

    // A click on the dialog's margin, where no control is.
    void ClickMargin(xcb_window_t dialog) const
    {
        m_program.xdotool({u"mousemove"_qs, u"--sync"_qs, u"--window"_qs, QString::number(dialog), u"3"_qs, u"3"_qs,
                           u"click"_qs, u"1"_qs});
    }

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
            return m_program.run(u"xclip"_qs, {u"-o"_qs, u"-selection"_qs, u"clipboard"_qs}) == text;
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
        const QString path = m_program.home() + u"/Downloads/"_qs + name;
        EXPECT_TRUE(WaitFor([&] { return ReadAll(path) == FileContent(seed); }))
            << name.toStdString() << " was not downloaded byte-identical";
    }

    XSession m_session;
    NginxServer m_nginx;
    SessionProgram m_program{m_session, TestEnvironment::root() + u"/x-session"_qs};
    std::vector<std::unique_ptr<QProcess>> m_copies;
    std::unique_ptr<OtherProgram> m_other;
    xcb_window_t m_mainWindow = XCB_NONE;
};

} // namespace

TEST_F(UrlMonitorSessionTest, EveryLinkCopiedInAnotherProgramOpensADialogThatTakesTheFocusOnlyWhenClicked)
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
    m_program.type(typed);
    Keys({u"Return"_qs});
    ASSERT_TRUE(WaitFor([&] { return Dialogs().empty(); }));
    ExpectDownloaded(u"typed.zip"_qs, 0);

    // The user goes on typing where they copied; the dialog waits for a click.
    ASSERT_NO_FATAL_FAILURE(Activate(m_other->window()));
    for (int seed = 1; seed <= 3; ++seed) {
        const QString name = QStringLiteral("copied-%1.zip").arg(seed);
        ASSERT_NO_FATAL_FAILURE(Copy(ServeFile(name, seed)));
        ASSERT_TRUE(WaitFor([&] { return Dialogs().size() == 1; })) << "no add dialog for copy " << seed;
        const int typed = m_other->keyPresses();
        Keys({u"x"_qs});
        ASSERT_TRUE(WaitFor([&] { return m_other->keyPresses() > typed; }))
            << "the key typed after copy " << seed << " did not reach the program copied from";
        EXPECT_TRUE(Focused(m_other->window())) << "the dialog of copy " << seed << " took the focus";
        const xcb_window_t dialog = Dialogs().front();
        const std::vector<xcb_window_t> stack = m_other->stacking();
        EXPECT_TRUE(!stack.empty() && stack.back() == dialog) << "the dialog of copy " << seed << " is not on top";
        ClickMargin(dialog);
        ASSERT_TRUE(WaitFor([&] { return Focused(dialog); })) << "a click did not give the dialog the focus";
        Keys({u"Return"_qs});
        ASSERT_TRUE(WaitFor([&] { return Dialogs().empty(); }));
        ASSERT_TRUE(WaitFor([&] { return Focused(m_other->window()); }))
            << "the window manager did not give the focus back to the other program";
        ExpectDownloaded(name, seed);
    }
    EXPECT_TRUE(m_nginx.accessLogFor(u"/ignored.zip"_qs, 0).isEmpty());
}
