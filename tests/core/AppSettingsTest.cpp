#include "app/AppDataFile.h"
#include "app/AppSettings.h"
#include "platform/Profile.h"

#include "support/ProfileFixture.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QSettings>
#include <QtEndian>

#include <atomic>
#include <thread>
#include <vector>

namespace {

using B = CAppSettingsBase;

// Every settings field in declaration order, written out here independently
// of the program's tables.
#define VANDREL_TEST_FIELDS(X)                                                                                         \
    X(DeveloperMode) X(UserAgent) X(HTTPVersion) X(ConnectRetries) X(ConnectTimeout) X(SendTimeout)                    \
    X(ReceiveTimeout) X(IgnoreUnknownCA) X(IgnoreRevocation) X(IgnoreWeakSignature) X(IgnoreWrongUsage)                \
    X(IgnoreCertCnInvalid) X(IgnoreCertDateInvalid) X(AutoCreateRefererString) X(DoNotUseCache)                        \
    X(HandleRedirectInternally) X(UseProxyBypass) X(ProxyBypass) X(HttpProxyServer) X(HttpProxyPort)                   \
    X(HttpProxyUserName) X(HttpProxyPassword) X(HttpsProxyServer) X(HttpsProxyPort) X(HttpsProxyUserName)              \
    X(HttpsProxyPassword) X(DefaultDownloadLocation) X(MaxSectionCountPerDownload) X(MinSectionSize)                   \
    X(MaxTransferBufferSize) X(MaxAttempts) X(PauseBetweenAttempts) X(UpdateDownloadStubEvery)                         \
    X(StopDownloadOnSectionFail) X(StopIfHtmlContentReturned) X(GetFileDateTimeFromServer) X(CheckHistory)             \
    X(ConcurrentDownloads) X(DownloadSpeed) X(HighSpeedDelay) X(MediumSpeedDelay) X(LowSpeedDelay)                     \
    X(LaunchAtStartup) X(MinimizeToTray) X(AnimateTrayIcon) X(URLsHistorySize) X(DownloadLocationsHistorySize)         \
    X(NotifyFail) X(NotifyComplete) X(NotifyAllComplete) X(NotifyScheduler) X(URLMonitor)                              \
    X(URLMonitorFileExtensions) X(URLMonitorAddUndetectedType) X(URLMonitorAddIfShiftKeyPressed)                       \
    X(URLMonitorIgnoreIfCtrlKeyPressed) X(URLMonitorKeepOnTop) X(DownloadsViewGrid) X(DoNotAskSaveChanges)             \
    X(SaveChangesDefaultAction) X(DoNotAskSort) X(SortDefaultAction) X(UnicodeImportExport) X(ConfirmExit)             \
    X(AutoFillDownloadAddress) X(AllDoneAction) X(SchedulerOn) X(SchedulerAutoTurnOn) X(ScheduleAllItems)              \
    X(SchedulerStartTime) X(SchedulerStopTime) X(SchedulerStopAction) X(ShowSpeedMeter) X(SpeedMeterMax)               \
    X(SpeedMeterFixedMax) X(SpeedMeterTheme) X(SpeedMeterStyle) X(DataUsage) X(DataUsageReset)

struct NamedField
{
    const char* name;
    SettingField field;
};

#define VANDREL_NAMED_FIELD(name) NamedField{#name, SettingField(&B::name)},
const std::vector<NamedField> kDeclared = {VANDREL_TEST_FIELDS(VANDREL_NAMED_FIELD)};

const char* const kUrlMonitorDefault =
    "3GP 7Z AAC ACE AIF ARJ ASF AVI BIN BZ2 EXE GZ GZIP IMG ISO LZH M4A M4V MKV MOV MP3 MP4 MPA MPE MPEG MPG MSI MSU "
    "OGG OGV PDF PLJ PPS PPT QT RA RAR RM SEA SIT SITX TAR TIF TIFF WAV WMA WMV Z ZIP";

// The defaults of the 74 stored numbers and strings (the three times and
// DataUsage are checked apart), as the file holds them.
const std::vector<std::pair<const char*, QString>>& expectedStoredText()
{
    static const std::vector<std::pair<const char*, QString>> values = {
        {"DeveloperMode", "0"}, {"UserAgent", "Vandrel"}, {"HTTPVersion", "HTTP/1.1"}, {"ConnectRetries", "4"},
        {"ConnectTimeout", "10000"}, {"SendTimeout", "20000"}, {"ReceiveTimeout", "20000"},
        {"IgnoreUnknownCA", "1"}, {"IgnoreRevocation", "1"}, {"IgnoreWeakSignature", "1"},
        {"IgnoreWrongUsage", "1"}, {"IgnoreCertCnInvalid", "1"}, {"IgnoreCertDateInvalid", "1"},
        {"AutoCreateRefererString", "1"}, {"DoNotUseCache", "1"}, {"HandleRedirectInternally", "0"},
        {"UseProxyBypass", "0"}, {"ProxyBypass", "<local>"}, {"HttpProxyServer", ""}, {"HttpProxyPort", "0"},
        {"HttpProxyUserName", ""}, {"HttpProxyPassword", ""}, {"HttpsProxyServer", ""}, {"HttpsProxyPort", "0"},
        {"HttpsProxyUserName", ""}, {"HttpsProxyPassword", ""}, {"DefaultDownloadLocation", FetchFolder()},
        {"MaxSectionCountPerDownload", "8"}, {"MinSectionSize", "1048576"}, {"MaxTransferBufferSize", "4096"},
        {"MaxAttempts", "3"}, {"PauseBetweenAttempts", "3000"}, {"UpdateDownloadStubEvery", "52428800"},
        {"StopDownloadOnSectionFail", "0"}, {"StopIfHtmlContentReturned", "1"}, {"GetFileDateTimeFromServer", "0"},
        {"CheckHistory", "1"}, {"ConcurrentDownloads", "3"}, {"DownloadSpeed", "0"}, {"HighSpeedDelay", "50"},
        {"MediumSpeedDelay", "100"}, {"LowSpeedDelay", "200"}, {"LaunchAtStartup", "1"}, {"MinimizeToTray", "1"},
        {"AnimateTrayIcon", "1"}, {"URLsHistorySize", "100"}, {"DownloadLocationsHistorySize", "20"},
        {"NotifyFail", "1"}, {"NotifyComplete", "1"}, {"NotifyAllComplete", "1"}, {"NotifyScheduler", "1"},
        {"URLMonitor", "1"}, {"URLMonitorFileExtensions", kUrlMonitorDefault}, {"URLMonitorAddUndetectedType", "0"},
        {"URLMonitorAddIfShiftKeyPressed", "0"}, {"URLMonitorIgnoreIfCtrlKeyPressed", "0"},
        {"URLMonitorKeepOnTop", "1"}, {"DownloadsViewGrid", "1"}, {"DoNotAskSaveChanges", "0"},
        {"SaveChangesDefaultAction", "6"}, {"DoNotAskSort", "0"}, {"SortDefaultAction", "6"},
        {"UnicodeImportExport", "0"}, {"ConfirmExit", "1"}, {"AutoFillDownloadAddress", "1"},
        {"SchedulerAutoTurnOn", "0"}, {"ScheduleAllItems", "1"}, {"SchedulerStopAction", "1"},
        {"ShowSpeedMeter", "1"}, {"SpeedMeterMax", "104857600"}, {"SpeedMeterFixedMax", "0"},
        {"SpeedMeterTheme", "1"}, {"SpeedMeterStyle", "2"},
    };
    return values;
}

const QStringList kBinaryNames = {"SchedulerStartTime", "SchedulerStopTime", "DataUsage", "DataUsageReset"};

QString iniPath()
{
    return CProfile::DefaultFilePath();
}

QString configFolder()
{
    return QFileInfo(iniPath()).absolutePath();
}

// The value of a field as the file would hold it (text or bytes).
QVariant fieldValue(const B& s, const SettingField& field)
{
    return std::visit(
        [&](auto member) -> QVariant {
            using T = std::remove_cvref_t<decltype(s.*member)>;
            if constexpr (std::is_same_v<T, QString>)
                return s.*member;
            else if constexpr (std::is_same_v<T, SYSTEMTIME>) {
                QByteArray bytes;
                AppendSystemTime(bytes, s.*member);
                return bytes;
            } else if constexpr (std::is_same_v<T, uint64_t>) {
                QByteArray bytes(8, '\0');
                qToLittleEndian<quint64>(s.*member, bytes.data());
                return bytes;
            } else
                return QString::number(s.*member);
        },
        field);
}

// Every field, compared by the test's own list.
void expectSameFields(const B& a, const B& b)
{
    for (const NamedField& f : kDeclared)
        EXPECT_EQ(fieldValue(a, f.field), fieldValue(b, f.field)) << f.name;
}

// Sets every field to a value unlike its default, different per field.
void setNonDefault(B& s)
{
    int i = 0;
    for (const NamedField& f : kDeclared) {
        ++i;
        std::visit(
            [&](auto member) {
                using T = std::remove_cvref_t<decltype(s.*member)>;
                if constexpr (std::is_same_v<T, QString>)
                    s.*member = QStringLiteral("value %1 下载").arg(i);
                else if constexpr (std::is_same_v<T, SYSTEMTIME>)
                    s.*member = SYSTEMTIME{2001, 2, 6, 3, 4, 5, 6, uint16_t(i)};
                else if constexpr (std::is_same_v<T, uint64_t>)
                    s.*member = 0x0123456789ABCDEFULL + uint64_t(i);
                else
                    s.*member = T(1000 + i);
            },
            f.field);
    }
}

QMap<QString, QVariant> readSettingsGroup(const QString& path)
{
    QSettings settings(path, QSettings::IniFormat);
    settings.beginGroup(QStringLiteral("Settings"));
    QMap<QString, QVariant> values;
    for (const QString& key : settings.childKeys())
        values.insert(key, settings.value(key));
    return values;
}

int countLinesStartingWith(const QByteArray& file, const QByteArray& prefix)
{
    int count = 0;
    for (const QByteArray& line : file.split('\n'))
        count += line.startsWith(prefix) ? 1 : 0;
    return count;
}

void expectPlausibleNow(const SYSTEMTIME& st)
{
    const QDate date(st.wYear, st.wMonth, st.wDay);
    ASSERT_TRUE(date.isValid());
    EXPECT_EQ(st.wDayOfWeek, date.dayOfWeek() % 7);
    EXPECT_LE(std::abs(date.daysTo(QDate::currentDate())), 1);
}

// Loads and saves one CAppSettings on the current config home; returns the saved group.
QMap<QString, QVariant> loadAndSave(CAppSettings& s)
{
    s.Load();
    s.Save();
    QFile::copy(iniPath(), iniPath() + ".copy"); // parsed from disk, not from QSettings' cache
    const QMap<QString, QVariant> saved = readSettingsGroup(iniPath() + ".copy");
    QFile::remove(iniPath() + ".copy");
    return saved;
}

} // namespace

