#pragma once

#include <QByteArray>

#include <bit>
#include <cstring>

// Little-endian writer for the transmitter's answer blocks.
class ByteWriter
{
public:
    void putU8(quint8 value) { m_bytes.append(char(value)); }
    void putBool(bool value) { putU8(value ? 1 : 0); }
    void putU16(quint16 value) { putLittleEndian(value, 2); }
    void putU32(quint32 value) { putLittleEndian(value, 4); }
    void putI32(qint32 value) { putLittleEndian(quint32(value), 4); }
    void putF32(float value) { putLittleEndian(std::bit_cast<quint32>(value), 4); }

    const QByteArray& bytes() const { return m_bytes; }

private:
    void putLittleEndian(quint32 value, int size)
    {
        for (int i = 0; i < size; ++i)
            m_bytes.append(char((value >> (8 * i)) & 0xFFu));
    }

    QByteArray m_bytes;
};
