// The ASCII frame decoder against the framing rules, byte by byte, and the
// encoder against the decoder.
//
// Input: byte 0 picks the start letter ('S' for an answer, 'M' for a
// query); the rest is the received line, and also a frame body to encode.

#include "fuzz/reference_frame.h"
#include "link/ascii_codec.h"
#include "link/crc16.h"

#include <QByteArray>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr int kHeaderBytes = 4; // address, ID, command, status
constexpr int kCrcBytes = 2;

struct AsciiModel
{
    char start = frame::AsciiAnswerStart;
    reference::RawBuffer raw;
    bool inFrame = false;
    bool expectHigh = true;
    quint8 pendingHigh = 0;
    // A frame is delivered once: ";" again without a new byte resets.
    bool delivered = false;

    DecodeEvent reset()
    {
        raw.clear();
        inFrame = false;
        delivered = false;
        return DecodeEvent::Rejected;
    }

    DecodeEvent feed(quint8 c)
    {
        if (c == quint8(start)) {
            inFrame = true;
            expectHigh = true;
            delivered = false;
            raw.clear();
            return DecodeEvent::FrameStarted;
        }
        const bool digit = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
        if (digit) {
            if (!inFrame)
                return reset();
            const quint8 value = quint8(c <= '9' ? c - '0' : c - 'A' + 10);
            if (expectHigh) {
                pendingHigh = quint8(value * 16);
                expectHigh = false;
            } else {
                raw.append(quint8(pendingHigh + value));
                expectHigh = true;
                delivered = false;
            }
            return DecodeEvent::None;
        }
        if (c == ';' && inFrame && !delivered && raw.bytes.size() >= size_t(kHeaderBytes + kCrcBytes) &&
            reference::crcMatches(raw.bytes)) {
            delivered = true;
            return DecodeEvent::FrameAccepted;
        }
        return reset();
    }
};

[[noreturn]] void fail(const char* what, size_t at)
{
    std::fprintf(stderr, "ASCII decoder differs from the rules at input byte %zu: %s\n", at, what);
    std::abort();
}

void checkRoundTrip(char start, const quint8* data, size_t size)
{
    if (size < size_t(kHeaderBytes) || size + kCrcBytes > size_t(reference::RxRawCapacity))
        return;
    const QByteArray body(reinterpret_cast<const char*>(data), qsizetype(size));
    const QByteArray line = frame::asciiEncode(start, frame::withCrc(body));
    RxRawBuffer raw;
    AsciiDecoder decoder(raw, start);
    DecodeEvent last = DecodeEvent::None;
    for (const char c : line)
        last = decoder.feed(quint8(c));
    if (!reference::accepted(last, raw, data, size))
        fail("an encoded frame does not decode to its bytes", 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const quint8* data, size_t size)
{
    if (size < 1)
        return 0;
    const char start = (data[0] & 1) ? frame::AsciiQueryStart : frame::AsciiAnswerStart;
    ++data;
    --size;

    RxRawBuffer raw;
    AsciiDecoder decoder(raw, start);
    AsciiModel model;
    model.start = start;
    for (size_t i = 0; i < size; ++i) {
        const DecodeEvent got = decoder.feed(data[i]);
        if (const char* what = reference::difference(got, model.feed(data[i]), raw, model.raw))
            fail(what, i);
        if (decoder.inFrame() != model.inFrame)
            fail("in-frame flag", i);
    }
    checkRoundTrip(start, data, size);
    return 0;
}
