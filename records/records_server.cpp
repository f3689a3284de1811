#include "records/records_server.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>

#include <atomic>
#include <cmath>

namespace {

// Serialises the making of the tables between stations that find them
// missing at once.
constexpr qint64 kSchemaLockKey = 0x6b767265636f7264; // "kvrecord"

// libpq's keep-alives and TCP user time-out: a server whose host vanished
// ends the connection within about this long instead of never.
constexpr int kKeepAliveIdleS = 10;
constexpr int kKeepAliveIntervalS = 5;
constexpr int kKeepAliveCount = 3;

// SQLSTATE classes that mean the connection is gone or the server is not
// serving: connection exception, insufficient resources, operator
// intervention (shut down, statement time-out), system error, internal.
const QStringList kLostClasses = {QStringLiteral("08"), QStringLiteral("53"), QStringLiteral("57"),
                                  QStringLiteral("58"), QStringLiteral("XX")};
const QString kInsufficientPrivilege = QStringLiteral("42501");

// libpq says a login was refused in these words (the server's, or libpq's
// when it has no password to give). In another language a refused login
// is reported as not reached, in the server's own words.
const QStringList kLoginRefusals = {
    QStringLiteral("authentication failed"),
    QStringLiteral("no password supplied"),
    QStringLiteral("pg_hba.conf"),
    QStringLiteral("does not exist"),
    QStringLiteral("permission denied"),
    QStringLiteral("not permitted to log in"),
    QStringLiteral("password"),
};

// The schema, one step per version: step n brings version n to n+1. The
// README gives the same SQL to a database administrator.
const QStringList& migrationSteps()
{
    static const QStringList steps = {
        QStringLiteral("CREATE TABLE record_schema ("
                       " one boolean PRIMARY KEY DEFAULT true CHECK (one),"
                       " version integer NOT NULL,"
                       " instance uuid NOT NULL DEFAULT gen_random_uuid());"
                       "CREATE TABLE record_events ("
                       " id uuid PRIMARY KEY,"
                       " seq bigint GENERATED ALWAYS AS IDENTITY,"
                       " xact xid8 NOT NULL DEFAULT pg_current_xact_id(),"
                       " received timestamptz NOT NULL DEFAULT now(),"
                       " time text NOT NULL,"
                       " utc timestamptz NOT NULL,"
                       " tag text NOT NULL,"
                       " station text NOT NULL,"
                       " user_name text NOT NULL,"
                       " program text NOT NULL,"
                       " version text NOT NULL,"
                       " port text NOT NULL,"
                       " model text NOT NULL,"
                       " firmware bigint NOT NULL,"
                       " session uuid,"
                       " kind text NOT NULL,"
                       " data jsonb NOT NULL);"
                       "CREATE INDEX record_events_pull ON record_events (xact, seq);"
                       "CREATE INDEX record_events_tag ON record_events (tag, utc);"
                       "CREATE TABLE certificate_numbers ("
                       " year integer PRIMARY KEY CHECK (year BETWEEN 2000 AND 9999),"
                       " last_number integer NOT NULL CHECK (last_number >= 0))"),
    };
    return steps;
}

const QString kPushSql = QStringLiteral(
    "INSERT INTO record_events (id, time, utc, tag, station, user_name, program, version, port, model, "
    "firmware, session, kind, data) "
    "SELECT id, time, utc, tag, station, user_name, program, version, port, model, firmware, session, kind, "
    "data FROM jsonb_to_recordset(%1::jsonb) AS r(id uuid, time text, utc timestamptz, tag text, "
    "station text, user_name text, program text, version text, port text, model text, firmware bigint, "
    "session uuid, kind text, data jsonb) "
    "ON CONFLICT (id) DO NOTHING");

// Only rows of transactions older than every running one: those can no
// longer be joined by rows that sort before them.
const QString kPullSql =
    QStringLiteral("SELECT id::text, time, tag, station, user_name, program, version, port, model, firmware, "
                   "coalesce(session::text, ''), kind, data::text, xact::text, seq FROM record_events "
                   "WHERE (xact, seq) > ('%1'::xid8, %2) AND xact < pg_snapshot_xmin(pg_current_snapshot()) "
                   "ORDER BY xact, seq LIMIT %3");

QString connectionName()
{
    static std::atomic<int> counter{0};
    return QStringLiteral("kvrecords-server-%1").arg(counter.fetch_add(1));
}

QString uuidText(const QUuid& id)
{
    return id.toString(QUuid::WithoutBraces);
}

// libpq's text on one line.
QString oneLine(QString text)
{
    static const QRegularExpression space(QStringLiteral("\\s+"));
    return text.replace(space, QStringLiteral(" ")).trimmed();
}

QString reasonOf(const QSqlError& error)
{
    const QString text = oneLine(error.databaseText());
    return text.isEmpty() ? oneLine(error.text()) : text;
}

// Letters, digits, '-' and '_' only: Qt passes the option into libpq's
// conninfo string unquoted.
QString applicationName()
{
    QString name = QCoreApplication::applicationName();
    name.removeIf([](QChar c) { return !(c.isLetterOrNumber() || c == u'-' || c == u'_'); });
    return name.isEmpty() ? QStringLiteral("kvrecords") : name;
}

QJsonObject rowOf(const RecordEvent& e)
{
    return QJsonObject{
        {QStringLiteral("id"), uuidText(e.id)},
        {QStringLiteral("time"), RecordEvent::timeText(e.time)},
        {QStringLiteral("utc"), e.time.toUTC().toString(Qt::ISODateWithMs)},
        {QStringLiteral("tag"), e.tag},
        {QStringLiteral("station"), e.station},
        {QStringLiteral("user_name"), e.user},
        {QStringLiteral("program"), e.program},
        {QStringLiteral("version"), e.version},
        {QStringLiteral("port"), e.port},
        {QStringLiteral("model"), e.model},
        {QStringLiteral("firmware"), qint64(e.firmware)},
        {QStringLiteral("session"), e.session.isNull() ? QJsonValue() : QJsonValue(uuidText(e.session))},
        {QStringLiteral("kind"), e.kind},
        {QStringLiteral("data"), e.data},
    };
}

} // namespace

