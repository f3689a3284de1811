// kvctl: the configurator's batch tool. Commissions transmitters from a
// settings file, reads their settings into one, identifies them and logs
// their live values, on the same core as the window.

#include "app/language_table.h"
#include "app/settings_file.h"
#include "device/firmware_version.h"
#include "platform/serial_port_enumeration.h"
#include "platform/termination_signals.h"
#include "records/record_store.h"
#include "records/records_location.h"
#include "tools/kvctl/batch_run.h"
#include "tools/kvctl/command_line.h"
#include "tools/kvctl/commission_run.h"
#include "tools/kvctl/console.h"
#include "tools/kvctl/exit_code.h"
#include "tools/kvctl/live_run.h"
#include "tools/kvctl/records_commands.h"
#include "tools/kvctl/records_sync_run.h"

#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

#ifndef KV_VERSION
#define KV_VERSION "0"
#endif

namespace {

int code(ExitCode exitCode)
{
    return int(exitCode);
}

// The window's refusal, in English.
QString wrongModelText(TDeviceModel model)
{
    using Text = LanguageTable::Text;
    return LanguageTable::value(model == dmKV4620 ? Text::WrongModelKV4620 : Text::WrongModelKV4820,
                                Language::English);
}

// A settings file for the model; the window's refusal for another model's.
std::optional<SettingsFileValues> readSettingsFile(Console& console, const QString& path, TDeviceModel model)
{
    const SettingsFile::Loaded loaded = SettingsFile::read(path, model);
    switch (loaded.status) {
    case SettingsFile::Status::Loaded:
        return loaded.values;
    case SettingsFile::Status::WrongModel:
        console.error(QStringLiteral("%1: %2").arg(path, wrongModelText(model)));
        break;
    case SettingsFile::Status::Unreadable:
        console.error(QStringLiteral("%1: cannot read: %2").arg(path, loaded.error));
        break;
    }
    return std::nullopt;
}

// The model a file names in its header, when it names one of the two.
std::optional<TDeviceModel> modelOfFile(const QString& path)
{
    for (const TDeviceModel model : {dmKV4620, dmKV4820}) {
        if (SettingsFile::read(path, model).status == SettingsFile::Status::Loaded)
            return model;
    }
    return std::nullopt;
}

const QString kModelNotReadable = QStringLiteral(
    "the model, KV4620 or KV4820, cannot be read from a transmitter: read takes it from --model, "
    "write from --model or the settings file");

// The window's pace unless KVCTL_TASK_TICK_MS asks for a quicker tick, the
// send delay half of it: kvctl's tests would otherwise spend most of their
// time waiting for the 100 ms tick.
TransmitterSession::Timing timingOf(const Invocation& invocation)
{
    TransmitterSession::Timing timing;
    timing.answerTimeoutMs = invocation.timeoutMs;
    bool ok = false;
    const int tick = qEnvironmentVariableIntValue("KVCTL_TASK_TICK_MS", &ok);
    if (ok && tick > 0 && tick < timing.tickIntervalMs) {
        timing.tickIntervalMs = tick;
        timing.sendDelayMs = quint16(tick / 2);
    }
    return timing;
}

QString deviceKind(const LiveValues& live)
{
    return QStringLiteral("%1, %2 output")
        .arg(live.bPt1000 ? QStringLiteral("Pt1000") : QStringLiteral("Pt100"),
             live.bVoltageOutput ? QStringLiteral("voltage") : QStringLiteral("current"));
}

ExitCode runPorts(Console& console)
{
    QStringList ports;
    QList<serial::RefusedPort> refused;
    serial::enumerate(&ports, &refused);
    for (const QString& port : std::as_const(ports))
        console.out(port);
    // As the window's panel says it: a port missing for want of permission.
    for (const QString& line : serial::refusalLines(refused))
        console.error(QStringLiteral("not listed: ") + line);
    return ExitCode::Done;
}

ExitCode runIdentify(Console& console, BatchRun& batch)
{
    batch.run([](const TransmitterSession& session) {
        const quint32 version = session.liveValues().FirmwareVersion;
        return QStringLiteral("%1 (%2), supported, %3")
            .arg(firmware::text(version))
            .arg(version)
            .arg(deviceKind(session.liveValues()));
    });
    if (batch.sessions().size() > 1)
        console.out(batch.summary(QStringLiteral("identified")));
    // The identification answers the firmware, sensor and output, but not
    // the model: whoever looks for it here learns where it comes from.
    const auto& sessions = batch.sessions();
    if (std::any_of(sessions.begin(), sessions.end(),
                    [](const auto& s) { return s->outcome() == TransmitterSession::Outcome::Done; }))
        console.error(kModelNotReadable);
    return batch.exitCode();
}

ExitCode runRead(Console& console, const Invocation& invocation, BatchRun& batch)
{
    const TDeviceModel model = *invocation.model;
    SettingsFile::Parts parts = SettingsFile::Parts::WithoutLimitOutputs;
    SettingsFileValues templateValues;
    if (!invocation.templateFile.isEmpty()) {
        const std::optional<SettingsFileValues> loaded =
            readSettingsFile(console, invocation.templateFile, model);
        if (!loaded)
            return ExitCode::BadUsage;
        templateValues = *loaded;
        parts = SettingsFile::Parts::All;
    }
    bool written = true;
    batch.run([&](const TransmitterSession& session) {
        SettingsFileValues values = session.controls().fileValues();
        values.limits = templateValues.limits;
        QString error;
        written =
            SettingsFile::write(invocation.settingsFile, model, values, SettingsFile::today(), &error, parts);
        if (!written)
            return QStringLiteral("read, but %1 not written: %2").arg(invocation.settingsFile, error);
        QFile saved(invocation.settingsFile);
        if (saved.open(QIODevice::ReadOnly))
            const_cast<TransmitterSession&>(session).recorder().fileSaved(invocation.settingsFile,
                                                                          saved.readAll());
        return QStringLiteral("settings read into ") + invocation.settingsFile;
    });
    return written ? batch.exitCode() : ExitCode::BadUsage;
}

ExitCode runWrite(Console& console, const Invocation& invocation, BatchRun& batch)
{
    // Without a model named anywhere the file is refused as the window,
    // working with its default model, refuses it.
    const std::optional<TDeviceModel> model =
        invocation.model ? invocation.model : modelOfFile(invocation.settingsFile);
    const std::optional<SettingsFileValues> values =
        readSettingsFile(console, invocation.settingsFile, model.value_or(dmKV4820));
    if (!values)
        return ExitCode::BadUsage;
    QFile file(invocation.settingsFile);
    batch.setFileValues(*values, invocation.settingsFile,
                        file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray());
    batch.run([](const TransmitterSession&) { return QStringLiteral("verified"); });
    console.out(batch.summary(QStringLiteral("verified")));
    return batch.exitCode();
}

TransmitterSession::Job jobOf(Invocation::Command command)
{
    switch (command) {
    case Invocation::Command::Read:
        return TransmitterSession::Job::Read;
    case Invocation::Command::Write:
        return TransmitterSession::Job::Write;
    default:
        return TransmitterSession::Job::Identify;
    }
}

} // namespace

