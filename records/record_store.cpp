#include "records/record_store.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <atomic>

namespace {

constexpr QByteArrayView kSqliteHeader("SQLite format 3\0", 16);

// SQLite's result codes that mean the file itself is bad, not the moment.
constexpr int kSqliteCorrupt = 11;
constexpr int kSqliteNotADatabase = 26;

// The kinds' fields that name the event they follow up.
constexpr const char* kReferringFields[] = {"afterWrite", "write"};

const QString kColumns = QStringLiteral("e.id, e.time, e.tag, e.station, e.user, e.program, e.version, "
                                        "e.port, e.model, e.firmware, e.session, e.kind, "
                                        "e.data");

QString uuidText(const QUuid& id)
{
    return id.toString(QUuid::WithoutBraces);
}

// Qt binds a null string as SQL NULL; the columns hold "" for nothing.
QVariant text(const QString& value)
{
    return value.isNull() ? QVariant(QStringLiteral("")) : QVariant(value);
}

QString connectionName()
{
    static std::atomic<int> counter{0};
    return QStringLiteral("kvrecords-%1").arg(counter.fetch_add(1));
}

// The schema, one step per version: step n brings version n-1 to n.
const QStringList& migrationSteps()
{
    static const QStringList steps = {
        QStringLiteral(
            "CREATE TABLE events (id TEXT PRIMARY KEY NOT NULL, time TEXT NOT NULL, utc_ms INTEGER NOT NULL, "
            "tag TEXT NOT NULL, station TEXT NOT NULL, user TEXT NOT NULL, program TEXT NOT NULL, "
            "version TEXT NOT NULL, port TEXT NOT NULL, model TEXT NOT NULL, firmware INTEGER NOT NULL, "
            "session TEXT NOT NULL, kind TEXT NOT NULL, refers TEXT NOT NULL, data TEXT NOT NULL);"
            "CREATE INDEX events_refers ON events(refers) WHERE refers <> '';"
            // Which history an event shows in: its own tag, or the latest tag
            // given to it afterwards (assigned_ms orders the givings).
            "CREATE TABLE event_tags (event_id TEXT PRIMARY KEY NOT NULL, tag TEXT NOT NULL, "
            "utc_ms INTEGER NOT NULL, assigned_ms INTEGER NOT NULL);"
            // Events of one millisecond keep the order they were added in (rowid).
            "CREATE INDEX event_tags_history ON event_tags(tag, utc_ms);"
            // A tag given to events not here yet (pulled before them).
            "CREATE TABLE pending_tags (event_id TEXT PRIMARY KEY NOT NULL, tag TEXT NOT NULL, "
            "assigned_ms INTEGER NOT NULL);"
            "CREATE TABLE outbox (seq INTEGER PRIMARY KEY AUTOINCREMENT, event_id TEXT NOT NULL UNIQUE);"
            "CREATE TABLE sync_state (key TEXT PRIMARY KEY NOT NULL, value TEXT NOT NULL);"),
        // Certificates numbered by this station, without a plant's server.
        QStringLiteral("CREATE TABLE certificate_numbers (scope TEXT NOT NULL, year INTEGER NOT NULL, "
                       "last INTEGER NOT NULL, PRIMARY KEY (scope, year));"),
    };
    return steps;
}

} // namespace

RecordStore::RecordStore(QString path) : m_path(std::move(path)), m_connection(connectionName()) {}

RecordStore::~RecordStore()
{
    close();
}

void RecordStore::close()
{
    if (QSqlDatabase::contains(m_connection)) {
        QSqlDatabase::database(m_connection, false).close();
        QSqlDatabase::removeDatabase(m_connection);
    }
    if (m_state != State::Unusable)
        m_state = State::Closed;
}

bool RecordStore::fail(const QString& message)
{
    close();
    m_state = State::Unusable;
    m_message =
        QStringLiteral("Device records are off: %1: %2").arg(QDir::toNativeSeparators(m_path), message);
    return false;
}

