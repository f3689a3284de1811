#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QtGlobal>

namespace frame {

// CRC-16/MODBUS: reflected polynomial 0xA001, start 0xFFFF, no final XOR.
// Sent low byte first. Check value over "123456789" is 0x4B37.
quint16 crc16Modbus(QByteArrayView bytes, quint16 crc = 0xFFFF);

// The same CRC computed bit by bit; the reference the table is built from.
quint16 crc16ModbusBitwise(QByteArrayView bytes, quint16 crc = 0xFFFF);

} // namespace frame

namespace frame {

// The frame followed by its CRC, low byte first.
QByteArray withCrc(QByteArrayView frame);

// True when the last two bytes are the CRC of the ones before them.
bool crcMatches(QByteArrayView frameWithCrc);

} // namespace frame
