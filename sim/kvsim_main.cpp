// kvsim: the virtual transmitter as a program. Prints the device path on the
// first line of standard output and serves until SIGINT or SIGTERM. Bench
// commands on standard input are answered one line each after it.

#include "platform/input_lines.h"
#include "platform/termination_signals.h"
#include "sim/simulator_options.h"
#include "sim/virtual_transmitter.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

namespace {

void printLine(FILE* stream, const QString& text)
{
    const QByteArray bytes = text.toLocal8Bit();
    std::fprintf(stream, "%s\n", bytes.constData());
    std::fflush(stream);
}

// Only a link that still points at our device is ours to remove.
void removeOwnLink(const QString& linkPath, const QString& devicePath)
{
    if (!linkPath.isEmpty() && QFileInfo(linkPath).isSymLink() &&
        QFile::symLinkTarget(linkPath) == devicePath)
        QFile::remove(linkPath);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kvsim"));

    SimulatorOptions options;
    QString error;
    bool help = false;
    if (!simoptions::parse(QCoreApplication::arguments(), &options, &error, &help)) {
        printLine(stderr, QStringLiteral("kvsim: ") + error);
        printLine(stderr, QStringLiteral("Try kvsim --help."));
        return 2;
    }
    if (help) {
        std::fputs(simoptions::helpText().toLocal8Bit().constData(), stdout);
        return 0;
    }

    TerminationSignals termination;
    if (!termination.isValid()) {
        printLine(stderr, QStringLiteral("kvsim: cannot watch for termination signals"));
        return 1;
    }
    QObject::connect(&termination, &TerminationSignals::terminationRequested, &app, &QCoreApplication::quit);

    VirtualTransmitter transmitter(options);
    if (!transmitter.isValid()) {
        printLine(stderr, QStringLiteral("kvsim: cannot open a pseudo-terminal: ") + transmitter.errorText());
        return 1;
    }
    const QString devicePath = transmitter.devicePath();

    if (!options.linkPath.isEmpty()) {
        const QFileInfo existing(options.linkPath);
        if (existing.isSymLink())
            QFile::remove(options.linkPath);
        else if (existing.exists()) {
            printLine(stderr, QStringLiteral("kvsim: ") + options.linkPath +
                                  QStringLiteral(" exists and is no link"));
            return 1;
        }
        if (!QFile::link(devicePath, options.linkPath)) {
            printLine(stderr, QStringLiteral("kvsim: cannot make the link ") + options.linkPath);
            return 1;
        }
    }

    if (options.verbose) {
        QObject::connect(&transmitter, &VirtualTransmitter::queryReceived, [](const QByteArray& frame) {
            printLine(stderr, QStringLiteral("<- ") + QString::fromLatin1(frame.toHex(' ').toUpper()));
        });
        QObject::connect(&transmitter, &VirtualTransmitter::queryIgnored,
                         [](const QByteArray&, const QString& reason) {
                             printLine(stderr, QStringLiteral("   not answered: ") + reason);
                         });
        QObject::connect(&transmitter, &VirtualTransmitter::answerSent, [](const QByteArray& line) {
            printLine(stderr, QStringLiteral("-> ") + QString::fromLatin1(line));
        });
        QObject::connect(&transmitter, &VirtualTransmitter::restarted,
                         [] { printLine(stderr, QStringLiteral("   restarted")); });
    }

    // Serving starts by dropping what is pending, so it must come before the
    // path is known: a master may send the moment it reads it.
    transmitter.start();
    printLine(stdout, devicePath);
    printLine(stderr,
              QStringLiteral("kvsim: %1, %2, %3 output, firmware %4, on %5")
                  .arg(options.model, options.pt1000 ? QStringLiteral("Pt1000") : QStringLiteral("Pt100"),
                       options.voltageOutput ? QStringLiteral("voltage") : QStringLiteral("current"))
                  .arg(options.firmwareVersion)
                  .arg(devicePath));

    InputLines bench;
    QObject::connect(&bench, &InputLines::lineRead, &transmitter, [&transmitter](const QByteArray& line) {
        printLine(stdout, transmitter.benchCommand(QString::fromLocal8Bit(line)));
    });
    const int code = app.exec();
    transmitter.stop();
    removeOwnLink(options.linkPath, devicePath);
    return code;
}