bool RecordStore::open()
{
    close();
    m_message.clear();
    m_state = State::Closed;

    const QFileInfo info(m_path);
    if (info.exists() && !info.isFile())
        return fail(QStringLiteral("not a file"));
    if (info.exists() && info.size() > 0) {
        QFile file(m_path);
        if (!file.open(QIODevice::ReadOnly))
            return fail(file.errorString());
        if (file.read(kSqliteHeader.size()) != kSqliteHeader)
            return fail(QStringLiteral("not a records database; it was left unchanged"));
    }
    if (!QDir().mkpath(info.absolutePath()))
        return fail(QStringLiteral("its folder cannot be made"));

    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    if (!db.isValid())
        return fail(QStringLiteral("the SQLite driver of Qt SQL is not installed"));
    db.setDatabaseName(m_path);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(BusyTimeoutMs));
    if (!db.open())
        return fail(db.lastError().text());

    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("PRAGMA user_version")) || !query.next())
        return fail(query.lastError().text());
    const int version = query.value(0).toInt();
    if (version > SchemaVersion) {
        // Another program's newer file: read what it holds, write nothing.
        query.exec(QStringLiteral("PRAGMA query_only = 1"));
        m_state = State::ReadOnly;
        m_message =
            QStringLiteral("Device records are read-only: %1 was made by a newer version of this program "
                           "(schema %2, this one knows %3).")
                .arg(QDir::toNativeSeparators(m_path))
                .arg(version)
                .arg(SchemaVersion);
        return false;
    }
    // Durable against the program dying at any point; only a power failure
    // can take the last commits back, and the calibration journal is synced
    // for those.
    if (!query.exec(QStringLiteral("PRAGMA journal_mode = WAL")) ||
        !query.exec(QStringLiteral("PRAGMA synchronous = NORMAL")))
        return fail(query.lastError().text());
    if (version < SchemaVersion && !migrate(version))
        return false;
    m_state = State::Open;
    return true;
}

bool RecordStore::migrate(int from)
{
    QSqlDatabase db = QSqlDatabase::database(m_connection);
    QSqlQuery query(db);
    // IMMEDIATE: of two programs starting at once on a new file, one waits
    // and then finds the schema made.
    if (!query.exec(QStringLiteral("BEGIN IMMEDIATE")))
        return fail(query.lastError().text());
    if (!query.exec(QStringLiteral("PRAGMA user_version")) || !query.next()) {
        const QString error = query.lastError().text();
        query.exec(QStringLiteral("ROLLBACK"));
        return fail(error);
    }
    int version = query.value(0).toInt();
    if (version != from && version > SchemaVersion) {
        query.exec(QStringLiteral("ROLLBACK"));
        return open();
    }
    for (; version < SchemaVersion; ++version) {
        for (const QString& statement : migrationSteps().at(version).split(u';', Qt::SkipEmptyParts)) {
            if (!query.exec(statement)) {
                const QString error = query.lastError().text();
                query.exec(QStringLiteral("ROLLBACK"));
                return fail(error);
            }
        }
    }
    if (!query.exec(QStringLiteral("PRAGMA user_version = %1").arg(SchemaVersion)) ||
        !query.exec(QStringLiteral("COMMIT"))) {
        const QString error = query.lastError().text();
        query.exec(QStringLiteral("ROLLBACK"));
        return fail(error);
    }
    return true;
}

bool RecordStore::setAutoCheckpoint(bool on)
{
    if (!canWrite())
        return false;
    // SQLite's default length of the log, in pages, before a commit copies it.
    static constexpr int kDefaultPages = 1000;
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    return query.exec(QStringLiteral("PRAGMA wal_autocheckpoint = %1").arg(on ? kDefaultPages : 0));
}

