#pragma once

#include <QString>

#include <condition_variable>
#include <mutex>
#include <thread>

// Copies a records file's write-ahead log into the file on a thread of its
// own. A checkpoint waits for the disk twice (the log synced, then the
// file); made by the connection that commits, as SQLite does by default
// every thousand pages, it costs the thread that recorded an event several
// milliseconds now and then. The window's store leaves checkpoints alone
// (RecordStore::setAutoCheckpoint(false)) and tells this one when it wrote.
//
// A checkpoint here is PASSIVE: it never holds up a writer or a reader of
// the file, and copies what no reader still needs; the next one takes the
// rest. The log is reused once all of it is in the file.
//
// Threading: noteWritten() may be called from any thread; the checkpoints
// run on the object's own thread with a connection of their own, at most
// one per interval and only after something was written. The destructor
// stops the thread and waits for a checkpoint under way.
class RecordCheckpointer
{
public:
    static constexpr int DefaultIntervalMs = 5000;

    explicit RecordCheckpointer(QString path, int intervalMs = DefaultIntervalMs);
    ~RecordCheckpointer();
    RecordCheckpointer(const RecordCheckpointer&) = delete;
    RecordCheckpointer& operator=(const RecordCheckpointer&) = delete;

    // Something was committed: a checkpoint is due within the interval.
    void noteWritten();
    // Checkpoints that ran to the end, the log all copied.
    int completed() const;

private:
    void run();

    QString m_path;
    int m_intervalMs = DefaultIntervalMs;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_due = false;
    bool m_stop = false;
    int m_completed = 0;
    std::thread m_thread;
};
