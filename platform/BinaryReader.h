#pragma once

#include "platform/SystemTime.h"

#include <QString>

#include <cstdint>

class QIODevice;

// Reads little-endian values from a device. Every read reports a short read
// (end of data or a device error) by returning false and leaves its output alone.
class BinaryReader
{
public:
    explicit BinaryReader(QIODevice* device) : m_device(device) {}

    bool readUInt16(uint16_t* value);
    bool readInt32(int32_t* value);
    bool readUInt32(uint32_t* value);
    bool readUInt64(uint64_t* value);
    bool readSystemTime(SYSTEMTIME* time);
    bool readBytes(char* buffer, qint64 size);
    // n units of UTF-16LE; false without reading when fewer than 2n bytes remain,
    // so a damaged count never causes a large allocation.
    bool readUnits(int32_t count, QString* text);

    qint64 bytesLeft() const;

private:
    template <typename T> bool readLittleEndian(T* value);
    QIODevice* m_device;
};
