#pragma once

#include "engine/DownloadItem.h"
#include "engine/DownloadState.h"
#include "engine/HttpDownloader.h"
#include "mainframe/core/DownloadRows.h"
#include "platform/BinaryWriter.h"
#include "support/TestEnvironment.h"

#include <QByteArray>
#include <QFile>
#include <QStringList>

// Binary lists byte for byte, made by hand, the files that hold them, and rows
// made from URLs.

// One scheduled Completed download, byte for byte as a list file holds it.
inline const QByteArray kWorkedExample = QByteArray::fromHex(
    "56524c460200000001000000010000000e000000e8070300040007000e000500"
    "09007b00000000000000000000000000000000000e0000006800740074007000"
    "3a002f002f0068002f0061002e007a00690070000e0000006800740074007000"
    "3a002f002f0068002f0061002e007a0069007000000000000000000005000000"
    "61002e007a0069007000070000002f0074006d0070002f0064006c000d000000"
    "2f0074006d0070002f0064006c002f0061002e007a0069007000000000000000"
    "0000000000000000000001000000e80300000000000001000000f0e0d0c0b070"
    "da0180f0fa0200000000");

// A Completed record with its scheduled flag, field by field.
inline QByteArray CompletedRecord(const QString& url, const QString& localFile)
{
    BinaryWriter record;
    record.writeUInt32(0);
    record.writeInt32(Completed);
    record.writeSystemTime(SYSTEMTIME{2024, 3, 4, 7, 14, 5, 9, 123});
    record.writeSystemTime(SYSTEMTIME{});
    const QString folder = QStringLiteral("/tmp/dl");
    for (const QString& text : {url, url, QString(), QString(), QStringLiteral("f"), folder, localFile})
        record.writeString(text);
    record.writeInt32(0);
    record.writeInt32(0);
    record.writeString({});
    record.writeString({});
    record.writeInt32(1);
    record.writeUInt64(1000);
    record.writeInt32(1);
    record.writeUInt64(0);
    record.writeUInt64(0);
    return record.data();
}

inline QByteArray ListHeader(uint32_t count)
{
    BinaryWriter header;
    header.writeBytes("VRLF");
    header.writeUInt16(2);
    header.writeUInt16(0);
    header.writeUInt32(count);
    return header.data();
}

inline QString TempPath(const QString& name)
{
    return TestEnvironment::root() + u'/' + name;
}

// The file of that name in the test's folder, holding the bytes; its path.
inline QString WriteTempFile(const QString& name, const QByteArray& bytes)
{
    const QString path = TempPath(name);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
    return path;
}

inline void AddUrlRows(CDownloadRows& rows, const QStringList& urls)
{
    for (const QString& url : urls) {
        auto* item = new CDownloadItem;
        item->m_pDownloader = new CHttpDownloader(url, TestEnvironment::root(), item);
        rows.AddItem(item);
    }
}

// The URLs as entered, top first.
inline QStringList RowUrls(const CDownloadRows& rows)
{
    QStringList urls;
    for (int row = 0; row < rows.GetItemCount(); ++row)
        urls.append(rows.GetItem(row)->m_pDownloader->m_strUrl);
    return urls;
}
