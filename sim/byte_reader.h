#pragma once

#include <QByteArrayView>

#include <bit>

// Little-endian reader for the parameter blocks of queries. A read past the
// end yields 0 and marks the reader short, so a caller checks once at the end.
class ByteReader
{
public:
    explicit ByteReader(QByteArrayView bytes) : m_bytes(bytes) {}

    quint8 u8() { return quint8(take(1)); }
    bool boolean() { return u8() != 0; }
    quint16 u16() { return quint16(take(2)); }
    quint32 u32() { return take(4); }
    qint32 i32() { return qint32(take(4)); }
    float f32() { return std::bit_cast<float>(take(4)); }

    bool isShort() const { return m_short; }
    qsizetype remaining() const { return m_bytes.size() - m_position; }

private:
    quint32 take(int size)
    {
        if (m_position + size > m_bytes.size()) {
            m_short = true;
            return 0;
        }
        quint32 value = 0;
        for (int i = 0; i < size; ++i)
            value |= quint32(quint8(m_bytes[m_position + i])) << (8 * i);
        m_position += size;
        return value;
    }

    QByteArrayView m_bytes;
    qsizetype m_position = 0;
    bool m_short = false;
};