TEST(AppSettings, FieldTablesMatchTheDeclarations)
{
    const std::span<const SettingEntry> all = AllSettingFields();
    ASSERT_EQ(all.size(), 79u);
    ASSERT_EQ(kDeclared.size(), 79u);
    for (size_t i = 0; i < all.size(); ++i) {
        EXPECT_STREQ(all[i].name, kDeclared[i].name);
        EXPECT_TRUE(all[i].field == kDeclared[i].field) << kDeclared[i].name;
    }

    // The one order table of Load and Save.
    QStringList expectedOrder;
    for (const NamedField& f : kDeclared) {
        expectedOrder << QString::fromLatin1(f.name);
        if (expectedOrder.last() == QLatin1String("URLMonitorKeepOnTop"))
            break;
    }
    expectedOrder << QStringList{"ShowSpeedMeter", "SpeedMeterMax", "SpeedMeterFixedMax", "SpeedMeterTheme",
                                 "SpeedMeterStyle"}
                  << QStringList{"DownloadsViewGrid", "DoNotAskSaveChanges", "SaveChangesDefaultAction", "DoNotAskSort",
                                 "SortDefaultAction", "UnicodeImportExport", "ConfirmExit", "AutoFillDownloadAddress"}
                  << QStringList{"SchedulerAutoTurnOn", "ScheduleAllItems", "SchedulerStartTime", "SchedulerStopTime",
                                 "SchedulerAutoTurnOn", "SchedulerStopAction"}
                  << QStringList{"DataUsage", "DataUsageReset"};
    const std::span<const SettingEntry> order = StoredValueOrder();
    ASSERT_EQ(order.size(), 78u);
    ASSERT_EQ(qsizetype(order.size()), expectedOrder.size());
    QSet<QString> distinct;
    for (size_t i = 0; i < order.size(); ++i) {
        EXPECT_EQ(QString::fromLatin1(order[i].name), expectedOrder[qsizetype(i)]);
        distinct.insert(QString::fromLatin1(order[i].name));
        for (const NamedField& f : kDeclared) {
            if (qstrcmp(f.name, order[i].name) == 0) {
                EXPECT_TRUE(f.field == order[i].field) << f.name;
            }
        }
    }
    EXPECT_EQ(distinct.size(), 77);
    EXPECT_FALSE(distinct.contains("AllDoneAction"));
    EXPECT_FALSE(distinct.contains("SchedulerOn"));
}

