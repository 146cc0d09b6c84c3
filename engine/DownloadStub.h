#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>

// One section's progress as a download stub records it (28 bytes on disk).
struct DownloadStubSection
{
    int32_t m_bIsReachedZero = 0;
    uint64_t m_nRangeStartInitial = 0;
    uint64_t m_nRangeStart = 0; // next byte to write
    uint64_t m_nRangeEnd = 0;   // last byte, inclusive

    friend bool operator==(const DownloadStubSection&, const DownloadStubSection&) = default;
};

// The trailer of a resumable partial file, right behind its data: the download
// URL, the file size and every section's progress, in a fixed little-endian
// layout of 4412 bytes.
struct DownloadStub
{
    static constexpr uint32_t kSize = 4412;
    static constexpr uint32_t kMaxSections = 8;
    // The URL field: up to 2084 units of text and a NUL.
    static constexpr qsizetype kMaxUrlLength = 2084;

    // A URL longer than the field is written as an empty one: a cut URL could
    // fetch another resource into the same file.
    QByteArray Encode() const;
    // False, leaving this stub as it was, unless bytes is a stub of this version
    // whose URL field holds a NUL and whose 1 to 8 records cover the file size
    // exactly: record 0 starts at 0, each next one right after the one before,
    // the last ends at size - 1, and each has initial <= start <= end + 1. A
    // stub of size 0 has one record whose offsets are all 0.
    bool Decode(const QByteArray& bytes);

    QString m_strUrl;
    uint64_t m_nFileSize = 0;
    uint32_t m_nSectionCount = 0;
    std::array<DownloadStubSection, kMaxSections> m_sections{};
};

// Reads the stub at the end of the partial file at path. Throws CFileException
// when the file cannot be opened or read, and CHttpDownloaderException when it is
// not a regular file, is shorter than a stub, holds no valid stub, or its length
// is not the stub's file size plus the stub. Never blocks on a FIFO and never
// follows a symbolic link.
void ReadDownloadStub(const QString& path, DownloadStub& stub);
