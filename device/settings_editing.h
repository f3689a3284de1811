#pragma once

#include "device/device_settings.h"

#include <QString>
#include <QStringView>

#include <optional>

// The rules of the settings group's numeric edits and its factory defaults,
// free of widgets. Numbers are written and read with NumberFormat's decimal
// separator.
namespace settingsedit {

enum NumericEdit
{
    neAramL,      // LabeledEdit_AramL: fScaleLow
    neAramH,      // LabeledEdit_AramH: fScaleHigh
    neAramLLimit, // LabeledEdit_AramLLimit: fOutputLimitLow
    neAramHLimit, // LabeledEdit_AramHLimit: fOutputLimitHigh
};

inline constexpr int MaxEditLength = 10;
inline constexpr QStringView LimitFormat = u"0.00";

// What an edit falls back to when its text is no number; the same for
// current and voltage devices.
float fallback(NumericEdit edit);
// The scaling edits follow the display's ValueFormat, the limits "0.00".
QString pattern(NumericEdit edit, QStringView valueFormat);

// The text read as a number and held as a 32-bit float; none when it is no
// number or beyond the float range.
std::optional<float> parsed(QStringView text);
// The edit's value: parsed, else its fallback.
float value(NumericEdit edit, QStringView text);
// The exit rule: the text the edit shows after it loses the focus.
QString normalised(NumericEdit edit, QStringView text, QStringView valueFormat);

// What the write request captures when its button goes down, from the
// normalised edits and the output controls (Wires, InputMode and Averaging
// are taken later, when the query is built).
DeviceSettings captureForWrite(int outputTypeIndex, int errorLevelIndex, bool noErrorOnOverflow,
                               QStringView aramL, QStringView aramH, QStringView aramLLimit,
                               QStringView aramHLimit);

// Button_GyariAlapertekekClick's values, applied in member order.
struct FactoryDefaults
{
    int wiresIndex = 0;     // 4 wires
    int inputModeIndex = 0; // temperature
    int averagingIndex = 4; // 16
    bool noErrorOnOverflow = false;
    QString AramL;
    QString AramH;
    QString AramLLimit;
    QString AramHLimit;
    int outputTypeIndex = 0;
    int errorLevelIndex = 0;
};

// By the output kind the transmitter last reported (false before any live
// values). The texts are composed, not normalised: one decimal on the
// scaling edits whatever the value format.
FactoryDefaults factoryDefaults(bool voltageOutput);

} // namespace settingsedit
