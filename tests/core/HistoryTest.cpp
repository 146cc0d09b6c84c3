#include "app/History.h"

#include "platform/BinaryWriter.h"

#include "support/QStringPrinter.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

namespace {

const SYSTEMTIME kMarch5 = {2024, 3, 2, 5, 10, 20, 30, 40};
const SYSTEMTIME kJune1 = {2023, 6, 4, 1, 8, 0, 0, 0};

QByteArray header(const char* magic = "VRH", uint32_t capacity = 10)
{
    BinaryWriter writer;
    writer.writeBytes(QByteArray(magic, 4));
    writer.writeUInt32(capacity);
    return writer.data();
}

QByteArray record(const QString& text, const SYSTEMTIME& time = kMarch5)
{
    BinaryWriter writer;
    writer.writeSystemTime(time);
    writer.writeString(text);
    return writer.data();
}

// A record whose count says `count` but carries `text` as its units.
QByteArray rawRecord(int32_t count, const QString& text)
{
    BinaryWriter writer;
    writer.writeSystemTime(kMarch5);
    writer.writeInt32(count);
    for (QChar unit : text)
        writer.writeUInt16(unit.unicode());
    return writer.data();
}

QStringList texts(const CHistory& history)
{
    QStringList out;
    for (int slot = 0; const CHistory::CHistoryItem* item = history.GetItem(slot); ++slot)
        out << item->GetText();
    return out;
}

class HistoryTest : public testing::Test
{
protected:
    QString path(const QString& name = u"h.vrh"_s) const { return m_dir.filePath(name); }

    QString writeFile(const QByteArray& bytes) const
    {
        QFile file(path());
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        return path();
    }

    QByteArray readFile(const QString& name = u"h.vrh"_s) const
    {
        QFile file(path(name));
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return file.readAll();
    }

    QTemporaryDir m_dir;
};

} // namespace

TEST_F(HistoryTest, LoadsAndSavesTheExactBytes)
{
    const QByteArray bytes = QByteArray::fromHex("5652480003000000E80703000200050"
                                                 "00A0014001E0028000100000041 00");
    ASSERT_EQ(bytes.size(), 30);
    CHistory history;
    history.SetCapacity(3);
    ASSERT_TRUE(history.Load(writeFile(bytes)));
    ASSERT_EQ(texts(history), QStringList{u"A"_s});
    EXPECT_EQ(history.GetItem(0)->GetTime(), kMarch5);

    ASSERT_TRUE(history.Save(path(u"saved.vrh"_s)));
    EXPECT_EQ(readFile(u"saved.vrh"_s), bytes);
    // URLs may carry credentials: only the owner may read the file.
    EXPECT_EQ(QFile::permissions(path(u"saved.vrh"_s)),
              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser | QFileDevice::WriteUser);
}

TEST_F(HistoryTest, AddPutsTheNewestFirst)
{
    CHistory history;
    history.SetCapacity(3);
    for (const QString& text : {u"A"_s, u"B"_s, u"C"_s, u"D"_s})
        history.Add(text, false);
    EXPECT_EQ(texts(history), (QStringList{u"D"_s, u"C"_s, u"B"_s}));

    history.Add(u"D"_s, false); // the URL history keeps repeats
    EXPECT_EQ(texts(history), (QStringList{u"D"_s, u"D"_s, u"C"_s}));

    history.Add(QString(), false);
    EXPECT_EQ(texts(history), (QStringList{u"D"_s, u"D"_s, u"C"_s}));

    const SYSTEMTIME before = GetLocalTime();
    history.Add(u"E"_s, false);
    const SYSTEMTIME added = history.GetItem(0)->GetTime();
    EXPECT_GE(DateTimeFromSystemTime(added, Qt::LocalTime), DateTimeFromSystemTime(before, Qt::LocalTime));
    EXPECT_LE(DateTimeFromSystemTime(added, Qt::LocalTime).secsTo(QDateTime::currentDateTime()), 2);

    CHistory empty;
    empty.Add(u"A"_s, false);
    EXPECT_EQ(empty.GetItem(0), nullptr);
}

// Folders differ by case on Linux, so only the exact text counts as present.
TEST_F(HistoryTest, UniqueAddComparesWithCase)
{
    CHistory history;
    history.SetCapacity(5);
    ASSERT_TRUE(history.Load(writeFile(header() + record(u"/srv/a"_s) + record(u"/tmp/Dl"_s, kJune1))));

    history.Add(u"/tmp/Dl"_s, true);
    EXPECT_EQ(texts(history), (QStringList{u"/srv/a"_s, u"/tmp/Dl"_s}));
    EXPECT_EQ(history.GetItem(1)->GetTime(), kJune1);

    history.Add(u"/tmp/dl"_s, true);
    EXPECT_EQ(texts(history), (QStringList{u"/tmp/dl"_s, u"/srv/a"_s, u"/tmp/Dl"_s}));
}