QString RecordsServer::Cursor::text() const
{
    return QStringLiteral("%1 %2").arg(xact).arg(seq);
}

RecordsServer::Cursor RecordsServer::Cursor::fromText(const QString& text)
{
    const QStringList parts = text.split(u' ');
    bool xactOk = false;
    bool seqOk = false;
    Cursor cursor{parts.value(0).toULongLong(&xactOk), parts.value(1).toLongLong(&seqOk)};
    // Anything unreadable starts from the beginning: pulling twice is
    // harmless, skipping is not.
    return parts.size() == 2 && xactOk && seqOk ? cursor : Cursor{};
}

RecordsServer::RecordsServer(RecordsServerAddress address)
    : m_address(std::move(address)), m_connection(connectionName())
{}

RecordsServer::~RecordsServer()
{
    disconnect();
    if (QSqlDatabase::contains(m_connection))
        QSqlDatabase::removeDatabase(m_connection);
}

// Closed but kept: queries of the failed call may still hold the handle,
// and connect() opens it again.
void RecordsServer::disconnect()
{
    if (QSqlDatabase::contains(m_connection))
        QSqlDatabase::database(m_connection, false).close();
    m_connected = false;
}

RecordsProblem RecordsServer::problem(RecordsFailure kind, const QString& reason) const
{
    const QString server = m_address.displayText();
    switch (kind) {
    case RecordsFailure::Unreachable:
        return {kind, QStringLiteral("Cannot reach the records server %1: %2").arg(server, reason)};
    case RecordsFailure::LoginRefused:
        return {kind, QStringLiteral("The records server %1 refused the login: %2").arg(server, reason)};
    case RecordsFailure::Schema:
    case RecordsFailure::EventsRefused:
        return {kind, QStringLiteral("The records server %1 %2").arg(server, reason)};
    case RecordsFailure::LocalFile:
    case RecordsFailure::None:
        break;
    }
    return {kind, reason};
}

RecordsProblem RecordsServer::queryFailure(const QSqlError& error, const QString& doing)
{
    const QString state = error.nativeErrorCode();
    const QString reason = reasonOf(error);
    if (state.isEmpty() || kLostClasses.contains(state.left(2))) {
        disconnect();
        return problem(RecordsFailure::Unreachable, reason);
    }
    return problem(RecordsFailure::Schema, QStringLiteral("refused %1: %2").arg(doing, reason));
}

