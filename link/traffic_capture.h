#pragma once

#include "link/decode_event.h"
#include "link/link_traffic.h"

#include <functional>

// What TMB's master modes send and receive, cut into LinkTraffic entries for
// the engine's `traffic` signal. The engine calls it only while someone
// listens, so an unobserved link pays nothing but that check.
//
// Received bytes are held until they make a frame the decoder accepts; what
// came before that frame's start, and whatever is still held when a query
// goes out, a try times out or the port closes, is one BadInput entry. So
// a damaged answer counts once however its damage upsets the decoder.
class TrafficCapture
{
public:
    using Sink = std::function<void(const LinkTraffic&)>;

    explicit TrafficCapture(Sink sink) : m_sink(std::move(sink)) {}

    void querySent(const QByteArray& wire, quint8 tryNumber);
    // One received byte and what it did to the decoder; `awaited`: an answer
    // timer is running.
    void byteReceived(quint8 byte, DecodeEvent event, bool awaited);
    void answerMissed(quint8 tryNumber, bool finalTry);
    // Reports held bytes as bad input (port closing, mode change).
    void flush();

    static qint64 steadyNowNs();
    static qint64 wallNowMs();

private:
    void emitEntry(LinkTraffic::Kind kind, QByteArray wire, qint64 wallMs, qint64 steadyNs);

    Sink m_sink;
    QByteArray m_held;
    // Times of the latest byte that started, ended or broke a frame.
    // Where the frame being received starts in m_held; -1 outside a frame.
    qsizetype m_frameStart = -1;
    qint64 m_lastByteWallMs = 0;
    qint64 m_lastByteSteadyNs = 0;
};
