#include "certificates/certificate_issuer.h"

#include "device/device_command.h"
#include "platform/file_replacement.h"
#include "records/record_store.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>

#include <algorithm>

namespace {

constexpr int kPageSize = 500;

// A tag's history, newest first, a page at a time.
class HistoryWalk
{
public:
    HistoryWalk(const RecordStore& store, const QString& tag) : m_store(store), m_tag(tag) {}

    std::optional<RecordEvent> next()
    {
        if (m_index == m_page.size()) {
            if (m_done)
                return std::nullopt;
            m_page = m_store.history(m_tag, m_offset, kPageSize);
            m_offset += int(m_page.size());
            m_index = 0;
            m_done = m_page.size() < kPageSize;
            if (m_page.isEmpty())
                return std::nullopt;
        }
        return m_page.at(m_index++);
    }

private:
    const RecordStore& m_store;
    QString m_tag;
    QList<RecordEvent> m_page;
    qsizetype m_index = 0;
    int m_offset = 0;
    bool m_done = false;
};

std::optional<VerificationRun> runOf(const RecordEvent& e)
{
    if (!e.isKind(RecordEvent::Verification))
        return std::nullopt;
    return VerificationRun::fromJson(e.data);
}

bool isRun(const RecordEvent& e, const char* kind)
{
    const std::optional<VerificationRun> run = runOf(e);
    return run && run->kind == QLatin1StringView(kind);
}

QString sentText(const QJsonValue& sent)
{
    if (sent.isDouble())
        return QString::number(sent.toDouble(), 'g', 9);
    return QStringLiteral("-");
}

QStringList idTexts(QList<QUuid> ids)
{
    std::sort(ids.begin(), ids.end());
    QStringList texts;
    for (const QUuid& id : ids)
        texts.append(id.toString(QUuid::WithoutBraces));
    return texts;
}

} // namespace

std::optional<CertificateData> CertificateIssuer::gather(const RecordStore& store, const Request& request,
                                                         QList<QUuid>* covered, QString* error)
{
    CertificateData d;
    d.tag = request.tag;
    d.language = request.language;
    d.plant = request.plant;
    d.reference = request.reference;
    covered->clear();
    HistoryWalk walk(store, request.tag);

    if (request.kind == Kind::Settings) {
        // The latest read-back of a write, then that session's first read.
        std::optional<RecordEvent> readBack;
        while (std::optional<RecordEvent> e = walk.next()) {
            if (!readBack && e->isKind(RecordEvent::SettingsRead) &&
                e->data.value(QStringLiteral("asLeft")).toBool()) {
                readBack = e;
                d.settingsAsLeft = e->data.value(QStringLiteral("settings")).toObject();
                d.settingsVerified = e->data.value(QStringLiteral("agreed")).toBool();
                d.model = e->model;
                d.firmware = e->firmware;
                d.technician = e->user;
                covered->append(e->id);
            } else if (readBack && e->session == readBack->session && e->isKind(RecordEvent::SettingsRead) &&
                       e->data.value(QStringLiteral("asFound")).toBool()) {
                d.settingsAsFound = e->data.value(QStringLiteral("settings")).toObject();
                covered->append(e->id);
                break;
            }
        }
        if (!readBack) {
            *error = QStringLiteral("%1 has no settings written and read back on record").arg(request.tag);
            return std::nullopt;
        }
        return d;
    }

    std::optional<RecordEvent> asLeft;
    std::optional<RecordEvent> asFound;
    while (std::optional<RecordEvent> e = walk.next()) {
        if (!asLeft) {
            if (isRun(*e, VerificationRun::AsLeft)) {
                asLeft = e;
                d.asLeft = runOf(*e);
                d.model = e->model;
                d.firmware = e->firmware;
                d.technician = e->user;
                if (d.reference.isEmpty())
                    d.reference = d.asLeft->reference;
                covered->append(e->id);
            }
            continue;
        }
        if (!asFound) {
            if (isRun(*e, VerificationRun::AsFound)) {
                asFound = e;
                d.asFound = runOf(*e);
                covered->append(e->id);
                continue;
            }
            if (e->isKind(RecordEvent::SettingsRead) && d.settingsAsLeft.isEmpty())
                d.settingsAsLeft = e->data.value(QStringLiteral("settings")).toObject();
            if (e->isKind(RecordEvent::Command) || e->isKind(RecordEvent::Erase)) {
                const quint8 command = e->isKind(RecordEvent::Erase)
                                           ? quint8(CmdEraseEEPROM)
                                           : quint8(e->data.value(QStringLiteral("command")).toInt());
                d.calibrations.prepend({e->time, command, sentText(e->data.value(QStringLiteral("sent")))});
            }
            // Without an as-found run, the session of the as-left run bounds it.
            if (e->isKind(RecordEvent::SessionStart) && e->session == asLeft->session)
                break;
            continue;
        }
        if (e->isKind(RecordEvent::SettingsRead)) {
            d.settingsAsFound = e->data.value(QStringLiteral("settings")).toObject();
            break;
        }
    }
    if (!asLeft) {
        *error = QStringLiteral("%1 has no as-left verification on record").arg(request.tag);
        return std::nullopt;
    }
    if (!asFound) {
        // The session's as-found read stands for the transmitter as found.
        HistoryWalk again(store, request.tag);
        while (std::optional<RecordEvent> e = again.next()) {
            if (e->session == asLeft->session && e->isKind(RecordEvent::SettingsRead) &&
                e->data.value(QStringLiteral("asFound")).toBool())
                d.settingsAsFound = e->data.value(QStringLiteral("settings")).toObject();
        }
    }
    return d;
}