TEST(AppSettings, EnumCodes)
{
    EXPECT_EQ(FinishNothing, 0);
    EXPECT_EQ(FinishPauseAll, 1);
    EXPECT_EQ(FinishExit, 2);
    EXPECT_EQ(FinishSleep, 3);
    EXPECT_EQ(FinishHibernate, 4);
    EXPECT_EQ(FinishShutDown, 5);
    EXPECT_EQ(SpeedUnlimited, 0);
    EXPECT_EQ(SpeedLow, 3);
    EXPECT_EQ(MeterThemeLight, 1);
    EXPECT_EQ(MeterStyleAnalog, 2);
}

// A first load from an empty configuration yields exactly the defaults; the save
// writes the 77 stored values, each once, and nothing else.
TEST(AppSettings, FirstLoadFromEmptyConfigurationGivesTheDefaults)
{
    UseFreshConfigHome();
    CAppSettings s;
    const SYSTEMTIME constructed = s.SchedulerStartTime;
    s.Load();
    EXPECT_FALSE(QFileInfo::exists(iniPath())); // reading creates nothing

    for (const auto& [name, text] : expectedStoredText()) {
        bool found = false;
        for (const NamedField& f : kDeclared)
            if (qstrcmp(f.name, name) == 0) {
                EXPECT_EQ(fieldValue(s, f.field).toString(), text) << name;
                found = true;
            }
        EXPECT_TRUE(found) << name;
    }
    EXPECT_EQ(s.DefaultDownloadLocation, FetchFolder());
    EXPECT_EQ(s.URLMonitorFileExtensions.size(), 192);
    EXPECT_EQ(s.URLMonitorFileExtensions.split(u' ').size(), 49);
    EXPECT_EQ(s.AllDoneAction, 0);
    EXPECT_EQ(s.SchedulerOn, 0);
    EXPECT_EQ(s.DataUsage, 0u);
    EXPECT_EQ(s.SchedulerStartTime, constructed);
    EXPECT_EQ(s.SchedulerStopTime, constructed);
    EXPECT_EQ(s.DataUsageReset, constructed);
    expectPlausibleNow(constructed);

    s.Save();
    const QMap<QString, QVariant> saved = readSettingsGroup(iniPath());
    EXPECT_EQ(saved.size(), 77);
    for (const auto& [name, text] : expectedStoredText()) {
        ASSERT_TRUE(saved.contains(name)) << name;
        EXPECT_EQ(saved.value(name).typeId(), QMetaType::QString) << name;
        EXPECT_EQ(saved.value(name).toString(), text) << name;
    }
    for (const QString& name : kBinaryNames) {
        ASSERT_TRUE(saved.contains(name)) << qPrintable(name);
        EXPECT_EQ(saved.value(name).typeId(), QMetaType::QByteArray) << qPrintable(name);
    }
    EXPECT_EQ(saved.value("DataUsage").toByteArray(), QByteArray(8, '\0'));
    for (const char* name : {"SchedulerStartTime", "SchedulerStopTime", "DataUsageReset"}) {
        const QByteArray bytes = saved.value(name).toByteArray();
        ASSERT_EQ(bytes.size(), 16) << name;
        const SYSTEMTIME st = SystemTimeFromBytes(bytes.constData());
        EXPECT_EQ(st, constructed) << name;
        EXPECT_EQ(st.wYear, QDate::currentDate().year()) << name;
    }
    EXPECT_FALSE(saved.contains("AllDoneAction"));
    EXPECT_FALSE(saved.contains("SchedulerOn"));

    const QByteArray file = ReadFileBytes(iniPath());
    EXPECT_EQ(countLinesStartingWith(file, "SchedulerAutoTurnOn="), 1);
    for (const SettingEntry& entry : AllSettingFields()) {
        const int expected = (qstrcmp(entry.name, "AllDoneAction") == 0 || qstrcmp(entry.name, "SchedulerOn") == 0) ? 0 : 1;
        EXPECT_EQ(countLinesStartingWith(file, QByteArray(entry.name) + '='), expected) << entry.name;
    }
}

