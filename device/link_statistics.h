#pragma once

#include "device/traffic_decoder.h"

#include <QObject>

#include <vector>

class TMB;

// How the line has been doing since the port was opened (or the figures
// were reset): response times, failures of every kind, bytes each way and
// how busy the line is. Fed by the link's traffic signal; it keeps a fixed
// amount of memory however long the port stays open.
class LinkStatistics : public QObject
{
    Q_OBJECT

public:
    // 8 data bits, one start and one stop bit.
    static constexpr int BitsPerCharacter = 10;
    // Response times are kept as a histogram of this resolution and range;
    // a longer time counts in the last bin (the link gives up well before).
    static constexpr qint64 BinNs = 100000;
    static constexpr double BinMs = 0.1;
    static constexpr int BinCount = 50000;

    struct Figures
    {
        // Query end (the last try written) to answer end, in ms; answers
        // refused count, late ones do not.
        quint64 responses = 0;
        double responseMinMs = 0.0;
        double responseMeanMs = 0.0;
        double responseP95Ms = 0.0;
        double responseMaxMs = 0.0;
        quint64 timeOuts = 0;
        quint64 resends = 0;
        quint64 refused = 0;
        quint64 crcOrFormatErrors = 0;
        quint64 lateAnswers = 0;
        quint64 bytesSent = 0;
        quint64 bytesReceived = 0;
        // Seconds counted, and the share (0..1) of them the line carried
        // characters at the given rate.
        double seconds = 0.0;
        double utilisation = 0.0;
    };

    // Follows `mb` from now on: counts its traffic and starts afresh each
    // time its port opens.
    explicit LinkStatistics(TMB& mb, QObject* parent = nullptr);

    void take(const TrafficDecoder::Record& record);
    // Clears every figure; counting starts again now.
    void reset();
    // The figures as of now; utilisation against `baudRate` bits per second.
    Figures figures(quint32 baudRate) const;

signals:
    // Figures were reset (by the user or a port opening).
    void wasReset();

private:
    void portOpenedOrClosed(bool open);
    double percentileMs(double share) const;

    TrafficDecoder m_decoder;
    Figures m_counts;
    std::vector<quint32> m_histogram = std::vector<quint32>(BinCount, 0);
    double m_responseSumMs = 0.0;
    qint64 m_lastQueryNs = -1;
    qint64 m_startNs = 0;
    // While the port is closed the clock stands still.
    qint64 m_stopNs = -1;
};
