#include "link/traffic_capture.h"

#include <QDateTime>

#include <chrono>

qint64 TrafficCapture::steadyNowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

qint64 TrafficCapture::wallNowMs()
{
    return QDateTime::currentMSecsSinceEpoch();
}

void TrafficCapture::emitEntry(LinkTraffic::Kind kind, QByteArray wire, qint64 wallMs, qint64 steadyNs)
{
    LinkTraffic entry;
    entry.kind = kind;
    entry.wire = std::move(wire);
    entry.wallMs = wallMs;
    entry.steadyNs = steadyNs;
    m_sink(entry);
}

void TrafficCapture::flush()
{
    if (m_held.isEmpty())
        return;
    QByteArray bad;
    bad.swap(m_held);
    m_frameStart = -1;
    emitEntry(LinkTraffic::Kind::BadInput, std::move(bad), m_lastByteWallMs, m_lastByteSteadyNs);
}

void TrafficCapture::querySent(const QByteArray& wire, quint8 tryNumber)
{
    // The engine drops a frame in progress when a query goes out.
    flush();
    LinkTraffic entry;
    entry.kind = LinkTraffic::Kind::Query;
    entry.wire = wire;
    entry.wallMs = wallNowMs();
    entry.steadyNs = steadyNowNs();
    entry.tryNumber = tryNumber;
    m_sink(entry);
}

void TrafficCapture::answerMissed(quint8 tryNumber, bool finalTry)
{
    flush();
    LinkTraffic entry;
    entry.kind = LinkTraffic::Kind::NoAnswer;
    entry.wallMs = wallNowMs();
    entry.steadyNs = steadyNowNs();
    entry.tryNumber = tryNumber;
    entry.finalTry = finalTry;
    m_sink(entry);
}

void TrafficCapture::byteReceived(quint8 byte, DecodeEvent event, bool awaited)
{
    if (event == DecodeEvent::FrameStarted)
        m_frameStart = m_held.size();
    // Clocks cost more than the rest of a byte's way: read them where the
    // decoder marks something (a start, an end, a rejection).
    if (event != DecodeEvent::None || m_held.isEmpty()) {
        m_lastByteWallMs = wallNowMs();
        m_lastByteSteadyNs = steadyNowNs();
    }
    m_held.append(char(byte));
    if (event != DecodeEvent::FrameAccepted)
        return;

    const qsizetype start = qMax<qsizetype>(0, m_frameStart);
    QByteArray frame = m_held.sliced(start);
    if (start > 0) {
        m_held.truncate(start);
        flush();
    }
    m_held.clear();
    m_frameStart = -1;
    LinkTraffic entry;
    entry.kind = LinkTraffic::Kind::Answer;
    entry.wire = std::move(frame);
    entry.wallMs = m_lastByteWallMs;
    entry.steadyNs = m_lastByteSteadyNs;
    entry.awaited = awaited;
    m_sink(entry);
}
