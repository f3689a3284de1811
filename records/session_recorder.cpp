#include "records/session_recorder.h"

#include "device/calibration_journal.h"
#include "device/device_command.h"
#include "device/live_display.h"
#include "records/record_store.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>

namespace {

QJsonValue uuidValue(const QUuid& id)
{
    return id.toString(QUuid::WithoutBraces);
}

QJsonObject quantity(double value, const QString& unit)
{
    return QJsonObject{{QStringLiteral("value"), value}, {QStringLiteral("unit"), unit}};
}

// The live reading the calibration journal keeps, with units.
QJsonObject readingJson(const LiveValues& r)
{
    return QJsonObject{
        {QStringLiteral("ADAveraged"), quantity(r.ADAveraged, QStringLiteral("counts"))},
        {QStringLiteral("fCalculatedR"), quantity(double(r.fCalculatedR), QStringLiteral("ohm"))},
        {QStringLiteral("fCalculatedRWithoutCompensation"),
         quantity(double(r.fCalculatedRWithoutCompensation), QStringLiteral("ohm"))},
        {QStringLiteral("PWM"), quantity(r.PWM, QStringLiteral("1/65535"))},
        {QStringLiteral("fOutput"),
         quantity(double(r.fOutput), LiveDisplay::outputUnitFor(r.bVoltageOutput))},
    };
}

QJsonValue sentJson(const CommunicationTaskHost::SentParameter& sent)
{
    if (const auto* i = std::get_if<qint32>(&sent))
        return *i;
    if (const auto* u = std::get_if<quint16>(&sent))
        return *u;
    if (const auto* f = std::get_if<float>(&sent))
        return double(*f);
    return QJsonValue();
}

QJsonObject fileJson(const QString& path, const QByteArray& bytes)
{
    return QJsonObject{
        {QStringLiteral("path"), QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath())},
        {QStringLiteral("sha256"),
         QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex())},
        {QStringLiteral("bytes"), qint64(bytes.size())},
    };
}

} // namespace

SessionRecorder::SessionRecorder(RecordStore* store, RecordOrigin origin)
    : m_store(store), m_origin(std::move(origin))
{}

RecordEvent SessionRecorder::make(const char* kind, const QJsonObject& data) const
{
    RecordEvent e;
    e.id = QUuid::createUuid();
    e.time = QDateTime::currentDateTime();
    e.tag = m_tag;
    e.station = m_origin.station;
    e.user = m_origin.user;
    e.program = m_origin.program;
    e.version = m_origin.version;
    e.port = m_port;
    e.model = m_model;
    e.firmware = m_live.FirmwareVersion;
    e.session = m_session;
    e.kind = QLatin1StringView(kind);
    e.data = data;
    return e;
}

SessionRecorder::Result SessionRecorder::record(const RecordEvent& event)
{
    Result result;
    QString error;
    if (!m_store) {
        result.reason = QStringLiteral("no device records");
    } else if (m_store->append(event, &error)) {
        result.recorded = true;
        if (event.tag.isEmpty() && !event.session.isNull())
            m_untagged.append(event.id);
    } else {
        result.reason = error;
    }
    if (m_listener)
        m_listener(event, result);
    return result;
}

SessionRecorder::Result SessionRecorder::setTag(const QString& tag)
{
    const bool changed = tag != m_tag;
    m_tag = tag;
    if (!changed || tag.isEmpty() || m_untagged.isEmpty())
        return {};
    const QList<QUuid> ids = std::exchange(m_untagged, {});
    return assignTag(ids, tag);
}

SessionRecorder::Result SessionRecorder::assignTag(const QList<QUuid>& ids, const QString& tag)
{
    QJsonArray named;
    for (const QUuid& id : ids)
        named.append(uuidValue(id));
    RecordEvent e = make(RecordEvent::TagAssigned, QJsonObject{{QStringLiteral("events"), named}});
    e.tag = tag;
    const Result result = record(e);
    // Tagged now: a tag set later for the session leaves them be.
    if (result.recorded)
        m_untagged.removeIf([&ids](const QUuid& id) { return ids.contains(id); });
    return result;
}

SessionRecorder::Result SessionRecorder::portOpened(const QString& port)
{
    m_port = port;
    if (inSession())
        return {};
    m_live = LiveValues();
    m_readThisSession = false;
    m_lastSettings.reset();
    m_untagged.clear();
    RecordEvent e = make(RecordEvent::SessionStart, {});
    e.session = e.id;
    m_session = e.id;
    return record(e);
}

