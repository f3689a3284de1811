#include "device/device_command.h"

namespace devicecmd {

bool isCommand(quint8 code)
{
    return !name(code).isEmpty();
}

QString name(quint8 code)
{
    switch (code) {
    case CmdReadLiveValues:
        return QStringLiteral("CmdReadLiveValues");
    case CmdStoreAD0Ohm:
        return QStringLiteral("CmdStoreAD0Ohm");
    case CmdStoreAD490Ohm:
        return QStringLiteral("CmdStoreAD490Ohm");
    case CmdEraseEEPROM:
        return QStringLiteral("CmdEraseEEPROM");
    case CmdStore3WireOffset:
        return QStringLiteral("CmdStore3WireOffset");
    case CmdStorePWM4mA:
        return QStringLiteral("CmdStorePWM4mA");
    case CmdStorePWM20mA:
        return QStringLiteral("CmdStorePWM20mA");
    case CmdReadSettings:
        return QStringLiteral("CmdReadSettings");
    case CmdWriteSettings:
        return QStringLiteral("CmdWriteSettings");
    case CmdStorePot0:
        return QStringLiteral("CmdStorePot0");
    case CmdStorePot100:
        return QStringLiteral("CmdStorePot100");
    case CmdStore2WireR:
        return QStringLiteral("CmdStore2WireR");
    case CmdStore2WireZero:
        return QStringLiteral("CmdStore2WireZero");
    case CmdIdentify:
        return QStringLiteral("CmdIdentify");
    case CmdReset:
        return QStringLiteral("CmdReset");
    default:
        return {};
    }
}

int parameterBlockSize(quint8 code)
{
    switch (code) {
    case CmdReadLiveValues:
        return LiveQueryBlockSize;
    case CmdWriteSettings:
        return SettingsWriteBlockSize;
    case CmdStoreAD0Ohm:
    case CmdStoreAD490Ohm:
    case CmdStore3WireOffset:
    case CmdStorePot0:
    case CmdStorePot100:
    case CmdStore2WireR:
    case CmdStore2WireZero:
        return 4;
    case CmdStorePWM4mA:
    case CmdStorePWM20mA:
        return 2;
    case CmdIdentify:
    case CmdReadSettings:
    case CmdEraseEEPROM:
    case CmdReset:
        return 0;
    default:
        return -1;
    }
}

int resultBlockSize(quint8 code)
{
    switch (code) {
    case CmdIdentify:
        return FirmwareBlockSize;
    case CmdReadLiveValues:
        return LiveValuesBlockSize;
    case CmdReadSettings:
        return SettingsReadBlockSize;
    default:
        return isCommand(code) ? 0 : -1;
    }
}

} // namespace devicecmd
