#include "tests/support/scripted_peer.h"

#include <QDeadlineTimer>
#include <QTest>

#include <algorithm>

ScriptedPeer::ScriptedPeer(QObject* parent) : QObject(parent), m_pty(PseudoTerminal::open())
{
    if (!m_pty)
        return;
    m_notifier = std::make_unique<QSocketNotifier>(m_pty->farFd(), QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &ScriptedPeer::onReadable);
}

ScriptedPeer::~ScriptedPeer() = default;

QString ScriptedPeer::devicePath() const
{
    return m_pty ? m_pty->devicePath() : QString();
}

void ScriptedPeer::onReadable()
{
    if (!m_pty)
        return;
    const QByteArray bytes = m_pty->readAvailable();
    if (bytes.isEmpty()) {
        // Nothing to read but readable: the near end is gone for now. Avoid
        // a busy notifier until the next write wakes us.
        return;
    }
    m_received.append(bytes);
    m_pending.append(bytes);
    emit bytesReceived();
    // Queries that arrive while no responder is set stay unanswered.
    for (;;) {
        const auto it =
            std::find_if(m_pending.cbegin(), m_pending.cend(), [](char c) { return isQueryEnd(quint8(c)); });
        if (it == m_pending.cend())
            break;
        const qsizetype end = it - m_pending.cbegin();
        const QByteArray query = m_pending.left(end + 1);
        m_pending.remove(0, end + 1);
        const QByteArray answer = m_responder ? m_responder(query) : QByteArray();
        if (!answer.isEmpty())
            send(answer);
    }
}

bool ScriptedPeer::waitForQueries(int count, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (queryCount() < count && !deadline.hasExpired())
        QTest::qWait(5);
    return queryCount() >= count;
}

int ScriptedPeer::queryCount() const
{
    return int(
        std::count_if(m_received.cbegin(), m_received.cend(), [](char c) { return isQueryEnd(quint8(c)); }));
}

void ScriptedPeer::send(const QByteArray& bytes)
{
    if (m_pty)
        m_pty->write(bytes);
}

void ScriptedPeer::hangUp()
{
    m_notifier.reset();
    if (m_pty)
        m_pty->hangUp();
}
