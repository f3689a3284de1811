#pragma once

#include "link/decode_event.h"
#include "link/rx_raw_buffer.h"

#include <QByteArray>

// Nibble framing: every frame byte travels as two wire bytes.
//   low  : 0 0 0 0 d3 d2 d1 d0       (bit 6 clear)
//   high : F 1 L 0 d7 d6 d5 d4       (bit 6 set; F = first frame byte, L = last)
// Bit 6 tells the halves apart, so a receiver can resynchronise on any byte.
namespace frame {

// Wire bytes for a frame that already carries its CRC.
QByteArray nibbleEncode(QByteArrayView frameWithCrc);

} // namespace frame

// Which first frame bytes a nibble receiver takes as the start of a frame.
struct NibbleFirstByteRule
{
    enum Kind
    {
        AnswerFrom, // master: answer bit set and address nibble matches
        QueryTo,    // slave: answer bit clear, address nibble ours or 0
        Any,        // monitor: everything
    };
    Kind kind = Any;
    quint8 address = 0;
};

class NibbleDecoder
{
public:
    explicit NibbleDecoder(RxRawBuffer& raw) : m_raw(raw) {}

    DecodeEvent feed(quint8 wire, NibbleFirstByteRule rule);

private:
    RxRawBuffer& m_raw;
    // Kept after use: a high byte without a fresh low byte reuses it.
    quint8 m_pendingLow = 0;
};
