#include "platform/Profile.h"

#include "support/ProfileFixture.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QPoint>
#include <QSettings>
#include <QStringList>

#include <optional>
#include <sys/stat.h>

namespace {

constexpr int32_t kIntDefault = 77;
const QString kStringDefault = QStringLiteral("dflt");

struct KindRow
{
    const char* key;
    std::optional<QVariant> stored; // nullopt: the value is missing
    std::optional<uint32_t> asInt;  // nullopt: the default
    std::optional<QString> asString;
    std::optional<QByteArray> asBinary; // nullopt: counts as missing
};

QString iniPath(const QString& config)
{
    return config + QStringLiteral("/Orlmark/Vandrel/4.3.ini");
}

} // namespace

// The kind rules of the profile layer, each value stored through QSettings and
// read back from the file by GetProfileInt, GetProfileString and GetProfileBinary.
TEST(Profile, KindRulesTable)
{
    const QString longText = QStringLiteral("Mozilla/5.0 (X11; Linux x86_64) AppleWebKit/537.36 (KHTML, like Gecko)");
    const std::vector<KindRow> rows = {
        {"Missing", std::nullopt, std::nullopt, std::nullopt, std::nullopt},
        {"Zero", QStringLiteral("0"), 0u, QStringLiteral("0"), std::nullopt},
        {"Four", QStringLiteral("4"), 4u, QStringLiteral("4"), std::nullopt},
        {"MaxUnsigned", QStringLiteral("4294967295"), 0xFFFFFFFFu, QStringLiteral("4294967295"), std::nullopt},
        {"TooLarge", QStringLiteral("4294967296"), std::nullopt, QStringLiteral("4294967296"), std::nullopt},
        {"MinSigned", QStringLiteral("-2147483648"), 0x80000000u, QStringLiteral("-2147483648"), std::nullopt},
        {"TooSmall", QStringLiteral("-2147483649"), std::nullopt, QStringLiteral("-2147483649"), std::nullopt},
        {"MinusFive", QStringLiteral("-5"), 0xFFFFFFFBu, QStringLiteral("-5"), std::nullopt},
        {"Unsigned", QStringLiteral("4294967291"), 0xFFFFFFFBu, QStringLiteral("4294967291"), std::nullopt},
        {"PlusSign", QStringLiteral("+7"), 7u, QStringLiteral("+7"), std::nullopt},
        {"LeadingZeros", QStringLiteral("007"), 7u, QStringLiteral("007"), std::nullopt},
        {"ManyDigits", QStringLiteral("000000000000000000004464"), 4464u, QStringLiteral("000000000000000000004464"),
         std::nullopt},
        {"Huge", QStringLiteral("99999999999999999999999"), std::nullopt, QStringLiteral("99999999999999999999999"),
         std::nullopt},
        {"Hex", QStringLiteral("0x10"), std::nullopt, QStringLiteral("0x10"), std::nullopt},
        {"Trailing", QStringLiteral("5x"), std::nullopt, QStringLiteral("5x"), std::nullopt},
        {"Blank", QStringLiteral(" 5"), std::nullopt, QStringLiteral(" 5"), std::nullopt},
        {"Decimal", QStringLiteral("5.0"), std::nullopt, QStringLiteral("5.0"), std::nullopt},
        {"SignOnly", QStringLiteral("-"), std::nullopt, QStringLiteral("-"), std::nullopt},
        {"Empty", QString(), std::nullopt, QString(), std::nullopt},
        {"Text", QStringLiteral("abc"), std::nullopt, QStringLiteral("abc"), std::nullopt},
        {"Semicolon", QStringLiteral("a;b"), std::nullopt, QStringLiteral("a;b"), std::nullopt},
        {"Spaced", QStringLiteral("  spaced "), std::nullopt, QStringLiteral("  spaced "), std::nullopt},
        {"Commas", longText, std::nullopt, longText, std::nullopt},
        {"Unicode", QStringLiteral("下载 目录"), std::nullopt, QStringLiteral("下载 目录"), std::nullopt},
        // What a hand edit "1, 2" (unquoted) gives: a list, joined with ", ".
        {"List", QStringList{QStringLiteral("1"), QStringLiteral("2")}, std::nullopt, QStringLiteral("1, 2"),
         std::nullopt},
        {"NumberVariant", QVariant(42), 42u, QStringLiteral("42"), std::nullopt},
        {"BoolVariant", QVariant(true), std::nullopt, QStringLiteral("true"), std::nullopt},
        {"Binary", QByteArray("\x01\x00\x02", 3), std::nullopt, std::nullopt, QByteArray("\x01\x00\x02", 3)},
        {"BinaryDigits", QByteArray("5"), std::nullopt, std::nullopt, QByteArray("5")},
        {"EmptyBinary", QByteArray(), std::nullopt, std::nullopt, QByteArray()},
        {"Point", QPoint(1, 2), std::nullopt, std::nullopt, std::nullopt},
    };

    const QString path = iniPath(UseFreshConfigHome());
    WriteIniFixture(path, [&](QSettings& settings) {
        for (const KindRow& row : rows)
            if (row.stored)
                settings.setValue(QStringLiteral("Settings/") + QLatin1String(row.key), *row.stored);
    });

    const CProfile profile;
    ASSERT_EQ(profile.FilePath(), path);
    for (const KindRow& row : rows) {
        SCOPED_TRACE(row.key);
        const QString key = QLatin1String(row.key);
        EXPECT_EQ(profile.GetProfileInt(SettingsSection(), key, kIntDefault), row.asInt.value_or(uint32_t(kIntDefault)));
        EXPECT_EQ(profile.GetProfileString(SettingsSection(), key, kStringDefault), row.asString.value_or(kStringDefault));
        QByteArray binary("untouched");
        EXPECT_EQ(profile.GetProfileBinary(SettingsSection(), key, &binary), row.asBinary.has_value());
        EXPECT_EQ(binary, row.asBinary.value_or(QByteArray("untouched")));
    }
}

