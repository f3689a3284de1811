// What the Trend window costs: the configurator polls the virtual
// transmitter (kvsim, a process of its own, so that every CPU second this
// process spends is the configurator's) and the program measures its share
// of one core in phases that take turns: the trend closed, and open at
// every span it offers (30 s to 10 min); each once without and once while
// recording to a file (a recording goes on while the window is closed). It
// reports per span the medians with the trend closed and open side by side
// and their difference, the resident memory at the end of every phase and
// the size of the trend's history, which must stop growing once the history
// is full.
//
//   bench_trend [--phase-seconds N] [--rounds N] [--history-seconds N] [--spans 30,600] [--callgrind]
//
// 5 s phases, 3 rounds (some four minutes), every span, and the window's 10
// minutes of history by default; --spans measures some spans only, and a
// short history (--history-seconds 20) shows memory level off within the
// run. --callgrind instead runs the phases once under valgrind's callgrind,
// a run for each span (three at a time), and reports the instructions of
// the window's thread per live block: counts that a busy machine does not
// blur. Its phases last 40 s, open ones whole steps of the time axis (two
// minutes at 10 min): some six minutes in all.
//
// The window system is the one QT_QPA_PLATFORM names, else the display in
// DISPLAY, else offscreen rendering; for the shares that count run it on a
// real X server: xvfb-run -a bench/bench_trend.

#include "app/form_main.h"
#include "app/trend_window.h"
#include "link/tmb.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <valgrind/callgrind.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int DefaultPhaseSeconds = 5;
constexpr int DefaultRounds = 3;
constexpr int DefaultCallgrindPhaseSeconds = 40;
constexpr int StartTimeoutMs = 10000;
constexpr int SettleMs = 500;
// Everything runs some fifty times slower under callgrind; the window
// settles within a few times its usual time, as blocks come less often.
constexpr int CallgrindSlowdown = 50;
constexpr int CallgrindSettleFactor = 4;
constexpr double PercentPerShare = 100.0;
constexpr double BytesPerMB = 1024.0 * 1024.0;
// The history's blocks before the run: one a task tick, on a wave this
// tall and this many blocks a radian.
constexpr qint64 PollMs = 100;
constexpr double PrefillWave = 0.2;
constexpr double PrefillWavePolls = 50.0;
constexpr const char* PhaseLine = "phase %d blocks %lld\n";

struct Phase
{
    std::string name;
    bool open = false;
    int spanSeconds = 0; // 0: closed
    bool recording = false;
};

// Every span the window offers.
constexpr auto Spans = TrendWindow::SpanSeconds;
constexpr int PhasesPerRecording = int(Spans.size()) + 1;
constexpr size_t PhaseCount = 2 * size_t(PhasesPerRecording);

std::string spanName(int spanSeconds)
{
    return spanSeconds < 60 ? std::to_string(spanSeconds) + " s" : std::to_string(spanSeconds / 60) + " min";
}

// Closed first, then the spans; the same again recording.
const std::array<Phase, PhaseCount>& phases()
{
    static const std::array<Phase, PhaseCount> all = [] {
        std::array<Phase, PhaseCount> list;
        for (int recording = 0; recording < 2; ++recording) {
            const std::string suffix = recording ? ", recording" : "";
            size_t at = size_t(recording * PhasesPerRecording);
            list[at++] = Phase{"closed" + suffix, false, 0, recording != 0};
            for (const int span : Spans)
                list[at++] = Phase{"open, " + spanName(span) + suffix, true, span, recording != 0};
        }
        return list;
    }();
    return all;
}

int phaseIndex(int spanSeconds, bool recording)
{
    const auto span = std::find(Spans.begin(), Spans.end(), spanSeconds);
    return (recording ? PhasesPerRecording : 0) + (span == Spans.end() ? 0 : 1 + int(span - Spans.begin()));
}

int spanIndexOf(int spanSeconds)
{
    const auto& spans = TrendWindow::SpanSeconds;
    return int(std::find(spans.begin(), spans.end(), spanSeconds) - spans.begin());
}

double processCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double residentMB()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0.0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? double(fields[1].toLongLong()) * double(sysconf(_SC_PAGESIZE)) / BytesPerMB
                             : 0.0;
}

double median(std::vector<double> values)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2.0;
}

int option(const QStringList& arguments, const QString& name, int fallback)
{
    const qsizetype at = arguments.indexOf(name);
    if (at < 0 || at + 1 >= arguments.size())
        return fallback;
    bool ok = false;
    const int value = arguments.at(at + 1).toInt(&ok);
    return ok && value > 0 ? value : fallback;
}

// Runs the event loop for a while.
void runFor(int ms)
{
    QTimer::singleShot(ms, Qt::PreciseTimer, qApp, [] { QCoreApplication::exit(0); });
    QApplication::exec();
}

// The spans measured: --spans 30,120 picks some, closed is always.
QList<int>& measuredSpans()
{
    static QList<int> spans(Spans.begin(), Spans.end());
    return spans;
}

bool isMeasured(const Phase& phase)
{
    return !phase.open || measuredSpans().contains(phase.spanSeconds);
}

bool underValgrind()
{
    return RUNNING_ON_VALGRIND != 0;
}

// Under callgrind an open phase lasts whole steps of the time axis, which
// moves on by a step and is then drawn anew: each phase holds as many moves
// as the plot makes in that time, so that a phase's count per block is what
// the plot costs over any length of time, not a matter of whether a move
// fell into it. The moves cost a core so little that the shares' short
// phases need not.
int phaseMs(const Phase& phase, int phaseSeconds, const TrendWindow& trend)
{
    const qint64 wanted = qint64(phaseSeconds) * 1000;
    const qint64 step = trend.timeScale().stepMs;
    if (!underValgrind() || !phase.open || step <= 0)
        return int(wanted);
    return int((wanted + step - 1) / step * step);
}

struct Measured
{
    std::array<std::vector<double>, PhaseCount> shares;
    std::array<std::vector<double>, PhaseCount> rates;
};

