#pragma once

#include "link/link_traffic.h"

#include <QList>
#include <QString>

// Reads the link's traffic as the transmitter's conversation: which command
// a frame carries, whether an answer was refused or came too late to be
// used, and, on demand, the fields of the live and settings blocks. Kept
// apart from the windows so the log and the statistics judge alike.
//
// take() follows the conversation: an answer counts as late (and ignored by
// the communication task) when no query waited for it or when it answers
// another command than the latest query's.
class TrafficDecoder
{
public:
    enum class Status : quint8
    {
        Sent,
        Resent,
        Ok,
        Refused,
        LateIgnored,
        NoAnswer, // a try timed out, another follows
        TimeOut,  // the last try timed out
        CrcError,
        FormatError,
    };

    // One entry of the traffic, judged.
    struct Record
    {
        LinkTraffic entry;
        Status status = Status::Sent;
        // Address, ID, command and status byte of a framed entry; -1 when
        // the entry carries no frame.
        int address = -1;
        int id = -1;
        int command = -1;
        int answerStatus = -1;
        // A query for, or an answer of, the live block: the bulk of polling.
        bool livePoll = false;
    };

    // The words of the line in one language. English by default.
    struct Texts
    {
        QString query = QStringLiteral("TX");
        QString answer = QStringLiteral("RX");
        QString ok = QStringLiteral("OK");
        QString refused = QStringLiteral("refused (%1)");
        QString timeOut = QStringLiteral("time-out");
        QString noAnswer = QStringLiteral("no answer (try %1)");
        QString crcError = QStringLiteral("CRC error");
        QString formatError = QStringLiteral("format error");
        QString late = QStringLiteral("late answer ignored");
        QString resent = QStringLiteral("resend (try %1)");
    };

    struct Field
    {
        QString name;
        QString value;
    };

    Record take(const LinkTraffic& entry);
    // Forget the conversation (a port opened anew).
    void reset();

    // "14:03:07.250"
    static QString timeText(qint64 wallMs);
    // The bytes as they went over the line; anything unprintable as \xNN.
    static QString wireText(const QByteArray& wire);
    // "CmdReadLiveValues (1)"; the number alone for a code that is no command.
    static QString commandText(int command);
    static QString statusText(const Record& record, const Texts& texts);
    // TX, RX, or nothing for a try without answer.
    static QString directionText(const Record& record, const Texts& texts);
    // "1/34": address and ID; empty without a frame.
    static QString deviceText(const Record& record);
    // Whether fields() may have something to show, without decoding.
    static bool hasFields(const Record& record);
    // time, direction, frame, command, "address/ID", status; tab-separated.
    static QString line(const Record& record, const Texts& texts);
    // The parameter or result block of a live, settings read or settings
    // write frame, field by field; nothing for other frames or a block too
    // short for its fields.
    static QList<Field> fields(const Record& record);

private:
    int m_pendingCommand = -1;
};
