// kvconf: the start window comes first and is the program's main window;
// closing it, directly with Esc or through the main window's shutdown, ends
// the program.
//
//   kvconf [--simulate [--out-of-calibration]] [--tag TAG] [/QELMIR]
//
// --simulate serves a virtual transmitter on a pseudo-terminal inside the
// program, lists it among the ports and shows its bench beside the main
// window; --out-of-calibration starts it with a drifted calibration.
// --tag names the transmitter worked on in the device records (the plant's
// instrument tag, such as TT-101); the Device records window can set it too.

#include "app/app_context.h"
#include "app/bench_window.h"
#include "app/form_kv_tipus_valasztas.h"
#include "app/form_main.h"
#include "app/simulated_transmitter.h"
#include "app/start_sequence.h"
#include "device/calibration_journal.h"
#include "platform/termination_signals.h"
#include "records/record_event.h"
#include "records/records_location.h"

#include <QApplication>

#include <cstdio>

namespace {

void printLine(FILE* stream, const QString& text)
{
    std::fprintf(stream, "%s\n", text.toLocal8Bit().constData());
    std::fflush(stream);
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kvconf"));
    // Only the start window ends the program: the main window merely hides.
    QApplication::setQuitOnLastWindowClosed(false);

    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();

    QString tag;
    if (const qsizetype at = arguments.indexOf(QStringLiteral("--tag")); at >= 0) {
        const QString given = arguments.value(at + 1);
        const std::optional<QString> normalized = recordtag::normalized(given);
        if (!normalized) {
            printLine(stderr,
                      QStringLiteral("kvconf: --tag needs a tag of printable characters, at most %1: \"%2\"")
                          .arg(recordtag::MaxLength)
                          .arg(given));
            return 2;
        }
        tag = *normalized;
    }

    SimulatedTransmitter simulated;
    SimulatedBench simulatedBench(simulated);
    if (arguments.contains(QStringLiteral("--simulate"))) {
        QString error;
        SimulatorOptions options;
        options.outOfCalibration = arguments.contains(QStringLiteral("--out-of-calibration"));
        if (!simulated.start(options, &error)) {
            printLine(stderr, QStringLiteral("kvconf: cannot start the virtual transmitter: ") + error);
            return 1;
        }
        SimulatedTransmitter::addToPortList(simulated.devicePath());
        printLine(stdout, QStringLiteral("kvconf: virtual transmitter on ") + simulated.devicePath());
    }

    // Ctrl+C or SIGTERM closes the windows as the user would: from the main
    // window the port is closed and the configuration saved; from the start
    // window nothing is saved, as with Esc.
    TerminationSignals termination;
    QObject::connect(&termination, &TerminationSignals::terminationRequested, &app, &QCoreApplication::quit);

    TForm_KVTipusValasztas startForm;
    QObject::connect(&startForm, &TForm_KVTipusValasztas::formClosed, &app, &QCoreApplication::quit);
    StartSequence sequence(startForm, AppContext{arguments, QCoreApplication::applicationFilePath(),
                                                 CalibrationJournal::defaultPath(),
                                                 recordslocation::databasePath(), tag});
    // Opens with the main window, which owns it.
    QObject::connect(&sequence, &StartSequence::mainFormBuilt, &app, [&](TForm_Main* mainForm) {
        if (simulated.isRunning()) {
            mainForm->attachVirtualBench(new BenchWindow(simulated, mainForm));
            mainForm->setVerificationBench(&simulatedBench);
        }
        // A transmitter this program does not support: end at once. exit(),
        // not quit(), which would close the windows and so run the shutdown
        // steps.
        QObject::connect(mainForm, &TForm_Main::applicationTerminationRequested, mainForm,
                         [] { QCoreApplication::exit(0); });
    });
    sequence.start();
    return app.exec();
}
