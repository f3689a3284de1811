#include "link/crc16.h"

#include <array>

namespace frame {

namespace {

constexpr quint16 stepByte(quint16 crc)
{
    for (int bit = 0; bit < 8; ++bit)
        crc = (crc & 1u) ? quint16((crc >> 1) ^ 0xA001u) : quint16(crc >> 1);
    return crc;
}

constexpr std::array<quint16, 256> makeTable()
{
    std::array<quint16, 256> table{};
    for (unsigned i = 0; i < 256; ++i)
        table[i] = stepByte(quint16(i));
    return table;
}

constexpr std::array<quint16, 256> kTable = makeTable();

} // namespace

quint16 crc16Modbus(QByteArrayView bytes, quint16 crc)
{
    for (const char c : bytes)
        crc = quint16((crc >> 8) ^ kTable[(crc ^ quint8(c)) & 0xFFu]);
    return crc;
}

quint16 crc16ModbusBitwise(QByteArrayView bytes, quint16 crc)
{
    for (const char c : bytes)
        crc = stepByte(quint16(crc ^ quint8(c)));
    return crc;
}

} // namespace frame

namespace frame {

QByteArray withCrc(QByteArrayView frame)
{
    const quint16 crc = crc16Modbus(frame);
    QByteArray out(frame.data(), frame.size());
    out.append(char(crc & 0xFF));
    out.append(char(crc >> 8));
    return out;
}

bool crcMatches(QByteArrayView frameWithCrc)
{
    const qsizetype n = frameWithCrc.size();
    if (n < 2)
        return false;
    const quint16 expected = quint16(quint8(frameWithCrc[n - 2]) | (quint8(frameWithCrc[n - 1]) << 8));
    return crc16Modbus(frameWithCrc.first(n - 2)) == expected;
}

} // namespace frame
