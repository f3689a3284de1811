#include "device/trend_scale.h"

#include <array>
#include <cmath>

namespace trendscale {

namespace {

constexpr std::array<double, 3> kMantissas{1.0, 2.0, 5.0};
constexpr double kDecade = 10.0;
// Divisions that should come out whole but for the last bit of a double.
constexpr double kSlack = 1e-9;
// Between one round step and the next: 1.5 after 1 gives 2, after 2 gives 5.
constexpr double kToNextStep = 1.5;

// The smallest round step of at least `least`.
double roundStepAtLeast(double least)
{
    if (!(least > 0.0))
        return 1.0;
    const double decade = std::pow(kDecade, std::floor(std::log10(least)));
    for (const double mantissa : kMantissas) {
        if (mantissa * decade >= least * (1.0 - kSlack))
            return mantissa * decade;
    }
    return kDecade * decade;
}

qint64 floorDiv(qint64 value, qint64 divisor)
{
    const qint64 quotient = value / divisor;
    return quotient * divisor > value ? quotient - 1 : quotient;
}

} // namespace

ValueScale valueScale(double low, double high, double smallestSpan, double marginFraction, int mostIntervals)
{
    mostIntervals = std::max(mostIntervals, 1);
    if (!std::isfinite(low) || !std::isfinite(high) || high < low)
        return {};
    double span = high - low;
    if (span < smallestSpan) {
        const double middle = (low + high) / 2.0;
        span = smallestSpan;
        low = middle - span / 2.0;
        high = middle + span / 2.0;
    }
    low -= span * marginFraction;
    high += span * marginFraction;

    ValueScale scale;
    double step = roundStepAtLeast((high - low) / mostIntervals);
    for (;;) {
        const double first = std::floor(low / step + kSlack);
        const double last = std::ceil(high / step - kSlack);
        if (last - first <= mostIntervals || !std::isfinite(step)) {
            scale.low = first * step;
            scale.high = last * step;
            scale.tickCount = int(last - first) + 1;
            break;
        }
        // The next round step: 2 after 1, 5 after 2, 10 after 5.
        step = roundStepAtLeast(step * kToNextStep);
    }
    scale.step = step;
    scale.decimals = step >= 1.0 ? 0 : int(std::ceil(-std::log10(step) - kSlack));
    return scale;
}

qint64 timeStepMs(qint64 spanMs, int mostIntervals)
{
    static constexpr std::array<qint64, 15> kStepsS{1,   2,   5,   10,  15,   20,   30,  60,
                                                    120, 300, 600, 900, 1200, 1800, 3600};
    constexpr qint64 kMsPerS = 1000;
    mostIntervals = std::max(mostIntervals, 1);
    for (const qint64 stepS : kStepsS) {
        if (stepS * kMsPerS * mostIntervals >= spanMs)
            return stepS * kMsPerS;
    }
    return kStepsS.back() * kMsPerS *
           ((spanMs / (kStepsS.back() * kMsPerS) + mostIntervals - 1) / mostIntervals);
}

TimeScale timeScale(qint64 timeMs, qint64 spanMs, qint64 utcOffsetMs, int mostIntervals)
{
    TimeScale scale;
    scale.stepMs = timeStepMs(std::max<qint64>(spanMs, 1), mostIntervals);
    const qint64 intervals = std::max<qint64>(1, (spanMs + scale.stepMs - 1) / scale.stepMs);
    scale.toMs = (floorDiv(timeMs + utcOffsetMs, scale.stepMs) + 1) * scale.stepMs - utcOffsetMs;
    scale.fromMs = scale.toMs - intervals * scale.stepMs;
    scale.tickCount = int(intervals) + 1;
    return scale;
}

} // namespace trendscale
