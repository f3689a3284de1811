#include "tests/support/link_frames.h"

#include "link/ascii_codec.h"
#include "link/crc16.h"
#include "link/nibble_codec.h"

QByteArray asciiAnswer(quint8 status, const QByteArray& data)
{
    QByteArray body = QByteArray::fromHex("012201");
    body.append(char(status));
    body.append(data);
    return frame::asciiEncode(frame::AsciiAnswerStart, frame::withCrc(body));
}

QByteArray nibbleAnswer(quint8 addressByte, quint8 code, const QByteArray& data)
{
    QByteArray body;
    body.append(char(addressByte)).append(char(34)).append(char(code)).append(data);
    return frame::nibbleEncode(frame::withCrc(body));
}
