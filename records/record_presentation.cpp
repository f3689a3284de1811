#include "records/record_presentation.h"

#include "records/record_store.h"

QJsonObject recordpresentation::json(const RecordStore& store, const RecordEvent& event)
{
    QJsonObject o = event.toJson();
    if (!event.isKind(RecordEvent::SettingsWrite))
        return o;
    QJsonValue verified;
    for (const RecordEvent& later : store.followUps(event.id)) {
        if (later.isKind(RecordEvent::SettingsRead)) {
            o.insert(QStringLiteral("readBack"), later.data.value(QStringLiteral("settings")));
            o.insert(QStringLiteral("agreed"), later.data.value(QStringLiteral("agreed")));
            verified = true;
            break;
        }
        if (later.isKind(RecordEvent::WriteUnverified)) {
            o.insert(QStringLiteral("reason"), later.data.value(QStringLiteral("reason")));
            verified = false;
            break;
        }
    }
    o.insert(QStringLiteral("verified"), verified);
    return o;
}
