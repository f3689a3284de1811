#include "device/trend_columns.h"

#include <algorithm>
#include <cmath>

void TrendColumns::reset(const TrendHistory& history, qint64 fromMs, qint64 toMs, int columns)
{
    m_fromMs = fromMs;
    m_toMs = std::max(toMs, fromMs + 1);
    m_columns = std::max(columns, 1);
    m_columnMs = double(m_toMs - m_fromMs) / m_columns;
    m_curves = {};
    for (qsizetype i = std::max<qsizetype>(history.lowerBound(fromMs) - 1, 0); i < history.size(); ++i)
        add(history.at(i));
}

qint64 TrendColumns::columnOf(qint64 timeMs) const
{
    return qint64(std::floor(double(timeMs - m_fromMs) / m_columnMs));
}

TrendColumns::Changes TrendColumns::add(const TrendHistory::Sample& sample)
{
    const qint64 column = columnOf(sample.timeMs);
    const bool inWindow = sample.timeMs >= m_fromMs;
    const double time = double(sample.timeMs);
    return {add(m_curves[Measured], column, QPointF(time, sample.measured), inWindow),
            add(m_curves[Output], column, QPointF(time, sample.output), inWindow)};
}

qsizetype TrendColumns::add(CurveState& curve, qint64 column, const QPointF& point, bool inWindow)
{
    const double value = point.y();
    if (!std::isfinite(value))
        return curve.points.size();
    if (inWindow) {
        curve.range.low = curve.hasRange ? std::min(curve.range.low, value) : value;
        curve.range.high = curve.hasRange ? std::max(curve.range.high, value) : value;
        curve.hasRange = true;
    }
    if (curve.points.isEmpty() || column != curve.column) {
        curve.column = column;
        curve.low = point;
        curve.high = point;
        curve.lastColumnPoints = 1;
        curve.points.append(point);
        return curve.points.size() - 1;
    }
    // Ties keep the earlier sample: the points move only for a new extreme.
    const bool newLow = value < curve.low.y();
    const bool newHigh = value > curve.high.y();
    if (!newLow && !newHigh)
        return curve.points.size();
    (newLow ? curve.low : curve.high) = point;
    const qsizetype first = curve.points.size() - curve.lastColumnPoints;
    curve.points.resize(first);
    // In time order, a sample that is both only once.
    const bool lowFirst = curve.low.x() <= curve.high.x();
    curve.points.append(lowFirst ? curve.low : curve.high);
    curve.lastColumnPoints = 1;
    if (curve.low.x() != curve.high.x()) {
        curve.points.append(lowFirst ? curve.high : curve.low);
        curve.lastColumnPoints = 2;
    }
    return first;
}

std::optional<TrendHistory::Range> TrendColumns::range(Curve curve) const
{
    const CurveState& state = m_curves[curve];
    return state.hasRange ? std::optional(state.range) : std::nullopt;
}
