#include "ControlLookup.h"
#include "UiFixture.h"

#include "app/VandrelCore.h"
#include "dialogs/AddDownloadDialog.h"
#include "dialogs/AddDownloadGeneralPage.h"
#include "engine/SteadyClock.h"
#include "mainframe/CommandIds.h"
#include "mainframe/CommandTable.h"
#include "mainframe/MainFrame.h"
#include "mainframe/UrlMonitor.h"

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QMenu>

#include <optional>

namespace {

std::atomic<int64_t> g_steadyNow{1'000'000'000'000};

class UrlMonitorRuleTest : public UiFixture
{
protected:
    ~UrlMonitorRuleTest() override { CSteadyClock::SetSourceForTest(nullptr); }

    static std::optional<QString> Take(const QString& text, bool shift = false)
    {
        return CUrlMonitor::TextToTake(AppCore().m_settings, text, shift);
    }
};

TEST_F(UrlMonitorRuleTest, HttpUrlsOfListedExtensionsAreTakenAsSubstringsIgnoringCase)
{
    CAppSettings& settings = AppCore().m_settings;
    ASSERT_TRUE(settings.GetString(&CAppSettingsBase::URLMonitorFileExtensions).contains(QStringLiteral(" ZIP")));
    SettingStore(settings.URLMonitorAddUndetectedType, 0);
    SettingStore(settings.URLMonitorAddIfShiftKeyPressed, 1);
    struct Case
    {
        const char* text;
        bool shift;
        std::optional<QString> taken;
    };
    const Case cases[] = {
        {"https://h/dl/file.zip?id=7", false, QStringLiteral("https://h/dl/file.zip?id=7")},
        {"http://h/a.ip", false, QStringLiteral("http://h/a.ip")}, // "ip" is inside "ZIP"
        {"http://h/a.Z", false, QStringLiteral("http://h/a.Z")},
        {"HTTP://h/a.Mp3", false, QStringLiteral("HTTP://h/a.Mp3")},
        {"  http://h/a.zip\r\n", false, QStringLiteral("http://h/a.zip")}, // trimmed, and handed on so
        {"http://h/a.xyz", false, std::nullopt},
        {"http://h/dl/", false, std::nullopt},
        {"http://h/dl/readme", false, std::nullopt},
        {"http://h/dl/readme.", false, std::nullopt},
        {"ftp://h/a.zip", false, std::nullopt},
        {"file:///tmp/a.zip", false, std::nullopt},
        {"a.zip", false, std::nullopt},
        {"", false, std::nullopt},
        {"ftp://h/a.zip", true, QStringLiteral("ftp://h/a.zip")},
        {"hello world\n", true, QStringLiteral("hello world\n")}, // Shift: exactly as copied
    };
    for (const Case& c : cases)
        EXPECT_EQ(Take(QString::fromUtf8(c.text), c.shift), c.taken) << c.text << " shift " << c.shift;

    SettingStore(settings.URLMonitorAddIfShiftKeyPressed, 0);
    EXPECT_EQ(Take(QStringLiteral("ftp://h/a.zip"), true), std::nullopt);
}

TEST_F(UrlMonitorRuleTest, NamesWithoutAnExtensionAreTakenOnlyWhenUndetectedTypesAreWanted)
{
    SettingStore(AppCore().m_settings.URLMonitorAddUndetectedType, 1);
    for (const char* text : {"http://h/dl/", "http://h/dl/readme", "http://h/dl/readme.", "https://h"})
        EXPECT_EQ(Take(QString::fromLatin1(text)), QString::fromLatin1(text)) << text;
    EXPECT_EQ(Take(QStringLiteral("http://h/a.xyz")), std::nullopt) << "an unlisted extension never";
}

TEST_F(UrlMonitorRuleTest, TheSameTextAgainWithinHalfASecondIsAnEcho)
{
    CSteadyClock::SetSourceForTest([] { return g_steadyNow.load(); });
    CUrlMonitor monitor;
    const QString url = QStringLiteral("http://h/a.zip");
    EXPECT_FALSE(monitor.IsEcho(url));
    g_steadyNow += 300'000'000;
    EXPECT_TRUE(monitor.IsEcho(url)) << "a clipboard manager taking the copy over";
    EXPECT_FALSE(monitor.IsEcho(QStringLiteral("http://h/b.zip")));
    EXPECT_FALSE(monitor.IsEcho(url)) << "another text came between";
    g_steadyNow += 2'000'000'000;
    EXPECT_FALSE(monitor.IsEcho(url)) << "copied again by the user";
}

class UrlMonitorFrameTest : public UiFixture
{
protected:
    UrlMonitorFrameTest()
    {
        SettingStore(AppCore().m_settings.URLMonitor, 1);
        CSteadyClock::SetSourceForTest([] { return g_steadyNow.load(); });
        foregroundIsOurs = false;
        frame = new CMainFrame;
        frame->Create();
    }

