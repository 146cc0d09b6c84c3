#include "platform/RemoveTree.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cerrno>

namespace {

class RemoveTreeTest : public testing::Test
{
protected:
    QString Path(const QString& relative) const { return m_dir.path() + u'/' + relative; }

    void MakeFile(const QString& relative) const
    {
        ASSERT_TRUE(QDir().mkpath(QFileInfo(Path(relative)).path()));
        QFile file(Path(relative));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("x");
    }

    QTemporaryDir m_dir;
};

} // namespace

TEST_F(RemoveTreeTest, RemovesANestedTreeButNeverWhatItsLinksPointAt)
{
    MakeFile(QStringLiteral("outside/kept.txt"));
    MakeFile(QStringLiteral("tree/a.ini"));
    MakeFile(QStringLiteral("tree/.hidden"));
    MakeFile(QStringLiteral("tree/sub/deeper/b.ini"));
    ASSERT_TRUE(QDir().mkpath(Path(QStringLiteral("tree/empty"))));
    ASSERT_TRUE(QFile::link(Path(QStringLiteral("outside")), Path(QStringLiteral("tree/sub/to-outside"))));
    ASSERT_TRUE(QFile::link(Path(QStringLiteral("nowhere")), Path(QStringLiteral("tree/dangling"))));

    EXPECT_EQ(RemoveTree(Path(QStringLiteral("tree"))), 0);
    EXPECT_FALSE(QFileInfo::exists(Path(QStringLiteral("tree"))));
    EXPECT_TRUE(QFileInfo::exists(Path(QStringLiteral("outside/kept.txt"))));
}

TEST_F(RemoveTreeTest, ALinkGivenAsThePathGoesItselfAndItsFolderStays)
{
    MakeFile(QStringLiteral("target/kept.txt"));
    ASSERT_TRUE(QFile::link(Path(QStringLiteral("target")), Path(QStringLiteral("link"))));
    EXPECT_EQ(RemoveTree(Path(QStringLiteral("link"))), 0);
    EXPECT_FALSE(QFileInfo(Path(QStringLiteral("link"))).isSymLink());
    EXPECT_TRUE(QFileInfo::exists(Path(QStringLiteral("target/kept.txt"))));
}

TEST_F(RemoveTreeTest, AMissingPathGivesEnoentAndAnotherFailureItsErrno)
{
    MakeFile(QStringLiteral("file"));
    EXPECT_EQ(RemoveTree(Path(QStringLiteral("missing"))), ENOENT);
    EXPECT_EQ(RemoveTree(QString()), ENOENT);
    EXPECT_EQ(RemoveTree(Path(QStringLiteral("file/child"))), ENOTDIR);
    EXPECT_TRUE(QFileInfo::exists(Path(QStringLiteral("file"))));
    EXPECT_EQ(RemoveTree(Path(QStringLiteral("file"))), 0);
    EXPECT_FALSE(QFileInfo::exists(Path(QStringLiteral("file"))));
}
