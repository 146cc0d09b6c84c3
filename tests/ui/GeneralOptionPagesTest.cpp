#include "OptionsFixture.h"

#include "support/QStringPrinter.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

namespace {

using B = CAppSettingsBase;
using GeneralOptionPagesTest = OptionsFixture;

struct CheckCase
{
    OptionsPage page;
    int id;
    int32_t B::*field;
};

// Every check box of the twelve pages that maps straight to one setting.
const CheckCase kChecks[] = {
    {OptionsPageGeneral, 1062, &B::LaunchAtStartup},
    {OptionsPageGeneral, 1063, &B::MinimizeToTray},
    {OptionsPageGeneral, 1130, &B::AnimateTrayIcon},
    {OptionsPageGeneral, 1111, &B::NotifyAllComplete},
    {OptionsPageGeneral, 1112, &B::NotifyComplete},
    {OptionsPageGeneral, 1113, &B::NotifyFail},
    {OptionsPageGeneral, 1158, &B::NotifyScheduler},
    {OptionsPageGeneralMisc, 1120, &B::UnicodeImportExport},
    {OptionsPageGeneralMisc, 1121, &B::ConfirmExit},
    {OptionsPageGeneralMisc, 1130, &B::AutoFillDownloadAddress},
    {OptionsPageURLMonitor, 1116, &B::URLMonitor},
    {OptionsPageURLMonitor, 1122, &B::URLMonitorAddUndetectedType},
    {OptionsPageURLMonitor, 1123, &B::URLMonitorAddIfShiftKeyPressed},
    {OptionsPageURLMonitor, 1128, &B::URLMonitorIgnoreIfCtrlKeyPressed},
    {OptionsPageURLMonitor, 1130, &B::URLMonitorKeepOnTop},
    {OptionsPageConnection, 1081, &B::DoNotUseCache},
    {OptionsPageConnection, 1084, &B::HandleRedirectInternally},
    {OptionsPageConnection, 1085, &B::AutoCreateRefererString},
    {OptionsPageProxy, 1071, &B::UseProxyBypass},
    {OptionsPageSecurity, 1130, &B::IgnoreRevocation},
    {OptionsPageSecurity, 1131, &B::IgnoreUnknownCA},
    {OptionsPageSecurity, 1181, &B::IgnoreWeakSignature},
    {OptionsPageSecurity, 1182, &B::IgnoreWrongUsage},
    {OptionsPageSecurity, 1082, &B::IgnoreCertDateInvalid},
    {OptionsPageSecurity, 1083, &B::IgnoreCertCnInvalid},
    {OptionsPageDownloads, 1129, &B::StopDownloadOnSectionFail},
    {OptionsPageDownloads, 1176, &B::StopIfHtmlContentReturned},
    {OptionsPageDownloadsMisc, 1097, &B::GetFileDateTimeFromServer},
    {OptionsPageDownloadsMisc, 1130, &B::CheckHistory},
    {OptionsPageScheduler, 1160, &B::SchedulerAutoTurnOn},
};

} // namespace

TEST_F(GeneralOptionPagesTest, EveryCheckBoxShowsAnyNonZeroAsCheckedAndStoresOneOrZero)
{
    for (const CheckCase& c : kChecks) {
        for (const int32_t stored : {0, 7}) {
            settings.*c.field = stored;
            Open(c.page);
            auto* check = Control<QCheckBox>(c.page, c.id);
            ASSERT_TRUE(check) << c.page << " " << c.id;
            EXPECT_EQ(check->isChecked(), stored != 0) << c.id;
            check->click();
            ASSERT_TRUE(Save(c.page));
            EXPECT_EQ(dialog->m_settings.*c.field, stored ? 0 : 1) << c.page << " " << c.id;
        }
    }
    EXPECT_TRUE(prompts.boxes.isEmpty());
}

