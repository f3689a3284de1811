#include "device/request_button.h"

#include "device/device_command.h"

namespace requests {

namespace {

struct Entry
{
    const char* name;
    quint8 command;
};

constexpr Entry kEntries[RequestButtonCount] = {
    {"SpeedButton_ADCal0Ohm", CmdStoreAD0Ohm},
    {"SpeedButton_ADCal490Ohm", CmdStoreAD490Ohm},
    {"SpeedButton_ParancsReset", CmdReset},
    {"SpeedButton_ParancsEEPROMTorles", CmdEraseEEPROM},
    {"SpeedButton_R3WOffszet", CmdStore3WireOffset},
    {"SpeedButton_PWMCal4mA", CmdStorePWM4mA},
    {"SpeedButton_PWMCal20mA", CmdStorePWM20mA},
    {"SpeedButton_KVKiolvasas", CmdReadSettings},
    {"SpeedButton_BeallitasokAKVbe", CmdWriteSettings},
    {"SpeedButton_PotiCal0", CmdStorePot0},
    {"SpeedButton_PotiCal100", CmdStorePot100},
    {"SpeedButton_2VezRKiejtes", CmdStore2WireR},
    {"SpeedButton_R2Wires0Ohm", CmdStore2WireZero},
};

} // namespace

std::optional<RequestButton> forSendState(int state)
{
    if (state < sendState(rbADCal0Ohm) || state > sendState(rbR2Wires0Ohm) || state % SendStateStep != 0)
        return std::nullopt;
    return RequestButton((state - FirstSendState) / SendStateStep);
}

quint8 command(RequestButton button)
{
    return kEntries[button].command;
}

QString objectName(RequestButton button)
{
    return QString::fromLatin1(kEntries[button].name);
}

std::optional<RequestButton> fromObjectName(QStringView name)
{
    for (int i = 0; i < RequestButtonCount; ++i) {
        if (name == QLatin1StringView(kEntries[i].name))
            return RequestButton(i);
    }
    return std::nullopt;
}

} // namespace requests
