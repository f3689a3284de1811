#pragma once

#include "link/mb_types.h"

#include <QString>
#include <QtGlobal>

// Command codes of the transmitter. Every query goes to station
// DeviceAddress with the function identifier DeviceFunctionId.
enum DeviceCommand : quint8
{
    CmdReadLiveValues = 1,
    CmdStoreAD0Ohm = 2,
    CmdStoreAD490Ohm = 3,
    CmdEraseEEPROM = 4,
    CmdStore3WireOffset = 5,
    CmdStorePWM4mA = 6,
    CmdStorePWM20mA = 7,
    CmdReadSettings = 8,
    CmdWriteSettings = 9,
    CmdStorePot0 = 10,
    CmdStorePot100 = 11,
    CmdStore2WireR = 12,
    CmdStore2WireZero = 13,
    CmdIdentify = 249,
    CmdReset = 251,
};

inline constexpr quint8 DeviceAddress = 1;
inline constexpr quint8 DeviceFunctionId = 34;
// An answer status of this or above is a refusal: the link's rule for ASCII
// answers, which the transmitter follows.
inline constexpr quint8 DeviceRefusalStatus = mb::AsciiRefusalStatus;

// Which calibration view the configurator has open; sent with every live query.
enum CalibrationPage : quint8
{
    cpNone = 0,
    cpADCalibration = 1,
    cp3WireCalibration = 2,
    cpAnalogOutput = 3,
};

// A frame's body, as the ASCII codec gives it: address, ID, command, status
// (zero in a query), the data block, CRC low and high.
namespace deviceframe {
inline constexpr int AddressOffset = 0;
inline constexpr int IdOffset = 1;
inline constexpr int CommandOffset = 2;
inline constexpr int StatusOffset = 3;
inline constexpr int HeaderSize = 4;
inline constexpr int CrcSize = 2;
} // namespace deviceframe

// Block sizes on the wire.
inline constexpr int LiveQueryBlockSize = 3;
inline constexpr int LiveValuesBlockSize = 60;
inline constexpr int FirmwareBlockSize = 4;
inline constexpr int SettingsReadBlockSize = 20;
inline constexpr int SettingsWriteBlockSize = 22;

namespace devicecmd {

// All command codes, in ascending order.
inline constexpr quint8 AllCommands[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 249, 251};

bool isCommand(quint8 code);
// "CmdIdentify", "CmdReadLiveValues", ...; empty for a code that is no command.
QString name(quint8 code);
// Bytes of the parameter block the command carries; -1 for a code that is no command.
int parameterBlockSize(quint8 code);
// Bytes of the result block the answer carries (0: none); -1 for a code that is no command.
int resultBlockSize(quint8 code);

} // namespace devicecmd
