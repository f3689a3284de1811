// Throughput of the frame code: the CRC (table and bitwise), the two
// decoders and the two encoders. "x19200" is the multiple of the line rate
// at 19200 baud (1920 bytes/s) that the figure represents.
#include "link/ascii_codec.h"
#include "link/crc16.h"
#include "link/nibble_codec.h"

#include <benchmark/benchmark.h>

#include <QByteArray>

namespace {

constexpr double kLineBytesPerSecond = 19200.0 / 10.0;

QByteArray pseudoRandomBytes(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    quint32 state = 0x12345678u;
    for (char& c : bytes) {
        state = state * 1664525u + 1013904223u;
        c = char(state >> 24);
    }
    return bytes;
}

// Answers with `dataBytes` of payload each, back to back, until `wireBytes`.
QByteArray answerStream(bool ascii, qsizetype dataBytes, qsizetype wireBytes)
{
    const QByteArray data = pseudoRandomBytes(dataBytes);
    const QByteArray one = ascii ? frame::asciiEncode(frame::AsciiAnswerStart,
                                                      frame::withCrc(QByteArray::fromHex("01220100") + data))
                                 : frame::nibbleEncode(frame::withCrc(QByteArray::fromHex("812200") + data));
    QByteArray stream;
    while (stream.size() < wireBytes)
        stream.append(one);
    return stream;
}

void setThroughput(benchmark::State& state, qsizetype bytesPerIteration)
{
    const double bytes = double(state.iterations()) * double(bytesPerIteration);
    state.SetBytesProcessed(int64_t(bytes));
    state.counters["x19200"] = benchmark::Counter(bytes / kLineBytesPerSecond, benchmark::Counter::kIsRate);
}

void BM_Crc16Table(benchmark::State& state)
{
    const QByteArray bytes = pseudoRandomBytes(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(frame::crc16Modbus(bytes));
    setThroughput(state, bytes.size());
}
BENCHMARK(BM_Crc16Table)->Arg(64)->Arg(2048)->Arg(65536);

void BM_Crc16Bitwise(benchmark::State& state)
{
    const QByteArray bytes = pseudoRandomBytes(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(frame::crc16ModbusBitwise(bytes));
    setThroughput(state, bytes.size());
}
BENCHMARK(BM_Crc16Bitwise)->Arg(64)->Arg(2048)->Arg(65536);

// Wire bytes per second through the nibble decoder, frames of range(0) data bytes.
void BM_NibbleDecode(benchmark::State& state)
{
    const QByteArray wire = answerStream(false, state.range(0), 64 * 1024);
    RxRawBuffer raw;
    NibbleDecoder decoder(raw);
    const NibbleFirstByteRule rule{NibbleFirstByteRule::AnswerFrom, 1};
    int64_t frames = 0;
    for (auto _ : state) {
        for (const char c : wire)
            frames += decoder.feed(quint8(c), rule) == DecodeEvent::FrameAccepted;
    }
    benchmark::DoNotOptimize(frames);
    setThroughput(state, wire.size());
    state.counters["frames"] = benchmark::Counter(double(frames), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_NibbleDecode)->Arg(0)->Arg(60)->Arg(2000);

void BM_AsciiDecode(benchmark::State& state)
{
    const QByteArray text = answerStream(true, state.range(0), 64 * 1024);
    RxRawBuffer raw;
    AsciiDecoder decoder(raw);
    int64_t frames = 0;
    for (auto _ : state) {
        for (const char c : text)
            frames += decoder.feed(quint8(c)) == DecodeEvent::FrameAccepted;
    }
    benchmark::DoNotOptimize(frames);
    setThroughput(state, text.size());
    state.counters["frames"] = benchmark::Counter(double(frames), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_AsciiDecode)->Arg(0)->Arg(60)->Arg(2000);

// Frame bytes (with CRC) per second turned into wire bytes.
void BM_NibbleEncode(benchmark::State& state)
{
    const QByteArray frameBytes = frame::withCrc(pseudoRandomBytes(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(frame::nibbleEncode(frameBytes));
    setThroughput(state, frameBytes.size());
}
BENCHMARK(BM_NibbleEncode)->Arg(8)->Arg(2048);

void BM_AsciiEncode(benchmark::State& state)
{
    const QByteArray frameBytes = frame::withCrc(pseudoRandomBytes(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(frame::asciiEncode(frame::AsciiQueryStart, frameBytes));
    setThroughput(state, frameBytes.size());
}
BENCHMARK(BM_AsciiEncode)->Arg(8)->Arg(2048);

} // namespace

BENCHMARK_MAIN();