// The configurator against kvsim; every phase `rounds` times, in turns.
// Under callgrind each phase is a dump of its own and its blocks a line.
int measure(int phaseSeconds, int rounds, int historySeconds, Measured& measured)
{
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("kvsim"));
    QProcess kvsim;
    kvsim.setProgram(QStringLiteral(KV_KVSIM_PATH));
    kvsim.setArguments({QStringLiteral("--link"), link});
    kvsim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    kvsim.start();
    const int slowdown = underValgrind() ? CallgrindSlowdown : 1;
    const QDeadlineTimer started(StartTimeoutMs * slowdown);
    while (!QFileInfo(link).isSymLink() && !started.hasExpired() && kvsim.state() != QProcess::NotRunning)
        kvsim.waitForReadyRead(50);
    if (!QFileInfo(link).isSymLink()) {
        std::fprintf(stderr, "bench_trend: kvsim did not start (%s)\n", KV_KVSIM_PATH);
        return 1;
    }

    int status = 0;
    {
        TForm_Main form;
        form.ApplyLanguage(QStringLiteral("English"));
        // A window of the bench's own, whose clock can stamp blocks in the
        // past: its history is full from the start, as after ten minutes of
        // polling. The window's own takes no blocks.
        QObject::disconnect(&form, &TForm_Main::liveValuesShown, form.trendWindow(), nullptr);
        qint64 stampMs = 0;
        const qint64 historyMs =
            historySeconds > 0 ? qint64(historySeconds) * 1000 : TrendHistory::DefaultHistoryMs;
        TrendWindow* trend = new TrendWindow(&form, historyMs, [&stampMs] {
            return stampMs != 0 ? QDateTime::fromMSecsSinceEpoch(stampMs, Qt::UTC)
                                : QDateTime::currentDateTimeUtc();
        });
        LiveValues latest;
        QObject::connect(&form, &TForm_Main::liveValuesShown, trend, &TrendWindow::addLiveBlock);
        QObject::connect(&form, &TForm_Main::liveValuesShown, &form,
                         [&latest](const LiveValues& v) { latest = v; });
        form.move(0, 0);
        form.show();
        trend->setGeometry(TForm_Main::FormWidth + 20, 0, 720, 420);
        qint64 blocks = 0;
        QObject::connect(&form, &TForm_Main::liveValuesShown, &form, [&blocks] { ++blocks; });
        QString error;
        if (!form.MB1->openAction(link, &error)) {
            std::fprintf(stderr, "bench_trend: %s\n", qPrintable(error));
            return 1;
        }
        const QDeadlineTimer polling(StartTimeoutMs * slowdown);
        while (blocks < 10 && !polling.hasExpired())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        if (blocks < 10) {
            std::fprintf(stderr, "bench_trend: the transmitter does not answer\n");
            status = 1;
        }
        // The history before the first block, a slow wave about its value.
        const qint64 nowMs = QDateTime::currentMSecsSinceEpoch();
        for (qint64 i = historyMs / PollMs; status == 0 && i > 0; --i) {
            LiveValues past = latest;
            past.fInput += float(PrefillWave * std::sin(double(i) / PrefillWavePolls));
            stampMs = nowMs - i * PollMs;
            trend->addLiveBlock(past);
        }
        stampMs = 0;

        std::printf("bench_trend: %d rounds of %d s phases, %s, history %d s\n", rounds, phaseSeconds,
                    qPrintable(QGuiApplication::platformName()), int(trend->history().historyMs() / 1000));
        std::printf("  %-26s %10s %12s %10s %12s\n", "phase", "blocks/s", "core share", "RSS MB", "history");
        for (int round = 0; status == 0 && round < rounds; ++round) {
            for (size_t p = 0; p < PhaseCount; ++p) {
                const Phase& phase = phases()[p];
                if (!isMeasured(phase))
                    continue;
                if (phase.open) {
                    trend->setSpanIndex(spanIndexOf(phase.spanSeconds));
                    trend->show();
                } else {
                    trend->hide();
                }
                if (phase.recording)
                    trend->startRecording(dir.filePath(QStringLiteral("live.csv")));
                // The window settles before the measurement.
                runFor(SettleMs * (underValgrind() ? CallgrindSettleFactor : 1));
                const double cpuAtStart = processCpuSeconds();
                const qint64 blocksAtStart = blocks;
                QElapsedTimer wall;
                wall.start();
                CALLGRIND_ZERO_STATS;
                runFor(phaseMs(phase, phaseSeconds, *trend));
                const QByteArray dumpName = QStringLiteral("phase %1").arg(p).toLatin1();
                CALLGRIND_DUMP_STATS_AT(dumpName.constData());
                const double wallS = double(wall.nsecsElapsed()) / 1e9;
                const double share = (processCpuSeconds() - cpuAtStart) / wallS;
                const double rate = double(blocks - blocksAtStart) / wallS;
                measured.shares[p].push_back(share);
                measured.rates[p].push_back(rate);
                std::printf("  %-26s %10.2f %11.2f%% %10.1f %12lld\n", phase.name.c_str(), rate,
                            share * PercentPerShare, residentMB(), qlonglong(trend->history().size()));
                if (underValgrind())
                    std::printf(PhaseLine, int(p), qlonglong(blocks - blocksAtStart));
                if (phase.recording)
                    trend->stopRecording();
                std::fflush(stdout);
            }
        }
        if (status == 0)
            std::printf("  history ring %lld samples (%.0f kB, fixed)\n",
                        qlonglong(trend->history().capacity()),
                        double(trend->history().capacity()) * double(sizeof(TrendHistory::Sample)) / 1024.0);
        form.MB1->MBClosePort();
    }
    kvsim.terminate();
    kvsim.waitForFinished();
    return status;
}

void printShares(const Measured& measured)
{
    const auto share = [&measured](int phase) {
        return median(measured.shares[size_t(phase)]) * PercentPerShare;
    };
    std::printf("  medians, share of a core: the trend closed and open side by side\n");
    std::printf("  %-8s %9s %9s %9s   %11s %11s %9s\n", "span", "closed", "open", "added", "closed, rec",
                "open, rec", "added");
    for (const int span : measuredSpans()) {
        const double closed = share(phaseIndex(0, false));
        const double open = share(phaseIndex(span, false));
        const double closedRecording = share(phaseIndex(0, true));
        const double openRecording = share(phaseIndex(span, true));
        std::printf("  %-8s %8.2f%% %8.2f%% %8.2f%%   %10.2f%% %10.2f%% %8.2f%%\n", spanName(span).c_str(),
                    closed, open, open - closed, closedRecording, openRecording,
                    openRecording - closedRecording);
    }
}

