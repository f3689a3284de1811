#pragma once

#include <QtGlobal>

// What the transmitter measures: DeviceSettings::InputMode, LiveValues::uMode.
enum DeviceInputMode : quint8
{
    imTemperature = 0,
    imPotentiometer = 1, // percent of the stored end points
    imResistance = 2,
};
inline constexpr int DeviceInputModeCount = 3;

// The transmitter's configuration as written with CmdWriteSettings and read
// back with CmdReadSettings (which carries neither Wires nor InputMode).
// Default-constructed it holds the factory defaults of a current-output device.
struct DeviceSettings
{
    quint8 Wires = 4;                 // 2, 3 or 4
    quint8 InputMode = imTemperature; // a DeviceInputMode
    quint8 Averaging = 16;            // 1, 2, 4, ... 64
    bool bOutputLiveZero = true;      // 4-20 mA / 2-10 V
    bool bErrorLevelHigh = false;     // 22 mA / 11 V instead of 3.2 mA / 1.6 V
    bool bNoErrorOnOverflow = false;
    float fScaleLow = -200.0f; // measured-value unit
    float fScaleHigh = 800.0f;
    float fOutputLimitLow = 3.8f; // mA or V
    float fOutputLimitHigh = 20.5f;

    // A voltage-output device leaves the factory with 0-10 V, the high error
    // level and the limits 0.00 .. 10.25 V.
    static DeviceSettings factoryDefaults(bool voltageOutput);

    bool operator==(const DeviceSettings&) const = default;
};
