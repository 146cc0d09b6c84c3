#pragma once

#include <QByteArray>

#include <cstdint>
#include <memory>
#include <optional>

class BinaryReader;
class BinaryWriter;
class CDownloadItem;
class QIODevice;

// The binary download list: a 12-byte header ("VRLF", version 2, two reserved
// bytes, the record count), then per download its scheduled flag and its list
// record, back to back.
class CDownloadListFile
{
public:
    static constexpr int kHeaderSize = 12;

    static QByteArray EncodeHeader(uint32_t count);
    // Reads the header from the device; the record count, or none for a file
    // that is not a list of this version. The reserved bytes are not looked at.
    static std::optional<uint32_t> ReadHeader(QIODevice& file);

    // Throws what the download's Serialize throws.
    static void WriteRecord(BinaryWriter& archive, const CDownloadItem& item);
    // A new item with its download; throws CArchiveException for a record cut
    // short or one the download rejects.
    static std::unique_ptr<CDownloadItem> ReadRecord(BinaryReader& archive);
};
