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
    // Gaps between blocks longer than the interval, one after the other,
    // that show the link cannot keep to it: one alone is a retry.
    static constexpr int SlowGapsToNote = 3;

    LiveRun(Console& console, const Invocation& invocation, const TransmitterSession::Timing& timing,
            QObject* parent = nullptr);

    ExitCode run();
    // Ctrl+C: ends after the rows written so far.
    void interrupt();

private:
    void onBlock(const LiveValues& values);
    // Says once when the link delivers blocks more slowly than the rows
    // were asked for, rather than leaving the user to find out from the
    // times.
    void notePace(qint64 nowMs);

    Console& m_console;
    const Invocation& m_invocation;
    LiveLog m_log;
    TransmitterSession m_session;
    QElapsedTimer m_clock;
    // When the next row is due, on the clock; rows keep to a grid of the
    // interval, so that slow blocks do not make the rows drift.
    qint64 m_nextRowMs = 0;
    qint64 m_lastBlockMs = -1;
    int m_slowGaps = 0;
    bool m_paceNoted = false;
    QString m_writeError;
    bool m_interrupted = false;
};
