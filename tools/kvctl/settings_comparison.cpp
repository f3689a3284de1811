#include "tools/kvctl/settings_comparison.h"

#include "device/settings_mapping.h"
#include "tools/kvctl/window_names.h"

#include <cstring>

namespace settingscompare {

namespace {

// Enough digits that two different floats never print alike.
constexpr int kFloatDigits = 9;

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

// A field by the control that shows it, its values as the control shows them.
template <typename T, typename Text>
void compare(const char* control, T written, T readBack, const Text& shown, QStringList* out)
{
    if (!same(written, readBack))
        out->append(QStringLiteral("%1: wrote %2, read back %3")
                        .arg(windownames::control(control), shown(written), shown(readBack)));
}

void compare(const char* control, float written, float readBack, QStringList* out)
{
    compare(
        control, written, readBack, [](float v) { return text(v); }, out);
}

} // namespace

QStringList differences(const DeviceSettings& w, const DeviceSettings& r)
{
    QStringList out;
    const auto number = [](quint8 v) { return QString::number(v); };
    compare("RadioGroup_VezetekSzam", w.Wires, r.Wires, number, &out);
    compare(
        "RadioGroup_Uzemmod", w.InputMode, r.InputMode,
        [](quint8 v) { return windownames::item("RadioGroup_Uzemmod", v); }, &out);
    compare("RadioGroup_Atlagolas", w.Averaging, r.Averaging, number, &out);
    compare(
        "RadioGroup_AnalogKimTipus", w.bOutputLiveZero, r.bOutputLiveZero,
        [](bool v) {
            return windownames::item("RadioGroup_AnalogKimTipus", settingsmap::indexForOutputLiveZero(v));
        },
        &out);
    compare(
        "RadioGroup_AnalogKimHibajelzes", w.bErrorLevelHigh, r.bErrorLevelHigh,
        [](bool v) {
            return windownames::item("RadioGroup_AnalogKimHibajelzes",
                                     settingsmap::indexForErrorLevelHigh(v));
        },
        &out);
    compare(
        "CheckBox_NemHibaAKimenetTulcsordulas", w.bNoErrorOnOverflow, r.bNoErrorOnOverflow,
        [](bool v) { return v ? QStringLiteral("ticked") : QStringLiteral("not ticked"); }, &out);
    compare("LabeledEdit_AramL", w.fScaleLow, r.fScaleLow, &out);
    compare("LabeledEdit_AramH", w.fScaleHigh, r.fScaleHigh, &out);
    compare("LabeledEdit_AramLLimit", w.fOutputLimitLow, r.fOutputLimitLow, &out);
    compare("LabeledEdit_AramHLimit", w.fOutputLimitHigh, r.fOutputLimitHigh, &out);
    return out;
}

} // namespace settingscompare