    ~UrlMonitorFrameTest() override
    {
        delete frame;
        CSteadyClock::SetSourceForTest(nullptr);
    }

    // A copy in another program, a while after the one before.
    static void Copy(const QString& text)
    {
        g_steadyNow += 2'000'000'000;
        QGuiApplication::clipboard()->setText(text);
    }

    QList<CAddDownloadDialog*> AddDialogs() const
    {
        QList<CAddDownloadDialog*> open;
        for (CAddDownloadDialog* dialog : frame->findChildren<CAddDownloadDialog*>()) {
            if (dialog->isVisible())
                open.append(dialog);
        }
        return open;
    }

    static QString UrlText(const CAddDownloadDialog* dialog)
    {
        return FindControl<QComboBox>(dialog->m_pAddGeneralPage, 1002)->currentText();
    }

    CMainFrame* frame;
};

TEST_F(UrlMonitorFrameTest, AQualifyingCopyOpensOneTopLevelAddDialogWithTheTextUnchanged)
{
    SettingStore(AppCore().m_settings.URLMonitorKeepOnTop, 1);
    for (int i = 0; i < 3; ++i)
        frame->ApplySettings(); // as three options OKs do
    Copy(QStringLiteral("https://127.0.0.1:9/dl/file.zip?id=7"));
    ASSERT_EQ(AddDialogs().size(), 1);
    const CAddDownloadDialog* first = AddDialogs()[0];
    EXPECT_TRUE(first->isWindow());
    EXPECT_TRUE(first->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(UrlText(first), QStringLiteral("https://127.0.0.1:9/dl/file.zip?id=7"));

    SettingStore(AppCore().m_settings.URLMonitorKeepOnTop, 0);
    Copy(QStringLiteral("https://127.0.0.1:9/dl/file.zip?id=7")); // the same, 2 s later
    ASSERT_EQ(AddDialogs().size(), 2);
    const CAddDownloadDialog* second = AddDialogs()[1];
    EXPECT_FALSE(second->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(second->pos() - first->pos(), QPoint(3, 23));
    Copy(QStringLiteral("http://127.0.0.1:9/a.xyz"));
    EXPECT_EQ(AddDialogs().size(), 2);
}

TEST_F(UrlMonitorFrameTest, AClipboardManagersEchoOfACopyOpensNoSecondDialog)
{
    Copy(QStringLiteral("http://127.0.0.1:9/a.zip\n"));
    g_steadyNow += 100'000'000;
    QGuiApplication::clipboard()->setText(QStringLiteral("http://127.0.0.1:9/a.zip"));
    ASSERT_EQ(AddDialogs().size(), 1);
    EXPECT_EQ(UrlText(AddDialogs()[0]), QStringLiteral("http://127.0.0.1:9/a.zip")) << "trimmed";
}

TEST_F(UrlMonitorFrameTest, OwnCopiesAndCopiesWithCtrlHeldAreIgnored)
{
    SettingStore(AppCore().m_settings.URLMonitorIgnoreIfCtrlKeyPressed, 1);
    SettingStore(AppCore().m_settings.URLMonitorAddIfShiftKeyPressed, 1);
    foregroundIsOurs = true;
    Copy(QStringLiteral("http://127.0.0.1:9/own.zip"));
    foregroundIsOurs = false;
    modifiers = Qt::ControlModifier | Qt::ShiftModifier;
    Copy(QStringLiteral("http://127.0.0.1:9/ctrl.zip"));
    EXPECT_TRUE(AddDialogs().isEmpty());
    modifiers = Qt::ShiftModifier;
    Copy(QStringLiteral("hello world"));
    ASSERT_EQ(AddDialogs().size(), 1);
    EXPECT_EQ(UrlText(AddDialogs()[0]), QStringLiteral("hello world"));
}

TEST_F(UrlMonitorFrameTest, TheCommandSwitchesTheMonitorAndItsCheckMarks)
{
    QAction* trayItem = CCommandTable::FindAction(frame->TrayMenu(), ID_URL_MONITOR);
    ASSERT_TRUE(trayItem);
    frame->Commands().UpdateAll();
    EXPECT_TRUE(trayItem->isChecked());
    ASSERT_TRUE(frame->Commands().Dispatch(ID_URL_MONITOR));
    frame->Commands().UpdateAll();
    EXPECT_FALSE(trayItem->isChecked());
    EXPECT_EQ(SettingLoad(AppCore().m_settings.URLMonitor), 0);
    Copy(QStringLiteral("http://127.0.0.1:9/off.zip"));
    EXPECT_TRUE(AddDialogs().isEmpty());
    ASSERT_TRUE(frame->Commands().Dispatch(ID_URL_MONITOR));
    Copy(QStringLiteral("http://127.0.0.1:9/on.zip"));
    EXPECT_EQ(AddDialogs().size(), 1);
}

} // namespace
