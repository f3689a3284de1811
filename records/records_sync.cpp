#include "records/records_sync.h"

#include "records/record_store.h"

#include <QThread>
#include <QTimer>

#include <future>
#include <thread>

RecordsSync::RecordsSync(Options options, QObject* parent) : QObject(parent), m_options(std::move(options))
{
    m_status.configured = !m_options.serverUrl.isEmpty();
}

RecordsSync::~RecordsSync()
{
    stop();
}

void RecordsSync::start()
{
    if (m_thread || !m_status.configured)
        return;
    QString error;
    const std::optional<RecordsServerAddress> address =
        RecordsServerAddress::parse(m_options.serverUrl, &error);
    if (!address) {
        RecordsSyncStatus status = m_status;
        status.failure = RecordsFailure::Unreachable;
        status.lastError = error;
        takeStatus(status);
        return;
    }
    m_status.server = address->displayText();
    m_thread = new QThread;
    m_thread->setObjectName(QStringLiteral("records sync"));
    m_worker =
        new RecordsSyncWorker(m_options.databasePath, *address, m_options.intervalMs, m_options.batchSize);
    m_worker->moveToThread(m_thread);
    connect(m_thread, &QThread::started, m_worker, &RecordsSyncWorker::begin);
    // The worker's store and connection close on its own thread, as the
    // thread ends.
    connect(m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    connect(m_worker, &RecordsSyncWorker::statusChanged, this, &RecordsSync::takeStatus);
    connect(m_worker, &RecordsSyncWorker::pulled, this, &RecordsSync::pulled);
    m_thread->start();
}

void RecordsSync::poke()
{
    if (m_worker)
        m_worker->requestExchange();
}

bool RecordsSync::stop(int waitMs)
{
    if (!m_thread)
        return true;
    m_worker->requestStop();
    m_thread->quit();
    const bool ended = m_thread->wait(QDeadlineTimer(waitMs));
    if (ended) {
        delete m_thread;
    } else {
        // Still inside a bounded network call: it ends by itself.
        QObject::disconnect(m_worker, nullptr, this, nullptr);
        connect(m_thread, &QThread::finished, m_thread, &QObject::deleteLater);
    }
    m_thread = nullptr;
    m_worker = nullptr;
    return ended;
}

void RecordsSync::takeStatus(const RecordsSyncStatus& status)
{
    if (status == m_status)
        return;
    m_status = status;
    emit statusChanged(m_status);
}

RecordsSyncWorker::RecordsSyncWorker(QString databasePath, RecordsServerAddress address, int intervalMs,
                                     int batchSize)
    : m_databasePath(std::move(databasePath)), m_address(std::move(address)), m_intervalMs(intervalMs),
      m_batchSize(batchSize)
{
    m_status.configured = true;
    m_status.server = m_address.displayText();
}

RecordsSyncWorker::~RecordsSyncWorker() = default;

void RecordsSyncWorker::requestExchange()
{
    // One queued exchange however many pokes arrive before it runs.
    if (!m_exchangeAsked.exchange(true))
        QMetaObject::invokeMethod(this, &RecordsSyncWorker::exchange, Qt::QueuedConnection);
}

void RecordsSyncWorker::begin()
{
    m_store = std::make_unique<RecordStore>(m_databasePath);
    m_server = std::make_unique<RecordsServer>(m_address);
    m_exchange = std::make_unique<RecordsExchange>(m_store.get(), m_server.get(), m_batchSize);
    m_timer = new QTimer(this);
    m_timer->setInterval(m_intervalMs);
    connect(m_timer, &QTimer::timeout, this, &RecordsSyncWorker::exchange);
    m_timer->start();
    m_exchangeAsked = true;
    exchange();
}

void RecordsSyncWorker::publish()
{
    emit statusChanged(m_status);
}

void RecordsSyncWorker::exchange()
{
    m_exchangeAsked = false;
    if (m_stop)
        return;
    if (!m_store->canWrite() && !m_store->open()) {
        m_status.failure = RecordsFailure::LocalFile;
        m_status.lastError = m_store->message();
        publish();
        return;
    }
    // The count the window shows goes up as events are recorded, before
    // the network is touched.
    m_status.waiting = m_store->waitingCount();
    publish();

    const RecordsExchange::Result result = m_exchange->exchange(QDeadlineTimer::Forever, &m_stop);
    m_status.waiting = result.waiting;
    m_status.failure = result.problem.kind;
    m_status.lastError = result.problem.message;
    // Refused events do not keep the rest from going: the exchange went.
    if (result.problem.ok() || result.problem.kind == RecordsFailure::EventsRefused) {
        m_status.lastExchange = QDateTime::currentDateTime();
        m_status.lastPulled = result.pulled;
    }
    publish();
    if (result.pulled > 0)
        emit pulled(result.pulled);
    // Restarted so that an exchange that ran long is not followed at once
    // by the interval's.
    m_timer->start();
}

recordssync::ExitPush recordssync::pushBeforeExit(const QString& databasePath,
                                                  const RecordsServerAddress& address, int budgetMs)
{
    const QDeadlineTimer deadline(budgetMs);
    auto promise = std::make_shared<std::promise<RecordsExchange::Result>>();
    std::future<RecordsExchange::Result> future = promise->get_future();
    // Everything the thread uses it owns: it may outlive this call.
    std::thread thread([promise, databasePath, address, deadline] {
        RecordStore store(databasePath);
        RecordsServer server(address);
        RecordsExchange exchange(&store, &server);
        if (!store.open()) {
            RecordsExchange::Result result;
            result.problem = {RecordsFailure::LocalFile, store.message()};
            result.waiting = store.waitingCount();
            promise->set_value(result);
            return;
        }
        promise->set_value(exchange.push(deadline));
    });
    ExitPush push;
    push.finished =
        future.wait_until(deadline.deadline<std::chrono::steady_clock>()) == std::future_status::ready;
    if (!push.finished) {
        thread.detach();
        return push;
    }
    thread.join();
    push.result = future.get();
    return push;
}
