#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

// Converter counts at the top of the converter's range; the bottom is
// -ConverterFullScale - 1 (a 22-bit signed value).
inline constexpr qint32 ConverterFullScale = 2097151;
// The PWM value (and PwmSetpoint) that drives the output to 100 %.
inline constexpr quint16 PwmFullScale = 65535;

// LiveValues::uErrorNumber: the transmitter's error of the moment. Other
// numbers (3, 6 and above) carry no text.
enum DeviceError : quint8
{
    deNone = 0,
    deHardError = 1,
    deWiresOpen = 2,
    deInputLimit = 4,
    deOutputLimit = 5,
};

// Bits of LiveValues::uStatusBits (bit 0 is the least significant bit of the
// field's first byte). Bits 11 to 15 carry nothing.
enum class StatusBit : quint8
{
    ADUnderFlow = 0,
    ADOverFlow = 1,
    ADNoDRDY = 2,
    ADNoChange = 3,
    RestartADC = 4,
    bUncalInput = 5,
    bUncal3WOffset = 6,
    bUncalOutput = 7,
    bOpenError = 8,
    bRAM1BadWrite = 9,
    bPWMITNotOK = 10,
};
inline constexpr int StatusBitCount = 11;

constexpr quint16 statusBitMask(StatusBit bit)
{
    return quint16(1u << unsigned(bit));
}

namespace statusbits {

// "ADUnderFlow", ..., "bPWMITNotOK"; empty beyond bit 10.
QString name(StatusBit bit);
// The flag's caption in the System info group: " Un.F ", " Ov.F ", "No.DY", ...
QString caption(StatusBit bit);

} // namespace statusbits

// The live-value block answered to CmdReadLiveValues, plus the firmware
// version of the identification answer. Every field is zero until the first
// answer.
struct LiveValues
{
    qint32 ADRaw = 0;
    qint32 ADAveraged = 0;
    qint32 ADAveraged2 = 0;
    quint8 ADSpS = 0;
    quint16 uStatusBits = 0;
    quint8 uWiresSetting = 0;
    quint8 uMode = 0; // a DeviceInputMode
    bool bVoltageOutput = false;
    quint8 uAfterWriteOKbits1 = 0;
    float fInput = 0.0f;
    bool bPt1000 = false;
    float fCalculatedR = 0.0f;
    float fCalculatedRWithoutCompensation = 0.0f;
    quint8 enuCalMode = 0;
    quint8 uWires = 0;
    quint8 uCRCOKbits1 = 0;
    quint8 uAfterWriteOKbits2 = 0;
    quint8 uCRCOKbits2 = 0;
    quint16 PWM = 0;
    float fPotCal0R = 0.0f;
    float fPotCal100R = 0.0f;
    float f2WireR = 0.0f;
    quint8 uErrorNumber = 0; // a DeviceError
    float fOutput = 0.0f;
    quint8 uADCRestartNumber = 0;
    quint8 uCountOfNewInputValue = 0;
    quint8 uPWMITPerSec = 0;
    quint8 uCounterSecAfterReset = 0;

    quint32 FirmwareVersion = 0;

    bool hasStatus(StatusBit bit) const { return (uStatusBits & statusBitMask(bit)) != 0; }

    bool operator==(const LiveValues&) const = default;
};

namespace statusbits {

// The names of the block's status bits that are set, lowest bit first.
QStringList setNames(const LiveValues& values);

} // namespace statusbits
