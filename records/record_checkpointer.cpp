#include "records/record_checkpointer.h"

#include "records/record_store.h"

#include <QSqlDatabase>
#include <QSqlQuery>

#include <atomic>
#include <chrono>

namespace {

QString connectionName()
{
    static std::atomic<int> counter{0};
    return QStringLiteral("kvrecords-checkpoint-%1").arg(counter.fetch_add(1));
}

} // namespace

RecordCheckpointer::RecordCheckpointer(QString path, int intervalMs)
    : m_path(std::move(path)), m_intervalMs(intervalMs), m_thread([this] { run(); })
{}

RecordCheckpointer::~RecordCheckpointer()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_one();
    m_thread.join();
}

void RecordCheckpointer::noteWritten()
{
    const std::lock_guard lock(m_mutex);
    m_due = true;
}

int RecordCheckpointer::completed() const
{
    const std::lock_guard lock(m_mutex);
    return m_completed;
}

void RecordCheckpointer::run()
{
    const QString name = connectionName();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(m_path);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(RecordStore::BusyTimeoutMs));
        std::unique_lock lock(m_mutex);
        while (!m_stop) {
            m_wake.wait_for(lock, std::chrono::milliseconds(m_intervalMs), [this] { return m_stop; });
            if (m_stop || !m_due)
                continue;
            m_due = false;
            lock.unlock();
            // Opened at the first checkpoint: a file the store found
            // unusable is never opened here.
            QSqlQuery query(db);
            const bool done = (db.isOpen() || db.open()) &&
                              query.exec(QStringLiteral("PRAGMA wal_checkpoint(PASSIVE)")) && query.next() &&
                              query.value(0).toInt() == 0 && query.value(1).toInt() == query.value(2).toInt();
            lock.lock();
            // Frames still needed by a reader: the next round takes them.
            if (done)
                ++m_completed;
            else
                m_due = true;
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}
