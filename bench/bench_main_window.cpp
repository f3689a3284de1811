// Polls the virtual transmitter through the real main window, offscreen, and
// reports live blocks per second, the configurator's CPU time per live
// block, the time of one UpdateLiveDisplay and the peak memory.
//
//   bench_main_window [--seconds N]      (30 s by default)
//
// The transmitter runs on a thread of its own in this process; its thread's
// CPU time is taken out of the configurator's figure.

#include "app/form_main.h"
#include "device/communication_task.h"
#include "link/tmb.h"
#include "sim/virtual_transmitter.h"
#include "widgets/speed_button.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <pthread.h>
#include <sys/resource.h>
#include <vector>

namespace {

constexpr int DefaultSeconds = 30;
constexpr int StartTimeoutMs = 10000;

double cpuMs(clockid_t clock)
{
    timespec t{};
    clock_gettime(clock, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// The window with its live display timed around the real call.
class TimedMainWindow : public TForm_Main
{
public:
    void UpdateLiveDisplay() override
    {
        QElapsedTimer timer;
        timer.start();
        TForm_Main::UpdateLiveDisplay();
        durationsNs.push_back(timer.nsecsElapsed());
    }

    std::vector<qint64> durationsNs;
};

double percentileMs(std::vector<qint64> values, double fraction)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const auto index = std::min(values.size() - 1, size_t(fraction * double(values.size())));
    return double(values[index]) / 1e6;
}

int secondsFromArguments(const QStringList& arguments)
{
    // Other arguments (scripts/bench passes Google Benchmark's on) are not ours.
    const qsizetype at = arguments.indexOf(QStringLiteral("--seconds"));
    if (at >= 0 && at + 1 < arguments.size()) {
        bool ok = false;
        const int seconds = arguments.at(at + 1).toInt(&ok);
        if (ok && seconds > 0)
            return seconds;
    }
    return DefaultSeconds;
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    const int seconds = secondsFromArguments(QCoreApplication::arguments());

    QThread simThread;
    auto* sim = new VirtualTransmitter;
    if (!sim->isValid()) {
        std::fprintf(stderr, "bench_main_window: no virtual transmitter: %s\n", qPrintable(sim->errorText()));
        delete sim;
        return 1;
    }
    sim->moveToThread(&simThread);
    QObject::connect(&simThread, &QThread::finished, sim, &QObject::deleteLater);
    simThread.start();
    clockid_t simClock{};
    QMetaObject::invokeMethod(
        sim,
        [sim, &simClock] {
            pthread_getcpuclockid(pthread_self(), &simClock);
            sim->start();
        },
        Qt::BlockingQueuedConnection);

    int status = 0;
    {
        TimedMainWindow form;
        form.show();
        QString error;
        if (!form.MB1->openAction(sim->devicePath(), &error)) {
            std::fprintf(stderr, "bench_main_window: %s\n", qPrintable(error));
            status = 1;
        }
        // Measured from the first live poll after the settings were read.
        const QDeadlineTimer startDeadline(StartTimeoutMs);
        while (status == 0 && (form.SpeedButton_KVKiolvasas->Down() || form.durationsNs.empty())) {
            if (startDeadline.hasExpired()) {
                std::fprintf(stderr, "bench_main_window: the transmitter does not answer\n");
                status = 1;
            }
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        }

        if (status == 0) {
            const size_t blocksAtStart = form.durationsNs.size();
            const double mainAtStart = cpuMs(CLOCK_THREAD_CPUTIME_ID);
            const double processAtStart = cpuMs(CLOCK_PROCESS_CPUTIME_ID);
            const double simAtStart = cpuMs(simClock);
            QElapsedTimer wall;
            wall.start();
            QTimer::singleShot(seconds * 1000, Qt::PreciseTimer, &app, [] { QCoreApplication::exit(0); });
            QApplication::exec();
            const double wallS = double(wall.nsecsElapsed()) / 1e9;
            const double mainMs = cpuMs(CLOCK_THREAD_CPUTIME_ID) - mainAtStart;
            const double simMs = cpuMs(simClock) - simAtStart;
            const double configuratorMs = cpuMs(CLOCK_PROCESS_CPUTIME_ID) - processAtStart - simMs;
            const std::vector<qint64> durations(form.durationsNs.begin() + qsizetype(blocksAtStart),
                                                form.durationsNs.end());
            const double blocks = double(durations.size());
            rusage usage{};
            getrusage(RUSAGE_SELF, &usage);

            const double tickHz = 1000.0 / CommunicationTask::TickIntervalMs;
            std::printf(
                "bench_main_window: %.1f s of live polls of the virtual transmitter (pseudo-terminal, "
                "offscreen window)\n",
                wallS);
            std::printf("  live blocks            %.0f, %.2f per second (one per %d ms task tick at most: "
                        "%.0f per second)\n",
                        blocks, blocks / wallS, CommunicationTask::TickIntervalMs, tickHz);
            if (blocks > 0) {
                std::printf("  CPU per live block     %.3f ms main thread, %.3f ms configurator "
                            "(process less the transmitter's thread; the transmitter %.3f ms)\n",
                            mainMs / blocks, configuratorMs / blocks, simMs / blocks);
                std::printf("  UpdateLiveDisplay      median %.3f ms, 99th percentile %.3f ms, max %.3f ms "
                            "(budget about 2 ms)\n",
                            percentileMs(durations, 0.5), percentileMs(durations, 0.99),
                            percentileMs(durations, 1.0));
            }
            std::printf("  peak memory            %.1f MB resident (whole process)\n",
                        double(usage.ru_maxrss) / 1024.0);
            std::printf("  link                   %u queries, %u answers, last status %s\n",
                        form.MB1->MBNumberOfTxFrames(), form.MB1->MBNumberOfRxFrames(),
                        qPrintable(form.MB1->MBStatusString()));
            if (blocks == 0)
                status = 1;
        }
        form.MB1->MBClosePort();
    }

    QMetaObject::invokeMethod(sim, &VirtualTransmitter::stop, Qt::BlockingQueuedConnection);
    simThread.quit();
    simThread.wait();
    return status;
}