// The commands that write PDFs draw, on the offscreen platform: no display
// is needed, and every other command stays on Qt Core.
std::unique_ptr<QCoreApplication> makeApplication(int& argc, char* argv[],
                                                  std::unique_ptr<QTemporaryDir>& runtime)
{
    const QByteArray command = argc > 1 ? QByteArray(argv[1]) : QByteArray();
    if (command == "report" || command == "commission") {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        // A drawing program wants a runtime folder; outside a desktop
        // session (cron, a service) it would warn on every run.
        if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
            runtime = std::make_unique<QTemporaryDir>();
            if (runtime->isValid())
                qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime->path()));
        }
        return std::make_unique<QGuiApplication>(argc, argv);
    }
    return std::make_unique<QCoreApplication>(argc, argv);
}

// Where each port's events go: the n-th --tag for the n-th --port.
QList<TransmitterSession::Records> recordsOf(const Invocation& invocation, RecordStore* store)
{
    QList<TransmitterSession::Records> records;
    const RecordOrigin origin =
        RecordOrigin::current(QStringLiteral("kvctl"), QCoreApplication::applicationVersion());
    const QString model =
        invocation.model ? SettingsFile::modelName(*invocation.model)
        : invocation.command == Invocation::Command::Write && modelOfFile(invocation.settingsFile)
            ? SettingsFile::modelName(*modelOfFile(invocation.settingsFile))
            : QString();
    for (qsizetype i = 0; i < invocation.ports.size(); ++i)
        records.append(
            {store, origin, i < invocation.tags.size() ? invocation.tags.at(i) : QString(), model});
    return records;
}

