#include "verification/verification.h"

#include "device/callendar_van_dusen.h"
#include "device/live_display.h"

#include <QJsonArray>

#include <algorithm>
#include <cmath>

namespace {

constexpr double kPt100R0 = 100.0;
constexpr double kPt1000R0 = 1000.0;

// The output ranges: live zero, then from zero; mA or V.
constexpr double kCurrentLiveZero = 4.0;
constexpr double kCurrentTop = 20.0;
constexpr double kVoltageLiveZero = 2.0;
constexpr double kVoltageTop = 10.0;

constexpr std::array<const char*, 3> kSourceNames = {"meter", "typed", "reported"};

QJsonValue optionalNumber(const std::optional<double>& value)
{
    return value ? QJsonValue(*value) : QJsonValue();
}

} // namespace

VerificationSetup VerificationSetup::from(const DeviceSettings& s, const LiveValues& live,
                                          double tolerancePercent)
{
    VerificationSetup setup;
    setup.inputMode = s.InputMode;
    setup.pt1000 = live.bPt1000;
    setup.voltageOutput = live.bVoltageOutput;
    setup.outputLiveZero = s.bOutputLiveZero;
    setup.scaleLow = s.fScaleLow;
    setup.scaleHigh = s.fScaleHigh;
    setup.tolerancePercent = tolerancePercent;
    return setup;
}

QList<double> verification::defaultPercents()
{
    return {0.0, 25.0, 50.0, 75.0, 100.0};
}

double verification::valueAt(const VerificationSetup& s, double percent)
{
    return s.scaleLow + (s.scaleHigh - s.scaleLow) * percent / 100.0;
}

std::optional<double> verification::appliedOhm(const VerificationSetup& s, double value)
{
    switch (s.inputMode) {
    case imTemperature:
        return cvd::resistance(value, s.pt1000 ? kPt1000R0 : kPt100R0);
    case imResistance:
        return value;
    default:
        return std::nullopt;
    }
}

double verification::outputLow(const VerificationSetup& s)
{
    if (!s.outputLiveZero)
        return 0.0;
    return s.voltageOutput ? kVoltageLiveZero : kCurrentLiveZero;
}

double verification::outputHigh(const VerificationSetup& s)
{
    return s.voltageOutput ? kVoltageTop : kCurrentTop;
}

double verification::outputSpan(const VerificationSetup& s)
{
    return outputHigh(s) - outputLow(s);
}

double verification::expectedOutput(const VerificationSetup& s, double value)
{
    const double range = s.scaleHigh - s.scaleLow;
    const double share = range == 0.0 ? 0.0 : (value - s.scaleLow) / range;
    return outputLow(s) + share * outputSpan(s);
}

double verification::errorPercent(const VerificationSetup& s, double output, double expected)
{
    return (output - expected) / outputSpan(s) * 100.0;
}

double verification::settleSpan(const VerificationSetup& s)
{
    return std::abs(s.scaleHigh - s.scaleLow) * s.tolerancePercent / 100.0 / 4.0;
}

QString verification::valueUnit(const VerificationSetup& s)
{
    return LiveDisplay::valueUnitFor(s.inputMode);
}

QString verification::outputUnit(const VerificationSetup& s)
{
    return LiveDisplay::outputUnitFor(s.voltageOutput);
}

QString verification::sourceName(OutputSource source)
{
    return QLatin1StringView(kSourceNames[std::size_t(source)]);
}

PointResult verification::evaluate(const VerificationSetup& s, double percent, double measured, double output,
                                   OutputSource source)
{
    PointResult p;
    p.percent = percent;
    p.value = valueAt(s, percent);
    p.appliedOhm = appliedOhm(s, p.value);
    p.expected = expectedOutput(s, p.value);
    p.measured = measured;
    p.output = output;
    p.source = source;
    p.errorPercent = errorPercent(s, output, p.expected);
    // A hair over the limit in the last binary digit still passes: the
    // tolerance is stated in decimals.
    p.pass = std::abs(p.errorPercent) <= s.tolerancePercent * (1.0 + 1e-9);
    return p;
}

bool VerificationRun::pass() const
{
    return !points.isEmpty() &&
           std::all_of(points.begin(), points.end(), [](const PointResult& p) { return p.pass; });
}

OutputSource VerificationRun::outputSource() const
{
    OutputSource source = OutputSource::Meter;
    for (const PointResult& p : points) {
        if (p.source == OutputSource::Reported)
            return OutputSource::Reported;
        if (p.source == OutputSource::Typed)
            source = OutputSource::Typed;
    }
    return source;
}

