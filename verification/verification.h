#pragma once

#include "device/device_settings.h"
#include "device/live_values.h"

#include <QJsonObject>
#include <QList>
#include <QString>

#include <optional>

// A transmitter checked at test points across its scaling range: for each
// point the reference applied at the input, the output the scaling and the
// output kind make of it, and the output measured, with its error in per
// cent of the output span against a tolerance. What a plant accepts a
// transmitter on, "as found" before adjustment and "as left" after.
struct VerificationSetup
{
    quint8 inputMode = imTemperature;
    bool pt1000 = false;
    bool voltageOutput = false;
    bool outputLiveZero = true;
    double scaleLow = 0.0;
    double scaleHigh = 100.0;
    // Of the output span.
    double tolerancePercent = 0.10;

    // The transmitter's settings, with the sensor and output kind of its
    // live block.
    static VerificationSetup from(const DeviceSettings& settings, const LiveValues& live,
                                  double tolerancePercent);
    // A potentiometer's end points are the transmitter's own: there is no
    // reference to apply.
    bool canVerify() const { return inputMode != imPotentiometer; }

    bool operator==(const VerificationSetup&) const = default;
};

namespace verification {

inline constexpr int MaxPoints = 11;
inline constexpr double DefaultTolerancePercent = 0.10;

// 0, 25, 50, 75 and 100 per cent of the scaling range.
QList<double> defaultPercents();

// The measured value at a share of the scaling range, in the input mode's unit.
double valueAt(const VerificationSetup& setup, double percent);
// What to apply at the input for that value: the platinum resistance of the
// temperature, or the ohms themselves; none for a potentiometer.
std::optional<double> appliedOhm(const VerificationSetup& setup, double value);

double outputLow(const VerificationSetup& setup);
double outputHigh(const VerificationSetup& setup);
double outputSpan(const VerificationSetup& setup);
// The output the scaling gives for a measured value.
double expectedOutput(const VerificationSetup& setup, double value);
// (output - expected) / output span * 100.
double errorPercent(const VerificationSetup& setup, double output, double expected);
// The spread of the last values a settled point may show: a quarter of the
// tolerance, in the measured value's unit.
double settleSpan(const VerificationSetup& setup);

QString valueUnit(const VerificationSetup& setup);
QString outputUnit(const VerificationSetup& setup);

} // namespace verification

// Where a point's output came from. Only a meter sees what the output stage
// really drives; the transmitter reports what it believes it drives.
enum class OutputSource
{
    Meter,    // the virtual bench's meter
    Typed,    // an external meter's reading, typed by the technician
    Reported, // reported by the transmitter
};

struct PointResult
{
    double percent = 0.0;
    double value = 0.0; // the test point, in the input's unit
    std::optional<double> appliedOhm;
    double expected = 0.0;
    double measured = 0.0;
    double output = 0.0;
    OutputSource source = OutputSource::Reported;
    double errorPercent = 0.0;
    bool pass = false;

    bool operator==(const PointResult&) const = default;
};

struct VerificationRun
{
    static constexpr const char* AsFound = "as-found";
    static constexpr const char* AsLeft = "as-left";

    QString kind; // AsFound or AsLeft
    VerificationSetup setup;
    // The reference equipment, as the technician names it.
    QString reference;
    QList<PointResult> points;

    // Every point within the tolerance (and at least one point).
    bool pass() const;
    // What the outputs came from; Reported when any was.
    OutputSource outputSource() const;

    // The event's fields: kind, tolerance, units, setup, points, pass.
    QJsonObject toJson() const;
    static std::optional<VerificationRun> fromJson(const QJsonObject& object);

    bool operator==(const VerificationRun&) const = default;
};

namespace verification {
QString sourceName(OutputSource source);
// A point's result from what was captured.
PointResult evaluate(const VerificationSetup& setup, double percent, double measured, double output,
                     OutputSource source);
} // namespace verification

// The last few measured values of a point, to tell when it has settled:
// the last Count values within maxSpan of each other.
class SettleWindow
{
public:
    static constexpr int Count = 5;

    explicit SettleWindow(double maxSpan = 0.0) : m_maxSpan(maxSpan) {}

    void add(double value);
    void clear() { m_values.clear(); }
    bool settled() const { return m_values.size() == Count && span() <= m_maxSpan; }
    // Of the values so far (fewer than Count before that many came).
    double span() const;
    double maxSpan() const { return m_maxSpan; }
    qsizetype size() const { return m_values.size(); }

private:
    double m_maxSpan = 0.0;
    QList<double> m_values;
};
