// What watching the link costs per live exchange (a query and its 60-byte
// answer): the decoding the engine does anyway, the same with the traffic
// captured for a listener, and with a listener that judges the entries,
// counts them and keeps them in a full traffic log, as the main window has
// it: the log's window exists (hidden) with its filter and view. At 19200
// baud a live exchange takes some 80 ms of line time. Runs offscreen.
// Last, the exchange with the event loop turning, the log's window hidden
// and shown, at several lengths of the log.
#include "app/traffic_log_model.h"
#include "app/traffic_log_window.h"
#include "device/device_command.h"
#include "device/link_statistics.h"
#include "device/live_values.h"
#include "link/ascii_codec.h"
#include "link/crc16.h"
#include "link/tmb.h"
#include "link/traffic_capture.h"
#include "sim/slave_blocks.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QEventLoop>
#include <QTimer>

namespace {

QByteArray liveQuery()
{
    const QByteArray body = QByteArray::fromHex("01220100000000");
    return frame::asciiEncode(frame::AsciiQueryStart, frame::withCrc(body));
}

QByteArray liveAnswer()
{
    LiveValues v;
    v.ADRaw = 400067;
    v.fInput = 21.5f;
    return slaveblocks::encodeAnswer(DeviceAddress, DeviceFunctionId, CmdReadLiveValues, 0,
                                     slaveblocks::encodeLiveValues(v));
}

// The engine's own work on the answer: the decoder, byte by byte.
int decode(AsciiDecoder& decoder, const QByteArray& answer, TrafficCapture* capture)
{
    int accepted = 0;
    for (const char c : answer) {
        const DecodeEvent event = decoder.feed(quint8(c));
        if (capture)
            capture->byteReceived(quint8(c), event, true);
        accepted += event == DecodeEvent::FrameAccepted ? 1 : 0;
    }
    return accepted;
}

void BM_ExchangeUnobserved(benchmark::State& state)
{
    const QByteArray answer = liveAnswer();
    RxRawBuffer raw;
    AsciiDecoder decoder(raw);
    for (auto _ : state)
        benchmark::DoNotOptimize(decode(decoder, answer, nullptr));
}
BENCHMARK(BM_ExchangeUnobserved);

void BM_ExchangeCaptured(benchmark::State& state)
{
    const QByteArray query = liveQuery();
    const QByteArray answer = liveAnswer();
    RxRawBuffer raw;
    AsciiDecoder decoder(raw);
    qsizetype bytes = 0;
    TrafficCapture capture([&bytes](const LinkTraffic& e) { bytes += e.wire.size(); });
    for (auto _ : state) {
        capture.querySent(query, 1);
        benchmark::DoNotOptimize(decode(decoder, answer, &capture));
    }
    benchmark::DoNotOptimize(bytes);
}
BENCHMARK(BM_ExchangeCaptured);

void BM_ExchangeLoggedAndCounted(benchmark::State& state)
{
    const QByteArray query = liveQuery();
    const QByteArray answer = liveAnswer();
    TMB mb;
    LinkStatistics statistics(mb);
    TrafficLogWindow window(mb);
    TrafficLogModel& log = window.model();
    TrafficDecoder decoder;
    RxRawBuffer raw;
    AsciiDecoder frames(raw);
    TrafficCapture capture([&](const LinkTraffic& e) {
        statistics.take(decoder.take(e));
        log.append(e);
    });
    // A full ring: every entry now also drops the oldest.
    for (qsizetype k = 0; k < TrafficLogModel::DefaultCapacity / 2; ++k) {
        capture.querySent(query, 1);
        decode(frames, answer, &capture);
    }
    for (auto _ : state) {
        capture.querySent(query, 1);
        benchmark::DoNotOptimize(decode(frames, answer, &capture));
    }
    state.counters["rows"] = double(log.rowCount());
}
BENCHMARK(BM_ExchangeLoggedAndCounted);

constexpr int PollIntervalMs = 100;

// The same log as the main window has it, with the event loop turning after
// each exchange as in the program, so the view's deferred work is counted.
// Arguments: rows already in the log; the window shown (1) or hidden (0).
void BM_ExchangeWithLogWindow(benchmark::State& state)
{
    const QByteArray query = liveQuery();
    const QByteArray answer = liveAnswer();
    TMB mb;
    TrafficLogWindow window(mb);
    TrafficLogModel& log = window.model();
    RxRawBuffer raw;
    AsciiDecoder frames(raw);
    TrafficCapture capture([&](const LinkTraffic& e) { log.append(e); });
    for (qsizetype k = 0; k < state.range(0) / 2; ++k) {
        capture.querySent(query, 1);
        decode(frames, answer, &capture);
    }
    if (state.range(1) != 0)
        window.show();
    QCoreApplication::processEvents();
    // Shown, the window repaints on its own time: exchanges come as a poll
    // sends them, one each 100 ms, and the CPU column is what each costs.
    const int pollMs = state.range(1) != 0 ? PollIntervalMs : 0;
    for (auto _ : state) {
        capture.querySent(query, 1);
        benchmark::DoNotOptimize(decode(frames, answer, &capture));
        if (pollMs == 0) {
            QCoreApplication::processEvents();
            continue;
        }
        QEventLoop poll;
        QTimer::singleShot(pollMs, Qt::PreciseTimer, &poll, &QEventLoop::quit);
        poll.exec();
    }
    state.counters["rows"] = double(log.rowCount());
}
BENCHMARK(BM_ExchangeWithLogWindow)->Args({1000, 0})->Args({50000, 0})->Iterations(2000);
BENCHMARK(BM_ExchangeWithLogWindow)->Args({1000, 1})->Args({20000, 1})->Iterations(30);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