TEST_F(HistoryTest, LoadRules)
{
    QByteArray fiveRecords = header();
    for (const QString& text : {u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s})
        fiveRecords += record(text);
    // 8 + 16 + 4 + 12 = 40 bytes, the count claiming 4 GiB of text.
    const QByteArray hugeCount = header() + rawRecord(0x7FFFFFFF, u"abcdef"_s);
    ASSERT_EQ(hugeCount.size(), 40);

    struct Case
    {
        const char* name;
        QByteArray file;
        int capacity;
        bool result;
        QStringList entries;
    };
    const Case cases[] = {
        {"more records than slots", fiveRecords, 3, true, {u"1"_s, u"2"_s, u"3"_s}},
        {"ends inside a time", header() + record(u"a"_s) + QByteArray(10, 'x'), 10, true, {u"a"_s}},
        {"ends inside a count", header() + record(u"a"_s) + QByteArray(18, 'x'), 10, false, {u"a"_s}},
        {"ends inside a text", header() + record(u"a"_s) + rawRecord(3, u"bc"_s), 10, false, {u"a"_s}},
        {"bad magic", header("VRX") + record(u"a"_s), 10, false, {}},
        {"short header", header().left(7), 10, false, {}},
        {"no slots", fiveRecords, 0, true, {}},
        {"count 0", header() + rawRecord(0, QString()), 10, true, {QString()}},
        {"count -1 reads no text", header() + rawRecord(-1, QString()) + record(u"b"_s), 10, true,
         {QString(), u"b"_s}},
        {"cut at the first NUL", header() + rawRecord(5, u"ab\0cd"_s) + record(u"z"_s), 10, true,
         {u"ab"_s, u"z"_s}},
        {"huge count", hugeCount, 10, false, {}},
        {"huge count after a record", header() + record(u"a"_s) + rawRecord(0x7FFFFFFF, u"x"_s), 10,
         false, {u"a"_s}},
    };
    for (const Case& c : cases) {
        CHistory history;
        history.SetCapacity(c.capacity);
        EXPECT_EQ(history.Load(writeFile(c.file)), c.result) << c.name;
        EXPECT_EQ(texts(history), c.entries) << c.name;
    }

    CHistory history;
    history.SetCapacity(3);
    EXPECT_FALSE(history.Load(path(u"missing.vrh"_s)));
}

TEST_F(HistoryTest, EmptyTextEntryIsKept)
{
    const QByteArray file = header(); // capacity 10, as the history's
    CHistory history;
    history.SetCapacity(10);
    ASSERT_TRUE(history.Load(writeFile(file + rawRecord(0, QString()))));

    QString text = u"unchanged"_s;
    EXPECT_TRUE(history.GetText(0, &text));
    EXPECT_EQ(text, QString());
    ASSERT_TRUE(history.Save(path(u"saved.vrh"_s)));
    EXPECT_EQ(readFile(u"saved.vrh"_s), file + rawRecord(0, QString()));
}

TEST_F(HistoryTest, GetTextBounds)
{
    CHistory history;
    history.SetCapacity(3);
    history.Add(u"A"_s, false);
    QString text = u"unchanged"_s;
    for (int index : {-1, 1, 3, INT_MAX})
        EXPECT_FALSE(history.GetText(index, &text)) << index;
    EXPECT_EQ(text, u"unchanged"_s);
    EXPECT_EQ(history.GetItem(-1), nullptr);
    EXPECT_EQ(history.GetItem(1), nullptr);
    EXPECT_TRUE(history.GetText(0, &text));
    EXPECT_EQ(text, u"A"_s);
}

TEST_F(HistoryTest, RoundTripKeepsTextsAndTimes)
{
    CHistory history;
    history.SetCapacity(4);
    history.Add(u"𝄞x"_s, false);
    history.Add(u"下载 目录 a b"_s, false);
    ASSERT_TRUE(history.Save(path()));

    // The surrogate pair is two UTF-16LE units: n = 3.
    EXPECT_TRUE(readFile().contains(QByteArray::fromHex("03000000" "34D8" "1EDD" "7800")));

    CHistory loaded;
    loaded.SetCapacity(4);
    ASSERT_TRUE(loaded.Load(path()));
    ASSERT_EQ(texts(loaded), texts(history));
    for (int slot = 0; slot < 2; ++slot)
        EXPECT_EQ(loaded.GetItem(slot)->GetTime(), history.GetItem(slot)->GetTime());
}

TEST_F(HistoryTest, CapacityChanges)
{
    CHistory history;
    history.SetCapacity(4);
    for (const QString& text : {u"A"_s, u"B"_s, u"C"_s, u"D"_s})
        history.Add(text, false);

    history.SetCapacity(2);
    EXPECT_EQ(texts(history), (QStringList{u"D"_s, u"C"_s}));
    history.SetCapacity(5);
    EXPECT_EQ(history.GetSize(), 5);
    EXPECT_EQ(texts(history), (QStringList{u"D"_s, u"C"_s}));

    history.RemoveFrom(1);
    EXPECT_EQ(texts(history), QStringList{u"D"_s});
    EXPECT_EQ(history.GetSize(), 5);
    history.RemoveFrom(0);
    EXPECT_EQ(texts(history), QStringList());

    // A hand-edited negative size counts as no slots at all.
    history.Add(u"A"_s, false);
    history.SetCapacity(-4);
    EXPECT_EQ(history.GetSize(), 0);
    history.Add(u"B"_s, false);
    EXPECT_EQ(texts(history), QStringList());
    ASSERT_TRUE(history.Save(path()));
    EXPECT_EQ(readFile(), QByteArray::fromHex("5652480000000000"));
}

TEST_F(HistoryTest, SaveFailsWithoutItsFolderAndKeepsNoPartialFile)
{
    CHistory history;
    history.SetCapacity(1);
    history.Add(u"A"_s, false);
    EXPECT_FALSE(history.Save(path(u"absent/h.vrh"_s)));
    EXPECT_FALSE(QFile::exists(path(u"absent/h.vrh"_s)));
}
