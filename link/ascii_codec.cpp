#include "link/ascii_codec.h"

#include "link/crc16.h"

namespace frame {

QByteArray asciiEncode(char start, QByteArrayView frameWithCrc)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    QByteArray out;
    out.reserve(frameWithCrc.size() * 2 + 2);
    out.append(start);
    for (const char c : frameWithCrc) {
        out.append(kHex[quint8(c) >> 4]);
        out.append(kHex[quint8(c) & 0x0F]);
    }
    out.append(AsciiEnd);
    return out;
}

} // namespace frame

namespace {

// Upper-case hex only; lower case is a framing error on this line.
int hexValue(quint8 c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

DecodeEvent AsciiDecoder::reject()
{
    m_raw.clear();
    m_inFrame = false;
    m_accepted = false;
    return DecodeEvent::Rejected;
}

DecodeEvent AsciiDecoder::feed(quint8 c)
{
    if (c == quint8(m_start)) {
        m_inFrame = true;
        m_accepted = false;
        m_expectHigh = true;
        m_raw.clear();
        return DecodeEvent::FrameStarted;
    }
    if (const int digit = hexValue(c); digit >= 0) {
        if (!m_inFrame)
            return reject();
        if (m_expectHigh) {
            m_pendingHigh = quint8(digit << 4);
            m_expectHigh = false;
        } else {
            m_raw.append(quint8(m_pendingHigh | digit));
            m_expectHigh = true;
            m_accepted = false;
        }
        return DecodeEvent::None;
    }
    if (c == quint8(frame::AsciiEnd)) {
        if (m_inFrame && !m_accepted && m_raw.count() >= 6 && frame::crcMatches(m_raw.view())) {
            m_accepted = true;
            return DecodeEvent::FrameAccepted;
        }
        return reject();
    }
    return reject();
}
