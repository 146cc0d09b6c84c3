#pragma once

#include "platform/SystemTime.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

// Builds the little-endian records of the program's binary files (histories,
// list records, download stubs). Texts are a 32-bit unit count and UTF-16LE
// units without a terminating NUL.
class BinaryWriter
{
public:
    void writeUInt16(uint16_t value);
    void writeInt32(int32_t value);
    void writeUInt32(uint32_t value);
    void writeUInt64(uint64_t value);
    void writeSystemTime(const SYSTEMTIME& time);
    void writeString(const QString& text);
    void writeBytes(const QByteArray& bytes);

    const QByteArray& data() const { return m_data; }
    // Drops what was built, keeping the room for what comes next.
    void clear() { m_data.resize(0); }

private:
    template <typename T> void writeLittleEndian(T value);
    QByteArray m_data;
};
