#include "records/record_presentation.h"

#include "device/device_command.h"
#include "records/record_store.h"

namespace {

struct CommandText
{
    quint8 command;
    const char* en;
    const char* hu;
};

constexpr CommandText kCommandTexts[] = {
    {CmdStoreAD0Ohm, "Converter zero point (0 ohm) stored", "Átalakító nullpont (0 ohm) tárolva"},
    {CmdStoreAD490Ohm, "Converter reference point (490 / 4900 ohm) stored",
     "Átalakító referenciapont (490 / 4900 ohm) tárolva"},
    {CmdEraseEEPROM, "Memory erased", "Memória törölve"},
    {CmdStore3WireOffset, "Three-wire offset stored", "Háromvezetékes eltolás tárolva"},
    {CmdStorePWM4mA, "Output low point (4 mA / 2 V) stored", "Kimenet alsó pont (4 mA / 2 V) tárolva"},
    {CmdStorePWM20mA, "Output high point (20 mA / 10 V) stored", "Kimenet felső pont (20 mA / 10 V) tárolva"},
    {CmdStorePot0, "Potentiometer 0 % stored", "Potenciométer 0 % tárolva"},
    {CmdStorePot100, "Potentiometer 100 % stored", "Potenciométer 100 % tárolva"},
    {CmdStore2WireR, "Two-wire lead resistance stored", "Kétvezetékes vezeték-ellenállás tárolva"},
    {CmdStore2WireZero, "Two-wire lead resistance zeroed", "Kétvezetékes vezeték-ellenállás nullázva"},
};

} // namespace

QString recordpresentation::commandText(int command, bool hungarian)
{
    for (const CommandText& text : kCommandTexts) {
        if (text.command == command)
            return QString::fromUtf8(hungarian ? text.hu : text.en);
    }
    return {};
}

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
