#include "tools/kvctl/settings_comparison.h"

#include <cstring>

namespace settingscompare {

namespace {

// Enough digits that two different floats never print alike.
constexpr int kFloatDigits = 9;

QString text(quint8 value)
{
    return QString::number(value);
}

QString text(bool value)
{
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

QString text(float value)
{
    return QString::number(double(value), 'g', kFloatDigits);
}

bool same(float a, float b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

template <typename T> bool same(T a, T b)
{
    return a == b;
}

template <typename T> void compare(const char* field, T written, T readBack, QStringList* out)
{
    if (!same(written, readBack))
        out->append(QStringLiteral("%1: wrote %2, read back %3")
                        .arg(QLatin1StringView(field), text(written), text(readBack)));
}

} // namespace

QStringList differences(const DeviceSettings& w, const DeviceSettings& r)
{
    QStringList out;
    compare("Wires", w.Wires, r.Wires, &out);
    compare("InputMode", w.InputMode, r.InputMode, &out);
    compare("Averaging", w.Averaging, r.Averaging, &out);
    compare("bOutputLiveZero", w.bOutputLiveZero, r.bOutputLiveZero, &out);
    compare("bErrorLevelHigh", w.bErrorLevelHigh, r.bErrorLevelHigh, &out);
    compare("bNoErrorOnOverflow", w.bNoErrorOnOverflow, r.bNoErrorOnOverflow, &out);
    compare("fScaleLow", w.fScaleLow, r.fScaleLow, &out);
    compare("fScaleHigh", w.fScaleHigh, r.fScaleHigh, &out);
    compare("fOutputLimitLow", w.fOutputLimitLow, r.fOutputLimitLow, &out);
    compare("fOutputLimitHigh", w.fOutputLimitHigh, r.fOutputLimitHigh, &out);
    return out;
}

} // namespace settingscompare
