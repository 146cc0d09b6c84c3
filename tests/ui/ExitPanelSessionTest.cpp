// The exit's wait panel as a real X server shows it, with a real window
// manager: mapped some time after it is shown, and blanked when another window
// passes over it, which only the screen itself can tell.
#include "UiFixture.h"

#include "app/gui/PaintingWait.h"
#include "app/gui/UiServices.h"
#include "engine/DownloadItem.h"
#include "engine/HttpDownloader.h"
#include "mainframe/MainFrame.h"
#include "support/PollUntil.h"
#include "support/TestEnvironment.h"
#include "support/XSession.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QTest>

#include <xcb/xcb.h>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <memory>
#include <thread>

namespace {

constexpr int kWaitMs = 20000;
// Well below the glyphs of one character, well above stray pixels.
constexpr int kMinTextPixels = 100;
// The panel's raised edge and the room around its text.
constexpr int kEdgeMargin = 8;

// Names the folder that the session test and its run on the X server share.
constexpr char kRootVariable[] = "VANDREL_TEST_EXIT_PANEL_ROOT";
const QString kChildTest = QStringLiteral("ExitPanelChild.StaysPaintedWhileADownloadIsSlowToStop");

// Files in that folder: the panel as it paints itself, its X window, a mark
// per pass of the wait, and the test's word that the download may stop.
const QString kPaintedFile = QStringLiteral("/panel.png");
const QString kWindowFile = QStringLiteral("/panel-window");
const QString kStopFile = QStringLiteral("/stop");

QString PassFile(int pass)
{
    return QStringLiteral("/pass-%1").arg(pass);
}

bool WriteFile(const QString& path, const QByteArray& data)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

// -1 when the sizes differ.
int DifferingPixels(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return -1;
    int differing = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x)
            differing += ((a.pixel(x, y) ^ b.pixel(x, y)) & RGB_MASK) != 0;
    }
    return differing;
}

// The pixels inside the edge that differ from the panel's own background.
int TextPixels(const QImage& panel)
{
    const QRect inside = panel.rect().adjusted(kEdgeMargin, kEdgeMargin, -kEdgeMargin, -kEdgeMargin);
    const QRgb background = panel.pixel(inside.topLeft());
    int text = 0;
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        for (int x = inside.left(); x <= inside.right(); ++x)
            text += ((panel.pixel(x, y) ^ background) & RGB_MASK) != 0;
    }
    return text;
}

