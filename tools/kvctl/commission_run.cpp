#include "tools/kvctl/commission_run.h"

#include "app/language_table.h"
#include "app/settings_file.h"
#include "certificates/certificate_issuer.h"
#include "device/communication_task.h"
#include "device/live_display.h"
#include "records/record_store.h"
#include "records/records_location.h"
#include "records/records_server.h"
#include "records/records_server_address.h"
#include "records/settings_record.h"
#include "tools/kvctl/batch_run.h"
#include "tools/kvctl/command_line.h"
#include "tools/kvctl/commission_plan.h"
#include "tools/kvctl/console.h"
#include "tools/kvctl/settings_controls.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QMutex>
#include <QThreadPool>

#include <map>

namespace {

constexpr int kNumberDeadlineMs = 10000;

struct PreparedRow
{
    CommissionPlan::Row row;
    TDeviceModel model = dmKV4820;
    SettingsFileValues values;
    QByteArray bytes;
    QString skipped; // why it needs no commissioning; empty: it does
    QString result;
    QString certificate;
};

QString modelName(TDeviceModel model)
{
    return SettingsFile::modelName(model);
}

// The row's file read for its model: the plan's model, else the one the
// file's header names. Empty on success, else why the plan is refused.
QString prepare(PreparedRow& p)
{
    QFile file(p.row.file);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("%1: %2").arg(p.row.file, file.errorString());
    p.bytes = file.readAll();
    const QList<TDeviceModel> candidates =
        p.row.model ? QList<TDeviceModel>{*p.row.model} : QList<TDeviceModel>{dmKV4620, dmKV4820};
    for (const TDeviceModel model : candidates) {
        const SettingsFile::Loaded loaded = SettingsFile::parse(p.bytes, model);
        if (loaded.status == SettingsFile::Status::Loaded) {
            p.model = model;
            p.values = loaded.values;
            return QString();
        }
        if (loaded.status == SettingsFile::Status::Unreadable)
            return QStringLiteral("%1: cannot read: %2").arg(p.row.file, loaded.error);
    }
    if (p.row.model) {
        using Text = LanguageTable::Text;
        return QStringLiteral("%1: %2").arg(
            p.row.file,
            LanguageTable::value(*p.row.model == dmKV4620 ? Text::WrongModelKV4620 : Text::WrongModelKV4820,
                                 Language::English));
    }
    return QStringLiteral("%1 is a settings file for neither KV4620 nor KV4820").arg(p.row.file);
}

// The block writing the file would send to a transmitter that holds the
// recorded settings: the same steps as a write (read-back, file opened over
// it, the write button), so that equal blocks mean nothing would change.
DeviceSettings blockOverRecorded(const RecordedSettings& recorded, const SettingsFileValues& values)
{
    SettingsControls controls;
    controls.applyReadBack(CommunicationTask::settingsReadBackFor(recorded.settings, recorded.pt1000));
    QStringList notes;
    controls.applyFile(values, &notes);
    const DeviceSettings captured = controls.pressWrite(
        LiveDisplay::valueFormatFor(recorded.settings.InputMode, recorded.pt1000), &notes);
    return CommunicationTask::writeBlock(captured, controls.selection(), recorded.settings.InputMode);
}

// Why the tag needs no commissioning with this file: its latest read-back
// after a write agreed and holds what the file would write. Empty: it does.
QString alreadyDone(const RecordStore& store, const PreparedRow& p)
{
    for (const RecordEvent& e : store.history(p.row.tag, 0, 200)) {
        if (!e.isKind(RecordEvent::SettingsRead) || !e.data.value(QStringLiteral("asLeft")).toBool())
            continue;
        if (!e.data.value(QStringLiteral("agreed")).toBool())
            return QString();
        const std::optional<RecordedSettings> recorded =
            settingsrecord::fromJson(e.data.value(QStringLiteral("settings")).toObject());
        if (recorded && blockOverRecorded(*recorded, p.values) == recorded->settings)
            return QStringLiteral(
                       "skipped: verified as left on %1 with these settings (--force to do it again)")
                .arg(RecordEvent::timeText(e.time));
        return QString();
    }
    return QString();
}

} // namespace

CommissionRun::CommissionRun(Console& console, const Invocation& invocation,
                             const TransmitterSession::Timing& timing, QObject* parent)
    : QObject(parent), m_console(console), m_invocation(invocation), m_timing(timing)
{}

void CommissionRun::interrupt()
{
    m_interrupted = true;
    if (m_interruptRunning)
        m_interruptRunning();
}

