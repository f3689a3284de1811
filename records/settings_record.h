#pragma once

#include "device/device_settings.h"
#include "device/live_values.h"

#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <optional>

// A transmitter's settings as the records keep them: the block decoded,
// each field with its unit, readable without this program (a plant's
// server holds them as JSON), and exact enough to put back into the
// window's controls. The block alone does not say which unit its numbers
// are in; the sensor and the output kind, from the live block, do.
struct RecordedSettings
{
    DeviceSettings settings;
    bool voltageOutput = false;
    bool pt1000 = false;

    // The settings read with the live block that gave Wires and InputMode.
    static RecordedSettings from(const DeviceSettings& settings, const LiveValues& live)
    {
        return RecordedSettings{settings, live.bVoltageOutput, live.bPt1000};
    }

    bool operator==(const RecordedSettings&) const = default;
};

namespace settingsrecord {

// The fields in the block's order, as keys of the JSON form: wires,
// inputMode, sensor, averaging, outputType, errorLevel, noErrorOnOverflow,
// scaleLow, scaleHigh, outputLimitLow, outputLimitHigh.
const QStringList& keys();

// {"wires": {"value": 4, "unit": "wires"}, "inputMode": {"value":
// "temperature"}, "scaleLow": {"value": -200, "unit": "°C"}, ...}. Floats
// are kept as the doubles of their single-precision values, so they read
// back to the bit.
QJsonObject toJson(const RecordedSettings& recorded);
// Nullopt when a field is missing or not what toJson() writes.
std::optional<RecordedSettings> fromJson(const QJsonObject& object);

// A field as a person reads it: "4", "temperature", "-200 °C", "yes"; in
// Hungarian with its words and a decimal comma.
QString valueText(const QJsonObject& settings, const QString& key, bool hungarian = false);
// The keys whose values differ, in the block's order.
QStringList changedKeys(const QJsonObject& a, const QJsonObject& b);

// base with one field (a key of keys()) taken from `from`. The sensor and
// the output kind are the transmitter's, not settings: they stay base's.
RecordedSettings withField(const RecordedSettings& base, const QString& key, const RecordedSettings& from);

} // namespace settingsrecord
