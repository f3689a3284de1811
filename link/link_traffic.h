#pragma once

#include <QByteArray>
#include <QMetaType>

// One thing that happened on the line of a master, as TMB::traffic reports
// it to observers (a traffic log, link statistics). Plain data: observers
// keep copies; the wire bytes are shared, not copied.
struct LinkTraffic
{
    enum class Kind : quint8
    {
        // A query written to the line: the first send (tryNumber 1) or a resend.
        Query,
        // A frame the decoder accepted while a master mode was receiving.
        Answer,
        // Received bytes no frame could be made of: a CRC or framing error,
        // noise, a frame cut short. All the bytes between two good frames (or
        // up to the next query, resend or close) make one such entry.
        BadInput,
        // The answer timer of a try ran out; `finalTry` ends the transaction.
        NoAnswer,
    };

    Kind kind = Kind::Query;
    // Exactly the bytes sent or received, framing characters included.
    QByteArray wire;
    // Wall-clock time of the event (ms since the epoch) for the log...
    qint64 wallMs = 0;
    // ...and a steady clock (ns, arbitrary origin) for intervals.
    qint64 steadyNs = 0;
    // Query and NoAnswer: which send of the query (from 1).
    quint8 tryNumber = 0;
    // Answer: a query was waiting for an answer when it arrived.
    bool awaited = false;
    // NoAnswer: the tries are used up, the transaction ended with a time-out.
    bool finalTry = false;
};

Q_DECLARE_METATYPE(LinkTraffic)