TEST(Profile, ParseDwordTextBounds)
{
    EXPECT_EQ(CProfile::ParseDwordText(QStringLiteral("2147483647")), 0x7FFFFFFFu);
    EXPECT_EQ(CProfile::ParseDwordText(QStringLiteral("2147483648")), 0x80000000u);
    EXPECT_EQ(CProfile::ParseDwordText(QStringLiteral("-1")), 0xFFFFFFFFu);
    EXPECT_EQ(CProfile::ParseDwordText(QStringLiteral("-0")), 0u);
    EXPECT_EQ(CProfile::ParseDwordText(QStringLiteral("5 ")), std::nullopt);
    EXPECT_EQ(CProfile::ParseDwordText(QStringLiteral("--5")), std::nullopt);
    EXPECT_EQ(CProfile::ParseDwordText(QStringLiteral("٣")), std::nullopt); // a non-ASCII digit
}

// Integers are written as signed decimal text; strings and binaries come back exactly.
TEST(Profile, WritesAndReadsBack)
{
    const QString path = iniPath(UseFreshConfigHome());
    const QString longText = QStringLiteral("Mozilla/5.0 (KHTML, like Gecko) a;b=c \"q\" \\ 下载");
    {
        CProfile profile;
        EXPECT_TRUE(profile.WriteProfileInt(SettingsSection(), QStringLiteral("Retries"), 4));
        EXPECT_TRUE(profile.WriteProfileInt(SettingsSection(), QStringLiteral("Port"), 4464));
        EXPECT_TRUE(profile.WriteProfileInt(SettingsSection(), QStringLiteral("Negative"), -1));
        EXPECT_TRUE(profile.WriteProfileInt(SettingsSection(), QStringLiteral("Lowest"), INT32_MIN));
        EXPECT_TRUE(profile.WriteProfileString(SettingsSection(), QStringLiteral("Text"), longText));
        EXPECT_TRUE(profile.WriteProfileString(SettingsSection(), QStringLiteral("Spaced"), QStringLiteral("  spaced ")));
        EXPECT_TRUE(profile.WriteProfileString(SettingsSection(), QStringLiteral("At"), QStringLiteral("@ByteArray(x)")));
        EXPECT_TRUE(profile.WriteProfileBinary(SettingsSection(), QStringLiteral("Bytes"), QByteArray("\xE4\x07\0\xFF", 4)));
        EXPECT_TRUE(profile.sync());
    }
    const QByteArray file = ReadFileBytes(path);
    EXPECT_TRUE(file.startsWith("[Settings]\n")) << file.constData();
    EXPECT_TRUE(file.contains("\nRetries=4\n"));
    EXPECT_TRUE(file.contains("\nPort=4464\n"));
    EXPECT_TRUE(file.contains("\nNegative=-1\n"));
    EXPECT_TRUE(file.contains("\nLowest=-2147483648\n"));
    EXPECT_TRUE(file.contains("\nBytes=@ByteArray("));

    // Parse the written file from disk (a copy, so that no cache is shared).
    const QString copy = TestEnvironment::root() + QStringLiteral("/written-copy.ini");
    QFile::remove(copy);
    ASSERT_TRUE(QFile::copy(path, copy));
    const CProfile profile(copy);
    EXPECT_EQ(profile.GetProfileInt(SettingsSection(), QStringLiteral("Retries"), 0), 4u);
    EXPECT_EQ(profile.GetProfileInt(SettingsSection(), QStringLiteral("Negative"), 0), 0xFFFFFFFFu);
    EXPECT_EQ(profile.GetProfileInt(SettingsSection(), QStringLiteral("Lowest"), 0), 0x80000000u);
    EXPECT_EQ(profile.GetProfileString(SettingsSection(), QStringLiteral("Text")), longText);
    EXPECT_EQ(profile.GetProfileString(SettingsSection(), QStringLiteral("Spaced")), QStringLiteral("  spaced "));
    EXPECT_EQ(profile.GetProfileString(SettingsSection(), QStringLiteral("At")), QStringLiteral("@ByteArray(x)"));
    QByteArray bytes;
    EXPECT_TRUE(profile.GetProfileBinary(SettingsSection(), QStringLiteral("Bytes"), &bytes));
    EXPECT_EQ(bytes, QByteArray("\xE4\x07\0\xFF", 4));
    // A value of another kind counts as missing.
    EXPECT_FALSE(profile.GetProfileBinary(SettingsSection(), QStringLiteral("Retries"), &bytes));
    EXPECT_EQ(profile.GetProfileInt(SettingsSection(), QStringLiteral("Bytes"), 9), 9u);
    EXPECT_EQ(profile.GetProfileString(SettingsSection(), QStringLiteral("Bytes"), QStringLiteral("d")), QStringLiteral("d"));
}

