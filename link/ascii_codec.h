#pragma once

#include "link/decode_event.h"
#include "link/rx_raw_buffer.h"

#include <QByteArray>

// ASCII framing: a start letter ("M" for a query, "S" for an answer), every
// frame byte as two upper-case hex digits, then ";". Frame body:
//   address, ID, command, status (0 in a query), data..., CRC low, CRC high
namespace frame {

inline constexpr char AsciiQueryStart = 'M';
inline constexpr char AsciiAnswerStart = 'S';
inline constexpr char AsciiEnd = ';';

// The start letter, the hex digits of a frame that already carries its CRC,
// and the end character.
QByteArray asciiEncode(char start, QByteArrayView frameWithCrc);

} // namespace frame

class AsciiDecoder
{
public:
    explicit AsciiDecoder(RxRawBuffer& raw, char startLetter = frame::AsciiAnswerStart)
        : m_raw(raw), m_start(startLetter)
    {}

    DecodeEvent feed(quint8 c);

    // After a query goes out, anything before the next start letter is noise.
    void leaveFrame() { m_inFrame = false; }
    bool inFrame() const { return m_inFrame; }

private:
    DecodeEvent reject();

    RxRawBuffer& m_raw;
    char m_start;
    bool m_inFrame = false;
    // Set once ";" has accepted the bytes held; a repeated ";" must not
    // accept the same frame again.
    bool m_accepted = false;
    bool m_expectHigh = true;
    quint8 m_pendingHigh = 0;
};