TEST(AppSettings, DefaultSettingsAreOneNeverWrittenInstance)
{
    UseFreshConfigHome();
    const CAppSettingsBase& defaults = g_defaultSettings;
    EXPECT_EQ(&defaults, &DefaultSettings());
    EXPECT_EQ(defaults.MaxAttempts, 3);
    EXPECT_EQ(defaults.UserAgent, QStringLiteral("Vandrel"));
    EXPECT_EQ(defaults.DefaultDownloadLocation, FetchFolder());
    CAppSettings s;
    setNonDefault(s);
    s = g_defaultSettings; // what an option page's "defaults" does
    expectSameFields(s, defaults);
}

// The Downloads folder falls back to home + "/Downloads" when user-dirs names none.
TEST(AppSettings, DownloadsFolderWithoutUserDirs)
{
    const QString config = UseFreshConfigHome();
    QFile::remove(config + "/user-dirs.dirs");
    const CAppSettingsBase s;
    EXPECT_EQ(s.DefaultDownloadLocation, QDir::homePath() + "/Downloads");
}

struct StoredRow
{
    const char* key;
    QVariant stored;
    const char* saved;
};

// Stored values and what a load followed by a save writes back.
TEST(AppSettings, StoredValueTable)
{
    const std::vector<StoredRow> rows = {
        {"MaxAttempts", QVariant(0), "3"},
        {"MaxAttempts", QVariant(-5), "3"},
        {"MaxAttempts", QVariant(qlonglong(4294967291LL)), "3"},
        {"MaxAttempts", QStringLiteral("2147483648"), "3"},
        {"MaxAttempts", QVariant(1), "1"},
        {"MaxAttempts", QStringLiteral("abc"), "3"},
        {"MaxAttempts", QStringLiteral("4294967296"), "3"},
        {"HttpProxyPort", QVariant(70000), "4464"},
        {"HttpsProxyPort", QVariant(65535), "65535"},
        {"HttpsProxyPort", QVariant(-1), "65535"},
        {"ConcurrentDownloads", QVariant(12), "12"},
        {"ConcurrentDownloads", QVariant(0), "0"},
        {"MaxSectionCountPerDownload", QVariant(9), "9"},
        {"ConnectTimeout", QStringLiteral("-7"), "-7"},
        {"ConnectTimeout", QStringLiteral("4294967295"), "-1"},
        {"ConnectTimeout", QByteArray("\x01\x02\x03\x04", 4), "10000"},
        {"UserAgent", QStringList{"a", "b"}, "a, b"},
        {"UserAgent", QByteArray("x"), "Vandrel"},
        {"ProxyBypass", QString(), ""},
        {"DefaultDownloadLocation", QString(), nullptr}, // the default folder
        {"DefaultDownloadLocation", QStringLiteral("/nonexistent/x"), "/nonexistent/x"},
    };
    for (const StoredRow& row : rows) {
        SCOPED_TRACE(std::string(row.key) + " = " + row.stored.toString().toStdString());
        UseFreshConfigHome();
        WriteIniFixture(iniPath(), [&](QSettings& settings) { settings.setValue(QStringLiteral("Settings/") + row.key, row.stored); });
        CAppSettings s;
        const QMap<QString, QVariant> saved = loadAndSave(s);
        EXPECT_EQ(saved.value(row.key).toString(), row.saved ? QString::fromUtf8(row.saved) : FetchFolder());
    }
}

