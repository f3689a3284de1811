#pragma once

// The frame rules written out plainly, independent of the link code, for the
// fuzz targets to hold the decoders against.

#include "link/decode_event.h"
#include "link/rx_raw_buffer.h"

#include <QtGlobal>

#include <cstring>
#include <vector>

namespace reference {

inline constexpr int RxRawCapacity = 2048;

// CRC-16/MODBUS bit by bit: start 0xFFFF, reflected polynomial 0xA001.
inline quint16 crc(const quint8* bytes, size_t count)
{
    quint16 value = 0xFFFF;
    for (size_t i = 0; i < count; ++i) {
        value ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit)
            value = (value & 1) ? quint16((value >> 1) ^ 0xA001) : quint16(value >> 1);
    }
    return value;
}

// The last two bytes (low, high) are the CRC of the ones before.
inline bool crcMatches(const std::vector<quint8>& frame)
{
    if (frame.size() < 2)
        return false;
    const size_t n = frame.size() - 2;
    const quint16 value = crc(frame.data(), n);
    return frame[n] == (value & 0xFF) && frame[n + 1] == (value >> 8);
}

// RxRaw: bytes beyond the capacity are dropped; full once it holds them all.
struct RawBuffer
{
    std::vector<quint8> bytes;
    bool full = false;

    void clear()
    {
        bytes.clear();
        full = false;
    }
    void append(quint8 byte)
    {
        if (bytes.size() < size_t(RxRawCapacity))
            bytes.push_back(byte);
        full = bytes.size() >= size_t(RxRawCapacity);
    }
};

// How a decoder's state after one byte differs from the rules' state;
// nullptr when it does not.
inline const char* difference(DecodeEvent got, DecodeEvent expected, const RxRawBuffer& raw,
                              const RawBuffer& model)
{
    if (got != expected)
        return "event";
    if (raw.count() != int(model.bytes.size()) || raw.full() != model.full)
        return "buffer count or full flag";
    if (got == DecodeEvent::FrameAccepted &&
        std::memcmp(raw.data(), model.bytes.data(), model.bytes.size()) != 0)
        return "accepted bytes";
    return nullptr;
}

// The last byte of an encoded frame made the decoder accept exactly the
// frame's body and its two CRC bytes.
inline bool accepted(DecodeEvent last, const RxRawBuffer& raw, const quint8* body, size_t size)
{
    constexpr int kCrcBytes = 2;
    return last == DecodeEvent::FrameAccepted && raw.count() == int(size) + kCrcBytes &&
           std::memcmp(raw.data(), body, size) == 0;
}

} // namespace reference
