#include "records/settings_record.h"

#include "device/live_display.h"

#include <QJsonValue>

#include <array>
#include <charconv>
#include <cmath>

namespace {

const QString kValue = QStringLiteral("value");
const QString kUnit = QStringLiteral("unit");

constexpr std::array<const char*, DeviceInputModeCount> kModeNames = {"temperature", "potentiometer",
                                                                      "resistance"};

// The two error levels of each output kind, low then high.
constexpr std::array<double, 2> kCurrentErrorLevels = {3.2, 22.0};
constexpr std::array<double, 2> kVoltageErrorLevels = {1.6, 11.0};

QJsonObject field(const QJsonValue& value, const QString& unit = QString())
{
    QJsonObject o{{kValue, value}};
    if (!unit.isEmpty())
        o.insert(kUnit, unit);
    return o;
}

QString outputTypeText(bool liveZero, bool voltage)
{
    if (voltage)
        return liveZero ? QStringLiteral("2-10 V") : QStringLiteral("0-10 V");
    return liveZero ? QStringLiteral("4-20 mA") : QStringLiteral("0-20 mA");
}

QJsonValue valueOf(const QJsonObject& settings, const char* key)
{
    return settings.value(QLatin1StringView(key)).toObject().value(kValue);
}

std::optional<float> floatOf(const QJsonObject& settings, const char* key)
{
    const QJsonValue v = valueOf(settings, key);
    if (!v.isDouble())
        return std::nullopt;
    return float(v.toDouble());
}

std::optional<quint8> smallNumberOf(const QJsonObject& settings, const char* key)
{
    const QJsonValue v = valueOf(settings, key);
    const double d = v.toDouble(-1.0);
    if (!v.isDouble() || d < 0.0 || d > 255.0 || d != std::floor(d))
        return std::nullopt;
    return quint8(d);
}

// The shortest text that reads back as the same single-precision number:
// 3.8, not the 3.79999995 of its double.
QString numberText(double value, QChar decimalPoint)
{
    char buffer[32];
    const std::to_chars_result r = std::to_chars(buffer, buffer + sizeof buffer, float(value));
    QString text = QString::fromLatin1(buffer, r.ptr - buffer);
    text.replace(u'.', decimalPoint);
    return text;
}

} // namespace

const QStringList& settingsrecord::keys()
{
    static const QStringList k = {QStringLiteral("wires"),
                                  QStringLiteral("inputMode"),
                                  QStringLiteral("sensor"),
                                  QStringLiteral("averaging"),
                                  QStringLiteral("outputType"),
                                  QStringLiteral("errorLevel"),
                                  QStringLiteral("noErrorOnOverflow"),
                                  QStringLiteral("scaleLow"),
                                  QStringLiteral("scaleHigh"),
                                  QStringLiteral("outputLimitLow"),
                                  QStringLiteral("outputLimitHigh")};
    return k;
}

QJsonObject settingsrecord::toJson(const RecordedSettings& r)
{
    const DeviceSettings& s = r.settings;
    const QString valueUnit = LiveDisplay::valueUnitFor(s.InputMode);
    const QString outputUnit = LiveDisplay::outputUnitFor(r.voltageOutput);
    const auto& levels = r.voltageOutput ? kVoltageErrorLevels : kCurrentErrorLevels;
    const QJsonValue mode = s.InputMode < kModeNames.size()
                                ? QJsonValue(QLatin1StringView(kModeNames[s.InputMode]))
                                : QJsonValue(int(s.InputMode));
    QJsonObject o;
    o.insert(QStringLiteral("wires"), field(int(s.Wires), QStringLiteral("wires")));
    o.insert(QStringLiteral("inputMode"), field(mode));
    o.insert(QStringLiteral("sensor"), field(r.pt1000 ? QStringLiteral("Pt1000") : QStringLiteral("Pt100")));
    o.insert(QStringLiteral("averaging"), field(int(s.Averaging), QStringLiteral("samples")));
    o.insert(QStringLiteral("outputType"), field(outputTypeText(s.bOutputLiveZero, r.voltageOutput)));
    QJsonObject errorLevel = field(levels[s.bErrorLevelHigh ? 1 : 0], outputUnit);
    errorLevel.insert(QStringLiteral("level"),
                      s.bErrorLevelHigh ? QStringLiteral("high") : QStringLiteral("low"));
    o.insert(QStringLiteral("errorLevel"), errorLevel);
    o.insert(QStringLiteral("noErrorOnOverflow"), field(s.bNoErrorOnOverflow));
    o.insert(QStringLiteral("scaleLow"), field(double(s.fScaleLow), valueUnit));
    o.insert(QStringLiteral("scaleHigh"), field(double(s.fScaleHigh), valueUnit));
    o.insert(QStringLiteral("outputLimitLow"), field(double(s.fOutputLimitLow), outputUnit));
    o.insert(QStringLiteral("outputLimitHigh"), field(double(s.fOutputLimitHigh), outputUnit));
    return o;
}

