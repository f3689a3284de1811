#include "scripted_peer.h"

#include <QDeadlineTimer>
#include <QTest>

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
    if (!m_responder)
        return;
    for (;;) {
        const qsizetype end = m_pending.indexOf(';');
        if (end < 0)
            break;
        const QByteArray query = m_pending.left(end + 1);
        m_pending.remove(0, end + 1);
        const QByteArray answer = m_responder(query);
        if (!answer.isEmpty())
            send(answer);
    }
}

bool ScriptedPeer::waitForQueries(int count, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (asciiQueryCount() < count && !deadline.hasExpired())
        QTest::qWait(5);
    return asciiQueryCount() >= count;
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
