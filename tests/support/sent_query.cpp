#include "tests/support/sent_query.h"

#include "device/device_command.h"

QList<quint8> commandsOf(const QList<SentQuery>& sent, qsizetype from)
{
    QList<quint8> out;
    for (qsizetype i = from; i < sent.size(); ++i)
        out.append(sent.at(i).command);
    return out;
}

QList<quint8> requestsOf(const QList<SentQuery>& sent, qsizetype from)
{
    QList<quint8> out = commandsOf(sent, from);
    out.removeIf([](quint8 c) { return c == CmdIdentify || c == CmdReadLiveValues; });
    return out;
}

int liveCount(const QList<SentQuery>& sent)
{
    return int(commandsOf(sent).count(quint8(CmdReadLiveValues)));
}
