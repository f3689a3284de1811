#include "device/settings_editing.h"

#include "device/settings_mapping.h"
#include "platform/number_format.h"

#include <cmath>

namespace settingsedit {

namespace {

QString composed(const char* integer, const char* fraction)
{
    return QLatin1StringView(integer) + NumberFormat::decimalSeparator() + QLatin1StringView(fraction);
}

} // namespace

float fallback(NumericEdit edit)
{
    switch (edit) {
    case neAramL:
        return -200.0f;
    case neAramH:
        return 800.0f;
    case neAramLLimit:
        return 3.8f;
    case neAramHLimit:
        break;
    }
    return 20.5f;
}

QString pattern(NumericEdit edit, QStringView valueFormat)
{
    return edit == neAramL || edit == neAramH ? valueFormat.toString() : LimitFormat.toString();
}

std::optional<float> parsed(QStringView text)
{
    // A number beyond the float range would go out as infinity.
    const std::optional<double> number = NumberFormat::parse(text);
    if (!number || !std::isfinite(float(*number)))
        return std::nullopt;
    return float(*number);
}

float value(NumericEdit edit, QStringView text)
{
    return parsed(text).value_or(fallback(edit));
}

QString normalised(NumericEdit edit, QStringView text, QStringView valueFormat)
{
    return NumberFormat::format(value(edit, text), pattern(edit, valueFormat));
}

DeviceSettings captureForWrite(int outputTypeIndex, int errorLevelIndex, bool noErrorOnOverflow,
                               QStringView aramL, QStringView aramH, QStringView aramLLimit,
                               QStringView aramHLimit)
{
    DeviceSettings s;
    s.bOutputLiveZero = settingsmap::outputLiveZeroForIndex(outputTypeIndex);
    s.bErrorLevelHigh = settingsmap::errorLevelHighForIndex(errorLevelIndex);
    s.bNoErrorOnOverflow = noErrorOnOverflow;
    s.fScaleLow = value(neAramL, aramL);
    s.fScaleHigh = value(neAramH, aramH);
    s.fOutputLimitLow = value(neAramLLimit, aramLLimit);
    s.fOutputLimitHigh = value(neAramHLimit, aramHLimit);
    return s;
}

FactoryDefaults factoryDefaults(bool voltageOutput)
{
    FactoryDefaults d;
    d.AramL = composed("-200", "0");
    d.AramH = composed("800", "0");
    if (voltageOutput) {
        d.AramLLimit = composed("0", "00");
        d.AramHLimit = composed("10", "25");
        d.outputTypeIndex = 1;
        d.errorLevelIndex = 1;
    } else {
        d.AramLLimit = composed("3", "80");
        d.AramHLimit = composed("20", "50");
        d.outputTypeIndex = 0;
        d.errorLevelIndex = 0;
    }
    return d;
}

} // namespace settingsedit
