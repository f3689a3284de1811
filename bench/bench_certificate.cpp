// The time to issue a certificate from real records: gather the runs and
// settings, number it, render the PDF, write it (checked, one atomic step)
// and record it, as the window and kvctl report do, in both languages.
//
//   bench_certificate [--rounds N] [--keep DIR]   (15 rounds by default; DIR
//                                                 keeps the certificates)
//
// Each round issues once per language, so every certificate replaces the
// one before; the median, the slowest and the PDF's size are printed beside
// the 300 ms bound. A QGuiApplication on the offscreen platform, as kvctl has.

#include "certificates/certificate_issuer.h"
#include "device/device_command.h"
#include "records/record_store.h"
#include "records/session_recorder.h"
#include "verification/verification.h"

#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int DefaultRounds = 15;
constexpr double BoundMs = 300.0;

int roundsFromArguments(const QStringList& arguments)
{
    const qsizetype at = arguments.indexOf(QStringLiteral("--rounds"));
    bool ok = false;
    const int rounds = at >= 0 ? arguments.value(at + 1).toInt(&ok) : 0;
    return ok && rounds > 0 ? rounds : DefaultRounds;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

VerificationRun runAt(const VerificationSetup& setup, const char* kind, double outputOffset)
{
    VerificationRun run;
    run.kind = QLatin1StringView(kind);
    run.setup = setup;
    run.reference = QStringLiteral("decade box DB-7, meter M-12");
    for (const double percent : verification::defaultPercents()) {
        const double value = verification::valueAt(setup, percent);
        run.points.append(verification::evaluate(setup, percent, value,
                                                 verification::expectedOutput(setup, value) + outputOffset,
                                                 OutputSource::Meter));
    }
    return run;
}

// What a commissioning leaves: as found, two output adjustments, a write,
// as left.
void recordCommissioning(RecordStore& store, const RecordOrigin& origin, const QString& tag)
{
    SessionRecorder recorder(&store, origin);
    recorder.setModel(QStringLiteral("KV4620"));
    recorder.setTag(tag);
    recorder.portOpened(QStringLiteral("/dev/ttyUSB0"));
    LiveValues live;
    live.FirmwareVersion = 20150325;
    recorder.liveValuesArrived(live);
    DeviceSettings found;
    found.fScaleLow = 0.0f;
    found.fScaleHigh = 200.0f;
    recorder.settingsRead(found);
    const VerificationSetup setup = VerificationSetup::from(found, live, 0.10);
    recorder.recordOther(RecordEvent::Verification, runAt(setup, VerificationRun::AsFound, 0.05).toJson());
    recorder.commandAcknowledged(CmdStorePWM4mA, quint16(13050), live);
    recorder.commandAcknowledged(CmdStorePWM20mA, quint16(65400), live);
    DeviceSettings left = found;
    left.fOutputLimitHigh = 20.8f;
    recorder.settingsWritten(left);
    recorder.settingsRead(left);
    recorder.recordOther(RecordEvent::Verification, runAt(setup, VerificationRun::AsLeft, 0.004).toJson());
    recorder.portClosed(false);
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int rounds = roundsFromArguments(QCoreApplication::arguments());

    QTemporaryDir temporary;
    const QStringList arguments = QCoreApplication::arguments();
    const qsizetype keep = arguments.indexOf(QStringLiteral("--keep"));
    const QDir dir(keep >= 0 && keep + 1 < arguments.size() ? arguments.at(keep + 1) : temporary.path());
    RecordStore store(dir.filePath(QStringLiteral("records.sqlite")));
    if (!store.open()) {
        std::fprintf(stderr, "cannot open the records file\n");
        return 1;
    }
    const RecordOrigin origin{QStringLiteral("bench"), QStringLiteral("ann"), QStringLiteral("kvctl"),
                              QStringLiteral("0.1")};
    const QString tag = QStringLiteral("TT-101");
    recordCommissioning(store, origin, tag);
    CertificateIssuer issuer(store, origin);

    std::printf("certificate issued from the records, %d rounds:\n", rounds);
    for (const char* language : {"en", "hu"}) {
        std::vector<double> times;
        qsizetype bytes = 0;
        for (int round = 0; round < rounds; ++round) {
            CertificateIssuer::Request request{tag, CertificateIssuer::Kind::Verification,
                                               QLatin1StringView(language), QStringLiteral("Plant 7"),
                                               QStringLiteral("decade box DB-7")};
            QElapsedTimer clock;
            clock.start();
            const CertificateIssuer::Issued issued = issuer.issueInto(request, dir.path());
            times.push_back(double(clock.nsecsElapsed()) / 1e6);
            if (!issued.ok) {
                std::fprintf(stderr, "not issued: %s\n", qPrintable(issued.error));
                return 1;
            }
            bytes = issued.pdf.size();
        }
        const double m = median(times);
        std::printf(
            "  %s  median %6.1f ms  slowest %6.1f ms  first %6.1f ms  %lld bytes  (bound %.0f ms: %s)\n",
            language, m, *std::max_element(times.begin(), times.end()), times.front(),
            static_cast<long long>(bytes), BoundMs, m <= BoundMs ? "within" : "OVER");
    }
    return 0;
}
