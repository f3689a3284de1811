// A peer that sends without pause into the link's pseudo-terminal: how often
// a 10 ms timer on the link's thread still ticks, its longest stall, the
// bytes taken per second and the growth of the resident memory, with the
// link's bounded hand-over against one that reads until the queue is empty.
// The two take turns, run by run; medians are printed.
//
//   bench_babbling_peer [--seconds N] [--rate MB/s] [--runs R]
//
// 5 s and 5 runs by default; without --rate the peer writes without pause,
// as fast as the pseudo-terminal takes it.

#include "link/tmb.h"
#include "platform/pseudo_terminal.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QStringList>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <limits>
#include <poll.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr int TickMs = 10;
constexpr int SampleMs = 5;
// Quiet this long after the peer stopped: the link has taken everything.
constexpr int DrainedMs = 300;
constexpr qsizetype Chunk = 64 * 1024;
constexpr double MiB = 1024.0 * 1024.0;

struct Figures
{
    double ticksPerSecond = 0;
    double longestStallMs = 0;
    double throughputMBps = 0;
    double memoryGrowthMB = 0;
};

double residentMB()
{
    long pages = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
        long size = 0;
        if (std::fscanf(statm, "%ld %ld", &size, &pages) != 2)
            pages = 0;
        std::fclose(statm);
    }
    return double(pages) * double(sysconf(_SC_PAGESIZE)) / MiB;
}

double argument(const QStringList& arguments, const QString& name, double fallback)
{
    const qsizetype at = arguments.indexOf(name);
    bool ok = false;
    const double value = at >= 0 && at + 1 < arguments.size() ? arguments.at(at + 1).toDouble(&ok) : 0.0;
    return ok && value > 0 ? value : fallback;
}

Figures run(qsizetype batchLimit, double seconds, double rateMBps)
{
    Figures figures;
    std::unique_ptr<PseudoTerminal> pty = PseudoTerminal::open();
    TMB link;
    link.setReceiveBatchLimit(batchLimit);
    if (!pty || !link.openAction(pty->devicePath()))
        return figures;

    // What a confused device might say: hex digits with now and then the
    // start or the end of a frame, so the decoder works on every byte.
    QByteArray noise(Chunk, '0');
    QRandomGenerator random(1);
    for (char& c : noise)
        c = "0123456789ABCDEFS;"[random.bounded(18)];

    const double baseline = residentMB();
    std::atomic<double> peak = baseline;
    std::atomic<bool> babbling = true;
    std::atomic<qint64> sent = 0;
    std::atomic<bool> sampling = true;
    std::thread sampler([&] {
        while (sampling) {
            peak = std::max(peak.load(), residentMB());
            QThread::msleep(SampleMs);
        }
    });
    std::thread babbler([&] {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < qint64(seconds * 1000)) {
            // Paced to the rate; a full queue holds the peer back as a line would.
            if (rateMBps > 0 && double(sent.load()) / MiB > rateMBps * double(clock.elapsed()) / 1000.0) {
                QThread::usleep(200);
                continue;
            }
            pollfd writable{pty->farFd(), POLLOUT, 0};
            if (::poll(&writable, 1, 10) > 0) {
                const ssize_t n = ::write(pty->farFd(), noise.constData(), size_t(noise.size()));
                sent += n > 0 ? n : 0;
            }
        }
        babbling = false;
    });

    qint64 lastTick = 0;
    qint64 longest = 0;
    int ticks = 0;
    qint64 quietSince = -1;
    QElapsedTimer clock;
    clock.start();
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        longest = std::max(longest, now - lastTick);
        lastTick = now;
        if (babbling) {
            ++ticks;
            return;
        }
        // The first tick after the peer stopped comes once the link has let
        // go; the rest still waiting is small.
        if (quietSince < 0)
            quietSince = now;
        else if (now - quietSince > DrainedMs)
            QCoreApplication::exit(0);
    });
    timer.start(TickMs);
    QCoreApplication::exec();
    babbler.join();
    sampling = false;
    sampler.join();
    link.MBClosePort();

    figures.ticksPerSecond = double(ticks) / seconds;
    figures.longestStallMs = double(longest);
    figures.throughputMBps = double(sent) / MiB / seconds;
    figures.memoryGrowthMB = peak - baseline;
    return figures;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    const double seconds = argument(arguments, QStringLiteral("--seconds"), 5);
    const double rate = argument(arguments, QStringLiteral("--rate"), 0);
    const int runs = int(argument(arguments, QStringLiteral("--runs"), 5));

    struct Variant
    {
        const char* name;
        qsizetype limit;
        std::vector<Figures> figures;
    };
    Variant variants[] = {{"bounded (64 KiB a hand-over)", TMB::ReceiveBatchLimit, {}},
                          {"until the queue is empty", std::numeric_limits<qsizetype>::max(), {}}};
    for (int r = 0; r < runs; ++r) {
        for (Variant& v : variants)
            v.figures.push_back(run(v.limit, seconds, rate));
    }

    const QString pace =
        rate > 0 ? QStringLiteral("at up to %1 MB/s").arg(rate) : QStringLiteral("without pause");
    std::printf("bench_babbling_peer: %.0f s %s into a pseudo-terminal, %d runs each, medians\n", seconds,
                qPrintable(pace), runs);
    std::printf("  %-30s %10s %14s %12s %15s\n", "hand-over", "ticks / s", "longest stall", "taken",
                "memory growth");
    for (const Variant& v : variants) {
        auto pick = [&](double Figures::*field) {
            std::vector<double> values;
            for (const Figures& f : v.figures)
                values.push_back(f.*field);
            return median(values);
        };
        std::printf("  %-30s %10.1f %11.0f ms %7.1f MB/s %12.1f MB\n", v.name, pick(&Figures::ticksPerSecond),
                    pick(&Figures::longestStallMs), pick(&Figures::throughputMBps),
                    pick(&Figures::memoryGrowthMB));
    }
    return 0;
}