RecordsProblem RecordsServer::connect(QDeadlineTimer deadline)
{
    if (m_connected)
        return {};
    QSqlDatabase db = QSqlDatabase::contains(m_connection)
                          ? QSqlDatabase::database(m_connection, false)
                          : QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), m_connection);
    if (!db.isValid()) {
        return problem(RecordsFailure::Unreachable,
                       QStringLiteral("the PostgreSQL driver of Qt SQL is not installed (libqt6sql6-psql)"));
    }
    db.setHostName(m_address.host);
    db.setPort(m_address.port);
    db.setDatabaseName(m_address.database);
    db.setUserName(m_address.user);
    db.setPassword(m_address.password);
    const int connectTimeoutS = deadline.isForever()
                                    ? MaxConnectTimeoutS
                                    : std::clamp(int(std::ceil(double(deadline.remainingTime()) / 1000.0)),
                                                 MinConnectTimeoutS, MaxConnectTimeoutS);
    QStringList options = {
        QStringLiteral("connect_timeout=%1").arg(connectTimeoutS),
        QStringLiteral("application_name=%1").arg(applicationName()),
        QStringLiteral("keepalives=1"),
        QStringLiteral("keepalives_idle=%1").arg(kKeepAliveIdleS),
        QStringLiteral("keepalives_interval=%1").arg(kKeepAliveIntervalS),
        QStringLiteral("keepalives_count=%1").arg(kKeepAliveCount),
        QStringLiteral("tcp_user_timeout=%1").arg(StatementTimeoutMs),
    };
    if (!m_address.sslMode.isEmpty())
        options.append(QStringLiteral("sslmode=") + m_address.sslMode);
    db.setConnectOptions(options.join(u';'));
    if (!db.open()) {
        const QString reason = reasonOf(db.lastError());
        db.close();
        const bool refused = std::any_of(kLoginRefusals.begin(), kLoginRefusals.end(), [&](const QString& p) {
            return reason.contains(p, Qt::CaseInsensitive);
        });
        return problem(refused ? RecordsFailure::LoginRefused : RecordsFailure::Unreachable, reason);
    }
    m_connected = true;
    const qint64 left = deadline.isForever() ? StatementTimeoutMs : deadline.remainingTime();
    QSqlQuery query(db);
    // Notices would reach the program's standard error through libpq.
    if (!query.exec(QStringLiteral("SET statement_timeout = %1; SET client_min_messages = error")
                        .arg(std::clamp<qint64>(left, 1000, StatementTimeoutMs))))
        return queryFailure(query.lastError(), QStringLiteral("a setting"));
    const RecordsProblem schema = checkSchema();
    if (!schema.ok())
        disconnect();
    return schema;
}

RecordsProblem RecordsServer::checkSchema()
{
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    if (!query.exec(QStringLiteral("SELECT to_regclass('record_schema') IS NOT NULL")) || !query.next())
        return queryFailure(query.lastError(), QStringLiteral("to show its tables"));
    if (!query.value(0).toBool() || !query.exec(QStringLiteral("SELECT version FROM record_schema")) ||
        !query.next() || query.value(0).toInt() < SchemaVersion) {
        const RecordsProblem made = createSchema();
        if (!made.ok())
            return made;
    }
    if (!query.exec(QStringLiteral("SELECT version, instance::text FROM record_schema")) || !query.next())
        return queryFailure(query.lastError(), QStringLiteral("to read its schema version"));
    const int version = query.value(0).toInt();
    if (version > SchemaVersion)
        return problem(RecordsFailure::Schema,
                       QStringLiteral("holds records tables of version %1; this program knows version %2 "
                                      "and sends nothing there: update it. Events wait on this station.")
                           .arg(version)
                           .arg(SchemaVersion));
    m_instance = QUuid::fromString(query.value(1).toString());
    return {};
}

RecordsProblem RecordsServer::createSchema()
{
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    // The session's lock, taken before the transaction begins: a transaction
    // begun before another station's committed the tables would not see
    // them in its catalog cache, even after waiting for its lock.
    if (!query.exec(QStringLiteral("SELECT pg_advisory_lock(%1)").arg(kSchemaLockKey)))
        return queryFailure(query.lastError(), QStringLiteral("a lock"));
    const RecordsProblem made = makeTables(query);
    if (m_connected)
        query.exec(QStringLiteral("SELECT pg_advisory_unlock(%1)").arg(kSchemaLockKey));
    return made;
}

RecordsProblem RecordsServer::makeTables(QSqlQuery& query)
{
    auto failed = [&](const QString& doing) {
        const QSqlError error = query.lastError();
        query.exec(QStringLiteral("ROLLBACK"));
        const bool privilege = error.nativeErrorCode() == kInsufficientPrivilege;
        if (privilege)
            return problem(RecordsFailure::Schema,
                           QStringLiteral("has no records tables of this version and the role %1 may not "
                                          "make them (%2): a database administrator makes them with the "
                                          "SQL in the README's Device records section")
                               .arg(m_address.user.isEmpty() ? QStringLiteral("given") : m_address.user,
                                    reasonOf(error)));
        return queryFailure(error, doing);
    };
    if (!query.exec(QStringLiteral("BEGIN")))
        return queryFailure(query.lastError(), QStringLiteral("a transaction"));
    // Whoever waited for the lock finds the tables the other station made.
    int version = 0;
    if (!query.exec(QStringLiteral("SELECT to_regclass('record_schema') IS NOT NULL")) || !query.next())
        return failed(QStringLiteral("to show its tables"));
    if (query.value(0).toBool()) {
        if (!query.exec(QStringLiteral("SELECT version FROM record_schema")))
            return failed(QStringLiteral("to read its schema version"));
        version = query.next() ? query.value(0).toInt() : 0;
    }
    const bool fresh = version == 0;
    for (; version < SchemaVersion; ++version) {
        for (const QString& statement : migrationSteps().at(version).split(u';', Qt::SkipEmptyParts)) {
            if (!query.exec(statement))
                return failed(QStringLiteral("to make its records tables"));
        }
    }
    const QString stamp = fresh ? QStringLiteral("INSERT INTO record_schema (version) VALUES (%1)")
                                : QStringLiteral("UPDATE record_schema SET version = %1 WHERE version < %1");
    if (!query.exec(stamp.arg(SchemaVersion)) || !query.exec(QStringLiteral("COMMIT")))
        return failed(QStringLiteral("to make its records tables"));
    return {};
}

