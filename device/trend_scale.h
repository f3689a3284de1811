#pragma once

#include <QtGlobal>

// Round numbers for the Trend's axes: value ticks on steps of 1, 2 or 5
// times a power of ten, time ticks on whole seconds or minutes of the local
// clock, so that the labels read as a person would mark an axis.
namespace trendscale {

struct ValueScale
{
    double low = 0.0;
    double high = 1.0;
    double step = 0.2;
    int tickCount = 6;
    // Decimals that show every tick exactly: none for a step of 20, one
    // for 0.5.
    int decimals = 1;
};

// The shortest run of round ticks, at most mostIntervals steps, that holds
// [low, high] widened by marginFraction of its span at each end. A span
// narrower than smallestSpan (a flat curve) is widened to it about its
// middle first.
ValueScale valueScale(double low, double high, double smallestSpan, double marginFraction, int mostIntervals);

struct TimeScale
{
    // Milliseconds since the epoch; both ends on ticks.
    qint64 fromMs = 0;
    qint64 toMs = 0;
    qint64 stepMs = 0;
    int tickCount = 0;
};

// The shortest whole-second or whole-minute step that cuts spanMs into at
// most mostIntervals steps.
qint64 timeStepMs(qint64 spanMs, int mostIntervals);

// The window of at least spanMs, a whole number of steps, that ends on the
// first tick after timeMs. Ticks fall on whole steps of the local clock,
// which is utcOffsetMs ahead of UTC.
TimeScale timeScale(qint64 timeMs, qint64 spanMs, qint64 utcOffsetMs, int mostIntervals);

} // namespace trendscale