SessionRecorder::Result SessionRecorder::endSession(const QString& reason)
{
    if (!inSession())
        return {};
    if (writeAwaitsReadBack())
        readBackMissed(reason);
    const Result result = record(make(RecordEvent::SessionEnd, {}));
    m_session = QUuid();
    m_untagged.clear();
    return result;
}

SessionRecorder::Result SessionRecorder::portClosed(bool reconnecting)
{
    if (reconnecting)
        return {};
    return endSession(QStringLiteral("the port was closed before the read-back"));
}

SessionRecorder::Result SessionRecorder::sessionAbandoned()
{
    return endSession(QStringLiteral("the transmitter went away before the read-back"));
}

SessionRecorder::Result SessionRecorder::settingsRead(const DeviceSettings& settings)
{
    const RecordedSettings recorded = RecordedSettings::from(settings, m_live);
    const QJsonObject settingsJson = settingsrecord::toJson(recorded);
    QJsonObject data{{QStringLiteral("settings"), settingsJson},
                     {QStringLiteral("asFound"), !m_readThisSession},
                     {QStringLiteral("asLeft"), writeAwaitsReadBack()}};
    if (writeAwaitsReadBack()) {
        const QJsonObject sentJson = settingsrecord::toJson(RecordedSettings::from(m_pendingSent, m_live));
        const QStringList differences = settingsrecord::changedKeys(sentJson, settingsJson);
        data.insert(QStringLiteral("afterWrite"), uuidValue(m_pendingWrite));
        data.insert(QStringLiteral("agreed"), differences.isEmpty());
        data.insert(QStringLiteral("differences"), QJsonArray::fromStringList(differences));
        m_pendingWrite = QUuid();
    }
    m_readThisSession = true;
    m_lastSettings = recorded;
    return record(make(RecordEvent::SettingsRead, data));
}

SessionRecorder::Result SessionRecorder::settingsWritten(const DeviceSettings& sent)
{
    const RecordEvent e = make(
        RecordEvent::SettingsWrite,
        QJsonObject{{QStringLiteral("sent"), settingsrecord::toJson(RecordedSettings::from(sent, m_live))}});
    m_pendingWrite = e.id;
    m_pendingSent = sent;
    return record(e);
}

SessionRecorder::Result SessionRecorder::readBackMissed(const QString& reason)
{
    if (!writeAwaitsReadBack())
        return {};
    const QUuid write = std::exchange(m_pendingWrite, QUuid());
    return record(make(RecordEvent::WriteUnverified, QJsonObject{{QStringLiteral("write"), uuidValue(write)},
                                                                 {QStringLiteral("reason"), reason}}));
}

QJsonValue SessionRecorder::settingsBefore() const
{
    if (m_lastSettings)
        return settingsrecord::toJson(*m_lastSettings);
    return QJsonValue();
}

SessionRecorder::Result SessionRecorder::commandAcknowledged(quint8 command,
                                                             const CommunicationTaskHost::SentParameter& sent,
                                                             const LiveValues& readingAtPress)
{
    if (command == CmdReset)
        return record(
            make(RecordEvent::Restart, QJsonObject{{QStringLiteral("lastSettings"), settingsBefore()}}));
    if (command == CmdEraseEEPROM)
        return record(
            make(RecordEvent::Erase, QJsonObject{{QStringLiteral("lastSettings"), settingsBefore()},
                                                 {QStringLiteral("reading"), readingJson(readingAtPress)}}));
    if (!CalibrationJournal::isJournaled(command))
        return {};
    return record(make(RecordEvent::Command, QJsonObject{
                                                 {QStringLiteral("command"), int(command)},
                                                 {QStringLiteral("name"), devicecmd::name(command)},
                                                 {QStringLiteral("sent"), sentJson(sent)},
                                                 {QStringLiteral("reading"), readingJson(readingAtPress)},
                                             }));
}

SessionRecorder::Result SessionRecorder::fileOpened(const QString& path, const QByteArray& bytes)
{
    return record(make(RecordEvent::FileOpened, fileJson(path, bytes)));
}

SessionRecorder::Result SessionRecorder::fileSaved(const QString& path, const QByteArray& bytes)
{
    return record(make(RecordEvent::FileSaved, fileJson(path, bytes)));
}

SessionRecorder::Result SessionRecorder::recordOther(const char* kind, const QJsonObject& data,
                                                     RecordEvent* made)
{
    const RecordEvent e = make(kind, data);
    if (made)
        *made = e;
    return record(e);
}
