// Pushes 10,000 waiting device records to a local PostgreSQL server, round
// after round, and reports the median time against the bound of 10 s.
//
//   bench_records_push [--rounds N] [--events N]     (5 and 10000 by default)
//
// The server is a private one that scripts/test_postgres starts for the run
// (socket only, fsync on as on a plant's server) and stops at the end. Each
// round fills a new records file with settings-read events (the largest kind:
// every settings field decoded, with units), connects to a new database (the
// tables made then, outside the time), and times the push of everything that
// waits, in the worker's batches.

#include "records/record_store.h"
#include "records/records_exchange.h"
#include "records/settings_record.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int DefaultRounds = 5;
constexpr int DefaultEvents = 10000;
constexpr double BoundSeconds = 10.0;
constexpr int PushDeadlineMs = 120000;

int option(const QStringList& arguments, const QString& name, int fallback)
{
    const qsizetype at = arguments.indexOf(name);
    bool ok = false;
    const int value = at >= 0 ? arguments.value(at + 1).toInt(&ok) : 0;
    return ok && value > 0 ? value : fallback;
}

QHash<QString, QString> readState(const QString& path)
{
    QHash<QString, QString> state;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : file.readAll().split('\n')) {
            const QString text = QString::fromUtf8(line);
            if (text.contains(u'='))
                state.insert(text.section(u'=', 0, 0), text.section(u'=', 1));
        }
    }
    return state;
}

bool adminExec(const QHash<QString, QString>& pg, const QString& sql)
{
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("admin"));
        db.setHostName(pg.value("socket"));
        db.setPort(pg.value("port").toInt());
        db.setUserName(pg.value("admin"));
        db.setPassword(pg.value("admin_password"));
        db.setDatabaseName(QStringLiteral("postgres"));
        QSqlQuery query(db);
        ok = db.open() && query.exec(sql);
        if (!ok)
            std::fprintf(stderr, "%s: %s %s\n", qPrintable(sql), qPrintable(db.lastError().text()),
                         qPrintable(query.lastError().text()));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("admin"));
    return ok;
}

bool fill(RecordStore& store, int count)
{
    const QJsonObject settings = settingsrecord::toJson(RecordedSettings{});
    RecordEvent e;
    e.station = QStringLiteral("bench-station");
    e.user = QStringLiteral("ann");
    e.program = QStringLiteral("kvconf");
    e.version = QStringLiteral("0.1");
    e.port = QStringLiteral("/dev/ttyUSB0");
    e.model = QStringLiteral("KV4820");
    e.firmware = 0x0102;
    e.session = QUuid::createUuid();
    e.kind = QLatin1StringView(RecordEvent::SettingsRead);
    const QDateTime start = QDateTime::currentDateTime();
    for (int i = 0; i < count; ++i) {
        e.id = QUuid::createUuid();
        e.time = start.addMSecs(i);
        e.tag = QStringLiteral("TT-%1").arg(i % 40);
        e.data = QJsonObject{{"asFound", i % 2 == 0}, {"settings", settings}};
        if (!store.append(e))
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    const int rounds = option(arguments, QStringLiteral("--rounds"), DefaultRounds);
    const int events = option(arguments, QStringLiteral("--events"), DefaultEvents);

    QTemporaryDir dir;
    const QString statePath = dir.filePath(QStringLiteral("state"));
    const QString script = QStringLiteral(KV_TEST_POSTGRES);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KV_PG_FSYNC"), QStringLiteral("on"));
    QProcess start;
    start.setProcessEnvironment(env);
    start.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    start.start(script, {QStringLiteral("start"), statePath});
    start.waitForFinished(120000);
    const QHash<QString, QString> pg = readState(statePath);
    if (pg.isEmpty() || pg.contains("unavailable")) {
        std::printf("bench_records_push: skipped, no private PostgreSQL server: %s\n",
                    qPrintable(pg.value("unavailable")));
        return 0;
    }

    std::vector<double> seconds;
    int status = 0;
    for (int round = 0; round < rounds && status == 0; ++round) {
        const QString database = QStringLiteral("bench_%1").arg(round);
        if (!adminExec(pg, QStringLiteral("CREATE DATABASE %1 OWNER %2").arg(database, pg.value("user")))) {
            status = 1;
            break;
        }
        RecordStore store(dir.filePath(database + QStringLiteral(".sqlite")));
        RecordsServerAddress address;
        address.host = pg.value("socket");
        address.port = pg.value("port").toInt();
        address.user = pg.value("user");
        address.password = pg.value("password");
        address.database = database;
        RecordsServer server(address);
        const RecordsProblem connected = server.connect();
        if (!store.open() || !fill(store, events) || !connected.ok()) {
            std::fprintf(stderr, "round %d: %s %s\n", round + 1, qPrintable(store.message()),
                         qPrintable(connected.message));
            status = 1;
            break;
        }
        RecordsExchange exchange(&store, &server);
        QElapsedTimer timer;
        timer.start();
        const RecordsExchange::Result result = exchange.push(QDeadlineTimer(PushDeadlineMs));
        const double elapsed = double(timer.nsecsElapsed()) / 1e9;
        if (!result.problem.ok() || result.pushed != events || result.waiting != 0) {
            std::fprintf(stderr, "round %d: %d pushed, %d waiting: %s\n", round + 1, result.pushed,
                         result.waiting, qPrintable(result.problem.message));
            status = 1;
            break;
        }
        seconds.push_back(elapsed);
        std::printf("round %d: %d events pushed in %.3f s (%.0f events/s)\n", round + 1, events, elapsed,
                    events / elapsed);
        std::fflush(stdout);
    }
    QProcess::execute(script, {QStringLiteral("stop"), statePath});
    if (seconds.empty())
        return 1;
    std::sort(seconds.begin(), seconds.end());
    const double median = seconds[seconds.size() / 2];
    std::printf("push of %d waiting events, median of %zu rounds: %.3f s (bound %.0f s: %s)\n", events,
                seconds.size(), median, BoundSeconds, median <= BoundSeconds ? "within" : "OVER");
    return status;
}