TEST_F(GeneralOptionPagesTest, HistoryListsShowTheEntryBelowAndStoreOnlyWhatTheUserPicked)
{
    const struct
    {
        int32_t urls;
        int32_t locations;
        const char* urlsShown;
        const char* locationsShown;
    } kCases[] = {{150, 35, "100", "30"}, {2000, 999, "1000", "50"}, {0, 10, "0", "10"}, {-5, -1, "", ""}};
    for (const auto& c : kCases) {
        settings.URLsHistorySize = c.urls;
        settings.DownloadLocationsHistorySize = c.locations;
        Open(OptionsPageGeneral);
        EXPECT_EQ(Text(OptionsPageGeneral, 1064), QString::fromUtf8(c.urlsShown)) << c.urls;
        EXPECT_EQ(Text(OptionsPageGeneral, 1065), QString::fromUtf8(c.locationsShown)) << c.locations;
        EXPECT_TRUE(Ok());
        EXPECT_EQ(dialog->m_settings.URLsHistorySize, c.urls) << "a visit keeps a hand-edited size";
        EXPECT_EQ(dialog->m_settings.DownloadLocationsHistorySize, c.locations);
    }

    settings.URLsHistorySize = 150;
    Open(OptionsPageGeneral);
    auto* urls = Control<QComboBox>(OptionsPageGeneral, 1064);
    EXPECT_EQ(urls->count(), 11);
    EXPECT_EQ(Control<QComboBox>(OptionsPageGeneral, 1065)->count(), 6);
    QTest::keyClick(urls, Qt::Key_Down);
    EXPECT_EQ(urls->currentText(), QStringLiteral("200"));
    EXPECT_TRUE(Ok());
    EXPECT_EQ(dialog->m_settings.URLsHistorySize, 200);
}

TEST_F(GeneralOptionPagesTest, ResetClearsTheDoNotAskFlagsAtOnceAndDefaultsLeaveThem)
{
    settings.DoNotAskSaveChanges = 1;
    settings.DoNotAskSort = 1;
    settings.MinimizeToTray = 0;
    settings.NotifyScheduler = 0;
    settings.URLsHistorySize = 700;
    settings.DownloadLocationsHistorySize = 50;
    Open(OptionsPageGeneral);
    ClickSetDefault();
    EXPECT_EQ(dialog->m_settings.DoNotAskSaveChanges, 1);
    EXPECT_EQ(dialog->m_settings.DoNotAskSort, 1);
    EXPECT_EQ(dialog->m_settings.MinimizeToTray, 1);
    EXPECT_EQ(dialog->m_settings.NotifyScheduler, 1);
    EXPECT_EQ(Text(OptionsPageGeneral, 1064), QStringLiteral("100"));
    EXPECT_EQ(Text(OptionsPageGeneral, 1065), QStringLiteral("20"));
    EXPECT_EQ(dialog->m_settings.URLsHistorySize, 100);
    EXPECT_EQ(dialog->m_settings.DownloadLocationsHistorySize, 20);

    FindControl<QPushButton>(dialog->Page(OptionsPageGeneral), 1115)->click();
    EXPECT_EQ(dialog->m_settings.DoNotAskSaveChanges, 0);
    EXPECT_EQ(dialog->m_settings.DoNotAskSort, 0);
    EXPECT_TRUE(prompts.boxes.isEmpty());
}

TEST_F(GeneralOptionPagesTest, UrlMonitorKeepsItsControlsEnabledAndRestoresTheExtensions)
{
    settings.URLMonitorFileExtensions = QStringLiteral("ZIP\nRAR");
    Open(OptionsPageURLMonitor);
    EXPECT_EQ(Text(OptionsPageURLMonitor, 1042), QStringLiteral("ZIP\nRAR"));
    Control<QCheckBox>(OptionsPageURLMonitor, 1116)->setChecked(false);
    for (int id : {1042, 1122, 1123, 1128, 1130})
        EXPECT_TRUE(FindControl(dialog->Page(OptionsPageURLMonitor), id)->isEnabled()) << id;
    SetText(OptionsPageURLMonitor, 1042, QStringLiteral(" 7Z  ISO "));
    ASSERT_TRUE(Save(OptionsPageURLMonitor));
    EXPECT_EQ(dialog->m_settings.URLMonitorFileExtensions, QStringLiteral(" 7Z  ISO ")) << "as typed";
    ClickSetDefault();
    EXPECT_EQ(Text(OptionsPageURLMonitor, 1042), QString::fromLatin1(kDefaultUrlMonitorFileExtensions));
    EXPECT_EQ(dialog->m_settings.URLMonitorFileExtensions.size(), 192);
}