TEST(AppSettings, LoadedValuesInMemory)
{
    UseFreshConfigHome();
    WriteIniFixture(iniPath(), [](QSettings& settings) {
        settings.setValue("Settings/MaxAttempts", -5);
        settings.setValue("Settings/HttpProxyPort", 70000);
        settings.setValue("Settings/HttpsProxyPort", 65535);
        settings.setValue("Settings/ConcurrentDownloads", 12);
        settings.setValue("Settings/HttpProxyPassword", "p;a,s s");
        settings.setValue("Settings/AllDoneAction", 4); // never read
        settings.setValue("Settings/SchedulerOn", 1);
    });
    CAppSettings s;
    s.AllDoneAction = FinishSleep;
    s.SchedulerOn = 1;
    s.Load();
    EXPECT_EQ(s.MaxAttempts, 3);
    EXPECT_EQ(s.HttpProxyPort, 4464);
    EXPECT_EQ(s.HttpsProxyPort, 65535);
    EXPECT_EQ(s.ConcurrentDownloads, 12);
    EXPECT_EQ(s.HttpProxyPassword, QStringLiteral("p;a,s s"));
    EXPECT_EQ(s.AllDoneAction, FinishSleep); // runtime fields are not touched
    EXPECT_EQ(s.SchedulerOn, 1);
    s.SchedulerOn = 0;
    s.Load();
    EXPECT_EQ(s.SchedulerOn, 0);
}