// ---------------------------------------------------------------------------
// Instructions

// The number that follows the first match of a pattern.
std::optional<double> numberAfter(const QString& text, const QString& before)
{
    const QRegularExpressionMatch match =
        QRegularExpression(before + QStringLiteral("([0-9.]+)")).match(text);
    return match.hasMatch() ? std::optional<double>(match.captured(1).toDouble()) : std::nullopt;
}

// The totals of the dump that a client request of the window's thread
// wrote (the thread's files end in -01).
std::optional<double> dumpTotal(const QString& folder, const QString& trigger)
{
    const QDir dir(folder);
    for (const QString& name : dir.entryList({QStringLiteral("callgrind.out*-01")}, QDir::Files)) {
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QString text = QString::fromLocal8Bit(file.readAll());
        if (!text.contains(QStringLiteral("desc: Trigger: Client Request: ") + trigger + u'\n'))
            continue;
        if (const std::optional<double> total = numberAfter(text, QStringLiteral("\ntotals: ")))
            return total;
    }
    return std::nullopt;
}

// One child under callgrind for a span: the trend closed and open at it,
// without and while recording, side by side.
struct SpanRun
{
    int span = 0;
    std::unique_ptr<QTemporaryDir> folder;
    std::unique_ptr<QProcess> child;
};

// Runs under callgrind side by side each get an X server of their own
// (xvfb-run): on one display their windows would cover each other, and each
// window shown or hidden would have the others painted again.
QString ownDisplay()
{
    return QGuiApplication::platformName() == u"xcb"
               ? QStandardPaths::findExecutable(QStringLiteral("xvfb-run"))
               : QString();
}

void startSpanRun(SpanRun& run, int phaseSeconds, int number)
{
    constexpr int FirstServerNumber = 90;
    run.folder = std::make_unique<QTemporaryDir>();
    run.child = std::make_unique<QProcess>();
    run.child->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QStringList arguments{QStringLiteral("valgrind"),
                          QStringLiteral("-q"),
                          QStringLiteral("--tool=callgrind"),
                          QStringLiteral("--separate-threads=yes"),
                          QStringLiteral("--callgrind-out-file=") + run.folder->path() +
                              QStringLiteral("/callgrind.out"),
                          QCoreApplication::applicationFilePath(),
                          QStringLiteral("--phase-seconds"),
                          QString::number(phaseSeconds),
                          QStringLiteral("--rounds"),
                          QStringLiteral("1"),
                          QStringLiteral("--spans"),
                          QString::number(run.span)};
    const QString xvfbRun = ownDisplay();
    if (!xvfbRun.isEmpty())
        arguments = QStringList{QStringLiteral("-a"), QStringLiteral("-n"),
                                QString::number(FirstServerNumber + number * 10)} +
                    arguments;
    const QString program = xvfbRun.isEmpty() ? arguments.takeFirst() : xvfbRun;
    run.child->start(program, arguments);
}

// Instructions per block of each phase of a finished run; none when the
// run failed.
std::optional<std::array<double, 4>> spanFigures(SpanRun& run)
{
    if (run.child->exitStatus() != QProcess::NormalExit || run.child->exitCode() != 0)
        return std::nullopt;
    const QString output = QString::fromLocal8Bit(run.child->readAllStandardOutput());
    std::array<double, 4> figures{};
    const std::array<int, 4> phaseIndexes{phaseIndex(0, false), phaseIndex(run.span, false),
                                          phaseIndex(0, true), phaseIndex(run.span, true)};
    for (size_t i = 0; i < phaseIndexes.size(); ++i) {
        const std::optional<double> blocks =
            numberAfter(output, QStringLiteral("phase %1 blocks ").arg(phaseIndexes[i]));
        const std::optional<double> total =
            dumpTotal(run.folder->path(), QStringLiteral("phase %1").arg(phaseIndexes[i]));
        if (!blocks || *blocks <= 0 || !total) {
            std::fprintf(stderr, "bench_trend: no callgrind figures\n%s\n", qPrintable(output));
            return std::nullopt;
        }
        figures[i] = *total / *blocks;
    }
    return figures;
}