TEST_F(GeneralOptionPagesTest, ConnectionNumbersAreCheckedInOrderAndKeepWhatWasStoredBefore)
{
    const struct
    {
        int id;
        const char* text;
        const char* message;
    } kRefusals[] = {
        {1042, "0", "请输入一个介于 1 和 99 之间的值"},     {1042, "", "请输入一个介于 1 和 99 之间的值"},
        {1042, "150", "请输入一个介于 1 和 99 之间的值"},   {1078, "60001", "请输入一个介于 0 和 60000 之间的值"},
        {1079, "", "请输入一个介于 0 和 60000 之间的值"},   {1080, "99999", "请输入一个介于 0 和 60000 之间的值"},
    };
    for (const auto& r : kRefusals) {
        settings.DoNotUseCache = 0;
        Open(OptionsPageConnection);
        SetText(OptionsPageConnection, 1075, QStringLiteral("MyAgent/1.0"));
        Control<QCheckBox>(OptionsPageConnection, 1081)->setChecked(true);
        SetText(OptionsPageConnection, r.id, QString::fromUtf8(r.text));
        EXPECT_FALSE(Save(OptionsPageConnection)) << r.id << r.text;
        EXPECT_EQ(TakeBoxes(), QStringList{QString::fromUtf8(r.message)});
        EXPECT_EQ(dialog->Page(OptionsPageConnection)->m_hWndFocusControl,
                  FindControl(dialog->Page(OptionsPageConnection), r.id));
        EXPECT_EQ(dialog->m_settings.UserAgent, QStringLiteral("MyAgent/1.0")) << "stored before the numbers";
        EXPECT_EQ(dialog->m_settings.DoNotUseCache, 0) << "stored after them";
    }

    settings.ConnectRetries = 150; // hand-edited: shown whole, refused on leaving
    Open(OptionsPageConnection);
    EXPECT_EQ(Text(OptionsPageConnection, 1042), QStringLiteral("150"));
    for (int id : {1078, 1079, 1080})
        SetText(OptionsPageConnection, id, QStringLiteral("60000"));
    SetText(OptionsPageConnection, 1042, QStringLiteral("99"));
    ASSERT_TRUE(Save(OptionsPageConnection));
    EXPECT_EQ(dialog->m_settings.ConnectRetries, 99);
    EXPECT_EQ(dialog->m_settings.ConnectTimeout, 60000);
    EXPECT_EQ(dialog->m_settings.ReceiveTimeout, 60000);
}

TEST_F(GeneralOptionPagesTest, UserAgentListAndHttpVersionPrefixSearch)
{
    settings.HTTPVersion = QStringLiteral("HTTP/2");
    Open(OptionsPageConnection);
    auto* agents = Control<QComboBox>(OptionsPageConnection, 1075);
    ASSERT_EQ(agents->count(), 8);
    EXPECT_EQ(agents->itemText(0), QStringLiteral("Vandrel"));
    EXPECT_TRUE(agents->itemText(7).endsWith(QStringLiteral("OPR/38.0.2220.41")));
    EXPECT_EQ(Text(OptionsPageConnection, 1075), settings.UserAgent);
    auto* version = Control<QComboBox>(OptionsPageConnection, 1076);
    EXPECT_EQ(version->currentIndex(), -1);
    ASSERT_TRUE(Save(OptionsPageConnection));
    EXPECT_EQ(dialog->m_settings.HTTPVersion, QString());

    settings.HTTPVersion = QStringLiteral("http/1.0");
    Open(OptionsPageConnection);
    ASSERT_TRUE(Save(OptionsPageConnection));
    EXPECT_EQ(dialog->m_settings.HTTPVersion, QStringLiteral("HTTP/1.0"));

    settings.HTTPVersion = QString(); // an empty prefix begins the first entry
    Open(OptionsPageConnection);
    EXPECT_EQ(Control<QComboBox>(OptionsPageConnection, 1076)->currentText(), QStringLiteral("HTTP/1.0"));
}

