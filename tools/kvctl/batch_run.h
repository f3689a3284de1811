#pragma once

#include "app/settings_file.h"
#include "tools/kvctl/exit_code.h"
#include "tools/kvctl/transmitter_session.h"

#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class Console;

// One job on several ports at once: a session a port, all on this thread,
// each waiting on its own line, so that N transmitters take about as long as
// one. A result line a port as each ends, then a summary.
class BatchRun : public QObject
{
    Q_OBJECT

public:
    // What to say about a session that ended Done: the rest of its line.
    using DoneText = std::function<QString(const TransmitterSession&)>;

    // records: a port's device records, in the order of ports (missing ones
    // record nothing).
    BatchRun(Console& console, TransmitterSession::Job job, const QStringList& ports,
             const TransmitterSession::Timing& timing, const QList<TransmitterSession::Records>& records = {},
             QObject* parent = nullptr);

    // Write: the settings file's values for every port, and the file's path
    // and bytes for the records.
    void setFileValues(const SettingsFileValues& values, const QString& path = QString(),
                       const QByteArray& bytes = QByteArray());

    // Runs every session to its end; notes and a line a port as they end.
    void run(const DoneText& doneText);
    // Ends the sessions still running (Ctrl+C).
    void interrupt();

    const std::vector<std::unique_ptr<TransmitterSession>>& sessions() const { return m_sessions; }
    // "3 verified, 1 failed, 1 port error".
    QString summary(const QString& doneWord) const;
    ExitCode exitCode() const;

private:
    void ended(TransmitterSession& session, const DoneText& doneText);

    Console& m_console;
    std::vector<std::unique_ptr<TransmitterSession>> m_sessions;
    int m_running = 0;
};