QUuid RecordStore::referredId(const RecordEvent& event)
{
    for (const char* field : kReferringFields) {
        const QUuid id = QUuid::fromString(event.data.value(QLatin1StringView(field)).toString());
        if (!id.isNull())
            return id;
    }
    return QUuid();
}

void RecordStore::noteFailure(const QSqlQuery& query) const
{
    const int code = query.lastError().nativeErrorCode().toInt();
    if (code == kSqliteCorrupt || code == kSqliteNotADatabase) {
        m_state = State::Unusable;
        m_message = QStringLiteral("Device records are off: %1 is damaged: %2")
                        .arg(QDir::toNativeSeparators(m_path), query.lastError().text());
    }
}

bool RecordStore::exec(QSqlQuery& query, QString* error) const
{
    if (query.exec())
        return true;
    noteFailure(query);
    if (error)
        *error = query.lastError().text();
    return false;
}

bool RecordStore::insert(const RecordEvent& e, bool local, bool* added, QString* error)
{
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    const qint64 utcMs = e.time.toMSecsSinceEpoch();
    const QString id = uuidText(e.id);

    QSqlQuery q(db);
    // Only a second copy of the same event is passed over; any other
    // constraint the row breaks is an error.
    q.prepare(
        QStringLiteral("INSERT INTO events (id, time, utc_ms, tag, station, user, program, version, "
                       "port, model, firmware, session, kind, refers, data) "
                       "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?) ON CONFLICT (id) DO NOTHING"));
    const QUuid refers = referredId(e);
    for (const QVariant& v :
         {QVariant(id), QVariant(RecordEvent::timeText(e.time)), QVariant(utcMs), text(e.tag),
          text(e.station), text(e.user), text(e.program), text(e.version), text(e.port), text(e.model),
          QVariant(qint64(e.firmware)), text(e.session.isNull() ? QString() : uuidText(e.session)),
          text(e.kind), text(refers.isNull() ? QString() : uuidText(refers)),
          QVariant(QString::fromUtf8(QJsonDocument(e.data).toJson(QJsonDocument::Compact)))})
        q.addBindValue(v);
    if (!exec(q, error))
        return false;
    *added = q.numRowsAffected() > 0;
    if (!*added)
        return true;

    // The history it shows in: a tag given to it before it arrived, else its own.
    QString tag = e.tag;
    qint64 assigned = -1;
    q.prepare(QStringLiteral("SELECT tag, assigned_ms FROM pending_tags WHERE event_id = ?"));
    q.addBindValue(id);
    if (!exec(q, error))
        return false;
    if (q.next()) {
        tag = q.value(0).toString();
        assigned = q.value(1).toLongLong();
        q.prepare(QStringLiteral("DELETE FROM pending_tags WHERE event_id = ?"));
        q.addBindValue(id);
        if (!exec(q, error))
            return false;
    }
    q.prepare(
        QStringLiteral("INSERT INTO event_tags (event_id, tag, utc_ms, assigned_ms) VALUES (?, ?, ?, ?)"));
    q.addBindValue(id);
    q.addBindValue(text(tag));
    q.addBindValue(utcMs);
    q.addBindValue(assigned);
    if (!exec(q, error))
        return false;

    if (e.isKind(RecordEvent::TagAssigned)) {
        const QJsonArray named = e.data.value(QStringLiteral("events")).toArray();
        for (const QJsonValue& value : named) {
            const QString other = uuidText(QUuid::fromString(value.toString()));
            q.prepare(QStringLiteral("UPDATE event_tags SET tag = ?, assigned_ms = ? "
                                     "WHERE event_id = ? AND assigned_ms < ?"));
            q.addBindValue(text(e.tag));
            q.addBindValue(utcMs);
            q.addBindValue(other);
            q.addBindValue(utcMs);
            if (!exec(q, error))
                return false;
            q.prepare(QStringLiteral(
                "INSERT INTO pending_tags (event_id, tag, assigned_ms) "
                "SELECT ?, ?, ? WHERE NOT EXISTS (SELECT 1 FROM event_tags WHERE event_id = ?) "
                "ON CONFLICT (event_id) DO UPDATE SET tag = excluded.tag, "
                "assigned_ms = excluded.assigned_ms WHERE excluded.assigned_ms > assigned_ms"));
            q.addBindValue(other);
            q.addBindValue(text(e.tag));
            q.addBindValue(utcMs);
            q.addBindValue(other);
            if (!exec(q, error))
                return false;
        }
    }

    if (local) {
        q.prepare(QStringLiteral("INSERT INTO outbox (event_id) VALUES (?)"));
        q.addBindValue(id);
        if (!exec(q, error))
            return false;
    }
    return true;
}

