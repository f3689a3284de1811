// Writes and verifies a settings file with kvctl into one virtual
// transmitter and into eight at once, round after round, and reports the
// median time of each side by side: the eight share no lock and each waits
// on its own line, so they should take little longer than one. Then the same
// for commissioning from a plan of one row and of eight, with a settings
// certificate a row (written off the links' threads).
//
//   bench_kvctl_parallel [--rounds N]      (9 by default)
//
// The transmitters are kvsim programs; each round runs the two kvctl
// commands in turn, alternating which goes first and which of two settings
// files is written, so that every write changes the transmitters. A run
// includes kvctl's start; the time of `kvctl --version` shows that share.
// kvctl keeps its device records in a temporary home, not the user's.

#include "app/settings_file.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <array>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

constexpr int DefaultRounds = 9;
constexpr int Transmitters = 8;
constexpr int WaitMs = 60000;
constexpr double Bound = 1.3;

int roundsFromArguments(const QStringList& arguments)
{
    const qsizetype at = arguments.indexOf(QStringLiteral("--rounds"));
    if (at >= 0 && at + 1 < arguments.size()) {
        bool ok = false;
        const int rounds = arguments.at(at + 1).toInt(&ok);
        if (ok && rounds > 0)
            return rounds;
    }
    return DefaultRounds;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

QProcessEnvironment s_environment = QProcessEnvironment::systemEnvironment();

// Milliseconds from start to exit of one kvctl run; negative when it failed.
double timedRun(const QStringList& arguments)
{
    QProcess process;
    process.setProcessEnvironment(s_environment);
    QElapsedTimer clock;
    clock.start();
    process.start(QStringLiteral(KVCTL_PATH), arguments);
    if (!process.waitForFinished(WaitMs) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        std::fprintf(stderr, "kvctl %s failed:\n%s%s", qPrintable(arguments.join(u' ')),
                     process.readAllStandardOutput().constData(), process.readAllStandardError().constData());
        return -1.0;
    }
    return double(clock.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int rounds = roundsFromArguments(QCoreApplication::arguments());

    std::array<std::unique_ptr<QProcess>, Transmitters> sims;
    QStringList ports;
    for (auto& sim : sims) {
        sim = std::make_unique<QProcess>();
        sim->start(QStringLiteral(KVSIM_PATH), QStringList());
        while (sim->waitForReadyRead(WaitMs) && !sim->canReadLine()) {
        }
        const QString path = QString::fromLocal8Bit(sim->readLine()).trimmed();
        if (path.isEmpty()) {
            std::fprintf(stderr, "kvsim did not start\n");
            return 1;
        }
        ports << QStringLiteral("--port") << path;
    }

    QTemporaryDir dir;
    for (const char* variable : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
        s_environment.insert(QLatin1StringView(variable), dir.filePath(QLatin1StringView(variable)));
    std::array<QString, 2> files = {dir.filePath(QStringLiteral("a.kvb")),
                                    dir.filePath(QStringLiteral("b.kvb"))};
    SettingsFileValues values;
    values.wires = 1;
    values.inputMode = 2;
    values.outputType = 1;
    values.errorLevel = 1;
    values.averaging = 6;
    values.scaleLow = QStringLiteral("10.00");
    values.scaleHigh = QStringLiteral("150.00");
    SettingsFile::write(files[0], dmKV4620, values, SettingsFile::today());
    values = SettingsFileValues();
    values.wires = 0;
    values.inputMode = 0;
    values.outputType = 0;
    values.errorLevel = 0;
    values.averaging = 4;
    values.scaleLow = QStringLiteral("-50.0");
    values.scaleHigh = QStringLiteral("250.0");
    SettingsFile::write(files[1], dmKV4620, values, SettingsFile::today());

    std::vector<double> one;
    std::vector<double> eight;
    std::vector<double> start;
    for (int round = 0; round < rounds; ++round) {
        const QString& file = files[size_t(round % 2)];
        const QStringList single = QStringList{QStringLiteral("write")} + ports.mid(0, 2) + QStringList{file};
        const QStringList all = QStringList{QStringLiteral("write")} + ports + QStringList{file};
        const bool singleFirst = round % 2 == 0;
        const double a = timedRun(singleFirst ? single : all);
        const double b = timedRun(singleFirst ? all : single);
        const double s = timedRun({QStringLiteral("--version")});
        if (a < 0 || b < 0 || s < 0)
            return 1;
        one.push_back(singleFirst ? a : b);
        eight.push_back(singleFirst ? b : a);
        start.push_back(s);
    }

    // Plans of one row and of eight, every row forced (a row done already
    // would be skipped), its certificate into the reports folder.
    std::array<QString, 2> plans = {dir.filePath(QStringLiteral("one.csv")),
                                    dir.filePath(QStringLiteral("eight.csv"))};
    const QString reports = dir.filePath(QStringLiteral("reports"));
    std::vector<double> commissionOne;
    std::vector<double> commissionEight;
    for (int round = 0; round < rounds; ++round) {
        const QString file = QFileInfo(files[size_t(round % 2)]).fileName();
        for (size_t p = 0; p < plans.size(); ++p) {
            QFile plan(plans[p]);
            if (!plan.open(QIODevice::WriteOnly | QIODevice::Truncate))
                return 1;
            plan.write("port,tag,file\n");
            for (int row = 0; row < (p == 0 ? 1 : Transmitters); ++row)
                plan.write(QStringLiteral("%1,TT-%2,%3\n")
                               .arg(ports.at(2 * row + 1))
                               .arg(101 + row)
                               .arg(file)
                               .toUtf8());
        }
        const bool singleFirst = round % 2 == 0;
        const QStringList tail{QStringLiteral("--reports"), reports, QStringLiteral("--force")};
        const double a =
            timedRun(QStringList{QStringLiteral("commission"), plans[singleFirst ? 0 : 1]} + tail);
        const double b =
            timedRun(QStringList{QStringLiteral("commission"), plans[singleFirst ? 1 : 0]} + tail);
        if (a < 0 || b < 0)
            return 1;
        commissionOne.push_back(singleFirst ? a : b);
        commissionEight.push_back(singleFirst ? b : a);
    }

    const auto report = [](const char* what, int rounds, double oneMs, double eightMs) {
        std::printf("kvctl %s, median of %d rounds:\n", what, rounds);
        std::printf("  1 transmitter    %8.1f ms\n", oneMs);
        std::printf("  %d transmitters   %8.1f ms   (%.2f x one; bound %.1f x: %s)\n", Transmitters, eightMs,
                    eightMs / oneMs, Bound, eightMs <= Bound * oneMs ? "within" : "OVER");
    };
    report("write and verify", rounds, median(one), median(eight));
    report("commission with certificates", rounds, median(commissionOne), median(commissionEight));
    std::printf("kvctl --version    %8.1f ms   (the program's start, in every figure)\n", median(start));

    for (auto& sim : sims) {
        sim->terminate();
        sim->waitForFinished(WaitMs);
    }
    return 0;
}
