#pragma once

#include "tools/kvctl/exit_code.h"
#include "tools/kvctl/transmitter_session.h"

#include <QObject>

class Console;
struct Invocation;

// kvctl commission: a plan's rows, each a transmitter on a port with its
// tag and settings file. The whole plan is checked first (CommissionPlan,
// and every file read for its model); then the rows that are not done
// already run at once, on this thread, each as kvctl write runs; every step
// is recorded under the row's tag. A row that ends verified gets a settings
// certificate, made on a worker thread with a records connection of its
// own, so that writing PDFs never holds up the links of the rows still
// running. One line a row as it ends, then a summary table.
//
// Exit status as for write; 2 for a plan refused before anything was sent.
class CommissionRun : public QObject
{
    Q_OBJECT

public:
    CommissionRun(Console& console, const Invocation& invocation, const TransmitterSession::Timing& timing,
                  QObject* parent = nullptr);

    ExitCode run();
    // Ctrl+C: the rows still running end as interrupted.
    void interrupt();

private:
    Console& m_console;
    const Invocation& m_invocation;
    TransmitterSession::Timing m_timing;
    bool m_interrupted = false;
    std::function<void()> m_interruptRunning;
};
