#pragma once

#include <QByteArray>
#include <QList>

// One query a test transmitter got: its command and its data.
struct SentQuery
{
    quint8 command = 0;
    QByteArray data;
};

// Commands of the queries from `from` on.
QList<quint8> commandsOf(const QList<SentQuery>& sent, qsizetype from = 0);
// The same without identifications and live polls.
QList<quint8> requestsOf(const QList<SentQuery>& sent, qsizetype from = 0);
// How many live polls came.
int liveCount(const QList<SentQuery>& sent);