// Binary values are taken only at their exact sizes.
TEST(AppSettings, BinarySizes)
{
    const QByteArray stored16 = QByteArray::fromHex("E407010003000100 08001E0000000000");
    ASSERT_EQ(stored16.size(), 16);
    for (int size : {15, 17, 0}) {
        SCOPED_TRACE(size);
        UseFreshConfigHome();
        WriteIniFixture(iniPath(), [&](QSettings& settings) {
            settings.setValue("Settings/SchedulerStartTime", QByteArray(size, '\x07'));
            settings.setValue("Settings/DataUsageReset", QByteArray(size, '\x07'));
        });
        CAppSettings s;
        const SYSTEMTIME constructed = s.SchedulerStartTime;
        const QMap<QString, QVariant> saved = loadAndSave(s);
        EXPECT_EQ(s.SchedulerStartTime, constructed);
        QByteArray expected;
        AppendSystemTime(expected, constructed);
        EXPECT_EQ(saved.value("SchedulerStartTime").toByteArray(), expected);
        EXPECT_EQ(saved.value("DataUsageReset").toByteArray(), expected);
        EXPECT_EQ(SystemTimeFromBytes(expected.constData()).wYear, QDate::currentDate().year());
    }
    {
        UseFreshConfigHome();
        WriteIniFixture(iniPath(), [&](QSettings& settings) {
            settings.setValue("Settings/SchedulerAutoTurnOn", 0);
            settings.setValue("Settings/SchedulerStartTime", stored16);
            settings.setValue("Settings/DataUsage", QByteArray::fromHex("0006000000000000"));
        });
        CAppSettings s;
        const QMap<QString, QVariant> saved = loadAndSave(s);
        EXPECT_EQ(s.SchedulerStartTime, (SYSTEMTIME{2020, 1, 3, 1, 8, 30, 0, 0}));
        EXPECT_EQ(saved.value("SchedulerStartTime").toByteArray(), stored16);
        EXPECT_EQ(s.DataUsage, 1536u);
        EXPECT_EQ(saved.value("DataUsage").toByteArray(), QByteArray::fromHex("0006000000000000"));
    }
    const std::vector<QVariant> badUsage = {QByteArray("\x01\x02\x03\x04", 4), QStringLiteral("5"), QVariant(5),
                                            QByteArray(9, '\x01')};
    for (const QVariant& usage : badUsage) {
        SCOPED_TRACE(usage.toString().toStdString());
        UseFreshConfigHome();
        WriteIniFixture(iniPath(), [&](QSettings& settings) { settings.setValue("Settings/DataUsage", usage); });
        CAppSettings s;
        const QMap<QString, QVariant> saved = loadAndSave(s);
        EXPECT_EQ(s.DataUsage, 0u);
        EXPECT_EQ(saved.value("DataUsage").toByteArray(), QByteArray(8, '\0'));
    }
}