QJsonObject VerificationRun::toJson() const
{
    QJsonArray rows;
    for (const PointResult& p : points) {
        rows.append(QJsonObject{
            {QStringLiteral("percent"), p.percent},
            {QStringLiteral("value"), p.value},
            {QStringLiteral("appliedOhm"), optionalNumber(p.appliedOhm)},
            {QStringLiteral("expected"), p.expected},
            {QStringLiteral("measured"), p.measured},
            {QStringLiteral("output"), p.output},
            {QStringLiteral("source"), verification::sourceName(p.source)},
            {QStringLiteral("errorPercent"), p.errorPercent},
            {QStringLiteral("pass"), p.pass},
        });
    }
    return QJsonObject{
        {QStringLiteral("run"), kind},
        {QStringLiteral("reference"), reference},
        {QStringLiteral("tolerancePercent"), setup.tolerancePercent},
        {QStringLiteral("inputMode"), int(setup.inputMode)},
        {QStringLiteral("sensor"), setup.pt1000 ? QStringLiteral("Pt1000") : QStringLiteral("Pt100")},
        {QStringLiteral("outputLow"), verification::outputLow(setup)},
        {QStringLiteral("outputHigh"), verification::outputHigh(setup)},
        {QStringLiteral("scaleLow"), setup.scaleLow},
        {QStringLiteral("scaleHigh"), setup.scaleHigh},
        {QStringLiteral("valueUnit"), verification::valueUnit(setup)},
        {QStringLiteral("outputUnit"), verification::outputUnit(setup)},
        {QStringLiteral("outputSource"), verification::sourceName(outputSource())},
        {QStringLiteral("points"), rows},
        {QStringLiteral("pass"), pass()},
    };
}

std::optional<VerificationRun> VerificationRun::fromJson(const QJsonObject& o)
{
    VerificationRun run;
    run.kind = o.value(QStringLiteral("run")).toString();
    if (run.kind != QLatin1StringView(AsFound) && run.kind != QLatin1StringView(AsLeft))
        return std::nullopt;
    run.reference = o.value(QStringLiteral("reference")).toString();
    VerificationSetup& s = run.setup;
    s.tolerancePercent =
        o.value(QStringLiteral("tolerancePercent")).toDouble(verification::DefaultTolerancePercent);
    s.inputMode = quint8(o.value(QStringLiteral("inputMode")).toInt());
    s.pt1000 = o.value(QStringLiteral("sensor")).toString() == QLatin1StringView("Pt1000");
    s.voltageOutput = o.value(QStringLiteral("outputUnit")).toString() == QLatin1StringView("V");
    s.outputLiveZero = o.value(QStringLiteral("outputLow")).toDouble() > 0.0;
    s.scaleLow = o.value(QStringLiteral("scaleLow")).toDouble();
    s.scaleHigh = o.value(QStringLiteral("scaleHigh")).toDouble();
    for (const QJsonValue& value : o.value(QStringLiteral("points")).toArray()) {
        const QJsonObject p = value.toObject();
        PointResult point;
        point.percent = p.value(QStringLiteral("percent")).toDouble();
        point.value = p.value(QStringLiteral("value")).toDouble();
        if (p.value(QStringLiteral("appliedOhm")).isDouble())
            point.appliedOhm = p.value(QStringLiteral("appliedOhm")).toDouble();
        point.expected = p.value(QStringLiteral("expected")).toDouble();
        point.measured = p.value(QStringLiteral("measured")).toDouble();
        point.output = p.value(QStringLiteral("output")).toDouble();
        const QString source = p.value(QStringLiteral("source")).toString();
        for (std::size_t i = 0; i < kSourceNames.size(); ++i) {
            if (source == QLatin1StringView(kSourceNames[i]))
                point.source = OutputSource(i);
        }
        point.errorPercent = p.value(QStringLiteral("errorPercent")).toDouble();
        point.pass = p.value(QStringLiteral("pass")).toBool();
        run.points.append(point);
    }
    return run;
}

void SettleWindow::add(double value)
{
    m_values.append(value);
    if (m_values.size() > Count)
        m_values.removeFirst();
}

double SettleWindow::span() const
{
    if (m_values.isEmpty())
        return 0.0;
    const auto [low, high] = std::minmax_element(m_values.begin(), m_values.end());
    return *high - *low;
}