bool RecordStore::append(const RecordEvent& event, QString* error)
{
    if (!canWrite()) {
        if (error)
            *error = m_message.isEmpty() ? QStringLiteral("the records are not open") : m_message;
        return false;
    }
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    if (!db.transaction()) {
        if (error)
            *error = db.lastError().text();
        return false;
    }
    bool added = false;
    if (!insert(event, true, &added, error)) {
        db.rollback();
        return false;
    }
    if (!db.commit()) {
        if (error)
            *error = db.lastError().text();
        db.rollback();
        return false;
    }
    return true;
}

int RecordStore::mergePulled(const QList<RecordEvent>& events, QString* error)
{
    if (!canWrite()) {
        if (error)
            *error = m_message.isEmpty() ? QStringLiteral("the records are not open") : m_message;
        return -1;
    }
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    if (!db.transaction()) {
        if (error)
            *error = db.lastError().text();
        return -1;
    }
    int count = 0;
    for (const RecordEvent& event : events) {
        bool added = false;
        if (!insert(event, false, &added, error)) {
            db.rollback();
            return -1;
        }
        count += added ? 1 : 0;
    }
    if (!db.commit()) {
        if (error)
            *error = db.lastError().text();
        db.rollback();
        return -1;
    }
    return count;
}

QList<RecordEvent> RecordStore::events(QSqlQuery& q) const
{
    QList<RecordEvent> list;
    if (!exec(q, nullptr))
        return list;
    while (q.next()) {
        RecordEvent e;
        e.id = QUuid::fromString(q.value(0).toString());
        e.time = QDateTime::fromString(q.value(1).toString(), Qt::ISODateWithMs);
        e.tag = q.value(2).toString();
        e.station = q.value(3).toString();
        e.user = q.value(4).toString();
        e.program = q.value(5).toString();
        e.version = q.value(6).toString();
        e.port = q.value(7).toString();
        e.model = q.value(8).toString();
        e.firmware = quint32(q.value(9).toLongLong());
        e.session = QUuid::fromString(q.value(10).toString());
        e.kind = q.value(11).toString();
        e.data = QJsonDocument::fromJson(q.value(12).toString().toUtf8()).object();
        list.append(e);
    }
    return list;
}

QList<RecordEvent> RecordStore::history(const QString& tag, int offset, int limit) const
{
    if (!canRead())
        return {};
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT %1 FROM event_tags t JOIN events e ON e.id = t.event_id WHERE t.tag = ? "
                             "ORDER BY t.utc_ms DESC, t.rowid DESC LIMIT ? OFFSET ?")
                  .arg(kColumns));
    q.addBindValue(text(tag));
    q.addBindValue(limit);
    q.addBindValue(offset);
    return events(q);
}

int RecordStore::historySize(const QString& tag) const
{
    if (!canRead())
        return 0;
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.prepare(QStringLiteral("SELECT count(*) FROM event_tags WHERE tag = ?"));
    q.addBindValue(text(tag));
    return exec(q, nullptr) && q.next() ? q.value(0).toInt() : 0;
}