std::optional<RecordedSettings> settingsrecord::fromJson(const QJsonObject& o)
{
    RecordedSettings r;
    DeviceSettings& s = r.settings;

    const std::optional<quint8> wires = smallNumberOf(o, "wires");
    const std::optional<quint8> averaging = smallNumberOf(o, "averaging");
    const QJsonValue mode = valueOf(o, "inputMode");
    const QString sensor = valueOf(o, "sensor").toString();
    const QString outputType = valueOf(o, "outputType").toString();
    const QString level =
        o.value(QStringLiteral("errorLevel")).toObject().value(QStringLiteral("level")).toString();
    const QJsonValue overflow = valueOf(o, "noErrorOnOverflow");
    const auto scaleLow = floatOf(o, "scaleLow");
    const auto scaleHigh = floatOf(o, "scaleHigh");
    const auto limitLow = floatOf(o, "outputLimitLow");
    const auto limitHigh = floatOf(o, "outputLimitHigh");
    if (!wires || !averaging || !overflow.isBool() || !scaleLow || !scaleHigh || !limitLow || !limitHigh ||
        (sensor != QLatin1StringView("Pt100") && sensor != QLatin1StringView("Pt1000")) ||
        (level != QLatin1StringView("low") && level != QLatin1StringView("high")))
        return std::nullopt;

    s.InputMode = kModeNames.size();
    for (std::size_t i = 0; i < kModeNames.size(); ++i) {
        if (mode.toString() == QLatin1StringView(kModeNames[i]))
            s.InputMode = quint8(i);
    }
    if (mode.isDouble())
        s.InputMode = quint8(mode.toInt());
    else if (s.InputMode == kModeNames.size())
        return std::nullopt;

    bool typeKnown = false;
    for (const bool voltage : {false, true}) {
        for (const bool liveZero : {false, true}) {
            if (outputType == outputTypeText(liveZero, voltage)) {
                r.voltageOutput = voltage;
                s.bOutputLiveZero = liveZero;
                typeKnown = true;
            }
        }
    }
    if (!typeKnown)
        return std::nullopt;

    s.Wires = *wires;
    s.Averaging = *averaging;
    r.pt1000 = sensor == QLatin1StringView("Pt1000");
    s.bErrorLevelHigh = level == QLatin1StringView("high");
    s.bNoErrorOnOverflow = overflow.toBool();
    s.fScaleLow = *scaleLow;
    s.fScaleHigh = *scaleHigh;
    s.fOutputLimitLow = *limitLow;
    s.fOutputLimitHigh = *limitHigh;
    return r;
}

QString settingsrecord::valueText(const QJsonObject& settings, const QString& key, bool hungarian)
{
    const QJsonObject f = settings.value(key).toObject();
    const QJsonValue v = f.value(kValue);
    QString text;
    if (v.isBool()) {
        text = v.toBool() ? (hungarian ? QStringLiteral("igen") : QStringLiteral("yes"))
                          : (hungarian ? QStringLiteral("nem") : QStringLiteral("no"));
    } else if (v.isDouble()) {
        text = numberText(v.toDouble(), hungarian ? u',' : u'.');
    } else {
        text = v.toString();
        if (hungarian) {
            static constexpr std::array<const char*, DeviceInputModeCount> kHungarianModes = {
                "hőmérséklet", "potenciométer", "ellenállás"};
            for (std::size_t i = 0; i < kModeNames.size(); ++i) {
                if (text == QLatin1StringView(kModeNames[i]))
                    text = QString::fromUtf8(kHungarianModes[i]);
            }
        }
    }
    const QString unit = f.value(kUnit).toString();
    // "4 wires" reads oddly beside "16 samples"; the count speaks for itself.
    if (!unit.isEmpty() && unit != QLatin1StringView("wires") && unit != QLatin1StringView("samples"))
        text += u' ' + unit;
    return text;
}

QStringList settingsrecord::changedKeys(const QJsonObject& a, const QJsonObject& b)
{
    QStringList changed;
    for (const QString& key : keys()) {
        if (a.value(key) != b.value(key))
            changed.append(key);
    }
    return changed;
}

RecordedSettings settingsrecord::withField(const RecordedSettings& base, const QString& key,
                                           const RecordedSettings& from)
{
    RecordedSettings r = base;
    DeviceSettings& s = r.settings;
    const DeviceSettings& f = from.settings;
    if (key == QLatin1StringView("wires"))
        s.Wires = f.Wires;
    else if (key == QLatin1StringView("inputMode"))
        s.InputMode = f.InputMode;
    else if (key == QLatin1StringView("averaging"))
        s.Averaging = f.Averaging;
    else if (key == QLatin1StringView("outputType"))
        s.bOutputLiveZero = f.bOutputLiveZero;
    else if (key == QLatin1StringView("errorLevel"))
        s.bErrorLevelHigh = f.bErrorLevelHigh;
    else if (key == QLatin1StringView("noErrorOnOverflow"))
        s.bNoErrorOnOverflow = f.bNoErrorOnOverflow;
    else if (key == QLatin1StringView("scaleLow"))
        s.fScaleLow = f.fScaleLow;
    else if (key == QLatin1StringView("scaleHigh"))
        s.fScaleHigh = f.fScaleHigh;
    else if (key == QLatin1StringView("outputLimitLow"))
        s.fOutputLimitLow = f.fOutputLimitLow;
    else if (key == QLatin1StringView("outputLimitHigh"))
        s.fOutputLimitHigh = f.fOutputLimitHigh;
    return r;
}
