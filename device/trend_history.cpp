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
