#pragma once

#include "device/live_values.h"

#include <QString>
#include <QtGlobal>

#include <vector>

// The measured value and the analog output of the latest live blocks, for a
// plot against time: a ring that keeps the blocks of the last historyMs
// milliseconds and never more than `capacity` of them, whatever rate they
// come at, so its memory is fixed when it is made.
//
// The units follow the transmitter: the measured value's from the input mode
// ("°C", "%", "ohm"), the output's from the output kind ("mA", "V"). When a
// block's units differ from those of the samples held, the samples are
// dropped: a curve never mixes units.
class TrendHistory
{
public:
    struct Sample
    {
        // Milliseconds since the epoch.
        qint64 timeMs = 0;
        double measured = 0.0;
        double output = 0.0;
    };

    struct Range
    {
        double low = 0.0;
        double high = 0.0;
    };

    static constexpr qint64 DefaultHistoryMs = 10 * 60 * 1000;
    // Live blocks come one per task tick at most (100 ms); the ring holds
    // twice that rate over the history before it drops blocks early.
    static constexpr qint64 ShortestIntervalMs = 50;

    explicit TrendHistory(qint64 historyMs = DefaultHistoryMs);

    // A block taken at timeMs. A time before the newest sample's (the clock
    // was set back) starts the history afresh, so times only grow.
    void add(qint64 timeMs, const LiveValues& values);
    void clear();

    qint64 historyMs() const { return m_historyMs; }
    qsizetype capacity() const { return qsizetype(m_ring.size()); }
    qsizetype size() const { return m_count; }
    bool isEmpty() const { return m_count == 0; }
    // Oldest first.
    const Sample& at(qsizetype index) const;
    const Sample& newest() const { return at(m_count - 1); }

    // Empty until the first block.
    const QString& measuredUnit() const { return m_measuredUnit; }
    const QString& outputUnit() const { return m_outputUnit; }

    // Index of the first sample at or after timeMs (size() when none).
    qsizetype lowerBound(qint64 timeMs) const;

private:
    void dropOlderThan(qint64 timeMs);

    qint64 m_historyMs = DefaultHistoryMs;
    std::vector<Sample> m_ring;
    qsizetype m_head = 0; // index of the oldest sample in m_ring
    qsizetype m_count = 0;
    QString m_measuredUnit;
    QString m_outputUnit;
};
