// The main window's running costs, measured on the real windows.
//
//   bench_main_window [--seconds N] [--first-paint-runs N] [--breakdown] [--callgrind] [--xvfb]
//
// Live polls: the real main window polls the virtual transmitter (on a thread
// of its own in this process, whose CPU time is taken out of the
// configurator's figure) for N seconds (30 by default) and the program
// reports live blocks per second, CPU per live block and as a share of one
// core, the time of one UpdateLiveDisplay and the peak memory.
//
// --breakdown measures two more figures of N seconds each in the same run:
// the live polls with the main window not shown (all of the configurator's
// work but painting), and a minimal Qt Widgets program repainting labels at
// the moments a poll repaints them (the least that painting this way costs).
//
// Start to first paint: the program starts itself anew, alternately as the
// configurator's start-up and as a minimal Qt Widgets program (one button),
// N times each (7 by default, 0 for none), and reports the medians of the
// time from starting the process to its window's first paint.
//
// --callgrind runs both once more under valgrind's callgrind and reports the
// instructions per live block of the window's thread and the instructions
// to the first paint: counts that stay put on a busy machine.
// --xvfb runs the whole measurement again on a real X server (xvfb-run).
//
// The window system is the one QT_QPA_PLATFORM names; without it a display
// in DISPLAY is used, and offscreen rendering when there is none.

#include "app/form_kv_tipus_valasztas.h"
#include "app/form_main.h"
#include "app/start_sequence.h"
#include "device/communication_task.h"
#include "link/tmb.h"
#include "sim/virtual_transmitter.h"
#include "widgets/speed_button.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGridLayout>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <valgrind/callgrind.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <optional>
#include <pthread.h>
#include <sys/resource.h>
#include <vector>

namespace {

constexpr int DefaultSeconds = 30;
constexpr int DefaultFirstPaintRuns = 7;
constexpr int StartTimeoutMs = 10000;
// Everything runs some fifty times slower under callgrind.
constexpr int CallgrindSlowdown = 50;
constexpr int ChildTimeoutMs = 60000;

// Set by the parent for a child it starts: the parent's monotonic clock, in
// nanoseconds, just before it started the child.
constexpr const char* LaunchedAtVariable = "KV_BENCH_LAUNCHED_AT_NS";

// Lines a child prints for its parent.
constexpr const char* PaintedLine = "first paint after ms ";
constexpr const char* BuiltLine = "main window built after ms ";

double cpuMs(clockid_t clock)
{
    timespec t{};
    clock_gettime(clock, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

qint64 monotonicNs()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
}

// Milliseconds since the parent started this process.
double msSinceLaunch()
{
    const qint64 launchedAt = qgetenv(LaunchedAtVariable).toLongLong();
    return double(monotonicNs() - launchedAt) / 1e6;
}

bool underValgrind()
{
    return RUNNING_ON_VALGRIND != 0;
}

double median(std::vector<double> values)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2.0;
}

double percentileMs(std::vector<qint64> values, double fraction)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const auto index = std::min(values.size() - 1, size_t(fraction * double(values.size())));
    return double(values[index]) / 1e6;
}

// The number after an option, or the fallback when it is absent or no
// number. Other arguments (scripts/bench passes Google Benchmark's on) are
// not ours.
int intOption(const QStringList& arguments, const QString& option, int fallback)
{
    const qsizetype at = arguments.indexOf(option);
    if (at >= 0 && at + 1 < arguments.size()) {
        bool ok = false;
        const int value = arguments.at(at + 1).toInt(&ok);
        if (ok && value >= 0)
            return value;
    }
    return fallback;
}

