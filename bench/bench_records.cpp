// What the device records cost the window thread, on a real SQLite file in
// write-ahead-log mode in a temporary folder:
//
// - recording: every SessionRecorder call a session makes (settings read,
//   write and read-back, a calibration command, a settings file saved),
//   with SQLite's own checkpoints on the committing thread, and as the main
//   window records (checkpoints on a thread of their own, the Device
//   records window open and listening); the median, 99th percentile and
//   maximum per call: in wall-clock time, in wall-clock time over the calls
//   no other program interrupted (on a busy machine the others' time slices
//   swamp the figures), and in the thread's CPU time;
// - opening a history: a tag with N events (100 000 by default) chosen in
//   the Device records window, until its model holds the first page and the
//   list has painted it; the median and maximum of several openings.
//
//   bench_records [--calls N] [--history N] [--rounds N] [--checkpoint-ms N]
//
// The window system is the one QT_QPA_PLATFORM names, else the display in
// DISPLAY, else offscreen rendering.

#include "app/device_records_window.h"
#include "device/device_command.h"
#include "records/record_checkpointer.h"
#include "records/record_store.h"
#include "records/session_recorder.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTableView>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <sys/resource.h>
#include <vector>

namespace {

constexpr int DefaultCalls = 4000;
constexpr int DefaultHistory = 100000;
constexpr int DefaultRounds = 7;
// Far more often than the window's checkpointer: the run is short, and the
// cost a checkpoint leaves the writer (the log's restart) is to show.
constexpr int DefaultCheckpointMs = 100;
constexpr int MergeBatch = 5000;
constexpr double NsPerMs = 1e6;
constexpr double Percentile99 = 0.99;
const QString kBigTag = QStringLiteral("TT-BIG");

int option(const QStringList& arguments, const QString& name, int fallback)
{
    const qsizetype at = arguments.indexOf(name);
    return at >= 0 && at + 1 < arguments.size() ? arguments.at(at + 1).toInt() : fallback;
}

struct Figures
{
    double p50 = 0;
    double p99 = 0;
    double max = 0;
};

Figures figures(std::vector<qint64> ns)
{
    std::sort(ns.begin(), ns.end());
    const auto at = [&ns](double fraction) {
        return double(ns[size_t(fraction * double(ns.size() - 1))]) / NsPerMs;
    };
    return {at(0.5), at(Percentile99), double(ns.back()) / NsPerMs};
}

// The time this thread ran, without the time others had the core.
qint64 threadCpuNs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
}

// How often the system took the core from this thread for another.
long preemptions()
{
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return usage.ru_nivcsw;
}

struct Timings
{
    std::vector<qint64> wall;
    std::vector<qint64> cpu;
    // The wall time of the calls no other program interrupted: what the
    // call itself waits for, the disk included, on a busy machine too.
    std::vector<qint64> wallUninterrupted;
};

// A session's calls in turn, each timed on its own.
Timings timeCalls(SessionRecorder& recorder, int calls)
{
    Timings t;
    t.wall.reserve(size_t(calls));
    t.cpu.reserve(size_t(calls));
    DeviceSettings settings;
    LiveValues live;
    live.FirmwareVersion = 20150325;
    live.ADAveraged = 1234567;
    recorder.liveValuesArrived(live);
    QElapsedTimer clock;
    for (int i = 0; i < calls; ++i) {
        settings.fScaleHigh = float(100 + i % 700);
        const long preempted = preemptions();
        const qint64 cpu = threadCpuNs();
        clock.start();
        switch (i % 4) {
        case 0:
            recorder.settingsRead(settings);
            break;
        case 1:
            recorder.settingsWritten(settings);
            break;
        case 2:
            recorder.commandAcknowledged(CmdStoreAD0Ohm, qint32(i), live);
            break;
        default:
            recorder.fileSaved(QStringLiteral("/home/ann/pump-%1.kvb").arg(i), QByteArray(700, 'k'));
            break;
        }
        t.wall.push_back(clock.nsecsElapsed());
        t.cpu.push_back(threadCpuNs() - cpu);
        if (preemptions() == preempted)
            t.wallUninterrupted.push_back(t.wall.back());
    }
    return t;
}

void report(const char* what, const Timings& t)
{
    const Figures wall = figures(t.wall);
    const Figures cpu = figures(t.cpu);
    const Figures own = figures(t.wallUninterrupted);
    std::printf("%s\n", what);
    std::printf("    wall clock, all calls            p50 %6.3f  p99 %7.3f  max %7.3f ms\n", wall.p50,
                wall.p99, wall.max);
    std::printf("    wall clock, %5.1f %% not preempted p50 %6.3f  p99 %7.3f  max %7.3f ms\n",
                100.0 * double(t.wallUninterrupted.size()) / double(t.wall.size()), own.p50, own.p99,
                own.max);
    std::printf("    thread CPU time                  p50 %6.3f  p99 %7.3f  max %7.3f ms\n", cpu.p50, cpu.p99,
                cpu.max);
}

