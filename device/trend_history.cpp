#include "device/trend_history.h"

#include "device/live_display.h"

#include <algorithm>

TrendHistory::TrendHistory(qint64 historyMs)
    : m_historyMs(std::max<qint64>(historyMs, ShortestIntervalMs)),
      m_ring(size_t(m_historyMs / ShortestIntervalMs + 1))
{}

const TrendHistory::Sample& TrendHistory::at(qsizetype index) const
{
    Q_ASSERT(index >= 0 && index < m_count);
    return m_ring[size_t((m_head + index) % capacity())];
}

void TrendHistory::clear()
{
    m_head = 0;
    m_count = 0;
}

void TrendHistory::add(qint64 timeMs, const LiveValues& values)
{
    const QString measuredUnit = LiveDisplay::valueUnitFor(values.uMode);
    const QString outputUnit = LiveDisplay::outputUnitFor(values.bVoltageOutput);
    if (measuredUnit != m_measuredUnit || outputUnit != m_outputUnit ||
        (m_count > 0 && timeMs < newest().timeMs))
        clear();
    m_measuredUnit = measuredUnit;
    m_outputUnit = outputUnit;

    if (m_count == capacity()) {
        m_head = (m_head + 1) % capacity();
        --m_count;
    }
    m_ring[size_t((m_head + m_count) % capacity())] = Sample{timeMs, values.fInput, values.fOutput};
    ++m_count;
    dropOlderThan(timeMs - m_historyMs);
}

void TrendHistory::dropOlderThan(qint64 timeMs)
{
    const qsizetype keep = lowerBound(timeMs);
    m_head = (m_head + keep) % capacity();
    m_count -= keep;
}

qsizetype TrendHistory::lowerBound(qint64 timeMs) const
{
    qsizetype low = 0;
    qsizetype high = m_count;
    while (low < high) {
        const qsizetype middle = low + (high - low) / 2;
        if (at(middle).timeMs < timeMs)
            low = middle + 1;
        else
            high = middle;
    }
    return low;
}

namespace {

template <typename Value>
TrendHistory::Range rangeOf(const TrendHistory& history, qsizetype first, qsizetype last, Value value)
{
    if (first >= last)
        return {};
    TrendHistory::Range range{value(history.at(first)), value(history.at(first))};
    for (qsizetype i = first + 1; i < last; ++i) {
        range.low = std::min(range.low, value(history.at(i)));
        range.high = std::max(range.high, value(history.at(i)));
    }
    return range;
}

} // namespace

TrendHistory::Range TrendHistory::measuredRange(qsizetype first, qsizetype last) const
{
    return rangeOf(*this, first, last, [](const Sample& s) { return s.measured; });
}

TrendHistory::Range TrendHistory::outputRange(qsizetype first, qsizetype last) const
{
    return rangeOf(*this, first, last, [](const Sample& s) { return s.output; });
}

void TrendHistory::decimate(qsizetype first, qsizetype last, qint64 fromMs, qint64 toMs, int buckets,
                            bool measured, std::vector<Sample>& out) const
{
    out.clear();
    first = std::max<qsizetype>(first, 0);
    last = std::min(last, m_count);
    if (first >= last)
        return;
    const auto value = [measured](const Sample& s) { return measured ? s.measured : s.output; };
    // Few enough: every sample as it is.
    if (buckets <= 0 || last - first <= 2 * qsizetype(buckets) || toMs <= fromMs) {
        for (qsizetype i = first; i < last; ++i)
            out.push_back(at(i));
        return;
    }
    const double sliceMs = double(toMs - fromMs) / buckets;
    qsizetype i = first;
    while (i < last) {
        const qint64 slice = qint64(double(at(i).timeMs - fromMs) / sliceMs);
        const Sample* low = &at(i);
        const Sample* high = low;
        for (++i; i < last && qint64(double(at(i).timeMs - fromMs) / sliceMs) == slice; ++i) {
            const Sample& s = at(i);
            if (value(s) < value(*low))
                low = &s;
            if (value(s) > value(*high))
                high = &s;
        }
        // In time order, once each.
        const Sample* earlier = low->timeMs <= high->timeMs ? low : high;
        const Sample* later = earlier == low ? high : low;
        out.push_back(*earlier);
        if (later != earlier)
            out.push_back(*later);
    }
}