struct FreeReply
{
    void operator()(void* reply) const { std::free(reply); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeReply>;

// The test's own client of the X server: reads the screen and puts a window over it.
class Screen
{
public:
    explicit Screen(const QString& display) : m_connection(xcb_connect(display.toLatin1().constData(), nullptr))
    {
        if (!xcb_connection_has_error(m_connection))
            m_screen = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data;
    }
    ~Screen() { xcb_disconnect(m_connection); }
    Screen(const Screen&) = delete;
    Screen& operator=(const Screen&) = delete;

    bool isOpen() const { return m_screen != nullptr; }

    // Where the window is on the screen, whoever framed it.
    QRect windowRect(xcb_window_t window) const
    {
        const Reply<xcb_get_geometry_reply_t> geometry(
            xcb_get_geometry_reply(m_connection, xcb_get_geometry(m_connection, window), nullptr));
        const Reply<xcb_translate_coordinates_reply_t> origin(xcb_translate_coordinates_reply(
            m_connection, xcb_translate_coordinates(m_connection, window, m_screen->root, 0, 0), nullptr));
        if (!geometry || !origin)
            return {};
        return QRect(origin->dst_x, origin->dst_y, geometry->width, geometry->height);
    }

    // What the screen shows in the area; null when it could not be read.
    QImage grab(const QRect& area) const
    {
        const Reply<xcb_get_image_reply_t> image(xcb_get_image_reply(
            m_connection,
            xcb_get_image(m_connection, XCB_IMAGE_FORMAT_Z_PIXMAP, m_screen->root, int16_t(area.x()),
                          int16_t(area.y()), uint16_t(area.width()), uint16_t(area.height()), ~0u),
            nullptr));
        const int bytes = area.width() * area.height() * 4;
        if (!image || image->depth != 24 || xcb_get_image_data_length(image.get()) != bytes)
            return {};
        return QImage(xcb_get_image_data(image.get()), area.width(), area.height(), area.width() * 4,
                      QImage::Format_RGB32)
            .copy();
    }

    // A black window over the area, outside the window manager's care, until it is destroyed.
    xcb_window_t cover(const QRect& area) const
    {
        const xcb_window_t window = xcb_generate_id(m_connection);
        const uint32_t values[] = {m_screen->black_pixel, 1};
        xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, window, m_screen->root, int16_t(area.x()),
                          int16_t(area.y()), uint16_t(area.width()), uint16_t(area.height()), 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, m_screen->root_visual,
                          XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
        xcb_map_window(m_connection, window);
        sync();
        return window;
    }

    void uncover(xcb_window_t window) const
    {
        xcb_destroy_window(m_connection, window);
        sync();
    }

private:
    // Returns once the server has carried out every request sent before.
    void sync() const
    {
        Reply<xcb_get_input_focus_reply_t>(
            xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
    }

    xcb_connection_t* m_connection;
    const xcb_screen_t* m_screen = nullptr;
};

class ExitPanelSessionTest : public testing::Test
{
protected:
    void SetUp() override
    {
        const QString missing = XSession::missingText({u"Xvfb"_qs, u"openbox"_qs});
        if (!missing.isEmpty())
            GTEST_SKIP() << missing.toStdString();
        ASSERT_TRUE(m_session.start()) << m_session.errorText().toStdString();
        m_root = TestEnvironment::root() + u"/exit-panel"_qs;
        ASSERT_TRUE(QDir().mkpath(m_root));
    }

    void TearDown() override
    {
        if (m_child.state() == QProcess::NotRunning)
            return;
        Stop();
        if (!m_child.waitForFinished(kWaitMs)) {
            m_child.kill();
            m_child.waitForFinished(kWaitMs);
        }
    }

    // This binary again, on the session's display.
    void StartChild()
    {
        QProcessEnvironment environment = m_session.environment();
        environment.insert(QLatin1String(TestEnvironment::kPrivateDisplayVariable), m_session.display());
        environment.insert(QLatin1String(kRootVariable), m_root);
        m_child.setProcessEnvironment(environment);
        m_child.setProcessChannelMode(QProcess::ForwardedChannels);
        m_child.start(QCoreApplication::applicationFilePath(), {u"--gtest_filter="_qs + kChildTest});
        ASSERT_TRUE(m_child.waitForStarted(kWaitMs)) << m_child.errorString().toStdString();
    }

    bool WaitForFile(const QString& name) const
    {
        return PollUntil([&] { return QFileInfo::exists(m_root + name); }, kWaitMs);
    }

    void Stop() const { WriteFile(m_root + kStopFile, {}); }

    XSession m_session;
    QString m_root;
    QProcess m_child;
};

class ExitPanelChild : public UiFixture
{
};

} // namespace

TEST_F(ExitPanelSessionTest, ThePanelShowsItsTextThroughAnExitThatWaitsForASlowDownload)
{
    ASSERT_NO_FATAL_FAILURE(StartChild());
    ASSERT_TRUE(WaitForFile(PassFile(1))) << "the exit never began to wait";
    QImage painted(m_root + kPaintedFile);
    ASSERT_FALSE(painted.isNull());
    painted = painted.convertToFormat(QImage::Format_RGB32);
    EXPECT_GT(TextPixels(painted), kMinTextPixels) << "the panel paints no text";

    const Screen screen(m_session.display());
    ASSERT_TRUE(screen.isOpen());
    QFile windowFile(m_root + kWindowFile);
    ASSERT_TRUE(windowFile.open(QIODevice::ReadOnly));
    const QRect area = screen.windowRect(xcb_window_t(windowFile.readAll().toUInt()));
    ASSERT_EQ(area.size(), painted.size());
    EXPECT_EQ(DifferingPixels(screen.grab(area), painted), 0) << "not on the screen in the first pass";

    ASSERT_TRUE(WaitForFile(PassFile(2))) << "the download stopped before the second pass";
    const xcb_window_t cover = screen.cover(area);
    EXPECT_GT(DifferingPixels(screen.grab(area), painted), 0) << "the cover did not hide the panel";
    screen.uncover(cover);
    EXPECT_TRUE(PollUntil([&] { return DifferingPixels(screen.grab(area), painted) == 0; }, kWaitMs))
        << "not painted again once uncovered during the wait";

    Stop();
    ASSERT_TRUE(m_child.waitForFinished(kWaitMs));
    EXPECT_EQ(m_child.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(m_child.exitCode(), 0) << "the run on the X server failed";
}

// The run of the test above on its X server: the frame exits while a download
// does not stop until the test says so. Skipped when run on its own.
TEST_F(ExitPanelChild, StaysPaintedWhileADownloadIsSlowToStop)
{
    const QString root = qEnvironmentVariable(kRootVariable);
    if (root.isEmpty())
        GTEST_SKIP() << "runs on the X server of ExitPanelSessionTest";
    auto* frame = new CMainFrame;
    frame->Create();
    frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame));
    CDownloadItem* slow = AddRow(*frame, true);

    int passes = 0;
    Ui().exitWaitMs = [&](int ms) {
        if (++passes == 1) {
            QWidget* panel = TopLevel(u"TerminateDialog"_qs);
            ASSERT_TRUE(panel);
            const QImage painted = panel->grab().toImage();
            // Already on the screen as the first wait begins.
            const QRect area = panel->geometry();
            const QImage shown =
                panel->screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height()).toImage();
            EXPECT_EQ(DifferingPixels(shown.convertToFormat(QImage::Format_RGB32),
                                      painted.convertToFormat(QImage::Format_RGB32)), 0);
            ASSERT_TRUE(painted.save(root + kPaintedFile));
            ASSERT_TRUE(WriteFile(root + kWindowFile, QByteArray::number(quint64(panel->winId()))));
        }
        ASSERT_TRUE(WriteFile(root + PassFile(passes), {}));
        WaitPainting(ms);
    };
    std::atomic<bool> exited = false;
    std::thread stopper([&] {
        PollUntil([&] { return exited || QFileInfo::exists(root + kStopFile); }, kWaitMs);
        slow->m_pDownloader->m_bIsRunning = 0;
    });
    const int code = RunEventLoop([frame] { frame->RequestExit(false); });
    exited = true;
    stopper.join();
    RunDeferredDeletes();
    EXPECT_EQ(code, 0);
    EXPECT_GE(passes, 2) << "the download stopped within the first pass";
}
