#include "platform/StringTable.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QSet>

TEST(StringTable, UnknownIdIsEmpty)
{
    EXPECT_TRUE(LoadResString(TextId::None).isEmpty());
    EXPECT_TRUE(LoadResString(TextId(99999999)).isEmpty());
}

// The build strips the name column: a text starts after its id's tab, escapes undone.
TEST(StringTable, TextsComeWithoutTheirNames)
{
    EXPECT_EQ(LoadResString(TextId::ParseUrlFailed), QStringLiteral(u"解析 URL 失败。"));
    EXPECT_EQ(LoadResString(TextId::AddDownloadTip), QStringLiteral(u"\n添加下载"));
}

// Each id may appear once, or a later line would silently replace an earlier text.
TEST(StringTable, IdsAreUnique)
{
    QFile file(VANDREL_SOURCE_DIR "/resources/strings.txt");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QSet<QByteArray> seen;
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const QByteArray id = line.left(line.indexOf('\t'));
        EXPECT_FALSE(seen.contains(id)) << "duplicate id " << id.constData();
        seen.insert(id);
    }
}