// A backslash in the section names a subkey, as later layouts use it.
TEST(Profile, SubkeySection)
{
    const QString path = iniPath(UseFreshConfigHome());
    {
        CProfile profile;
        profile.WriteProfileInt(QStringLiteral("Settings\\WindowPlacement"), QStringLiteral("ShowCmd"), 3);
        profile.sync();
        EXPECT_EQ(profile.GetProfileInt(QStringLiteral("Settings\\WindowPlacement"), QStringLiteral("ShowCmd"), 0), 3u);
    }
    EXPECT_TRUE(ReadFileBytes(path).contains("[Settings]\nWindowPlacement\\ShowCmd=3\n"));
    const QSettings settings(path, QSettings::IniFormat);
    EXPECT_EQ(settings.value(QStringLiteral("Settings/WindowPlacement/ShowCmd")).toString(), QStringLiteral("3"));
}

TEST(Profile, DefaultFilePathFollowsXdgConfigHome)
{
    const QString config = UseFreshConfigHome();
    EXPECT_EQ(CProfile::DefaultFilePath(), config + QStringLiteral("/Orlmark/Vandrel/4.3.ini"));
}

// Reading creates nothing; the first write creates the folders 0700 and the file
// 0600 before QSettings writes it, and the modes stay across rewrites.
TEST(Profile, FirstWriteCreatesPrivateFolderAndFile)
{
    const QString config = UseFreshConfigHome();
    const QString path = iniPath(config);
    {
        CProfile profile;
        EXPECT_EQ(profile.GetProfileInt(SettingsSection(), QStringLiteral("X"), 5), 5u);
        EXPECT_TRUE(profile.sync());
        EXPECT_FALSE(QFileInfo::exists(config + QStringLiteral("/Orlmark")));

        const mode_t oldMask = ::umask(0);
        EXPECT_TRUE(profile.WriteProfileString(SettingsSection(), QStringLiteral("HttpProxyPassword"), QStringLiteral("secret")));
        ::umask(oldMask);
        EXPECT_EQ(FileMode(config + QStringLiteral("/Orlmark")), 0700);
        EXPECT_EQ(FileMode(config + QStringLiteral("/Orlmark/Vandrel")), 0700);
        EXPECT_EQ(FileMode(path), 0600);
        EXPECT_EQ(QFileInfo(path).size(), 0);
        EXPECT_TRUE(profile.sync());
    }
    EXPECT_EQ(FileMode(path), 0600);
    EXPECT_TRUE(ReadFileBytes(path).contains("HttpProxyPassword=secret"));
    {
        CProfile profile;
        profile.WriteProfileInt(SettingsSection(), QStringLiteral("Y"), 1);
        EXPECT_TRUE(profile.sync());
    }
    EXPECT_EQ(FileMode(path), 0600);
    EXPECT_EQ(FileMode(config + QStringLiteral("/Orlmark/Vandrel")), 0700);
}

// Only folders the layer creates get 0700; an existing one keeps its mode.
TEST(Profile, ExistingFolderKeepsItsMode)
{
    const QString config = UseFreshConfigHome();
    ASSERT_TRUE(QDir().mkdir(config + QStringLiteral("/Orlmark")));
    ASSERT_EQ(::chmod(QFile::encodeName(config + QStringLiteral("/Orlmark")).constData(), 0755), 0);
    CProfile profile;
    profile.WriteProfileInt(SettingsSection(), QStringLiteral("Y"), 1);
    EXPECT_TRUE(profile.sync());
    EXPECT_EQ(FileMode(config + QStringLiteral("/Orlmark")), 0755);
    EXPECT_EQ(FileMode(config + QStringLiteral("/Orlmark/Vandrel")), 0700);
    EXPECT_EQ(FileMode(iniPath(config)), 0600);
}

// A file removed between the first write and the sync is made again, 0600.
TEST(Profile, FileRemovedBeforeSyncIsRecreatedPrivate)
{
    const QString path = iniPath(UseFreshConfigHome());
    CProfile profile;
    profile.WriteProfileInt(SettingsSection(), QStringLiteral("Y"), 1);
    ASSERT_TRUE(QFile::remove(path));
    EXPECT_TRUE(profile.sync());
    EXPECT_EQ(FileMode(path), 0600);
    EXPECT_TRUE(ReadFileBytes(path).contains("Y=1"));
}
