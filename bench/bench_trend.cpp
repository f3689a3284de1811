// What the Trend window costs: the configurator polls the virtual
// transmitter (kvsim, a process of its own, so that every CPU second this
// process spends is the configurator's) and the program measures its share
// of one core in phases that take turns: the trend closed, the trend open,
// the trend open over a 30 s span, the trend open and recording to a file
// (the 10-minute span unless said otherwise). It reports the median of each
// kind side by side, with the resident memory at the end of every phase
// and the size of the trend's history, which must stop growing once the
// history is full.
//
//   bench_trend [--phase-seconds N] [--rounds N] [--history-seconds N]
//
// 20 s phases, 3 rounds, and the window's 10 minutes of history by default;
// a short history (--history-seconds 20) shows memory level off within the
// run. The window system is the one QT_QPA_PLATFORM names, else the display
// in DISPLAY, else offscreen rendering; for the figures that count run it on
// a real X server: xvfb-run -a bench/bench_trend.

#include "app/form_main.h"
#include "app/trend_window.h"
#include "link/tmb.h"

#include <QAction>
#include <QApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int DefaultPhaseSeconds = 20;
constexpr int DefaultRounds = 3;
constexpr int StartTimeoutMs = 10000;
constexpr double PercentPerShare = 100.0;
constexpr double BytesPerMB = 1024.0 * 1024.0;

enum Phase
{
    TrendClosed,
    TrendOpen,
    TrendOpenShortSpan,
    TrendRecording,
    PhaseCount
};

const char* phaseName(int phase)
{
    switch (phase) {
    case TrendClosed:
        return "trend closed";
    case TrendOpen:
        return "trend open";
    case TrendOpenShortSpan:
        return "trend open, 30 s span";
    default:
        return "trend open, recording";
    }
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

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    const QStringList arguments = QCoreApplication::arguments();
    const int phaseSeconds = option(arguments, QStringLiteral("--phase-seconds"), DefaultPhaseSeconds);
    const int rounds = option(arguments, QStringLiteral("--rounds"), DefaultRounds);
    const int historySeconds = option(arguments, QStringLiteral("--history-seconds"), 0);

    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("kvsim"));
    QProcess kvsim;
    kvsim.setProgram(QStringLiteral(KV_KVSIM_PATH));
    kvsim.setArguments({QStringLiteral("--link"), link});
    kvsim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    kvsim.start();
    const QDeadlineTimer started(StartTimeoutMs);
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
        TrendWindow* trend = form.trendWindow();
        // A window with a short history, to see memory level off in the run.
        std::unique_ptr<TrendWindow> shortTrend;
        if (historySeconds > 0) {
            shortTrend = std::make_unique<TrendWindow>(&form, qint64(historySeconds) * 1000);
            QObject::connect(&form, &TForm_Main::liveValuesShown, shortTrend.get(),
                             &TrendWindow::addLiveBlock);
            trend = shortTrend.get();
            form.trendWindow()->close();
        }
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
        const QDeadlineTimer polling(StartTimeoutMs);
        while (blocks < 10 && !polling.hasExpired())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        if (blocks < 10) {
            std::fprintf(stderr, "bench_trend: the transmitter does not answer\n");
            status = 1;
        }

        std::vector<double> shares[PhaseCount];
        std::vector<double> rates[PhaseCount];
        std::printf("bench_trend: %d rounds of %d s phases, %s, history %d s\n", rounds, phaseSeconds,
                    qPrintable(QGuiApplication::platformName()), int(trend->history().historyMs() / 1000));
        std::printf("  %-26s %10s %12s %10s %12s\n", "phase", "blocks/s", "core share", "RSS MB", "history");
        for (int round = 0; status == 0 && round < rounds; ++round) {
            for (int phase = 0; phase < PhaseCount; ++phase) {
                if (phase == TrendClosed)
                    trend->hide();
                else
                    trend->show();
                trend->setSpanIndex(phase == TrendOpenShortSpan ? 0 : TrendWindow::DefaultSpanIndex);
                if (phase == TrendRecording)
                    trend->startRecording(dir.filePath(QStringLiteral("live.csv")));
                runFor(500); // the window settles before the measurement
                const double cpuAtStart = processCpuSeconds();
                const qint64 blocksAtStart = blocks;
                QElapsedTimer wall;
                wall.start();
                runFor(phaseSeconds * 1000);
                const double wallS = double(wall.nsecsElapsed()) / 1e9;
                const double share = (processCpuSeconds() - cpuAtStart) / wallS;
                const double rate = double(blocks - blocksAtStart) / wallS;
                shares[phase].push_back(share);
                rates[phase].push_back(rate);
                std::printf("  %-26s %10.2f %11.2f%% %10.1f %12lld\n", phaseName(phase), rate,
                            share * PercentPerShare, residentMB(), qlonglong(trend->history().size()));
                if (phase == TrendRecording)
                    trend->stopRecording();
                std::fflush(stdout);
            }
        }
        if (status == 0) {
            std::printf("  medians:\n");
            for (int phase = 0; phase < PhaseCount; ++phase)
                std::printf("  %-26s %10.2f %11.2f%%\n", phaseName(phase), median(rates[phase]),
                            median(shares[phase]) * PercentPerShare);
            std::printf("  trend's cost (open less closed): %.2f%% of a core; history ring %lld samples "
                        "(%.0f kB, fixed)\n",
                        (median(shares[TrendOpen]) - median(shares[TrendClosed])) * PercentPerShare,
                        qlonglong(trend->history().capacity()),
                        double(trend->history().capacity()) * double(sizeof(TrendHistory::Sample)) / 1024.0);
        }
        form.MB1->MBClosePort();
    }
    kvsim.terminate();
    kvsim.waitForFinished();
    return status;
}
