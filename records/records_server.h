#pragma once

#include "records/record_event.h"
#include "records/records_server_address.h"

#include <QDeadlineTimer>
#include <QList>
#include <QString>
#include <QUuid>

#include <optional>

class QSqlError;
class QSqlQuery;

// Why an exchange with the records server stopped. kvctl's exit status
// follows it (records sync: 3 for the first three, 1 for EventsRefused).
enum class RecordsFailure
{
    None,
    // No connection: no answer at the address, a time-out, the server
    // shutting down or the connection lost mid-exchange.
    Unreachable,
    // The server answered and refused the user, the password or the
    // database.
    LoginRefused,
    // The server's tables belong to a newer version of this program, or
    // they are missing and this role may not make them.
    Schema,
    // The server refused events it was sent (a value it cannot hold, no
    // right to insert).
    EventsRefused,
    // The local records file cannot be read or written.
    LocalFile,
};

struct RecordsProblem
{
    RecordsFailure kind = RecordsFailure::None;
    // For people: names the server (never its password) and the reason.
    QString message;

    bool ok() const { return kind == RecordsFailure::None; }
};

// One connection to a plant's records server (PostgreSQL through Qt SQL's
// QPSQL driver), used on one thread only: the thread that made it.
//
// The server's tables (see the README's Device records section, which gives
// the same SQL for an administrator):
//   record_schema        one row: the schema version and the server's
//                        instance id, a UUID made with the tables
//   record_events        the events, unique by id; seq numbers them as they
//                        arrive and xact is the inserting transaction's id
//   certificate_numbers  a counter per year, for calibration certificates
// connect() makes them when they are missing and the role may; tables of a
// newer version are refused before anything is sent.
//
// Every call is bounded: the connect time-out (at least libpq's 2 s), the
// statement time-out, and TCP keep-alives that end a connection to a host
// that vanished. After a failure that may have left the connection unusable
// it is closed; the next connect() makes a new one.
class RecordsServer
{
public:
    static constexpr int SchemaVersion = 1;
    static constexpr int StatementTimeoutMs = 15000;
    static constexpr int MinConnectTimeoutS = 2;
    static constexpr int MaxConnectTimeoutS = 10;

    // Where pulls resume: past every event of the transactions before xact
    // and of xact itself up to seq. Rows are pulled in (xact, seq) order, and
    // only rows of transactions older than every transaction still running:
    // a transaction that commits later with a smaller seq cannot be passed
    // over, since the cursor waits for it.
    struct Cursor
    {
        quint64 xact = 0;
        qint64 seq = 0;

        QString text() const;
        static Cursor fromText(const QString& text);
        bool operator==(const Cursor&) const = default;
    };

    explicit RecordsServer(RecordsServerAddress address);
    ~RecordsServer();
    RecordsServer(const RecordsServer&) = delete;
    RecordsServer& operator=(const RecordsServer&) = delete;

    const RecordsServerAddress& address() const { return m_address; }

    // Connects when not connected and checks the tables (making them when
    // missing and allowed). The deadline bounds the connect time-out and the
    // statements, within the limits above.
    RecordsProblem connect(QDeadlineTimer deadline = QDeadlineTimer(MaxConnectTimeoutS * 1000));
    void disconnect();
    bool isConnected() const { return m_connected; }
    // The server's instance id: the pull cursor is kept per instance, so a
    // server made anew, even at the same address, is pulled from the start.
    QUuid instance() const { return m_instance; }

    // The events in one transaction; those the server has already are
    // passed over. *added: how many were new. On EventsRefused nothing of
    // the batch was kept.
    RecordsProblem push(const QList<RecordEvent>& events, int* added = nullptr);

    // Up to limit events after the cursor, which is moved past them.
    RecordsProblem pull(Cursor* cursor, int limit, QList<RecordEvent>* events);

    // The next certificate number of the plant's series for the year, from
    // 1; one statement takes and counts it, so stations taking numbers at
    // once get different ones. A number whose answer was lost is not given
    // again: the series may have a gap, never a double.
    std::optional<int> nextCertificateNumber(int year, RecordsProblem* problem);
    // The same on a connection of its own, within the deadline (the connect
    // takes at least MinConnectTimeoutS when the server does not answer).
    static std::optional<int> takeCertificateNumber(const RecordsServerAddress& address, int year,
                                                    QDeadlineTimer deadline, QString* error);

private:
    RecordsProblem checkSchema();
    RecordsProblem createSchema();
    RecordsProblem makeTables(QSqlQuery& query);
    // The failure a query's error stands for; closes the connection unless
    // the server merely refused the statement.
    RecordsProblem queryFailure(const QSqlError& error, const QString& doing);
    RecordsProblem problem(RecordsFailure kind, const QString& reason) const;

    RecordsServerAddress m_address;
    QString m_connection;
    bool m_connected = false;
    QUuid m_instance;
};
