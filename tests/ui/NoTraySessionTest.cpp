// The program itself on a real X server whose window manager (openbox) has no
// tray: what the desktop answers about its tray is the real one, and a window
// hidden there could never be brought back.
#include "support/SessionProgram.h"
#include "support/TestEnvironment.h"
#include "support/XSession.h"

#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include <vector>

namespace {

constexpr int kCloseAttempts = 20;
constexpr int kCloseWaitMs = 1000;

class NoTraySessionTest : public testing::Test
{
protected:
    void SetUp() override
    {
        const QString missing = XSession::missingText({u"Xvfb"_qs, u"openbox"_qs, u"xdotool"_qs});
        if (!missing.isEmpty())
            GTEST_SKIP() << missing.toStdString();
        ASSERT_TRUE(m_session.start()) << m_session.errorText().toStdString();
    }

    void TearDown() override { m_program.stop(); }

    XSession m_session;
    SessionProgram m_program{m_session, TestEnvironment::root() + u"/no-tray-session"_qs};
};

} // namespace

TEST_F(NoTraySessionTest, TheStartAtLoginShowsTheWindowAndClosingItEndsTheProgram)
{
    ASSERT_TRUE(m_program.start({u"-Autorun"_qs})) << m_program.errorText().toStdString();
    ASSERT_TRUE(SessionProgram::waitFor([&] {
        const std::vector<xcb_window_t> windows = m_program.windows();
        return windows.size() == 1 && m_program.focus() == windows.front();
    })) << "the main window never showed with the focus";

    // openbox's close; a busy openbox still taking the new window in may drop the
    // key, so it is pressed again until the program ends.
    bool ended = false;
    for (int attempt = 0; attempt < kCloseAttempts && !ended; ++attempt) {
        m_program.keys({u"alt+F4"_qs});
        ended = m_program.waitForExit(kCloseWaitMs);
    }
    EXPECT_TRUE(ended) << "closing did not end the program cleanly";
}
