// The nibble frame decoder against the framing rules, wire byte by wire
// byte, and the encoder against the decoder.
//
// Input: byte 0 picks the first-byte rule (master, slave, monitor), byte 1
// the address; the rest is the received wire, and also a frame to encode.

#include "fuzz/reference_frame.h"
#include "link/crc16.h"
#include "link/nibble_codec.h"

#include <QByteArray>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr int kShortestFrame = 5; // address, ID, code, CRC low, CRC high
constexpr quint8 kHighHalf = 0x40;
constexpr quint8 kFirstByte = 0x80;
constexpr quint8 kLastByte = 0x20;
constexpr quint8 kAnswerBit = 0x80;
constexpr quint8 kAddressBits = 0x0F;

struct NibbleModel
{
    NibbleFirstByteRule rule;
    reference::RawBuffer raw;
    quint8 pendingLow = 0;

    bool firstByteAccepted(quint8 b) const
    {
        const quint8 address = b & kAddressBits;
        switch (rule.kind) {
        case NibbleFirstByteRule::AnswerFrom:
            return (b & kAnswerBit) != 0 && address == rule.address;
        case NibbleFirstByteRule::QueryTo:
            return (b & kAnswerBit) == 0 && (address == rule.address || address == 0);
        case NibbleFirstByteRule::Any:
            return true;
        }
        return false;
    }

    DecodeEvent feed(quint8 w)
    {
        if ((w & kHighHalf) == 0) {
            pendingLow = w & 0x0F;
            return DecodeEvent::None;
        }
        const quint8 b = quint8((w & 0x0F) * 16 + pendingLow);
        if (w & kFirstByte) {
            if (firstByteAccepted(b)) {
                raw.clear();
                raw.append(b);
                return DecodeEvent::FrameStarted;
            }
            raw.clear();
            return DecodeEvent::Rejected;
        }
        if (raw.bytes.empty())
            return DecodeEvent::None;
        raw.append(b);
        if ((w & kLastByte) == 0)
            return DecodeEvent::None;
        if (raw.bytes.size() >= size_t(kShortestFrame) && reference::crcMatches(raw.bytes))
            return DecodeEvent::FrameAccepted;
        raw.clear();
        return DecodeEvent::Rejected;
    }
};

[[noreturn]] void fail(const char* what, size_t at)
{
    std::fprintf(stderr, "nibble decoder differs from the rules at input byte %zu: %s\n", at, what);
    std::abort();
}

void checkRoundTrip(const quint8* data, size_t size)
{
    constexpr int kCrcBytes = 2;
    if (size + kCrcBytes < size_t(kShortestFrame) || size + kCrcBytes > size_t(reference::RxRawCapacity))
        return;
    const QByteArray body(reinterpret_cast<const char*>(data), qsizetype(size));
    const QByteArray wire = frame::nibbleEncode(frame::withCrc(body));
    if (wire.size() != qsizetype(2 * (size + kCrcBytes)))
        fail("an encoded frame is not two wire bytes per frame byte", 0);
    for (qsizetype i = 0; i < wire.size(); i += 2) {
        const auto low = quint8(wire[i]);
        const auto high = quint8(wire[i + 1]);
        const bool first = i == 0;
        const bool last = i + 2 == wire.size();
        if (low > 0x0F || (high & 0x10) != 0 || (high & kHighHalf) == 0 || bool(high & kFirstByte) != first ||
            bool(high & kLastByte) != last)
            fail("an encoded wire byte breaks the bit layout", size_t(i));
    }
    RxRawBuffer raw;
    NibbleDecoder decoder(raw);
    DecodeEvent last = DecodeEvent::None;
    for (const char w : wire)
        last = decoder.feed(quint8(w), NibbleFirstByteRule{NibbleFirstByteRule::Any, 0});
    if (!reference::accepted(last, raw, data, size))
        fail("an encoded frame does not decode to its bytes", 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const quint8* data, size_t size)
{
    if (size < 2)
        return 0;
    constexpr NibbleFirstByteRule::Kind kinds[] = {NibbleFirstByteRule::AnswerFrom,
                                                   NibbleFirstByteRule::QueryTo, NibbleFirstByteRule::Any};
    const NibbleFirstByteRule rule{kinds[data[0] % 3], quint8(data[1] & kAddressBits)};
    data += 2;
    size -= 2;

    RxRawBuffer raw;
    NibbleDecoder decoder(raw);
    NibbleModel model;
    model.rule = rule;
    for (size_t i = 0; i < size; ++i) {
        const DecodeEvent got = decoder.feed(data[i], rule);
        if (const char* what = reference::difference(got, model.feed(data[i]), raw, model.raw))
            fail(what, i);
    }
    checkRoundTrip(data, size);
    return 0;
}
