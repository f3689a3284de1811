#include "tools/kvctl/records_sync_run.h"

#include "records/record_store.h"
#include "records/records_location.h"
#include "records/records_sync.h"
#include "tools/kvctl/console.h"

#include <QDir>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr int kMsPerSecond = 1000;

// The configured server; nullopt without one (*configured false) or with
// an address that says why it cannot be used.
std::optional<RecordsServerAddress> configuredServer(Console& console, const QString& option,
                                                     bool* configured)
{
    const recordslocation::ServerChoice choice = recordslocation::server(option);
    *configured = !choice.url.isEmpty();
    if (!*configured)
        return std::nullopt;
    QString error;
    std::optional<RecordsServerAddress> address = RecordsServerAddress::parse(choice.url, &error);
    if (!address)
        console.error(QStringLiteral("%1: %2").arg(choice.source, error));
    return address;
}

} // namespace

ExitCode runRecordsSync(Console& console, const QString& serverOption)
{
    bool configured = false;
    const std::optional<RecordsServerAddress> address = configuredServer(console, serverOption, &configured);
    if (!configured) {
        console.error(
            QStringLiteral("no records server: give --records-server URL, set KV_RECORDS_SERVER, or "
                           "Server= in the [Records] section of %1")
                .arg(QDir::toNativeSeparators(recordslocation::userConfigPath())));
        return ExitCode::BadUsage;
    }
    if (!address)
        return ExitCode::BadUsage;
    RecordStore store(recordslocation::databasePath());
    if (!store.open()) {
        console.error(store.message());
        return ExitCode::BadUsage;
    }
    RecordsServer server(*address);
    RecordsExchange exchange(&store, &server);
    const RecordsExchange::Result result = exchange.exchange(QDeadlineTimer::Forever);
    if (!result.problem.ok())
        console.error(result.problem.message);
    console.out(QStringLiteral("%1: %2 sent, %3 received, %4 waiting for the server")
                    .arg(address->displayText())
                    .arg(result.pushed)
                    .arg(result.pulled)
                    .arg(result.waiting));
    switch (result.problem.kind) {
    case RecordsFailure::None:
        return ExitCode::Done;
    case RecordsFailure::EventsRefused:
        return ExitCode::EventsRefused;
    case RecordsFailure::LocalFile:
        return ExitCode::BadUsage;
    case RecordsFailure::Unreachable:
    case RecordsFailure::LoginRefused:
    case RecordsFailure::Schema:
        break;
    }
    return ExitCode::ServerUnusable;
}

int pushRecordsBeforeExit(Console& console, const QString& serverOption, int exitCode)
{
    bool configured = false;
    const std::optional<RecordsServerAddress> address = configuredServer(console, serverOption, &configured);
    if (!address)
        return exitCode;
    const recordssync::ExitPush push = recordssync::pushBeforeExit(recordslocation::databasePath(), *address);
    if (!push.finished) {
        console.error(QStringLiteral("the records server %1 did not answer within %2 s; the device records "
                                     "wait for the next push")
                          .arg(address->displayText())
                          .arg(recordssync::ExitPushBudgetMs / kMsPerSecond));
        // The push's thread may be inside a call that cannot be
        // interrupted: leave without running destructors under it.
        std::fflush(stdout);
        std::fflush(stderr);
        std::_Exit(exitCode);
    }
    if (!push.result.problem.ok())
        console.error(push.result.problem.message);
    if (push.result.waiting > 0)
        console.error(QStringLiteral("%1 device record(s) wait for the server").arg(push.result.waiting));
    return exitCode;
}
