#pragma once

#include "device/trend_history.h"

#include <QList>
#include <QPointF>

#include <array>
#include <limits>
#include <optional>

// The Trend's curves as drawn: the samples of a time window reduced to the
// lowest and the highest of each of `columns` columns, in time order, so
// that a plot shows every peak, whatever the number of samples. A newest
// sample changes the last column's points only, so the curves follow the
// live blocks one at a time at the cost of a column.
//
// Points are (milliseconds since the epoch, value). A value that is not a
// number makes no point.
class TrendColumns
{
public:
    enum Curve
    {
        Measured,
        Output,
        CurveCount
    };
    // Per curve: the index of its first point that changed, its point count
    // when none did.
    using Changes = std::array<qsizetype, CurveCount>;

    // The samples of the history from fromMs to toMs, and the one before
    // them so that the curves reach the left edge, in `columns` columns.
    void reset(const TrendHistory& history, qint64 fromMs, qint64 toMs, int columns);
    // A sample newer than every one before.
    Changes add(const TrendHistory::Sample& sample);

    qint64 fromMs() const { return m_fromMs; }
    qint64 toMs() const { return m_toMs; }
    int columns() const { return m_columns; }
    // The column of a time, counted from fromMs; negative before it.
    qint64 columnOf(qint64 timeMs) const;
    const QList<QPointF>& points(Curve curve) const { return m_curves[curve].points; }
    // Points of the last column, which the next samples may change: 0 to 2.
    qsizetype lastColumnPoints(Curve curve) const { return m_curves[curve].lastColumnPoints; }
    // The lowest and highest value from fromMs on; none without samples.
    std::optional<TrendHistory::Range> range(Curve curve) const;

private:
    struct CurveState
    {
        QList<QPointF> points;
        qint64 column = std::numeric_limits<qint64>::min();
        QPointF low;
        QPointF high;
        // Points of the last column: 1 or 2.
        qsizetype lastColumnPoints = 0;
        bool hasRange = false;
        TrendHistory::Range range;
    };

    qsizetype add(CurveState& curve, qint64 column, const QPointF& point, bool inWindow);

    qint64 m_fromMs = 0;
    qint64 m_toMs = 0;
    int m_columns = 1;
    double m_columnMs = 1.0;
    std::array<CurveState, CurveCount> m_curves;
};
