#include "link/nibble_codec.h"

#include "link/crc16.h"

namespace frame {

QByteArray nibbleEncode(QByteArrayView frameWithCrc)
{
    QByteArray wire;
    const qsizetype n = frameWithCrc.size();
    wire.reserve(n * 2);
    for (qsizetype p = 0; p < n; ++p) {
        const quint8 b = quint8(frameWithCrc[p]);
        quint8 high = quint8(0x40 | (b >> 4));
        if (p == 0)
            high |= 0x80;
        if (p == n - 1)
            high |= 0x20;
        wire.append(char(b & 0x0F));
        wire.append(char(high));
    }
    return wire;
}

} // namespace frame

namespace {

bool firstByteAccepted(quint8 b, NibbleFirstByteRule rule)
{
    switch (rule.kind) {
    case NibbleFirstByteRule::AnswerFrom:
        return (b & 0x80) && (b & 0x0F) == rule.address;
    case NibbleFirstByteRule::QueryTo:
        return !(b & 0x80) && ((b & 0x0F) == rule.address || (b & 0x0F) == 0);
    case NibbleFirstByteRule::Any:
        return true;
    }
    return false;
}

} // namespace

DecodeEvent NibbleDecoder::feed(quint8 wire, NibbleFirstByteRule rule)
{
    if (!(wire & 0x40)) {
        m_pendingLow = wire & 0x0F;
        return DecodeEvent::None;
    }
    const quint8 b = quint8(((wire & 0x0F) << 4) | m_pendingLow);

    if (wire & 0x80) {
        if (firstByteAccepted(b, rule)) {
            m_raw.startWith(b);
            return DecodeEvent::FrameStarted;
        }
        m_raw.clear();
        return DecodeEvent::Rejected;
    }
    if (m_raw.count() == 0)
        return DecodeEvent::None;

    m_raw.append(b);
    if (!(wire & 0x20))
        return DecodeEvent::None;
    if (m_raw.count() >= 5 && frame::crcMatches(m_raw.view()))
        return DecodeEvent::FrameAccepted;
    m_raw.clear();
    return DecodeEvent::Rejected;
}