int main(int argc, char* argv[])
{
    std::unique_ptr<QTemporaryDir> runtime;
    const std::unique_ptr<QCoreApplication> app = makeApplication(argc, argv, runtime);
    QCoreApplication::setApplicationName(QStringLiteral("kvctl"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KV_VERSION));
    Console console;

    Invocation invocation;
    QString error;
    if (!CommandLine::parse(QCoreApplication::arguments(), &invocation, &error)) {
        console.error(error);
        const QString command = CommandLine::commandName(invocation.command);
        console.error(
            QStringLiteral("Try kvctl %1--help.").arg(command.isEmpty() ? QString() : command + u' '));
        return code(ExitCode::BadUsage);
    }
    switch (invocation.command) {
    case Invocation::Command::Help:
        std::fputs(CommandLine::helpText(invocation.helpTopic).toLocal8Bit().constData(), stdout);
        return code(ExitCode::Done);
    case Invocation::Command::Version:
        console.out(QStringLiteral("kvctl ") + QCoreApplication::applicationVersion());
        return code(ExitCode::Done);
    case Invocation::Command::Ports:
        return code(runPorts(console));
    case Invocation::Command::RecordsSync:
        return code(runRecordsSync(console, invocation.recordsServer));
    case Invocation::Command::History:
        return code(recordscommands::runHistory(console, invocation));
    case Invocation::Command::RecordsExport:
        return code(recordscommands::runExport(console, invocation));
    case Invocation::Command::Report:
        return pushRecordsBeforeExit(console, invocation.recordsServer,
                                     code(recordscommands::runReport(console, invocation)));
    default:
        break;
    }

    // Ctrl+C or SIGTERM ends the work cleanly: ports closed, files whole.
    TerminationSignals termination;
    if (invocation.command == Invocation::Command::Live) {
        LiveRun live(console, invocation, timingOf(invocation));
        QObject::connect(&termination, &TerminationSignals::terminationRequested, &live, &LiveRun::interrupt);
        return code(live.run());
    }
    if (invocation.command == Invocation::Command::Commission) {
        CommissionRun commission(console, invocation, timingOf(invocation));
        QObject::connect(&termination, &TerminationSignals::terminationRequested, &commission,
                         &CommissionRun::interrupt);
        return pushRecordsBeforeExit(console, invocation.recordsServer, code(commission.run()));
    }
    // The live stream is not recorded: the Trend and live --csv keep it.
    RecordStore store(recordslocation::databasePath());
    recordscommands::openStore(console, store);
    BatchRun batch(console, jobOf(invocation.command), invocation.ports, timingOf(invocation),
                   recordsOf(invocation, store.canWrite() ? &store : nullptr));
    QObject::connect(&termination, &TerminationSignals::terminationRequested, &batch, &BatchRun::interrupt);
    ExitCode result = ExitCode::Done;
    switch (invocation.command) {
    case Invocation::Command::Read:
        result = runRead(console, invocation, batch);
        break;
    case Invocation::Command::Write:
        result = runWrite(console, invocation, batch);
        break;
    default:
        result = runIdentify(console, batch);
        break;
    }
    return pushRecordsBeforeExit(console, invocation.recordsServer, code(result));
}
