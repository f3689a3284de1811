#pragma once

#include "records/records_exchange.h"

#include <QDateTime>
#include <QObject>
#include <QString>

#include <atomic>
#include <memory>

class QThread;
class QTimer;
class RecordStore;
class RecordsSyncWorker;

// What the window shows of the exchange with the plant's server.
struct RecordsSyncStatus
{
    // A server is configured (its address may still be wrong: lastError).
    bool configured = false;
    // The server's address without its password; empty without one.
    QString server;
    // Events of this file that the server has not taken yet.
    int waiting = 0;
    // Why the last exchange stopped; None and an empty text when it went
    // through.
    RecordsFailure failure = RecordsFailure::None;
    QString lastError;
    // When an exchange last went through; invalid before the first.
    QDateTime lastExchange;
    // Events of other stations the last exchange brought.
    int lastPulled = 0;

    bool operator==(const RecordsSyncStatus&) const = default;
};

// The background exchange of one records file with the plant's server.
//
// Threading: RecordsSync lives on the user-interface thread; start() runs
// a RecordsSyncWorker on a QThread of its own, with its own RecordStore on
// the same file (SQLite serialises the writers) and its own server
// connection, both opened and closed on that thread. The window never waits
// on the network: poke() and stop() only post or set flags, and status
// arrives by queued signal. The worker pushes what waits, a batch at a
// time, then pulls, every interval and whenever poked (pokes that arrive
// during an exchange make one more).
//
// Failure contract: nothing the worker meets is fatal. A server that cannot
// be reached, refuses the login or has newer tables leaves the events
// waiting in the file; the status says why, and the next interval or poke
// tries again. Every network call is bounded (RecordsServer's time-outs).
//
// Shutdown: stop() sets the stop flag, which the worker reads between
// batches and pages, and waits at most waitMs for the thread. A worker
// still inside a network call then is left to finish it (at most about
// RecordsServer::MaxConnectTimeoutS or StatementTimeoutMs): its thread
// quits and deletes itself afterwards, and stop() returns false. A program
// that must exit before that leaves with std::_Exit once its own files are
// written; what the worker had not committed stays waiting in the file.
class RecordsSync : public QObject
{
    Q_OBJECT

public:
    static constexpr int DefaultIntervalMs = 30000;
    static constexpr int StopWaitMs = 1000;

    struct Options
    {
        QString databasePath;
        // The address as configured (recordslocation::server()); empty: no
        // server, and no thread is started.
        QString serverUrl;
        int intervalMs = DefaultIntervalMs;
        int batchSize = RecordsExchange::DefaultBatchSize;
    };

    explicit RecordsSync(Options options, QObject* parent = nullptr);
    // stop(StopWaitMs).
    ~RecordsSync() override;

    void start();
    // An event was recorded: exchange now rather than at the next interval.
    void poke();
    // True when the worker's thread ended within waitMs.
    bool stop(int waitMs = StopWaitMs);

    const RecordsSyncStatus& status() const { return m_status; }

signals:
    void statusChanged(const RecordsSyncStatus& status);
    // Events of other stations arrived in the file: histories may have grown.
    void pulled(int count);

private:
    void takeStatus(const RecordsSyncStatus& status);

    Options m_options;
    RecordsSyncStatus m_status;
    QThread* m_thread = nullptr;
    RecordsSyncWorker* m_worker = nullptr;
};

// The part of RecordsSync that runs on its thread. Made, moved and ended by
// RecordsSync only.
class RecordsSyncWorker : public QObject
{
    Q_OBJECT

public:
    RecordsSyncWorker(QString databasePath, RecordsServerAddress address, int intervalMs, int batchSize);
    ~RecordsSyncWorker() override;

    // Any thread.
    void requestStop() { m_stop = true; }
    void requestExchange();

    // On the worker's thread: opens the file and the first exchange.
    void begin();

signals:
    void statusChanged(const RecordsSyncStatus& status);
    void pulled(int count);

private:
    void exchange();
    void publish();

    QString m_databasePath;
    RecordsServerAddress m_address;
    int m_intervalMs;
    int m_batchSize;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_exchangeAsked{false};
    std::unique_ptr<RecordStore> m_store;
    std::unique_ptr<RecordsServer> m_server;
    std::unique_ptr<RecordsExchange> m_exchange;
    QTimer* m_timer = nullptr;
    RecordsSyncStatus m_status;
};

// kvctl's last step after a command that recorded: one push of what waits
// in the file, on a thread of its own, within budgetMs.
namespace recordssync {

inline constexpr int ExitPushBudgetMs = 5000;

struct ExitPush
{
    // False: the push was still inside a network call when the budget ran
    // out. Its thread is left running; the caller must end the process with
    // std::_Exit (what was not committed waits for the next push).
    bool finished = false;
    RecordsExchange::Result result;
};

ExitPush pushBeforeExit(const QString& databasePath, const RecordsServerAddress& address,
                        int budgetMs = ExitPushBudgetMs);

} // namespace recordssync
