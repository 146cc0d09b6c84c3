// The stored placement of the main window on a real X server with a real
// window manager (openbox): the frame exists only once the manager has framed
// the shown window, which no offscreen test can show.
#include "mainframe/WindowPlacement.h"
#include "platform/Profile.h"
#include "support/SessionProgram.h"
#include "support/TestEnvironment.h"
#include "support/XSession.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QRect>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr int kShowNormal = 1;
// Larger than any screen the session has, as stored on a larger screen.
constexpr WinRect kStoredRect{0, 0, 2600, 1440};

template <typename Reply>
using ReplyPtr = std::unique_ptr<Reply, decltype(&std::free)>;

// What the test itself reads from the X server, as another client.
class ServerView
{
public:
    explicit ServerView(const QString& display) : m_connection(xcb_connect(display.toLatin1().constData(), nullptr))
    {
        if (!xcb_connection_has_error(m_connection))
            m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
    }
    ~ServerView() { xcb_disconnect(m_connection); }
    ServerView(const ServerView&) = delete;
    ServerView& operator=(const ServerView&) = delete;

    bool IsConnected() const { return m_root != XCB_NONE; }

    // The first desktop's work area as the window manager announces it.
    QRect WorkArea() const
    {
        const std::vector<uint32_t> area = Cardinals(m_root, "_NET_WORKAREA", 4);
        return area.size() == 4 ? QRect(int(area[0]), int(area[1]), int(area[2]), int(area[3])) : QRect();
    }

    // The window with its frame, on the root; empty until the manager has framed it.
    QRect FrameRect(xcb_window_t window) const
    {
        const std::vector<uint32_t> extents = Cardinals(window, "_NET_FRAME_EXTENTS", 4); // left, right, top, bottom
        const ReplyPtr<xcb_get_geometry_reply_t> geometry(
            xcb_get_geometry_reply(m_connection, xcb_get_geometry(m_connection, window), nullptr), &std::free);
        const ReplyPtr<xcb_translate_coordinates_reply_t> origin(
            xcb_translate_coordinates_reply(m_connection,
                                            xcb_translate_coordinates(m_connection, window, m_root, 0, 0), nullptr),
            &std::free);
        if (extents.size() != 4 || !geometry || !origin)
            return {};
        const QRect client(origin->dst_x, origin->dst_y, geometry->width, geometry->height);
        return client.adjusted(-int(extents[0]), -int(extents[2]), int(extents[1]), int(extents[3]));
    }

private:
    std::vector<uint32_t> Cardinals(xcb_window_t window, const char* name, uint32_t count) const
    {
        const ReplyPtr<xcb_intern_atom_reply_t> atom(
            xcb_intern_atom_reply(m_connection, xcb_intern_atom(m_connection, 1, uint16_t(strlen(name)), name),
                                  nullptr),
            &std::free);
        if (!atom || atom->atom == XCB_NONE)
            return {};
        const ReplyPtr<xcb_get_property_reply_t> property(
            xcb_get_property_reply(
                m_connection, xcb_get_property(m_connection, 0, window, atom->atom, XCB_ATOM_CARDINAL, 0, count),
                nullptr),
            &std::free);
        if (!property || property->format != 32)
            return {};
        const auto* values = static_cast<const uint32_t*>(xcb_get_property_value(property.get()));
        return std::vector<uint32_t>(values, values + xcb_get_property_value_length(property.get()) / 4);
    }

    xcb_connection_t* m_connection;
    xcb_window_t m_root = XCB_NONE;
};

QString RectText(const QRect& rect)
{
    return QStringLiteral("%1,%2 %3x%4").arg(rect.x()).arg(rect.y()).arg(rect.width()).arg(rect.height());
}

} // namespace

TEST(WindowPlacementSessionTest, APlacementLargerThanTheScreenOpensWithTheFrameAndTitleBarOnTheScreen)
{
    const QString missing = XSession::missingText({u"Xvfb"_qs, u"openbox"_qs, u"xdotool"_qs});
    if (!missing.isEmpty())
        GTEST_SKIP() << missing.toStdString();
    XSession session;
    ASSERT_TRUE(session.start()) << session.errorText().toStdString();
    const QString root = TestEnvironment::root() + u"/placement-session"_qs;
    SessionProgram program(session, root);

    const QString iniPath = root + u"/config/Orlmark/Vandrel/4.3.ini"_qs;
    ASSERT_TRUE(QDir().mkpath(QFileInfo(iniPath).path()));
    {
        CProfile profile(iniPath);
        const QString section = u"Settings\\WindowPlacement"_qs;
        ASSERT_TRUE(profile.WriteProfileBinary(section, u"MainWindowRect"_qs, WinRectToBytes(kStoredRect)));
        ASSERT_TRUE(profile.WriteProfileInt(section, u"ShowCmd"_qs, kShowNormal));
        ASSERT_TRUE(profile.sync()) << profile.ErrorString().toStdString();
    }

    const ServerView server(session.display());
    ASSERT_TRUE(server.IsConnected());
    QRect workArea;
    ASSERT_TRUE(SessionProgram::waitFor([&] { return !(workArea = server.WorkArea()).isEmpty(); }))
        << "openbox announced no work area";

    ASSERT_TRUE(program.start()) << program.errorText().toStdString();
    QRect frame;
    const bool fits = SessionProgram::waitFor([&] {
        const std::vector<xcb_window_t> windows = program.windows();
        frame = windows.size() == 1 ? server.FrameRect(windows.front()) : QRect();
        return !frame.isEmpty() && workArea.contains(frame);
    });
    ASSERT_FALSE(frame.isEmpty()) << "the main window was never shown framed";
    EXPECT_TRUE(fits) << "the frame " << RectText(frame).toStdString() << " (title bar at " << frame.top()
                      << ") reaches past the work area " << RectText(workArea).toStdString();
    // The stored size is cut to the area, not dropped for the default one.
    EXPECT_EQ(RectText(frame).toStdString(), RectText(workArea).toStdString());
}
