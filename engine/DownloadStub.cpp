#include "engine/DownloadStub.h"

#include "engine/HttpDownloaderException.h"
#include "platform/BinaryWriter.h"
#include "platform/FileException.h"
#include "platform/PosixFile.h"

#include <QtEndian>

namespace {

constexpr char kMagic[] = {'V', 'R', 'D', '\0'};
constexpr uint16_t kVersion = 2;
constexpr qsizetype kUrlUnits = DownloadStub::kMaxUrlLength + 1;

// Offsets in the stub.
constexpr qsizetype kVersionOffset = 4;
constexpr qsizetype kUrlOffset = 6;
constexpr qsizetype kFileSizeOffset = kUrlOffset + 2 * kUrlUnits; // 4176
constexpr qsizetype kCountOffset = kFileSizeOffset + 8;           // 4184
constexpr qsizetype kSectionsOffset = kCountOffset + 4;           // 4188
constexpr qsizetype kSectionBytes = 28;
static_assert(kSectionsOffset + DownloadStub::kMaxSections * kSectionBytes == DownloadStub::kSize);

template <typename T> T LittleEndianAt(const QByteArray& bytes, qsizetype offset)
{
    return qFromLittleEndian<T>(bytes.constData() + offset);
}

DownloadStubSection SectionAt(const QByteArray& bytes, uint32_t index)
{
    const qsizetype at = kSectionsOffset + kSectionBytes * index;
    DownloadStubSection section;
    section.m_bIsReachedZero = LittleEndianAt<int32_t>(bytes, at);
    section.m_nRangeStartInitial = LittleEndianAt<uint64_t>(bytes, at + 4);
    section.m_nRangeStart = LittleEndianAt<uint64_t>(bytes, at + 12);
    section.m_nRangeEnd = LittleEndianAt<uint64_t>(bytes, at + 20);
    return section;
}

// The text before the field's first NUL; false when the field has none.
bool UrlAt(const QByteArray& bytes, QString* url)
{
    for (qsizetype i = 0; i < kUrlUnits; ++i) {
        if (LittleEndianAt<uint16_t>(bytes, kUrlOffset + 2 * i) == 0) {
            QString text(i, Qt::Uninitialized);
            for (qsizetype k = 0; k < i; ++k)
                text[k] = QChar(LittleEndianAt<uint16_t>(bytes, kUrlOffset + 2 * k));
            *url = text;
            return true;
        }
    }
    return false;
}

bool IsConsistent(const DownloadStub& stub)
{
    const uint64_t size = stub.m_nFileSize;
    if (size == 0) {
        const DownloadStubSection& only = stub.m_sections[0];
        return stub.m_nSectionCount == 1 && only.m_nRangeStartInitial == 0 && only.m_nRangeStart == 0
            && only.m_nRangeEnd == 0;
    }
    uint64_t next = 0; // where the next record must begin
    for (uint32_t i = 0; i < stub.m_nSectionCount; ++i) {
        const DownloadStubSection& s = stub.m_sections[i];
        if (s.m_nRangeStartInitial != next || s.m_nRangeEnd >= size || s.m_nRangeStart < s.m_nRangeStartInitial
            || s.m_nRangeStart > s.m_nRangeEnd + 1)
            return false;
        next = s.m_nRangeEnd + 1;
    }
    return next == size;
}

} // namespace

QByteArray DownloadStub::Encode() const
{
    BinaryWriter out;
    out.writeBytes(QByteArray(kMagic, sizeof kMagic));
    out.writeUInt16(kVersion);
    const QString url = m_strUrl.size() <= kMaxUrlLength ? m_strUrl : QString();
    for (QChar unit : url)
        out.writeUInt16(unit.unicode());
    out.writeBytes(QByteArray(2 * (kUrlUnits - url.size()), '\0'));
    out.writeUInt64(m_nFileSize);
    out.writeUInt32(m_nSectionCount);
    for (uint32_t i = 0; i < kMaxSections; ++i) {
        const DownloadStubSection section = i < m_nSectionCount ? m_sections[i] : DownloadStubSection();
        out.writeInt32(section.m_bIsReachedZero);
        out.writeUInt64(section.m_nRangeStartInitial);
        out.writeUInt64(section.m_nRangeStart);
        out.writeUInt64(section.m_nRangeEnd);
    }
    return out.data();
}

bool DownloadStub::Decode(const QByteArray& bytes)
{
    if (bytes.size() != kSize || !bytes.startsWith(QByteArrayView(kMagic, sizeof kMagic))
        || LittleEndianAt<uint16_t>(bytes, kVersionOffset) != kVersion)
        return false;
    DownloadStub stub;
    stub.m_nFileSize = LittleEndianAt<uint64_t>(bytes, kFileSizeOffset);
    stub.m_nSectionCount = LittleEndianAt<uint32_t>(bytes, kCountOffset);
    if (stub.m_nSectionCount < 1 || stub.m_nSectionCount > kMaxSections || !UrlAt(bytes, &stub.m_strUrl))
        return false;
    for (uint32_t i = 0; i < stub.m_nSectionCount; ++i)
        stub.m_sections[i] = SectionAt(bytes, i);
    if (!IsConsistent(stub))
        return false;
    *this = stub;
    return true;
}

void ReadDownloadStub(const QString& path, DownloadStub& stub)
{
    PosixFile file;
    if (const int error = file.open(path, PosixFile::Access::ReadOnly))
        throw CFileException(error, path);
    uint64_t length = 0;
    bool isRegular = false;
    if (const int error = file.getStatus(&length, &isRegular))
        throw CFileException(error, path);
    if (!isRegular || length < DownloadStub::kSize)
        throw CHttpDownloaderException();
    QByteArray bytes(DownloadStub::kSize, Qt::Uninitialized);
    size_t done = 0;
    if (const int error = file.readAt(bytes.data(), size_t(bytes.size()), length - DownloadStub::kSize, &done))
        throw CFileException(error, path);
    DownloadStub read;
    if (done != DownloadStub::kSize || !read.Decode(bytes) || read.m_nFileSize != length - DownloadStub::kSize)
        throw CHttpDownloaderException();
    stub = read;
}
