#pragma once

// Real files in a temporary folder, and a download set up to own them, for the
// tests of the partial file, its stub, finishing and the list record.
#include "engine/DownloadItem.h"
#include "engine/DownloadStub.h"
#include "engine/HttpDownloader.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#include <sys/stat.h>

inline const QString kStubUrl = QStringLiteral("http://127.0.0.1:8080/f.bin");

// The stub of a 1000-byte file in two sections, nothing downloaded yet, written
// out by hand from the layout: magic, version, URL, size, count, two records.
inline QByteArray WorkedExampleStub()
{
    QByteArray stub = QByteArray::fromHex("5652440002006800740074007000" // "VRD\0", 2, "http"
                                          "3a002f002f003100320037002e0030002e0030002e0031003a00" // "://127.0.0.1:"
                                          "38003000380030002f0066002e00620069006e000000"); // "8080/f.bin", NUL
    stub.append(4176 - stub.size(), '\0');
    stub += QByteArray::fromHex("e803000000000000"  // size 1000
                                "02000000"          // 2 sections
                                "00000000" "0000000000000000" "0000000000000000" "f301000000000000"
                                "00000000" "f401000000000000" "f401000000000000" "e703000000000000");
    stub.append(4412 - stub.size(), '\0');
    return stub;
}

// The same stub as a value.
inline DownloadStub WorkedExample()
{
    DownloadStub stub;
    stub.m_strUrl = kStubUrl;
    stub.m_nFileSize = 1000;
    stub.m_nSectionCount = 2;
    stub.m_sections[0] = {0, 0, 0, 499};
    stub.m_sections[1] = {0, 500, 500, 999};
    return stub;
}

// Value written little-endian over bytes at offset.
template <typename T> QByteArray Patched(QByteArray bytes, qsizetype offset, T value)
{
    qToLittleEndian(value, bytes.data() + offset);
    return bytes;
}

inline QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool WriteAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// dataSize bytes of data, then the stub.
inline bool WritePartialFile(const QString& path, qsizetype dataSize, const QByteArray& stub)
{
    return WriteAll(path, QByteArray(dataSize, 'd') + stub);
}

inline struct stat LinkStatus(const QString& path)
{
    struct stat status{};
    lstat(QFile::encodeName(path).constData(), &status);
    return status;
}

// An item that owns its download, as the list's rows do.
struct Row
{
    explicit Row(CHttpDownloader* made) : download(*made) { item.m_pDownloader = made; made->m_pItem = &item; }
    CDownloadItem item;
    CHttpDownloader& download;
};

class FileFixture : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_root.isValid());
        ASSERT_TRUE(QDir(m_root.path()).mkpath("dl"));
        ASSERT_TRUE(QDir(m_root.path()).mkpath("other"));
    }

    QString path(const QString& relative) const { return m_root.path() + u'/' + relative; }

    // A prepared download of title in dl: resumable with the worked example's
    // sections, or not resumable with one section.
    std::unique_ptr<Row> Prepared(const QString& title, uint64_t size, bool resumable)
    {
        auto row = std::make_unique<Row>(new CHttpDownloader(kStubUrl, path("dl"), nullptr));
        CHttpDownloader& download = row->download;
        download.SetDownloadUrl(kStubUrl);
        download.SetFileTitle(title);
        download.m_bGotFileSize = 1;
        download.m_bAcceptRanges = resumable;
        download.m_nFileSize = size;
        const DownloadStub example = WorkedExample();
        const uint32_t count = resumable && size == 1000 ? 2 : 1;
        for (uint32_t i = 0; i < count; ++i) {
            auto section = std::make_unique<CSection>();
            section->m_pDownloader = &download;
            section->m_nIndex = int32_t(i);
            section->m_nRangeStartInitial = example.m_sections[i].m_nRangeStartInitial;
            section->m_nRangeStart = example.m_sections[i].m_nRangeStart;
            section->m_nRangeEnd = count == 2 ? example.m_sections[i].m_nRangeEnd : (size ? size - 1 : 0);
            section->m_bIsUnknownLength = size == 0;
            download.AppendSection(std::move(section));
        }
        return row;
    }

    QTemporaryDir m_root;
};
