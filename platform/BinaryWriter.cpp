#include "platform/BinaryWriter.h"

#include <QtEndian>

template <typename T> void BinaryWriter::writeLittleEndian(T value)
{
    const T le = qToLittleEndian(value);
    m_data.append(reinterpret_cast<const char*>(&le), sizeof le);
}

void BinaryWriter::writeUInt16(uint16_t value) { writeLittleEndian(value); }
void BinaryWriter::writeInt32(int32_t value) { writeLittleEndian(value); }
void BinaryWriter::writeUInt32(uint32_t value) { writeLittleEndian(value); }
void BinaryWriter::writeUInt64(uint64_t value) { writeLittleEndian(value); }
void BinaryWriter::writeSystemTime(const SYSTEMTIME& time) { AppendSystemTime(m_data, time); }
void BinaryWriter::writeBytes(const QByteArray& bytes) { m_data.append(bytes); }

void BinaryWriter::writeString(const QString& text)
{
    writeInt32(int32_t(text.size()));
    // In one piece: a list holds millions of units.
    const qsizetype start = m_data.size();
    m_data.resize(start + 2 * text.size());
    char* out = m_data.data() + start;
    for (QChar unit : text) {
        qToLittleEndian<uint16_t>(unit.unicode(), out);
        out += 2;
    }
}