int measureInstructions(int phaseSeconds)
{
    // A few spans at a time, each on a display of its own (a run under
    // callgrind takes a fifth of a core); one at a time without.
    const size_t MostAtOnce = ownDisplay().isEmpty() && QGuiApplication::platformName() == u"xcb" ? 1 : 3;
    std::vector<SpanRun> runs;
    for (const int span : measuredSpans())
        runs.push_back(SpanRun{span, nullptr, nullptr});
    // The longest span's phases last two steps of two minutes.
    const int longestMs = 2 * (phaseSeconds * 1000 + 2 * 120 * 1000) + 4 * SettleMs * CallgrindSettleFactor +
                          StartTimeoutMs * CallgrindSlowdown;
    // The longest spans first: they take longest.
    size_t started = 0;
    for (size_t done = 0; done < runs.size(); ++done) {
        while (started < runs.size() && started < done + MostAtOnce) {
            startSpanRun(runs[runs.size() - 1 - started], phaseSeconds, int(started));
            ++started;
        }
        QProcess& child = *runs[runs.size() - 1 - done].child;
        if (!child.waitForFinished(longestMs)) {
            for (SpanRun& run : runs) {
                if (run.child) {
                    run.child->kill();
                    run.child->waitForFinished();
                }
            }
            std::fprintf(stderr, "bench_trend: the run under callgrind did not end\n");
            return 1;
        }
    }
    std::printf("Instructions per live block (callgrind, the window's thread, %s window; phases of %d s,\n"
                "open ones of whole steps of the time axis)\n",
                qPrintable(QGuiApplication::platformName()), phaseSeconds);
    std::printf("  %-8s %9s %9s %8s   %11s %11s %8s\n", "span", "closed", "open", "more", "closed, rec",
                "open, rec", "more");
    int status = 0;
    for (SpanRun& run : runs) {
        const std::optional<std::array<double, 4>> f = spanFigures(run);
        if (!f) {
            status = 1;
            continue;
        }
        const auto more = [](double open, double closed) { return (open / closed - 1.0) * PercentPerShare; };
        std::printf("  %-8s %8.3fM %8.3fM %7.1f%%   %10.3fM %10.3fM %7.1f%%\n", spanName(run.span).c_str(),
                    (*f)[0] / 1e6, (*f)[1] / 1e6, more((*f)[1], (*f)[0]), (*f)[2] / 1e6, (*f)[3] / 1e6,
                    more((*f)[3], (*f)[2]));
    }
    return status;
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    const QStringList arguments = QCoreApplication::arguments();
    if (const qsizetype at = arguments.indexOf(QStringLiteral("--spans"));
        at >= 0 && at + 1 < arguments.size()) {
        QList<int> spans;
        for (const QString& span : arguments.at(at + 1).split(u','))
            if (std::find(Spans.begin(), Spans.end(), span.toInt()) != Spans.end())
                spans.append(span.toInt());
        if (!spans.isEmpty())
            measuredSpans() = spans;
    }
    if (arguments.contains(QStringLiteral("--callgrind")))
        return measureInstructions(
            option(arguments, QStringLiteral("--phase-seconds"), DefaultCallgrindPhaseSeconds));

    const int phaseSeconds = option(arguments, QStringLiteral("--phase-seconds"), DefaultPhaseSeconds);
    const int rounds = option(arguments, QStringLiteral("--rounds"), DefaultRounds);
    const int historySeconds = option(arguments, QStringLiteral("--history-seconds"), 0);
    Measured measured;
    const int status = measure(phaseSeconds, rounds, historySeconds, measured);
    if (status == 0 && !underValgrind())
        printShares(measured);
    return status;
}