QString stringOption(const QStringList& arguments, const QString& option)
{
    const qsizetype at = arguments.indexOf(option);
    return at >= 0 && at + 1 < arguments.size() ? arguments.at(at + 1) : QString();
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

// ---------------------------------------------------------------------------
// Live polls

// shown: the main window on screen; otherwise it does all its work but
// painting. windowSize: where to put the main window's size.
int measureLivePolls(QApplication& app, int seconds, bool shown, QSize* windowSize = nullptr)
{
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
        if (shown)
            form.show();
        if (windowSize)
            *windowSize = form.size();
        QString error;
        if (!form.MB1->openAction(sim->devicePath(), &error)) {
            std::fprintf(stderr, "bench_main_window: %s\n", qPrintable(error));
            status = 1;
        }
        // Measured from the first live poll after the settings were read.
        const QDeadlineTimer startDeadline(StartTimeoutMs * (underValgrind() ? CallgrindSlowdown : 1));
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
            CALLGRIND_ZERO_STATS;
            QTimer::singleShot(seconds * 1000, Qt::PreciseTimer, &app, [] { QCoreApplication::exit(0); });
            QApplication::exec();
            CALLGRIND_DUMP_STATS_AT("live polls");
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
            std::printf("Live polls: %.1f s of the virtual transmitter (pseudo-terminal, %s window%s)\n",
                        wallS, qPrintable(QGuiApplication::platformName()),
                        shown ? "" : ", main window not shown: no painting");
            std::printf("  live blocks            %.0f, %.2f per second (one per %d ms task tick at most: "
                        "%.0f per second)\n",
                        blocks, blocks / wallS, CommunicationTask::TickIntervalMs, tickHz);
            if (blocks > 0) {
                std::printf("  CPU per live block     %.3f ms main thread, %.3f ms configurator "
                            "(process less the transmitter's thread; the transmitter %.3f ms)\n",
                            mainMs / blocks, configuratorMs / blocks, simMs / blocks);
                std::printf("  CPU while polling      %.2f %% of a core (configurator)\n",
                            configuratorMs / (wallS * 10.0));
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

// ---------------------------------------------------------------------------
// The same repaints in a minimal program

// What a live poll repaints, done by a minimal Qt Widgets program: opaque
// fixed-size labels in a window of the main window's size; one repainted
// at the task's tick (as the state number is), two when the query goes out
// (the link's counters), nine when the answer is in (the values and the
// state number). It does nothing else, so its CPU is about the least that
// repainting at these moments costs on this machine and window system.
int measureMinimalRepaints(QApplication& app, int seconds, QSize windowSize)
{
    constexpr int Columns = 6;
    constexpr int Rows = 10;
    constexpr QSize LabelSize(60, 16);
    constexpr int AtSend = 2;
    constexpr int AtAnswer = 9;
    // The virtual transmitter answers within a few milliseconds.
    constexpr int AnswerAfterSendMs = 5;
    constexpr int SettleMs = 1000;

    QWidget window;
    auto* grid = new QGridLayout(&window);
    std::vector<QLabel*> labels;
    for (int k = 0; k < Columns * Rows; ++k) {
        auto* label = new QLabel(QString::number(k), &window);
        label->setAutoFillBackground(true);
        label->setFixedSize(LabelSize);
        grid->addWidget(label, k / Columns, k % Columns);
        labels.push_back(label);
    }
    window.resize(windowSize);
    window.show();

    int poll = 0;
    const auto repaint = [&labels, &poll](int first, int count) {
        for (int k = first; k < first + count; ++k)
            labels[size_t(k)]->setText(QString::number(poll * 7 + k));
    };
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setInterval(CommunicationTask::TickIntervalMs);
    QObject::connect(&tick, &QTimer::timeout, &app, [&] {
        ++poll;
        repaint(0, 1);
        QTimer::singleShot(CommunicationTask::SendDelayMs, Qt::PreciseTimer, &app,
                           [&] { repaint(1, AtSend); });
        QTimer::singleShot(CommunicationTask::SendDelayMs + AnswerAfterSendMs, Qt::PreciseTimer, &app, [&] {
            repaint(0, 1);
            repaint(1 + AtSend, AtAnswer - 1);
        });
    });
    tick.start();

    double processAtStart = 0.0;
    QElapsedTimer wall;
    QTimer::singleShot(SettleMs, Qt::PreciseTimer, &app, [&] {
        processAtStart = cpuMs(CLOCK_PROCESS_CPUTIME_ID);
        wall.start();
        QTimer::singleShot(seconds * 1000, Qt::PreciseTimer, &app, [] { QCoreApplication::exit(0); });
    });
    QApplication::exec();
    const double processMs = cpuMs(CLOCK_PROCESS_CPUTIME_ID) - processAtStart;
    const double wallS = double(wall.nsecsElapsed()) / 1e9;
    std::printf("Minimal program repainting as a poll does: %.1f s (a process of its own, %s window)\n",
                wallS, qPrintable(QGuiApplication::platformName()));
    std::printf("  CPU while repainting   %.2f %% of a core (every %d ms: 1 label at the tick, %d at "
                "+%d ms, %d at +%d ms)\n",
                processMs / (wallS * 10.0), CommunicationTask::TickIntervalMs, AtSend,
                CommunicationTask::SendDelayMs, AtAnswer, CommunicationTask::SendDelayMs + AnswerAfterSendMs);
    return poll > 0 ? 0 : 1;
}

// ---------------------------------------------------------------------------
// Start to first paint: the children

// Reports the first paint of a window once it has been painted and handed
// to the window system.
class FirstPaintWatch : public QObject
{
public:
    explicit FirstPaintWatch(QWidget* window) : m_window(window) { window->installEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == m_window && event->type() == QEvent::Paint) {
            m_window->removeEventFilter(this);
            // After the paint event the backing store is flushed in the same pass.
            QTimer::singleShot(0, this, [] {
                const double ms = msSinceLaunch();
                CALLGRIND_DUMP_STATS_AT("first paint");
                std::printf("%s%.3f\n", PaintedLine, ms);
                std::fflush(stdout);
            });
        }
        return false;
    }

private:
    QWidget* m_window = nullptr;
};

// A configuration as the program leaves it, in a folder of its own.
QString prepareProgramFolder(const QTemporaryDir& folder)
{
    QFile config(folder.filePath(QStringLiteral("kvconf.ini")));
    if (config.open(QIODevice::WriteOnly))
        config.write("[Date]\nDate=2015-03-25\n[Com]\nMBLastUsedPort=/dev/ttyUSB0\n[Path]\n"
                     "sUtolsoFileUtvonal=/tmp/\n[KV]\nRadioGroup_KVValasztas=0\n[Language]\n"
                     "RadioGroup_NyelvValasztas=0\n");
    return folder.filePath(QStringLiteral("kvconf"));
}

// The configurator's start-up, as kvconf runs it, up to the main window
// being ready behind the start window.
int firstPaintOfStartWindow(QApplication& app)
{
    QTemporaryDir folder;
    TForm_KVTipusValasztas startForm;
    StartSequence sequence(startForm, AppContext{{}, prepareProgramFolder(folder)});
    QObject::connect(&sequence, &StartSequence::mainFormBuilt, &app,
                     [] { std::printf("%s%.3f\n", BuiltLine, msSinceLaunch()); });
    sequence.start();
    // Watching from now on, it sees the paint before the sequence does (the
    // filter installed last runs first), so its report comes before the build.
    FirstPaintWatch watch(&startForm);
    QTimer::singleShot(ChildTimeoutMs, &app, [] { QCoreApplication::exit(1); });
    // Some time after the first paint: the windows are settled by then.
    QTimer::singleShot(500, &app, [] { QCoreApplication::exit(0); });
    return QApplication::exec();
}

int firstPaintOfMinimalProgram(QApplication& app)
{
    QPushButton button(QStringLiteral("OK"));
    FirstPaintWatch watch(&button);
    button.show();
    QTimer::singleShot(ChildTimeoutMs, &app, [] { QCoreApplication::exit(1); });
    QTimer::singleShot(500, &app, [] { QCoreApplication::exit(0); });
    return QApplication::exec();
}

// ---------------------------------------------------------------------------
// The parent: children and their figures

struct ChildResult
{
    bool ok = false;
    QString output;
    std::optional<double> paintedMs;
    std::optional<double> builtMs;
};

// The number that follows the first match of a pattern.
std::optional<double> numberAfter(const QString& output, const QString& before)
{
    const QRegularExpression pattern(before + QStringLiteral("([0-9.]+)"));
    const QRegularExpressionMatch match = pattern.match(output);
    if (!match.hasMatch())
        return std::nullopt;
    return match.captured(1).toDouble();
}

// extraMs: how long the child works on top of starting and settling.
ChildResult runChild(const QString& program, const QStringList& arguments,
                     const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment(),
                     int extraMs = 0)
{
    QProcess child;
    QProcessEnvironment childEnvironment = environment;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    childEnvironment.insert(QLatin1String(LaunchedAtVariable), QString::number(monotonicNs()));
    child.setProcessEnvironment(childEnvironment);
    child.start(program, arguments);
    ChildResult result;
    const int timeoutMs = ChildTimeoutMs * (program.endsWith(u"valgrind") ? CallgrindSlowdown : 1) + extraMs;
    if (!child.waitForFinished(timeoutMs)) {
        child.kill();
        child.waitForFinished();
        std::fprintf(stderr, "bench_main_window: %s did not finish\n", qPrintable(program));
        return result;
    }
    result.output = QString::fromLocal8Bit(child.readAllStandardOutput());
    result.ok = child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0;
    result.paintedMs = numberAfter(result.output, QLatin1String(PaintedLine));
    result.builtMs = numberAfter(result.output, QLatin1String(BuiltLine));
    if (!result.ok)
        std::fprintf(stderr, "bench_main_window: %s %s failed:\n%s\n", qPrintable(program),
                     qPrintable(arguments.join(u' ')), qPrintable(result.output));
    return result;
}

int measureFirstPaint(int runs)
{
    const QString self = QCoreApplication::applicationFilePath();
    std::vector<double> startPainted;
    std::vector<double> startBuilt;
    std::vector<double> minimalPainted;
    for (int run = 0; run < runs; ++run) {
        // Alternating, so both meet the same load of the machine.
        const ChildResult start =
            runChild(self, {QStringLiteral("--first-paint-child"), QStringLiteral("start")});
        const ChildResult minimal =
            runChild(self, {QStringLiteral("--first-paint-child"), QStringLiteral("minimal")});
        if (!start.ok || !minimal.ok || !start.paintedMs || !start.builtMs || !minimal.paintedMs)
            return 1;
        startPainted.push_back(*start.paintedMs);
        startBuilt.push_back(*start.builtMs);
        minimalPainted.push_back(*minimal.paintedMs);
    }
    const double configurator = median(startPainted);
    const double minimal = median(minimalPainted);
    std::printf("Start to first paint: medians of %d runs each, alternating (%s window)\n", runs,
                qPrintable(QGuiApplication::platformName()));
    std::printf("  minimal Qt Widgets program   %.1f ms\n", minimal);
    std::printf("  configurator's start window  %.1f ms, %.2f x the minimal program\n", configurator,
                configurator / minimal);
    std::printf("  configurator's main window   built %.1f ms after the start\n", median(startBuilt));
    return 0;
}

// Reads the totals of the dump that a client request of the window's thread
// wrote (the thread's file ends in -01).
std::optional<double> dumpTotal(const QString& folder, const QString& trigger)
{
    const QDir dir(folder);
    for (const QString& name : dir.entryList({QStringLiteral("callgrind.out*-01")}, QDir::Files)) {
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QString text = QString::fromLocal8Bit(file.readAll());
        if (!text.contains(QStringLiteral("desc: Trigger: Client Request: ") + trigger))
            continue;
        if (const std::optional<double> total = numberAfter(text, QStringLiteral("\ntotals: ")))
            return total;
    }
    return std::nullopt;
}

QStringList callgrindArguments(const QString& folder, const QStringList& childArguments)
{
    return QStringList{QStringLiteral("-q"), QStringLiteral("--tool=callgrind"),
                       QStringLiteral("--separate-threads=yes"),
                       QStringLiteral("--callgrind-out-file=") + folder + QStringLiteral("/callgrind.out"),
                       QCoreApplication::applicationFilePath()} +
           childArguments;
}

int measureInstructions(int seconds)
{
    std::printf("Instructions (callgrind, the window's thread)\n");
    std::fflush(stdout);
    int status = 0;
    {
        QTemporaryDir folder;
        const ChildResult polls = runChild(
            QStringLiteral("valgrind"),
            callgrindArguments(folder.path(), {QStringLiteral("--seconds"), QString::number(seconds),
                                               QStringLiteral("--first-paint-runs"), QStringLiteral("0")}));
        const std::optional<double> blocks = numberAfter(polls.output, QStringLiteral("live blocks +"));
        const std::optional<double> total = dumpTotal(folder.path(), QStringLiteral("live polls"));
        if (polls.ok && blocks && *blocks > 0 && total) {
            std::printf("  per live block               %.3f M (%.0f blocks in %d s)\n",
                        *total / *blocks / 1e6, *blocks, seconds);
        } else {
            std::fprintf(stderr, "bench_main_window: no callgrind figures for the live polls\n");
            status = 1;
        }
    }
    for (const QString& which : {QStringLiteral("minimal"), QStringLiteral("start")}) {
        QTemporaryDir folder;
        const ChildResult child =
            runChild(QStringLiteral("valgrind"),
                     callgrindArguments(folder.path(), {QStringLiteral("--first-paint-child"), which}));
        const std::optional<double> total = dumpTotal(folder.path(), QStringLiteral("first paint"));
        if (child.ok && total) {
            std::printf("  to first paint, %-12s %.1f M\n",
                        qPrintable(which == u"start" ? QStringLiteral("configurator") : which), *total / 1e6);
        } else {
            std::fprintf(stderr, "bench_main_window: no callgrind figures for the first paint\n");
            status = 1;
        }
    }
    return status;
}

int measureUnderXvfb(const QStringList& arguments)
{
    QStringList forwarded = arguments.mid(1);
    forwarded.removeAll(QStringLiteral("--xvfb"));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    std::printf("\n== Again on a real X server (Xvfb)\n");
    std::fflush(stdout);
    const ChildResult child = runChild(QStringLiteral("xvfb-run"),
                                       QStringList{QStringLiteral("-a"), QStringLiteral("-s"),
                                                   QStringLiteral("-screen 0 1280x1024x24 -nolisten tcp"),
                                                   QCoreApplication::applicationFilePath()} +
                                           forwarded,
                                       environment);
    std::fputs(child.output.toLocal8Bit().constData(), stdout);
    return child.ok ? 0 : 1;
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    const QStringList arguments = QCoreApplication::arguments();

    const QString child = stringOption(arguments, QStringLiteral("--first-paint-child"));
    if (child == u"start")
        return firstPaintOfStartWindow(app);
    if (child == u"minimal")
        return firstPaintOfMinimalProgram(app);

    const int seconds = intOption(arguments, QStringLiteral("--seconds"), DefaultSeconds);
    if (arguments.contains(QStringLiteral("--minimal-repaints-child")))
        return measureMinimalRepaints(app, std::max(seconds, 1),
                                      QSize(intOption(arguments, QStringLiteral("--width"), 0),
                                            intOption(arguments, QStringLiteral("--height"), 0)));
    const int firstPaintRuns =
        intOption(arguments, QStringLiteral("--first-paint-runs"), DefaultFirstPaintRuns);
    QSize windowSize;
    int status = measureLivePolls(app, std::max(seconds, 1), true, &windowSize);
    std::fflush(stdout);
    if (status == 0 && arguments.contains(QStringLiteral("--breakdown"))) {
        status = measureLivePolls(app, std::max(seconds, 1), false);
        std::fflush(stdout);
        // A process of its own, as fresh as the configurator's.
        const ChildResult minimal =
            runChild(QCoreApplication::applicationFilePath(),
                     {QStringLiteral("--minimal-repaints-child"), QStringLiteral("--seconds"),
                      QString::number(std::max(seconds, 1)), QStringLiteral("--width"),
                      QString::number(windowSize.width()), QStringLiteral("--height"),
                      QString::number(windowSize.height())},
                     QProcessEnvironment::systemEnvironment(), std::max(seconds, 1) * 1000);
        std::fputs(minimal.output.toLocal8Bit().constData(), stdout);
        if (status == 0 && !minimal.ok)
            status = 1;
    }
    if (status == 0 && firstPaintRuns > 0)
        status = measureFirstPaint(firstPaintRuns);
    if (status == 0 && arguments.contains(QStringLiteral("--callgrind")))
        status = measureInstructions(std::max(seconds, 1));
    if (status == 0 && arguments.contains(QStringLiteral("--xvfb")))
        status = measureUnderXvfb(arguments);
    return status;
}