QStringList RecordStore::tags() const
{
    QStringList list;
    if (!canRead())
        return list;
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT DISTINCT tag FROM event_tags WHERE tag <> '' ORDER BY tag"));
    if (!exec(q, nullptr))
        return list;
    while (q.next())
        list.append(q.value(0).toString());
    return list;
}

std::optional<RecordEvent> RecordStore::event(const QUuid& id) const
{
    if (!canRead())
        return std::nullopt;
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.prepare(QStringLiteral("SELECT %1 FROM events e WHERE e.id = ?").arg(kColumns));
    q.addBindValue(uuidText(id));
    const QList<RecordEvent> found = events(q);
    if (found.isEmpty())
        return std::nullopt;
    return found.first();
}

QList<RecordEvent> RecordStore::followUps(const QUuid& id) const
{
    if (!canRead())
        return {};
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.prepare(
        QStringLiteral("SELECT %1 FROM events e WHERE e.refers = ? ORDER BY e.utc_ms, e.id").arg(kColumns));
    q.addBindValue(uuidText(id));
    return events(q);
}

QList<RecordEvent> RecordStore::waiting(int limit) const
{
    if (!canRead())
        return {};
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.setForwardOnly(true);
    q.prepare(
        QStringLiteral("SELECT %1 FROM outbox o JOIN events e ON e.id = o.event_id ORDER BY o.seq LIMIT ?")
            .arg(kColumns));
    q.addBindValue(limit);
    return events(q);
}

int RecordStore::waitingCount() const
{
    if (!canRead())
        return 0;
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.prepare(QStringLiteral("SELECT count(*) FROM outbox"));
    return exec(q, nullptr) && q.next() ? q.value(0).toInt() : 0;
}

bool RecordStore::markPushed(const QList<QUuid>& ids, QString* error)
{
    if (!canWrite()) {
        if (error)
            *error = m_message;
        return false;
    }
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    if (!db.transaction()) {
        if (error)
            *error = db.lastError().text();
        return false;
    }
    QSqlQuery q(db);
    q.prepare(QStringLiteral("DELETE FROM outbox WHERE event_id = ?"));
    for (const QUuid& id : ids) {
        q.bindValue(0, uuidText(id));
        if (!exec(q, error)) {
            db.rollback();
            return false;
        }
    }
    if (!db.commit()) {
        if (error)
            *error = db.lastError().text();
        db.rollback();
        return false;
    }
    return true;
}

QString RecordStore::syncValue(const QString& key) const
{
    if (!canRead())
        return {};
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.prepare(QStringLiteral("SELECT value FROM sync_state WHERE key = ?"));
    q.addBindValue(key);
    return exec(q, nullptr) && q.next() ? q.value(0).toString() : QString();
}

bool RecordStore::setSyncValue(const QString& key, const QString& value, QString* error)
{
    if (!canWrite()) {
        if (error)
            *error = m_message;
        return false;
    }
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.prepare(QStringLiteral("INSERT INTO sync_state (key, value) VALUES (?, ?) "
                             "ON CONFLICT (key) DO UPDATE SET value = excluded.value"));
    q.addBindValue(key);
    q.addBindValue(text(value));
    return exec(q, error);
}

int RecordStore::nextCertificateNumber(const QString& scope, int year, QString* error)
{
    if (!canWrite()) {
        if (error)
            *error = m_message;
        return 0;
    }
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    QSqlQuery q(db);
    // One statement takes and counts: two programs issuing at once get two numbers.
    q.prepare(QStringLiteral("INSERT INTO certificate_numbers (scope, year, last) VALUES (?, ?, 1) "
                             "ON CONFLICT (scope, year) DO UPDATE SET last = last + 1 RETURNING last"));
    q.addBindValue(text(scope));
    q.addBindValue(year);
    if (!exec(q, error))
        return 0;
    if (!q.next()) {
        if (error)
            *error = QStringLiteral("no number came back");
        return 0;
    }
    const int number = q.value(0).toInt();
    q.finish();
    return number;
}
