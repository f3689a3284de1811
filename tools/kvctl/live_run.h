#pragma once

#include "tools/kvctl/exit_code.h"
#include "tools/kvctl/live_log.h"
#include "tools/kvctl/transmitter_session.h"

#include <QElapsedTimer>
#include <QObject>

class Console;
struct Invocation;

// `kvctl live`: one transmitter's live blocks as rows, one a block or one
// an interval, until the count is reached, the user interrupts (a clean
// end: the rows so far are complete) or the transmitter fails.
class LiveRun : public QObject
{
    Q_OBJECT

public:
    LiveRun(Console& console, const Invocation& invocation, QObject* parent = nullptr);

    ExitCode run();
    // Ctrl+C: ends after the rows written so far.
    void interrupt();

private:
    void onBlock(const LiveValues& values);

    Console& m_console;
    const Invocation& m_invocation;
    LiveLog m_log;
    TransmitterSession m_session;
    QElapsedTimer m_clock;
    // When the next row is due, on the clock; rows keep to a grid of the
    // interval, so that slow blocks do not make the rows drift.
    qint64 m_nextRowMs = 0;
    QString m_writeError;
    bool m_interrupted = false;
};
