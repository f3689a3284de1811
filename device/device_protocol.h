#pragma once

#include "device/device_command.h"
#include "device/device_settings.h"
#include "device/live_values.h"

#include <QByteArrayView>

class TMB;

// The transmitter's parameter and result blocks, written and read field by
// field with the link's put and get operations. No state of their own.
//
// Encoders append to the query's data area, which PrepareDeviceQuery (or the
// caller) has cleared. Decoders read the answer from data position 1 and are
// meant for an answer that ended with stOK; like the get operations they do
// not check the answer's length, so a field beyond the received data reads 0.

// Address 1, ID 34, the command, an empty data area.
void PrepareDeviceQuery(TMB& mb, quint8 command);

// CmdReadLiveValues: CalibrationPage (u8), PwmSetpoint (u16).
void EncodeLiveQuery(TMB& mb, quint8 calibrationPage, quint16 pwmSetpoint);
// The 60-byte block into the 28 live fields; FirmwareVersion is left as it is.
void DecodeLiveValues(TMB& mb, LiveValues& values);

// The same blocks from bytes in memory (a frame seen on the line): false
// when the block is too short, the missing fields then read 0.
bool DecodeLiveBlock(QByteArrayView block, LiveValues& values);
bool DecodeLiveQueryBlock(QByteArrayView block, quint8* calibrationPage, quint16* pwmSetpoint);
// Wires and InputMode are left as they are.
bool DecodeSettingsReadBlock(QByteArrayView block, DeviceSettings& settings);
bool DecodeSettingsWriteBlock(QByteArrayView block, DeviceSettings& settings);

// CmdIdentify's answer.
quint32 DecodeFirmwareVersion(TMB& mb);

// CmdReadSettings' 20-byte answer; Wires and InputMode come from the latest
// live block (uWiresSetting, uMode), as the answer does not carry them.
DeviceSettings DecodeSettings(TMB& mb, const LiveValues& latest);
// CmdWriteSettings' 22-byte block.
void EncodeSettings(TMB& mb, const DeviceSettings& settings);

// Parameters of the calibration and store commands, one each.
void EncodeStoreAD0Ohm(TMB& mb, qint32 adValue);
void EncodeStoreAD490Ohm(TMB& mb, qint32 adValue);
void EncodeStore3WireOffset(TMB& mb, float offsetOhm);
void EncodeStorePWM4mA(TMB& mb, quint16 pwmSetpoint);
void EncodeStorePWM20mA(TMB& mb, quint16 pwmSetpoint);
void EncodeStorePot0(TMB& mb, float resistanceOhm);
void EncodeStorePot100(TMB& mb, float resistanceOhm);
void EncodeStore2WireR(TMB& mb, float leadResistanceOhm);
// Always 0.0: clears the two-wire compensation.
void EncodeStore2WireZero(TMB& mb);
