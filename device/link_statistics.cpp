#include "device/link_statistics.h"

#include "link/tmb.h"
#include "link/traffic_capture.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr double NsPerMs = 1e6;
constexpr double NsPerSecond = 1e9;
} // namespace

LinkStatistics::LinkStatistics(TMB& mb, QObject* parent) : QObject(parent)
{
    connect(&mb, &TMB::traffic, this, [this](const LinkTraffic& entry) { take(m_decoder.take(entry)); });
    connect(&mb, &TMB::OnMBPortOpenedOrClosed, this, &LinkStatistics::portOpenedOrClosed);
    reset();
    if (!mb.MBPortOpen())
        m_stopNs = m_startNs;
}

void LinkStatistics::portOpenedOrClosed(bool open)
{
    if (open) {
        // The clock runs from this opening on: a stop left from the closed
        // port (or from before the first opening) would hold it at zero.
        m_stopNs = -1;
        m_decoder.reset();
        reset();
        return;
    }
    m_stopNs = TrafficCapture::steadyNowNs();
}

void LinkStatistics::reset()
{
    m_counts = Figures();
    std::fill(m_histogram.begin(), m_histogram.end(), 0u);
    m_responseSumMs = 0.0;
    m_lastQueryNs = -1;
    m_startNs = TrafficCapture::steadyNowNs();
    if (m_stopNs >= 0)
        m_stopNs = m_startNs;
    emit wasReset();
}

void LinkStatistics::take(const TrafficDecoder::Record& r)
{
    using Status = TrafficDecoder::Status;
    switch (r.entry.kind) {
    case LinkTraffic::Kind::Query:
        m_counts.bytesSent += quint64(r.entry.wire.size());
        m_lastQueryNs = r.entry.steadyNs;
        if (r.status == Status::Resent)
            ++m_counts.resends;
        return;
    case LinkTraffic::Kind::NoAnswer:
        if (r.status == Status::TimeOut)
            ++m_counts.timeOuts;
        return;
    case LinkTraffic::Kind::BadInput:
        m_counts.bytesReceived += quint64(r.entry.wire.size());
        ++m_counts.crcOrFormatErrors;
        return;
    case LinkTraffic::Kind::Answer:
        break;
    }
    m_counts.bytesReceived += quint64(r.entry.wire.size());
    if (r.status == Status::LateIgnored) {
        ++m_counts.lateAnswers;
        return;
    }
    if (r.status == Status::Refused)
        ++m_counts.refused;
    if (m_lastQueryNs < 0)
        return;
    const qint64 ns = r.entry.steadyNs - m_lastQueryNs;
    const double ms = double(ns) / NsPerMs;
    m_lastQueryNs = -1;
    const quint64 n = ++m_counts.responses;
    m_counts.responseMinMs = n == 1 ? ms : std::min(m_counts.responseMinMs, ms);
    m_counts.responseMaxMs = n == 1 ? ms : std::max(m_counts.responseMaxMs, ms);
    m_responseSumMs += ms;
    const auto bin = std::clamp<qint64>(ns / BinNs, 0, BinCount - 1);
    ++m_histogram[size_t(bin)];
}

double LinkStatistics::percentileMs(double share) const
{
    const quint64 n = m_counts.responses;
    if (n == 0)
        return 0.0;
    // Nearest rank: the smallest time with at least `share` of the answers
    // at or below it, to the bin's resolution, kept within min and max.
    const auto rank = quint64(std::ceil(share * double(n)));
    quint64 seen = 0;
    for (int bin = 0; bin < BinCount; ++bin) {
        seen += m_histogram[size_t(bin)];
        if (seen >= rank)
            return std::clamp(bin * BinMs, m_counts.responseMinMs, m_counts.responseMaxMs);
    }
    return m_counts.responseMaxMs;
}

LinkStatistics::Figures LinkStatistics::figures(quint32 baudRate) const
{
    static constexpr double P95 = 0.95;
    Figures f = m_counts;
    if (f.responses > 0) {
        f.responseMeanMs = m_responseSumMs / double(f.responses);
        f.responseP95Ms = percentileMs(P95);
    }
    const qint64 end = m_stopNs >= 0 ? m_stopNs : TrafficCapture::steadyNowNs();
    f.seconds = double(end - m_startNs) / NsPerSecond;
    if (f.seconds > 0.0 && baudRate > 0) {
        const double bits = double(f.bytesSent + f.bytesReceived) * BitsPerCharacter;
        f.utilisation = bits / (f.seconds * double(baudRate));
    }
    return f;
}
