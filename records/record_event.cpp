#include "records/record_event.h"

#include "platform/user_identity.h"

#include <QJsonValue>

namespace {

// The fields every event has, in the order the JSON form lists them.
constexpr const char* kId = "id";
constexpr const char* kTime = "time";
constexpr const char* kTag = "tag";
constexpr const char* kStation = "station";
constexpr const char* kUser = "user";
constexpr const char* kProgram = "program";
constexpr const char* kVersion = "version";
constexpr const char* kPort = "port";
constexpr const char* kModel = "model";
constexpr const char* kFirmware = "firmware";
constexpr const char* kSession = "session";
constexpr const char* kKind = "kind";

constexpr const char* kCommonFields[] = {kId,      kTime, kTag,   kStation,  kUser,    kProgram,
                                         kVersion, kPort, kModel, kFirmware, kSession, kKind};

QString uuidText(const QUuid& id)
{
    return id.toString(QUuid::WithoutBraces);
}

} // namespace

QString RecordEvent::timeText(const QDateTime& time)
{
    return time.toOffsetFromUtc(time.offsetFromUtc()).toString(Qt::ISODateWithMs);
}

QJsonObject RecordEvent::toJson() const
{
    QJsonObject o;
    o.insert(QLatin1StringView(kId), uuidText(id));
    o.insert(QLatin1StringView(kTime), timeText(time));
    o.insert(QLatin1StringView(kTag), tag);
    o.insert(QLatin1StringView(kStation), station);
    o.insert(QLatin1StringView(kUser), user);
    o.insert(QLatin1StringView(kProgram), program);
    o.insert(QLatin1StringView(kVersion), version);
    o.insert(QLatin1StringView(kPort), port);
    o.insert(QLatin1StringView(kModel), model);
    o.insert(QLatin1StringView(kFirmware), firmware == 0 ? QJsonValue() : QJsonValue(qint64(firmware)));
    o.insert(QLatin1StringView(kSession), session.isNull() ? QJsonValue() : QJsonValue(uuidText(session)));
    o.insert(QLatin1StringView(kKind), kind);
    for (auto it = data.begin(); it != data.end(); ++it) {
        // A kind's field never shadows a common one.
        if (!o.contains(it.key()))
            o.insert(it.key(), it.value());
    }
    return o;
}

std::optional<RecordEvent> RecordEvent::fromJson(const QJsonObject& o)
{
    RecordEvent e;
    e.id = QUuid::fromString(o.value(QLatin1StringView(kId)).toString());
    e.time = QDateTime::fromString(o.value(QLatin1StringView(kTime)).toString(), Qt::ISODateWithMs);
    e.kind = o.value(QLatin1StringView(kKind)).toString();
    if (e.id.isNull() || !e.time.isValid() || e.kind.isEmpty())
        return std::nullopt;
    e.tag = o.value(QLatin1StringView(kTag)).toString();
    e.station = o.value(QLatin1StringView(kStation)).toString();
    e.user = o.value(QLatin1StringView(kUser)).toString();
    e.program = o.value(QLatin1StringView(kProgram)).toString();
    e.version = o.value(QLatin1StringView(kVersion)).toString();
    e.port = o.value(QLatin1StringView(kPort)).toString();
    e.model = o.value(QLatin1StringView(kModel)).toString();
    e.firmware = quint32(o.value(QLatin1StringView(kFirmware)).toInteger(0));
    e.session = QUuid::fromString(o.value(QLatin1StringView(kSession)).toString());
    QJsonObject data = o;
    for (const char* common : kCommonFields)
        data.remove(QLatin1StringView(common));
    e.data = data;
    return e;
}

RecordOrigin RecordOrigin::current(const QString& program, const QString& version)
{
    return RecordOrigin{useridentity::stationName(), useridentity::loginName(), program, version};
}

std::optional<QString> recordtag::normalized(const QString& text)
{
    const QString tag = text.trimmed();
    if (tag.isEmpty() || tag.size() > MaxLength)
        return std::nullopt;
    for (const QChar c : tag) {
        if (!c.isPrint())
            return std::nullopt;
    }
    return tag;
}