TEST_F(GeneralOptionPagesTest, ProxyPortsAreNumbersUpTo65535AndSameAsHttpCopiesTheFields)
{
    settings.HttpProxyServer = QStringLiteral("proxy.local");
    settings.HttpProxyPort = 0;
    settings.HttpsProxyServer = QStringLiteral("secure.local");
    settings.HttpsProxyPort = 8443;
    settings.HttpsProxyPassword = QStringLiteral("pw");
    settings.UseProxyBypass = 0;
    Open(OptionsPageProxy);
    EXPECT_EQ(Text(OptionsPageProxy, 1065), QStringLiteral("0"));
    EXPECT_EQ(Text(OptionsPageProxy, 1068), QStringLiteral("8443"));
    EXPECT_EQ(Control<QLineEdit>(OptionsPageProxy, 1067)->echoMode(), QLineEdit::Password);
    EXPECT_FALSE(FindControl(dialog->Page(OptionsPageProxy), 1072)->isEnabled());
    Control<QCheckBox>(OptionsPageProxy, 1071)->click();
    EXPECT_TRUE(FindControl(dialog->Page(OptionsPageProxy), 1072)->isEnabled());

    SetText(OptionsPageProxy, 1068, QStringLiteral("70000"));
    EXPECT_FALSE(Save(OptionsPageProxy));
    EXPECT_EQ(TakeBoxes(), QStringList{QStringLiteral("请输入一个介于 0 和 65535 之间的值")});
    EXPECT_EQ(dialog->Page(OptionsPageProxy)->m_hWndFocusControl, FindControl(dialog->Page(OptionsPageProxy), 1068));
    EXPECT_EQ(dialog->m_settings.HttpsProxyPort, 8443);

    SetText(OptionsPageProxy, 1042, QString());
    SetText(OptionsPageProxy, 1065, QString());
    FindControl<QPushButton>(dialog->Page(OptionsPageProxy), 1073)->click();
    for (int id : {1043, 1068, 1069, 1070})
        EXPECT_EQ(Text(OptionsPageProxy, id), QString()) << id;
    EXPECT_EQ(dialog->m_settings.HttpsProxyServer, QStringLiteral("secure.local")) << "only the controls";
    SetText(OptionsPageProxy, 1065, QStringLiteral("65535"));
    SetText(OptionsPageProxy, 1072, QStringLiteral(" <local>;*.lan "));
    ASSERT_TRUE(Save(OptionsPageProxy));
    EXPECT_EQ(dialog->m_settings.HttpProxyServer, QString());
    EXPECT_EQ(dialog->m_settings.HttpProxyPort, 65535);
    EXPECT_EQ(dialog->m_settings.HttpsProxyPort, 0) << "empty is 0";
    EXPECT_EQ(dialog->m_settings.HttpsProxyPassword, QString());
    EXPECT_EQ(dialog->m_settings.UseProxyBypass, 1);
    EXPECT_EQ(dialog->m_settings.ProxyBypass, QStringLiteral(" <local>;*.lan ")) << "as typed";
}

TEST_F(GeneralOptionPagesTest, SecurityDefaultsCheckAllSix)
{
    for (int32_t B::*field : {&B::IgnoreRevocation, &B::IgnoreUnknownCA, &B::IgnoreWeakSignature,
                              &B::IgnoreWrongUsage, &B::IgnoreCertDateInvalid, &B::IgnoreCertCnInvalid})
        settings.*field = 0;
    Open(OptionsPageSecurity);
    ClickSetDefault();
    EXPECT_TRUE(Ok());
    for (int32_t B::*field : {&B::IgnoreRevocation, &B::IgnoreUnknownCA, &B::IgnoreWeakSignature,
                              &B::IgnoreWrongUsage, &B::IgnoreCertDateInvalid, &B::IgnoreCertCnInvalid})
        EXPECT_EQ(dialog->m_settings.*field, 1);
}

TEST_F(GeneralOptionPagesTest, TheUpDownStepsWithinItsRangeAndLeavesTypedTextToTheCheck)
{
    Open(OptionsPageConnection);
    QWidget* upDown = FindControl(dialog->Page(OptionsPageConnection), 1077);
    ASSERT_TRUE(upDown);
    const QList<QToolButton*> arrows = upDown->findChildren<QToolButton*>();
    ASSERT_EQ(arrows.size(), 2);
    QToolButton* up = arrows[0]->arrowType() == Qt::UpArrow ? arrows[0] : arrows[1];
    QToolButton* down = up == arrows[0] ? arrows[1] : arrows[0];
    const struct
    {
        const char* typed;
        QToolButton* arrow;
        const char* after;
    } kSteps[] = {{"98", up, "99"}, {"99", up, "99"}, {"150", down, "98"}, {"1", down, "1"}, {"", up, "1"}, {"0", up, "2"}};
    for (const auto& s : kSteps) {
        SetText(OptionsPageConnection, 1042, QString::fromUtf8(s.typed));
        s.arrow->click();
        EXPECT_EQ(Text(OptionsPageConnection, 1042), QString::fromUtf8(s.after)) << s.typed;
    }
    auto* edit = Control<QLineEdit>(OptionsPageConnection, 1042);
    edit->clear();
    QTest::keyClicks(edit, QStringLiteral("123"));
    EXPECT_EQ(edit->text(), QStringLiteral("12")) << "typing stops at two digits";
    QTest::keyClicks(edit, QStringLiteral("a"));
    EXPECT_EQ(edit->text(), QStringLiteral("12"));
}
