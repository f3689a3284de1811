#include "tools/kvctl/records_commands.h"

#include "certificates/certificate_issuer.h"
#include "platform/file_replacement.h"
#include "records/record_export.h"
#include "records/record_presentation.h"
#include "records/record_store.h"
#include "records/records_location.h"
#include "records/records_server.h"
#include "records/records_server_address.h"
#include "records/settings_record.h"
#include "tools/kvctl/command_line.h"
#include "tools/kvctl/console.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>

#include <cstdio>

namespace {

// The plant's server is given at most this long to number a certificate.
constexpr int kNumberDeadlineMs = 10000;

QJsonArray historyArray(const RecordStore& store, const QString& tag)
{
    return recordexport::jsonArray(store, store.history(tag));
}

// What happened, in a few words, for the text listing.
QString detail(const RecordEvent& e)
{
    const QJsonObject& d = e.data;
    if (e.isKind(RecordEvent::SettingsRead)) {
        QStringList marks;
        if (d.value(QStringLiteral("asFound")).toBool())
            marks << QStringLiteral("as found");
        if (d.value(QStringLiteral("asLeft")).toBool())
            marks << QStringLiteral("as left, ") + (d.value(QStringLiteral("agreed")).toBool()
                                                        ? QStringLiteral("agreed with what was written")
                                                        : QStringLiteral("differs from what was written"));
        const QJsonObject s = d.value(QStringLiteral("settings")).toObject();
        return QStringLiteral("%1 .. %2, %3%4")
            .arg(settingsrecord::valueText(s, QStringLiteral("scaleLow")),
                 settingsrecord::valueText(s, QStringLiteral("scaleHigh")),
                 settingsrecord::valueText(s, QStringLiteral("outputType")),
                 marks.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(marks.join(QStringLiteral("; "))));
    }
    if (e.isKind(RecordEvent::Command))
        return QStringLiteral("%1, sent %2")
            .arg(d.value(QStringLiteral("name")).toString(),
                 d.value(QStringLiteral("sent")).isDouble()
                     ? QString::number(d.value(QStringLiteral("sent")).toDouble(), 'g', 9)
                     : QStringLiteral("-"));
    if (e.isKind(RecordEvent::FileOpened) || e.isKind(RecordEvent::FileSaved))
        return d.value(QStringLiteral("path")).toString();
    if (e.isKind(RecordEvent::WriteUnverified))
        return d.value(QStringLiteral("reason")).toString();
    if (e.isKind(RecordEvent::Verification))
        return QStringLiteral("%1, %2").arg(
            d.value(QStringLiteral("run")).toString(),
            d.value(QStringLiteral("pass")).toBool() ? QStringLiteral("pass") : QStringLiteral("fail"));
    if (e.isKind(RecordEvent::Certificate))
        return d.value(QStringLiteral("number")).toString();
    return e.port;
}

} // namespace

void recordscommands::openStore(Console& console, RecordStore& store)
{
    if (!store.open() && !store.message().isEmpty())
        console.error(store.message());
}

ExitCode recordscommands::runHistory(Console& console, const Invocation& invocation)
{
    RecordStore store(recordslocation::databasePath());
    // No records yet is an empty history, not a failure; reading never
    // makes the file.
    if (QFileInfo::exists(store.path())) {
        openStore(console, store);
        if (!store.canRead())
            return ExitCode::BadUsage;
    }
    const QString tag = invocation.tags.constFirst();
    if (invocation.json) {
        const QJsonArray array = store.canRead() ? historyArray(store, tag) : QJsonArray();
        std::fputs(QJsonDocument(array).toJson(QJsonDocument::Indented).constData(), stdout);
        return ExitCode::Done;
    }
    if (!store.canRead())
        return ExitCode::Done;
    for (const RecordEvent& e : store.history(tag))
        console.out(QStringLiteral("%1  %2  %3  %4  %5")
                        .arg(RecordEvent::timeText(e.time), e.station, e.user, e.kind, detail(e)));
    return ExitCode::Done;
}

ExitCode recordscommands::runExport(Console& console, const Invocation& invocation)
{
    RecordStore store(recordslocation::databasePath());
    if (QFileInfo::exists(store.path())) {
        openStore(console, store);
        if (!store.canRead())
            return ExitCode::BadUsage;
    }
    const QJsonArray array =
        store.canRead() ? historyArray(store, invocation.tags.constFirst()) : QJsonArray();
    QString error;
    if (!FileReplacement::replace(invocation.outFile, QJsonDocument(array).toJson(QJsonDocument::Indented),
                                  &error)) {
        console.error(QStringLiteral("%1: not written: %2").arg(invocation.outFile, error));
        return ExitCode::BadUsage;
    }
    console.out(QStringLiteral("%1 events of %2 written to %3")
                    .arg(array.size())
                    .arg(invocation.tags.constFirst(), invocation.outFile));
    return ExitCode::Done;
}

ExitCode recordscommands::runReport(Console& console, const Invocation& invocation)
{
    RecordStore store(recordslocation::databasePath());
    openStore(console, store);
    if (!store.canWrite())
        return ExitCode::BadUsage;

    CertificateIssuer::ServerNumber serverNumber;
    const recordslocation::ServerChoice server = recordslocation::server(invocation.recordsServer);
    if (!server.url.isEmpty()) {
        QString error;
        const std::optional<RecordsServerAddress> address = RecordsServerAddress::parse(server.url, &error);
        if (!address) {
            console.error(QStringLiteral("%1: %2").arg(server.source, error));
            return ExitCode::BadUsage;
        }
        serverNumber = [address](int year, QString* why) {
            return RecordsServer::takeCertificateNumber(*address, year, QDeadlineTimer(kNumberDeadlineMs),
                                                        why);
        };
    }
    CertificateIssuer issuer(
        store, RecordOrigin::current(QStringLiteral("kvctl"), QCoreApplication::applicationVersion()),
        serverNumber);
    CertificateIssuer::Request request;
    request.tag = invocation.tags.constFirst();
    request.language = invocation.language;
    request.plant = recordslocation::plantName();
    const CertificateIssuer::Issued issued = issuer.issue(request, invocation.outFile);
    if (!issued.ok) {
        console.error(issued.error);
        return issued.numberUnavailable ? ExitCode::ServerUnusable : ExitCode::BadUsage;
    }
    console.out(QStringLiteral("certificate %1 of %2 written to %3%4")
                    .arg(issued.number, request.tag, QDir::toNativeSeparators(issued.path),
                         issued.data.replaces.isEmpty()
                             ? QString()
                             : QStringLiteral(" (replaces %1)").arg(issued.data.replaces)));
    return ExitCode::Done;
}
