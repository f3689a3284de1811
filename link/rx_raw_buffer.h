#pragma once

#include <QByteArrayView>

#include <array>

// Bytes of the frame being received. Holds at most Capacity bytes; further
// bytes are dropped and full() reports it (such a frame fails its CRC).
class RxRawBuffer
{
public:
    static constexpr int Capacity = 2048;

    void clear()
    {
        m_count = 0;
        m_full = false;
    }
    void startWith(quint8 byte)
    {
        m_bytes[0] = byte;
        m_count = 1;
        m_full = false;
    }
    void append(quint8 byte)
    {
        if (m_count < Capacity)
            m_bytes[size_t(m_count++)] = byte;
        m_full = m_count >= Capacity;
    }

    // In a full buffer: the byte takes the last place, the one it held is lost.
    void replaceLast(quint8 byte)
    {
        if (m_count > 0)
            m_bytes[size_t(m_count - 1)] = byte;
    }

    int count() const { return m_count; }
    bool full() const { return m_full; }
    const quint8* data() const { return m_bytes.data(); }
    QByteArrayView view() const { return QByteArrayView(m_bytes.data(), m_count); }

private:
    std::array<quint8, Capacity> m_bytes{};
    int m_count = 0;
    bool m_full = false;
};