CertificateIssuer::CertificateIssuer(RecordStore& store, RecordOrigin origin, ServerNumber serverNumber)
    : m_store(store), m_origin(std::move(origin)), m_serverNumber(std::move(serverNumber))
{}

CertificateIssuer::Issued CertificateIssuer::issue(const Request& request, const QString& path)
{
    return issueAt(request, [&path](const QString&) { return path; });
}

CertificateIssuer::Issued CertificateIssuer::issueInto(const Request& request, const QString& folder)
{
    return issueAt(request, [&](const QString& number) {
        QString name = request.tag + u'-' + number;
        for (QChar& c : name) {
            if (!c.isLetterOrNumber() && c != u'-' && c != u'_' && c != u'.')
                c = u'_';
        }
        return QDir(folder).filePath(name + QStringLiteral(".pdf"));
    });
}

CertificateIssuer::Issued
CertificateIssuer::issueAt(const Request& request,
                           const std::function<QString(const QString& number)>& pathFor)
{
    Issued out;
    QList<QUuid> covered;
    std::optional<CertificateData> data = gather(m_store, request, &covered, &out.error);
    if (!data)
        return out;
    CertificateData& d = *data;
    d.issued = QDateTime::currentDateTime();
    d.station = m_origin.station;
    if (d.technician.isEmpty())
        d.technician = m_origin.user;
    d.nextDue = d.issued.date().addMonths(request.intervalMonths);

    // The latest certificate of the same runs is the one this replaces.
    // Certificates come after what they cover: the walk ends there.
    const QStringList coveredTexts = idTexts(covered);
    HistoryWalk walk(m_store, request.tag);
    while (std::optional<RecordEvent> e = walk.next()) {
        if (covered.contains(e->id))
            break;
        if (e->isKind(RecordEvent::Certificate) &&
            e->data.value(QStringLiteral("covers")).toVariant().toStringList() == coveredTexts) {
            d.replaces = e->data.value(QStringLiteral("number")).toString();
            break;
        }
    }

    const int year = d.issued.date().year();
    if (m_serverNumber) {
        QString error;
        const std::optional<int> n = m_serverNumber(year, &error);
        if (!n) {
            out.numberUnavailable = true;
            out.error = QStringLiteral("no certificate number from the records server: %1").arg(error);
            return out;
        }
        d.number = QStringLiteral("KV-%1-%2").arg(year).arg(*n);
    } else {
        QString error;
        const int n = m_store.nextCertificateNumber(m_origin.station, year, &error);
        if (n <= 0) {
            out.error = QStringLiteral("no certificate number from the records file: %1").arg(error);
            return out;
        }
        d.number = QStringLiteral("%1-%2-%3").arg(m_origin.station).arg(year).arg(n);
    }

    const QString path = pathFor(d.number);
    out.pdf = certificate::pdf(d);
    if (out.pdf.isEmpty()) {
        out.error = QStringLiteral("the PDF could not be made");
        return out;
    }
    QString error;
    if (!FileReplacement::replace(path, out.pdf, &error)) {
        out.error = QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), error);
        return out;
    }
    out.path = QFileInfo(path).absoluteFilePath();
    out.number = d.number;

    RecordEvent e;
    e.id = QUuid::createUuid();
    e.time = d.issued;
    e.tag = request.tag;
    e.station = m_origin.station;
    e.user = m_origin.user;
    e.program = m_origin.program;
    e.version = m_origin.version;
    e.model = d.model;
    e.firmware = d.firmware;
    e.kind = QLatin1StringView(RecordEvent::Certificate);
    e.data = QJsonObject{
        {QStringLiteral("number"), d.number},
        {QStringLiteral("certificate"),
         request.kind == Kind::Settings ? QStringLiteral("settings") : QStringLiteral("verification")},
        {QStringLiteral("covers"), QJsonArray::fromStringList(coveredTexts)},
        {QStringLiteral("replaces"), d.replaces.isEmpty() ? QJsonValue() : QJsonValue(d.replaces)},
        {QStringLiteral("language"), d.language},
        {QStringLiteral("pass"), d.pass()},
        {QStringLiteral("path"), QDir::toNativeSeparators(out.path)},
        {QStringLiteral("sha256"),
         QString::fromLatin1(QCryptographicHash::hash(out.pdf, QCryptographicHash::Sha256).toHex())},
    };
    if (!m_store.append(e, &error)) {
        out.error = QStringLiteral("certificate %1 was written to %2 but not recorded: %3")
                        .arg(d.number, QDir::toNativeSeparators(out.path), error);
        return out;
    }
    out.data = d;
    out.ok = true;
    return out;
}