// A load and a save change nothing: key by key, and byte for byte.
TEST(AppSettings, LoadSaveRoundTripChangesNothing)
{
    UseFreshConfigHome();
    {
        CAppSettings first; // a first run: defaults, then saved
        first.Load();
        first.HttpProxyServer = QStringLiteral("proxy.example");
        first.HttpProxyPort = 8080;
        first.HttpProxyPassword = QStringLiteral("  s3cret, \"quoted\" ; x");
        first.ConnectTimeout = -1;
        first.DataUsage = 0xFFFFFFFFFFFFFFFFULL;
        first.SchedulerStopTime = SYSTEMTIME{2024, 3, 2, 5, 23, 59, 59, 999};
        first.Save();
    }
    const QByteArray before = ReadFileBytes(iniPath());
    const QMap<QString, QVariant> beforeValues = readSettingsGroup(iniPath());
    ASSERT_EQ(beforeValues.size(), 77);

    // The second run parses the file from disk (a copy under a new config home).
    const QString oldIni = iniPath();
    UseFreshConfigHome();
    QDir().mkpath(configFolder());
    ASSERT_TRUE(QFile::copy(oldIni, iniPath()));
    CAppSettings second;
    second.Load();
    second.Save();
    EXPECT_EQ(second.HttpProxyPassword, QStringLiteral("  s3cret, \"quoted\" ; x"));
    EXPECT_EQ(second.DataUsage, 0xFFFFFFFFFFFFFFFFULL);
    EXPECT_EQ(second.ConnectTimeout, -1);

    const QByteArray after = ReadFileBytes(iniPath());
    EXPECT_EQ(after, before);
    const QMap<QString, QVariant> afterValues = readSettingsGroup(iniPath());
    EXPECT_EQ(afterValues.keys(), beforeValues.keys());
    for (auto it = beforeValues.cbegin(); it != beforeValues.cend(); ++it)
        EXPECT_EQ(afterValues.value(it.key()), it.value()) << qPrintable(it.key());
    EXPECT_EQ(countLinesStartingWith(after, "SchedulerAutoTurnOn="), 1);
}

TEST(AppSettings, SchedulerAutoTurnOnIsStoredOnceWithItsValue)
{
    UseFreshConfigHome();
    WriteIniFixture(iniPath(), [](QSettings& settings) { settings.setValue("Settings/SchedulerAutoTurnOn", 1); });
    CAppSettings s;
    const QMap<QString, QVariant> saved = loadAndSave(s);
    EXPECT_EQ(s.SchedulerAutoTurnOn, 1);
    EXPECT_EQ(saved.value("SchedulerAutoTurnOn").toString(), QStringLiteral("1"));
    EXPECT_EQ(countLinesStartingWith(ReadFileBytes(iniPath()), "SchedulerAutoTurnOn="), 1);
}

TEST(AppSettings, SavedFileIsPrivate)
{
    const QString config = UseFreshConfigHome();
    const CAppSettings s;
    s.Save();
    EXPECT_EQ(FileMode(iniPath()), 0600);
    EXPECT_EQ(FileMode(config + "/Orlmark/Vandrel"), 0700);
    EXPECT_EQ(FileMode(config + "/Orlmark"), 0700);
    s.Save();
    EXPECT_EQ(FileMode(iniPath()), 0600);
}

// Copying a record with every field set into another and back gives equal fields,
// the runtime fields, the times and DataUsage included.
TEST(AppSettings, CopyRoundTrip)
{
    UseFreshConfigHome();
    CAppSettings original;
    setNonDefault(original);
    const CAppSettingsBase defaults;
    for (const NamedField& f : kDeclared)
        EXPECT_NE(fieldValue(original, f.field), fieldValue(defaults, f.field)) << f.name;

    CAppSettings other; // defaults
    other = original;
    CAppSettings back;
    back = other;
    expectSameFields(back, original);

    CAppSettingsBase base;
    base = original; // from the subclass into a base record, and back
    CAppSettings fromBase;
    fromBase = base;
    expectSameFields(fromBase, original);

    const CAppSettings copied(original);
    expectSameFields(copied, original);
    const CAppSettings& self = back;
    back = self; // self-assignment changes nothing (through a reference, or clang calls it a slip)
    expectSameFields(back, original);
}

