#include "records/records_exchange.h"

#include "records/record_store.h"

#include <QDir>

RecordsExchange::RecordsExchange(RecordStore* store, RecordsServer* server, int batchSize)
    : m_store(store), m_server(server), m_batchSize(std::max(1, batchSize))
{}

QString RecordsExchange::cursorKey(const QUuid& instance)
{
    return QStringLiteral("pull-cursor/") + instance.toString(QUuid::WithoutBraces);
}

bool RecordsExchange::stopping(QDeadlineTimer deadline, const std::atomic<bool>* stop) const
{
    return deadline.hasExpired() || (stop && stop->load());
}

RecordsProblem RecordsExchange::localProblem(const QString& reason) const
{
    return {RecordsFailure::LocalFile, reason.isEmpty() ? QStringLiteral("The records file %1 cannot be used")
                                                              .arg(QDir::toNativeSeparators(m_store->path()))
                                                        : reason};
}

RecordsProblem RecordsExchange::pushEach(const QList<RecordEvent>& events, Result* result)
{
    RecordsProblem refusal;
    QList<QUuid> sent;
    RecordsProblem failure;
    for (const RecordEvent& e : events) {
        const RecordsProblem p = m_server->push({e});
        if (p.ok()) {
            sent.append(e.id);
        } else if (p.kind == RecordsFailure::EventsRefused) {
            const QString what = e.tag.isEmpty() ? e.kind : QStringLiteral("%1 of %2").arg(e.kind, e.tag);
            m_refused.insert(e.id, p.message);
            ++result->refused;
            if (refusal.ok())
                refusal = {p.kind, QStringLiteral("%1 (event %2, %3); it waits here")
                                       .arg(p.message, e.id.toString(QUuid::WithoutBraces), what)};
        } else {
            failure = p;
            break;
        }
    }
    QString error;
    if (!sent.isEmpty() && !m_store->markPushed(sent, &error))
        return localProblem(error);
    result->pushed += int(sent.size());
    return failure.ok() ? refusal : failure;
}

RecordsExchange::Result RecordsExchange::push(QDeadlineTimer deadline, const std::atomic<bool>* stop)
{
    Result result;
    if (!m_store->canWrite()) {
        result.problem = localProblem(m_store->message());
        result.waiting = m_store->waitingCount();
        return result;
    }
    if (m_store->waitingCount() > 0)
        result.problem = m_server->connect(deadline);
    RecordsProblem refusal;
    while (result.problem.ok() && !stopping(deadline, stop)) {
        QList<RecordEvent> batch = m_store->waiting(m_batchSize + int(m_refused.size()));
        batch.removeIf([this](const RecordEvent& e) { return m_refused.contains(e.id); });
        if (batch.isEmpty())
            break;
        if (batch.size() > m_batchSize)
            batch.resize(m_batchSize);
        RecordsProblem p = m_server->push(batch);
        if (p.kind == RecordsFailure::EventsRefused) {
            // The refused events are noted; the ones behind them still go.
            p = pushEach(batch, &result);
            if (p.kind == RecordsFailure::EventsRefused && refusal.ok())
                refusal = p;
            if (p.ok() || p.kind == RecordsFailure::EventsRefused)
                continue;
        }
        if (!p.ok()) {
            result.problem = p;
            break;
        }
        QList<QUuid> ids;
        ids.reserve(batch.size());
        for (const RecordEvent& e : std::as_const(batch))
            ids.append(e.id);
        QString error;
        if (!m_store->markPushed(ids, &error)) {
            result.problem = localProblem(error);
            break;
        }
        result.pushed += int(batch.size());
    }
    if (refusal.ok() && !m_refused.isEmpty())
        refusal = {RecordsFailure::EventsRefused,
                   QStringLiteral("%1 event(s) that the server refused wait here: %2")
                       .arg(m_refused.size())
                       .arg(m_refused.cbegin().value())};
    if (result.problem.ok())
        result.problem = refusal;
    result.waiting = m_store->waitingCount();
    return result;
}

RecordsExchange::Result RecordsExchange::pull(QDeadlineTimer deadline, const std::atomic<bool>* stop)
{
    Result result;
    if (!m_store->canWrite()) {
        result.problem = localProblem(m_store->message());
        result.waiting = m_store->waitingCount();
        return result;
    }
    result.problem = m_server->connect(deadline);
    const QString key = cursorKey(m_server->instance());
    RecordsServer::Cursor cursor = RecordsServer::Cursor::fromText(m_store->syncValue(key));
    while (result.problem.ok() && !stopping(deadline, stop)) {
        QList<RecordEvent> page;
        result.problem = m_server->pull(&cursor, PullPageSize, &page);
        if (!result.problem.ok() || page.isEmpty())
            break;
        QString error;
        const int added = m_store->mergePulled(page, &error);
        if (added < 0 || !m_store->setSyncValue(key, cursor.text(), &error)) {
            result.problem = localProblem(error);
            break;
        }
        result.pulled += added;
        if (page.size() < PullPageSize)
            break;
    }
    result.waiting = m_store->waitingCount();
    return result;
}

RecordsExchange::Result RecordsExchange::exchange(QDeadlineTimer deadline, const std::atomic<bool>* stop)
{
    Result result = push(deadline, stop);
    const RecordsFailure kind = result.problem.kind;
    if (kind != RecordsFailure::None && kind != RecordsFailure::EventsRefused)
        return result;
    const Result pulled = pull(deadline, stop);
    result.pulled = pulled.pulled;
    result.waiting = pulled.waiting;
    if (result.problem.ok())
        result.problem = pulled.problem;
    return result;
}
