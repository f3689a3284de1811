#include "platform/input_lines.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

InputLines::InputLines(int fd, QObject* parent) : QObject(parent), m_fd(fd)
{
    if (::fcntl(fd, F_GETFD) == -1)
        return; // not open: nothing to read
    if (::isatty(fd))
        std::signal(SIGTTIN, SIG_IGN);
    m_notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &InputLines::onReadable);
}

void InputLines::onReadable()
{
    // One read per notification: the notifier said it will not block.
    char buffer[MaxLineLength];
    const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
    if (n < 0 && (errno == EINTR || errno == EAGAIN))
        return;
    if (n <= 0) {
        if (!m_pending.isEmpty())
            deliver(m_pending.size(), m_pending.size());
        finish();
        return;
    }
    m_pending.append(buffer, n);
    qsizetype end = 0;
    while ((end = m_pending.indexOf('\n')) >= 0)
        deliver(end, end + 1);
    if (m_pending.size() >= MaxLineLength)
        deliver(MaxLineLength, MaxLineLength);
}

void InputLines::deliver(qsizetype length, qsizetype consumed)
{
    QByteArray line = m_pending.left(length);
    m_pending.remove(0, consumed);
    if (line.endsWith('\r'))
        line.chop(1);
    emit lineRead(line);
}

void InputLines::finish()
{
    delete m_notifier;
    m_notifier = nullptr;
    emit finished();
}
