#include "platform/BinaryReader.h"

#include <QIODevice>
#include <QtEndian>

bool BinaryReader::readBytes(char* buffer, qint64 size)
{
    return m_device->read(buffer, size) == size;
}

template <typename T> bool BinaryReader::readLittleEndian(T* value)
{
    char bytes[sizeof(T)];
    if (!readBytes(bytes, sizeof bytes))
        return false;
    *value = qFromLittleEndian<T>(bytes);
    return true;
}

bool BinaryReader::readUInt16(uint16_t* value) { return readLittleEndian(value); }
bool BinaryReader::readInt32(int32_t* value) { return readLittleEndian(value); }
bool BinaryReader::readUInt32(uint32_t* value) { return readLittleEndian(value); }
bool BinaryReader::readUInt64(uint64_t* value) { return readLittleEndian(value); }

bool BinaryReader::readSystemTime(SYSTEMTIME* time)
{
    char bytes[kSystemTimeBytes];
    if (!readBytes(bytes, sizeof bytes))
        return false;
    *time = SystemTimeFromBytes(bytes);
    return true;
}

qint64 BinaryReader::bytesLeft() const
{
    return m_device->isSequential() ? m_device->bytesAvailable() : m_device->size() - m_device->pos();
}

bool BinaryReader::readUnits(int32_t count, QString* text)
{
    if (count <= 0) {
        *text = QString();
        return true;
    }
    const qint64 bytes = 2 * qint64(count);
    if (bytes > bytesLeft())
        return false;
    QByteArray raw(bytes, Qt::Uninitialized);
    if (!readBytes(raw.data(), bytes))
        return false;
    QString result(count, Qt::Uninitialized);
    for (int32_t i = 0; i < count; ++i)
        result[i] = QChar(qFromLittleEndian<uint16_t>(raw.constData() + 2 * i));
    *text = result;
    return true;
}
