// Where the lock and socket of the running instance may live: only in a folder
// of the user's alone, never in one that someone else owns or may enter.
#include "platform/PrivatePaths.h"
#include "support/ForeignUser.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QScopeGuard>

#include <cerrno>
#include <sys/stat.h>

namespace {

int Mode(const QString& path)
{
    struct stat status {};
    return ::stat(QFile::encodeName(path).constData(), &status) == 0 ? int(status.st_mode & 07777) : -1;
}

bool MakeFolder(const QString& path, mode_t mode)
{
    const QByteArray native = QFile::encodeName(path);
    return ::mkdir(native.constData(), mode) == 0 && ::chmod(native.constData(), mode) == 0;
}

class PrivateRuntimeFolderTest : public testing::Test
{
protected:
    void SetUp() override
    {
        static int counter = 0;
        m_root = TestEnvironment::root() + QStringLiteral("/private-%1").arg(++counter);
        ASSERT_TRUE(MakeFolder(m_root, 0700));
    }
    void TearDown() override
    {
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(TestEnvironment::runtimeDir()));
        QDir(m_root).removeRecursively();
    }

    // The fallback, below a folder that does not exist yet.
    QString Fallback() const { return m_root + QStringLiteral("/cache/Vandrel"); }
    static void SetRuntime(const QString& folder) { qputenv("XDG_RUNTIME_DIR", QFile::encodeName(folder)); }

    QString m_root;
};

} // namespace

TEST_F(PrivateRuntimeFolderTest, TheRuntimeFolderWhenItIsTheUsersAlone)
{
    const QString runtime = m_root + QStringLiteral("/runtime");
    ASSERT_TRUE(MakeFolder(runtime, 0700));
    SetRuntime(runtime + u'/');
    const PrivateRuntimeFolder found = FindPrivateRuntimeFolder(Fallback());
    EXPECT_EQ(found.error, 0);
    EXPECT_EQ(found.folder, runtime);
    EXPECT_FALSE(QFileInfo::exists(Fallback())) << "the fallback is made only when needed";
}

// The logins without a usable runtime folder: su, ssh -X, some display managers.
TEST_F(PrivateRuntimeFolderTest, OtherwiseAFolderOfItsOwnMadePrivate)
{
    ASSERT_TRUE(MakeFolder(m_root + QStringLiteral("/open"), 0755));
    ASSERT_TRUE(MakeFolder(m_root + QStringLiteral("/group"), 0750));
    ASSERT_TRUE(QFile(m_root + QStringLiteral("/file")).open(QIODevice::WriteOnly));
    const struct
    {
        const char* name;
        QByteArray runtime; // null: unset
    } cases[] = {
        {"unset", {}},
        {"empty", ""},
        {"relative", "runtime"},
        {"missing", QFile::encodeName(m_root + QStringLiteral("/missing"))},
        {"a file", QFile::encodeName(m_root + QStringLiteral("/file"))},
        {"open to others", QFile::encodeName(m_root + QStringLiteral("/open"))},
        {"open to the group", QFile::encodeName(m_root + QStringLiteral("/group"))},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.runtime.isNull())
            qunsetenv("XDG_RUNTIME_DIR");
        else
            qputenv("XDG_RUNTIME_DIR", c.runtime);
        const mode_t mask = ::umask(022);
        const PrivateRuntimeFolder found = FindPrivateRuntimeFolder(Fallback());
        ::umask(mask);
        EXPECT_EQ(found.error, 0);
        EXPECT_EQ(found.folder, Fallback());
        EXPECT_EQ(Mode(Fallback()), 0700);
        EXPECT_EQ(Mode(m_root + QStringLiteral("/cache")), 0700);
    }
    EXPECT_EQ(Mode(m_root + QStringLiteral("/open")), 0755) << "a folder it does not use stays as it was";
}

TEST_F(PrivateRuntimeFolderTest, AFallbackThatIsNotTheUsersAloneIsRefused)
{
    qunsetenv("XDG_RUNTIME_DIR");
    ASSERT_TRUE(QDir().mkpath(m_root + QStringLiteral("/cache")));
    ASSERT_TRUE(MakeFolder(Fallback(), 0755));
    PrivateRuntimeFolder found = FindPrivateRuntimeFolder(Fallback());
    EXPECT_EQ(found.error, EACCES);
    EXPECT_EQ(found.folder, Fallback()) << "named for the message";
    EXPECT_EQ(Mode(Fallback()), 0755);

    for (const QString& none : {QString(), QStringLiteral("cache/Vandrel"), QStringLiteral("/")}) {
        SCOPED_TRACE(none.toStdString());
        found = FindPrivateRuntimeFolder(none);
        EXPECT_NE(found.error, 0);
    }
}

// Someone else can make /tmp/runtime-USER, or any folder, first.
TEST_F(PrivateRuntimeFolderTest, AFolderSomeoneElseOwnsIsNeverTaken)
{
    ForeignUser other;
    if (!other.exists())
        GTEST_SKIP() << other.whyNot().toStdString();
    const QString runtime = m_root + QStringLiteral("/runtime-of-another");
    ASSERT_TRUE(MakeFolder(runtime, 0700) && other.give(runtime));
    SetRuntime(runtime);
    PrivateRuntimeFolder found = FindPrivateRuntimeFolder(Fallback());
    EXPECT_EQ(found.error, 0);
    EXPECT_EQ(found.folder, Fallback());

    const QString taken = m_root + QStringLiteral("/taken");
    ASSERT_TRUE(MakeFolder(taken, 0700) && other.give(taken));
    found = FindPrivateRuntimeFolder(taken);
    EXPECT_EQ(found.error, EACCES);
}