// One thread reads string settings through the lock (and integers through the
// atomic helpers) while another replaces them, singly and by the options
// dialog's copy-back. The TSan build reports any race.
TEST(AppSettings, ConcurrentReadersAndWriter)
{
    UseFreshConfigHome();
    CAppSettings live;
    CAppSettings copyA;
    copyA.UserAgent = QStringLiteral("agent A");
    copyA.HttpProxyServer = QStringLiteral("server A");
    copyA.HttpProxyUserName = QStringLiteral("user A");
    copyA.DownloadSpeed = SpeedHigh;
    CAppSettings copyB = copyA;
    copyB.UserAgent = QStringLiteral("agent B");
    copyB.HttpProxyServer = QStringLiteral("server B");
    copyB.HttpProxyUserName = QStringLiteral("user B");
    copyB.DownloadSpeed = SpeedLow;
    live = copyA;

    constexpr int kRounds = 20000;
    std::atomic<bool> done{false};
    std::atomic<int> bad{0};
    std::thread reader([&] {
        for (int i = 0; i < kRounds * 4 && !done.load(); ++i) {
            const QString agent = live.GetString(&B::UserAgent);
            if (agent != QLatin1String("agent A") && agent != QLatin1String("agent B") &&
                agent != QLatin1String("agent C"))
                bad.fetch_add(1);
            QString server, user;
            {
                const auto lock = live.ReadLock();
                server = live.HttpProxyServer;
                user = live.HttpProxyUserName;
            }
            if (server.right(1) != user.right(1)) // written together, so always a pair
                bad.fetch_add(1);
            const int32_t speed = SettingLoad(live.DownloadSpeed);
            if (speed < SpeedUnlimited || speed > SpeedLow)
                bad.fetch_add(1);
            const uint16_t port = SettingLoad(live.HttpProxyPort);
            (void)port;
        }
    });
    for (int i = 0; i < kRounds; ++i) {
        switch (i % 4) {
        case 0: live = copyA; break;
        case 1: live = copyB; break;
        case 2: live.SetString(&B::UserAgent, QStringLiteral("agent C")); break;
        case 3: {
            const auto lock = live.WriteLock();
            live.HttpProxyServer = QStringLiteral("server C");
            live.HttpProxyUserName = QStringLiteral("user C");
            break;
        }
        }
        SettingStore(live.DownloadSpeed, i % 4);
        SettingStore(live.HttpProxyPort, uint16_t(i));
    }
    done.store(true);
    reader.join();
    EXPECT_EQ(bad.load(), 0);
}

TEST(AppDataFile, PathsAndPrivateFolder)
{
    const QString data = TestEnvironment::root() + "/data-app/share";
    ::setenv("XDG_DATA_HOME", QFile::encodeName(data).constData(), 1);
    QString path = "keep";
    EXPECT_TRUE(GetAppDataFilePath(AppDataUrlsHistory, path));
    EXPECT_EQ(path, data + "/Vandrel/UrlsHistory.vrh");
    EXPECT_EQ(FileMode(data + "/Vandrel"), 0700);
    EXPECT_EQ(FileMode(data), 0700);
    EXPECT_TRUE(GetAppDataFilePath(AppDataDownloadLocations, path));
    EXPECT_EQ(path, data + "/Vandrel/DownloadLocations.vrh");
    EXPECT_TRUE(GetAppDataFilePath(AppDataDefaultDownloadList, path));
    EXPECT_EQ(path, data + "/Vandrel/DefaultDownloadList.vrl");
    EXPECT_FALSE(GetAppDataFilePath(AppDataFile(3), path));
    EXPECT_EQ(path, data + "/Vandrel/");

    // An existing folder keeps its mode.
    ASSERT_EQ(::chmod(QFile::encodeName(data + "/Vandrel").constData(), 0750), 0);
    EXPECT_TRUE(GetAppDataFilePath(AppDataUrlsHistory, path));
    EXPECT_EQ(FileMode(data + "/Vandrel"), 0750);
    ::setenv("XDG_DATA_HOME", QFile::encodeName(TestEnvironment::dataHome()).constData(), 1);
}