ExitCode CommissionRun::run()
{
    // --- The whole plan first: nothing is sent for a plan with a bad row.
    QString error;
    const std::optional<CommissionPlan> plan = CommissionPlan::read(m_invocation.planFile, &error);
    if (!plan) {
        m_console.error(error + QStringLiteral(": nothing was sent"));
        return ExitCode::BadUsage;
    }
    std::vector<PreparedRow> rows;
    for (const CommissionPlan::Row& row : plan->rows) {
        PreparedRow p;
        p.row = row;
        const QString refused = prepare(p);
        if (!refused.isEmpty()) {
            m_console.error(QStringLiteral("%1, line %2: %3: nothing was sent")
                                .arg(QDir::toNativeSeparators(m_invocation.planFile))
                                .arg(row.line)
                                .arg(refused));
            return ExitCode::BadUsage;
        }
        rows.push_back(p);
    }
    const QString reports = m_invocation.reportsFolder;
    if (!reports.isEmpty() && !QDir().mkpath(reports)) {
        m_console.error(QStringLiteral("%1: the folder cannot be made: nothing was sent").arg(reports));
        return ExitCode::BadUsage;
    }
    CertificateIssuer::ServerNumber serverNumber;
    const recordslocation::ServerChoice server = recordslocation::server(m_invocation.recordsServer);
    if (!server.url.isEmpty()) {
        const std::optional<RecordsServerAddress> address = RecordsServerAddress::parse(server.url, &error);
        if (!address) {
            m_console.error(QStringLiteral("%1: %2: nothing was sent").arg(server.source, error));
            return ExitCode::BadUsage;
        }
        serverNumber = [address](int year, QString* why) {
            return RecordsServer::takeCertificateNumber(*address, year, QDeadlineTimer(kNumberDeadlineMs),
                                                        why);
        };
    }

    RecordStore store(recordslocation::databasePath());
    if (!store.open() && !store.message().isEmpty())
        m_console.error(store.message());
    const RecordOrigin origin =
        RecordOrigin::current(QStringLiteral("kvctl"), QCoreApplication::applicationVersion());

    // --- The rows not done already, at once.
    QStringList ports;
    QList<TransmitterSession::Records> records;
    std::map<QString, PreparedRow*> byPort;
    for (PreparedRow& p : rows) {
        if (!m_invocation.force && store.canRead())
            p.skipped = alreadyDone(store, p);
        if (!p.skipped.isEmpty()) {
            p.result = p.skipped;
            m_console.out(QStringLiteral("%1 %2: %3").arg(p.row.port, p.row.tag, p.skipped));
            continue;
        }
        ports.append(p.row.port);
        records.append({store.canWrite() ? &store : nullptr, origin, p.row.tag, modelName(p.model)});
        byPort[p.row.port] = &p;
    }

    // Certificates are made on the pool's threads, each with a records
    // connection of its own; their lines are said here, on this thread.
    QThreadPool certificates;
    QMutex done;
    const QString databasePath = store.path();
    const auto certify = [&](PreparedRow* p) {
        certificates.start([&, p] {
            RecordStore own(databasePath);
            QString line;
            if (!own.open()) {
                line = QStringLiteral("no certificate: ") + own.message();
            } else {
                CertificateIssuer issuer(own, origin, serverNumber);
                CertificateIssuer::Request request;
                request.tag = p->row.tag;
                request.kind = CertificateIssuer::Kind::Settings;
                request.plant = recordslocation::plantName();
                const CertificateIssuer::Issued issued = issuer.issueInto(request, reports);
                line = issued.ok ? QStringLiteral("%1 (%2)").arg(issued.number,
                                                                 QDir::toNativeSeparators(issued.path))
                                 : QStringLiteral("none: ") + issued.error;
            }
            const QMutexLocker lock(&done);
            p->certificate = line;
        });
    };

    ExitCode result = ExitCode::Done;
    if (!ports.isEmpty()) {
        BatchRun batch(m_console, TransmitterSession::Job::Write, ports, m_timing, records);
        for (const auto& session : batch.sessions()) {
            const PreparedRow* p = byPort.at(session->port());
            session->setFileValues(p->values, p->row.file, p->bytes);
        }
        m_interruptRunning = [&batch] { batch.interrupt(); };
        batch.run([&](const TransmitterSession& session) {
            PreparedRow* p = byPort.at(session.port());
            if (!reports.isEmpty() && store.canWrite())
                certify(p);
            return QStringLiteral("%1 verified").arg(p->row.tag);
        });
        m_interruptRunning = nullptr;
        for (const auto& session : batch.sessions()) {
            PreparedRow* p = byPort.at(session->port());
            using Outcome = TransmitterSession::Outcome;
            switch (session->outcome()) {
            case Outcome::Done:
                p->result = QStringLiteral("verified");
                break;
            case Outcome::NotVerified:
                p->result = QStringLiteral("not verified");
                break;
            case Outcome::Failed:
                p->result = QStringLiteral("failed");
                break;
            case Outcome::PortError:
                p->result = QStringLiteral("port error");
                break;
            case Outcome::Interrupted:
            case Outcome::Running:
                p->result = QStringLiteral("interrupted");
                break;
            }
        }
        certificates.waitForDone();
        result = batch.exitCode();
    }

    // --- The summary table.
    int tagWidth = 3;
    int portWidth = 4;
    for (const PreparedRow& p : rows) {
        tagWidth = qMax(tagWidth, int(p.row.tag.size()));
        portWidth = qMax(portWidth, int(p.row.port.size()));
    }
    m_console.out(QStringLiteral("%1  %2  %3")
                      .arg(QStringLiteral("tag"), -tagWidth)
                      .arg(QStringLiteral("port"), -portWidth)
                      .arg(QStringLiteral("result")));
    int verified = 0;
    int skipped = 0;
    for (const PreparedRow& p : rows) {
        verified += p.result == QLatin1StringView("verified") ? 1 : 0;
        skipped += p.skipped.isEmpty() ? 0 : 1;
        QString line = QStringLiteral("%1  %2  %3")
                           .arg(p.row.tag, -tagWidth)
                           .arg(p.row.port, -portWidth)
                           .arg(p.skipped.isEmpty() ? p.result : QStringLiteral("skipped"));
        if (!p.certificate.isEmpty())
            line += QStringLiteral(", certificate ") + p.certificate;
        m_console.out(line);
    }
    m_console.out(QStringLiteral("%1 verified, %2 skipped, %3 not done")
                      .arg(verified)
                      .arg(skipped)
                      .arg(int(rows.size()) - verified - skipped));
    return m_interrupted && result == ExitCode::Done ? ExitCode::DeviceFailed : result;
}
