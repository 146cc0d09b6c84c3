#include "platform/StringTable.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QSet>

TEST(StringTable, UnknownIdIsEmpty)
{
    EXPECT_TRUE(LoadResString(0).isEmpty());
    EXPECT_TRUE(LoadResString(99999999).isEmpty());
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
