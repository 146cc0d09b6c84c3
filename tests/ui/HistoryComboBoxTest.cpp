#include "app/gui/HistoryComboBox.h"

#include "app/History.h"
#include "platform/BinaryWriter.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QFile>
#include <QTemporaryDir>

TEST(HistoryComboBox, AppendsTheNonEmptyTextsNewestFirst)
{
    // An entry with an empty text only comes from a file.
    BinaryWriter writer;
    writer.writeBytes(QByteArray("VRH\0", 4));
    writer.writeUInt32(4);
    for (const char* text : {"/b", "", "/a"}) {
        writer.writeSystemTime(GetLocalTime());
        writer.writeString(QString::fromLatin1(text));
    }
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("h.vrh")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(writer.data());
    file.close();

    CHistory history;
    history.SetCapacity(4);
    ASSERT_TRUE(history.Load(file.fileName()));
    QComboBox box;
    box.addItem(QStringLiteral("typed"));
    FillComboBox(history, &box);

    QStringList items;
    for (int i = 0; i < box.count(); ++i)
        items << box.itemText(i);
    EXPECT_EQ(items.join(u'|').toStdString(), "typed|/b|/a");
}
