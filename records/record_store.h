#pragma once

#include "records/record_event.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QUuid>

#include <optional>

class QSqlQuery;

// The device records of this machine: one SQLite file that kvconf and kvctl
// share (and, with a plant's server, the other stations' events pulled into
// it). Write-ahead log; append() returns once the event is committed, so a
// program killed after an action it reported loses nothing it recorded.
//
// A file that is not a records database, or one damaged, is never written:
// the store says why (message(), naming the file) and stays unusable. A file
// of a newer schema than this program knows is opened for reading only.
//
// Threading: a store is one connection, used only on the thread that opened
// it; another thread opens a store of its own on the same file (SQLite
// serialises the writers; a busy file is waited for up to BusyTimeoutMs).
class RecordStore
{
public:
    static constexpr int SchemaVersion = 2;
    static constexpr int BusyTimeoutMs = 5000;
    static constexpr const char* FileName = "records.sqlite";

    enum class State
    {
        Closed,
        Open,     // reading and writing
        ReadOnly, // a newer schema: history only
        Unusable, // not a records database, damaged, or cannot be opened
    };

    explicit RecordStore(QString path);
    ~RecordStore();
    RecordStore(const RecordStore&) = delete;
    RecordStore& operator=(const RecordStore&) = delete;

    // Opens the file, making it and its folder when missing and bringing an
    // older schema up to date. False when it is not open for writing (see
    // state() and message()).
    bool open();
    void close();

    // Off: this connection never copies the write-ahead log into the file;
    // a RecordCheckpointer does, on a thread that may wait for the disk.
    // On (SQLite's default): a commit that finds the log long does.
    bool setAutoCheckpoint(bool on);

    const QString& path() const { return m_path; }
    State state() const { return m_state; }
    bool canWrite() const { return m_state == State::Open; }
    bool canRead() const { return m_state == State::Open || m_state == State::ReadOnly; }
    // Why the records are read-only or off, naming the file; empty when open.
    const QString& message() const { return m_message; }

    // An event made here; it waits for the server afterwards. True once it
    // is committed. A failure leaves the file as it was.
    bool append(const RecordEvent& event, QString* error = nullptr);
    // Events from the server; those already here are skipped. The number
    // that were new, or -1 on failure (nothing of the batch kept).
    int mergePulled(const QList<RecordEvent>& events, QString* error = nullptr);

    // The events of a tag, newest first ("" for the untagged ones), with the
    // events given the tag later; offset and limit page through it (-1: all).
    QList<RecordEvent> history(const QString& tag, int offset = 0, int limit = -1) const;
    int historySize(const QString& tag) const;
    // Every tag with events, sorted.
    QStringList tags() const;
    std::optional<RecordEvent> event(const QUuid& id) const;
    // The events that name this one as what they follow up (the read-back or
    // the failure that settles a write), oldest first.
    QList<RecordEvent> followUps(const QUuid& id) const;

    // Events made here that the server has not taken yet, oldest first.
    QList<RecordEvent> waiting(int limit) const;
    int waitingCount() const;
    bool markPushed(const QList<QUuid>& ids, QString* error = nullptr);

    // Small state of the server exchange (the pull's position, per server).
    QString syncValue(const QString& key) const;
    bool setSyncValue(const QString& key, const QString& value, QString* error = nullptr);

    // The next number of a series of certificates this station issues (per
    // scope and year, from 1); 0 on failure.
    int nextCertificateNumber(const QString& scope, int year, QString* error = nullptr);

    // The id an event follows up, from its kind's fields; null for none.
    static QUuid referredId(const RecordEvent& event);

private:
    bool fail(const QString& message);
    bool migrate(int from);
    bool insert(const RecordEvent& event, bool local, bool* added, QString* error);
    bool exec(QSqlQuery& query, QString* error) const;
    // A failure that shows the file is damaged turns the store off.
    void noteFailure(const QSqlQuery& query) const;
    QList<RecordEvent> events(QSqlQuery& query) const;

    QString m_path;
    QString m_connection;
    // A damaged page found while reading turns even a const store off.
    mutable State m_state = State::Closed;
    mutable QString m_message;
};
