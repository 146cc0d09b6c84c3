#include "mainframe/core/DownloadListFile.h"

#include "engine/DownloadItem.h"
#include "engine/HttpDownloader.h"
#include "platform/ArchiveException.h"
#include "platform/BinaryReader.h"
#include "platform/BinaryWriter.h"

#include <QIODevice>

namespace {

constexpr char kMagic[] = "VRLF";
constexpr int kMagicSize = 4;
constexpr uint16_t kVersion = 2;

} // namespace

QByteArray CDownloadListFile::EncodeHeader(uint32_t count)
{
    BinaryWriter header;
    header.writeBytes(QByteArray(kMagic, kMagicSize));
    header.writeUInt16(kVersion);
    header.writeUInt16(0);
    header.writeUInt32(count);
    return header.data();
}

std::optional<uint32_t> CDownloadListFile::ReadHeader(QIODevice& file)
{
    const QByteArray header = file.read(kHeaderSize);
    if (header.size() != kHeaderSize || !header.startsWith(QByteArray(kMagic, kMagicSize)))
        return std::nullopt;
    const auto byteAt = [&header](int offset) { return uint32_t(uint8_t(header[offset])); };
    if ((byteAt(4) | byteAt(5) << 8) != kVersion)
        return std::nullopt;
    return byteAt(8) | byteAt(9) << 8 | byteAt(10) << 16 | byteAt(11) << 24;
}

void CDownloadListFile::WriteRecord(BinaryWriter& archive, const CDownloadItem& item)
{
    BinaryWriter record;
    record.writeUInt32(uint32_t(item.IsScheduled()));
    item.m_pDownloader->Serialize(record);
    archive.writeBytes(record.data());
}

std::unique_ptr<CDownloadItem> CDownloadListFile::ReadRecord(BinaryReader& archive)
{
    auto item = std::make_unique<CDownloadItem>();
    uint32_t scheduled = 0;
    if (!archive.readUInt32(&scheduled))
        throw CArchiveException(CArchiveException::EndOfFile);
    item->SetScheduled(scheduled != 0);
    item->m_pDownloader = new CHttpDownloader(archive, item.get());
    return item;
}
