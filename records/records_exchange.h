#pragma once

#include "records/records_server.h"

#include <QDeadlineTimer>
#include <QHash>
#include <QUuid>

#include <atomic>

class RecordStore;

// One station's records file and a server, exchanging: push sends the
// events that wait in the file, oldest first, a batch a transaction, and
// marks them sent only after the server committed them; pull brings the
// events the file lacks, keeping the server's cursor in the file's sync
// values (per server instance).
//
// Nothing is lost and nothing doubled whatever breaks: a batch the server
// did not commit stays waiting; one it committed but whose answer was lost
// also stays waiting, and the next push passes over it on the server (the
// id is the key); a pulled page is merged before the cursor moves past it.
//
// An event the server refuses (a batch is retried an event at a time to
// find it) stays waiting and is passed over for this object's lifetime, so
// that it does not hold back the events behind it.
//
// Uses the store and the server on the caller's thread; both must be
// opened there. stop (may be null) is read between batches and pages.
class RecordsExchange
{
public:
    static constexpr int DefaultBatchSize = 500;
    static constexpr int PullPageSize = 1000;

    struct Result
    {
        // The first problem met; events refused do not stop the pull.
        RecordsProblem problem;
        int pushed = 0;  // events the server committed (or had already)
        int refused = 0; // events it refused in this call
        int pulled = 0;  // events new to the file
        int waiting = 0; // events still waiting afterwards
    };

    RecordsExchange(RecordStore* store, RecordsServer* server, int batchSize = DefaultBatchSize);

    Result push(QDeadlineTimer deadline, const std::atomic<bool>* stop = nullptr);
    Result pull(QDeadlineTimer deadline, const std::atomic<bool>* stop = nullptr);
    // Push, then pull unless the server could not be used.
    Result exchange(QDeadlineTimer deadline, const std::atomic<bool>* stop = nullptr);

    // The sync value that holds the pull cursor of a server instance.
    static QString cursorKey(const QUuid& instance);

private:
    bool stopping(QDeadlineTimer deadline, const std::atomic<bool>* stop) const;
    RecordsProblem localProblem(const QString& reason) const;
    // Sends events one at a time after their batch was refused.
    RecordsProblem pushEach(const QList<RecordEvent>& events, Result* result);

    RecordStore* m_store;
    RecordsServer* m_server;
    int m_batchSize;
    // Refused events and why, passed over from then on.
    QHash<QUuid, QString> m_refused;
};