// Events of another station pulled in bulk: a tag's long history.
bool fillHistory(RecordStore& store, int count)
{
    RecordEvent e;
    e.station = QStringLiteral("station-2");
    e.user = QStringLiteral("bob");
    e.program = QStringLiteral("kvctl");
    e.version = QStringLiteral("0.1");
    e.port = QStringLiteral("/dev/ttyUSB0");
    e.model = QStringLiteral("KV4820");
    e.firmware = 20150325;
    e.tag = kBigTag;
    e.kind = QLatin1StringView(RecordEvent::Command);
    const QDateTime start = QDateTime::currentDateTime().addDays(-400);
    for (int done = 0; done < count;) {
        QList<RecordEvent> batch;
        for (int i = 0; i < MergeBatch && done < count; ++i, ++done) {
            e.id = QUuid::createUuid();
            e.time = start.addSecs(done * 60);
            e.data = QJsonObject{{QStringLiteral("name"), QStringLiteral("CmdStoreAD0Ohm")},
                                 {QStringLiteral("sent"), done}};
            batch.append(e);
        }
        QString error;
        if (store.mergePulled(batch, &error) < 0) {
            std::fprintf(stderr, "bench_records: %s\n", qPrintable(error));
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    const int calls = option(arguments, QStringLiteral("--calls"), DefaultCalls);
    const int historySize = option(arguments, QStringLiteral("--history"), DefaultHistory);
    const int rounds = option(arguments, QStringLiteral("--rounds"), DefaultRounds);
    const int checkpointMs = option(arguments, QStringLiteral("--checkpoint-ms"), DefaultCheckpointMs);

    QTemporaryDir dir;
    RecordStore store(dir.filePath(QStringLiteral("records.sqlite")));
    if (!store.open()) {
        std::fprintf(stderr, "bench_records: %s\n", qPrintable(store.message()));
        return 1;
    }
    const RecordOrigin origin = RecordOrigin::current(QStringLiteral("kvconf"), QStringLiteral("0.1"));

    std::printf("Recording, %d calls each (WAL, synchronous=NORMAL):\n", calls);
    {
        SessionRecorder recorder(&store, origin);
        recorder.setTag(QStringLiteral("TT-101"));
        recorder.portOpened(QStringLiteral("/dev/ttyUSB0"));
        report("  checkpoints by SQLite on each commit", timeCalls(recorder, calls));
    }
    {
        // As the main window records: checkpoints on a thread of their own,
        // the window listening.
        store.setAutoCheckpoint(false);
        RecordCheckpointer checkpointer(store.path(), checkpointMs);
        SessionRecorder recorder(&store, origin);
        DeviceRecordsWindow window(&store, &recorder);
        recorder.setListener([&](const RecordEvent& event, const SessionRecorder::Result& result) {
            if (result.recorded)
                checkpointer.noteWritten();
            window.eventRecorded(event, result);
        });
        recorder.setTag(QStringLiteral("TT-102"));
        recorder.portOpened(QStringLiteral("/dev/ttyUSB0"));
        window.show();
        QCoreApplication::processEvents();
        report("  as kvconf: checkpoint thread, window open", timeCalls(recorder, calls));
        std::printf("  (%d checkpoints on their own thread)\n", checkpointer.completed());
        store.setAutoCheckpoint(true);
    }

    std::printf("Filling a history of %d events...\n", historySize);
    QElapsedTimer fill;
    fill.start();
    if (!fillHistory(store, historySize))
        return 1;
    std::printf("  filled in %.1f s\n", double(fill.elapsed()) / 1000.0);

    DeviceRecordsWindow window(&store, nullptr);
    window.show();
    QCoreApplication::processEvents();
    std::vector<qint64> openings;
    for (int round = 0; round < rounds; ++round) {
        window.applyTag(QStringLiteral("TT-101"));
        QCoreApplication::processEvents();
        QElapsedTimer clock;
        clock.start();
        window.applyTag(kBigTag);
        window.historyView->viewport()->repaint();
        openings.push_back(clock.nsecsElapsed());
        if (window.history().totalCount() != historySize) {
            std::fprintf(stderr, "bench_records: %d events listed, %d made\n", window.history().totalCount(),
                         historySize);
            return 1;
        }
    }
    const Figures open = figures(openings);
    std::printf("Opening the history of %d events in the window (first page of %d painted), %d times:\n",
                historySize, DeviceHistoryModel::PageSize, rounds);
    std::printf("  median %.1f ms   max %.1f ms\n", open.p50, open.max);
    return 0;
}