RecordsProblem RecordsServer::push(const QList<RecordEvent>& events, int* added)
{
    if (added)
        *added = 0;
    if (!m_connected)
        return problem(RecordsFailure::Unreachable, QStringLiteral("not connected"));
    if (events.isEmpty())
        return {};
    QJsonArray rows;
    for (const RecordEvent& e : events)
        rows.append(rowOf(e));
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    QSqlField batch(QStringLiteral("batch"), QMetaType(QMetaType::QString));
    batch.setValue(QString::fromUtf8(QJsonDocument(rows).toJson(QJsonDocument::Compact)));
    // One statement, so one transaction, and one round trip for the batch.
    QSqlQuery query(db);
    if (!query.exec(kPushSql.arg(db.driver()->formatValue(batch)))) {
        const QString state = query.lastError().nativeErrorCode();
        if (state.isEmpty() || kLostClasses.contains(state.left(2)))
            return queryFailure(query.lastError(), QString());
        return problem(RecordsFailure::EventsRefused,
                       QStringLiteral("refused events: ") + reasonOf(query.lastError()));
    }
    if (added)
        *added = query.numRowsAffected();
    return {};
}

RecordsProblem RecordsServer::pull(Cursor* cursor, int limit, QList<RecordEvent>* events)
{
    events->clear();
    if (!m_connected)
        return problem(RecordsFailure::Unreachable, QStringLiteral("not connected"));
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    if (!query.exec(kPullSql.arg(cursor->xact).arg(cursor->seq).arg(limit)))
        return queryFailure(query.lastError(), QStringLiteral("to hand out events"));
    Cursor next = *cursor;
    while (query.next()) {
        RecordEvent e;
        e.id = QUuid::fromString(query.value(0).toString());
        e.time = QDateTime::fromString(query.value(1).toString(), Qt::ISODateWithMs);
        e.tag = query.value(2).toString();
        e.station = query.value(3).toString();
        e.user = query.value(4).toString();
        e.program = query.value(5).toString();
        e.version = query.value(6).toString();
        e.port = query.value(7).toString();
        e.model = query.value(8).toString();
        e.firmware = quint32(query.value(9).toLongLong());
        e.session = QUuid::fromString(query.value(10).toString());
        e.kind = query.value(11).toString();
        e.data = QJsonDocument::fromJson(query.value(12).toString().toUtf8()).object();
        next = {query.value(13).toString().toULongLong(), query.value(14).toLongLong()};
        events->append(e);
    }
    *cursor = next;
    return {};
}

std::optional<int> RecordsServer::nextCertificateNumber(int year, RecordsProblem* problem)
{
    if (!m_connected) {
        *problem = this->problem(RecordsFailure::Unreachable, QStringLiteral("not connected"));
        return std::nullopt;
    }
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    if (!query.exec(QStringLiteral("INSERT INTO certificate_numbers (year, last_number) VALUES (%1, 1) "
                                   "ON CONFLICT (year) DO UPDATE SET last_number = "
                                   "certificate_numbers.last_number + 1 RETURNING last_number")
                        .arg(year)) ||
        !query.next()) {
        *problem = queryFailure(query.lastError(), QStringLiteral("a certificate number"));
        return std::nullopt;
    }
    *problem = {};
    return query.value(0).toInt();
}

std::optional<int> RecordsServer::takeCertificateNumber(const RecordsServerAddress& address, int year,
                                                        QDeadlineTimer deadline, QString* error)
{
    RecordsServer server(address);
    RecordsProblem problem = server.connect(deadline);
    const std::optional<int> number =
        problem.ok() ? server.nextCertificateNumber(year, &problem) : std::optional<int>();
    if (!number && error)
        *error = problem.message;
    return number;
}
