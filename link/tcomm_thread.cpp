#include "link/tcomm_thread.h"

#include "platform/serial_port.h"

#include <QMetaObject>

#include <cerrno>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

struct TCommThread::HandOver
{
    std::mutex mutex;
    std::condition_variable done;
    bool stopping = false;
    bool finished = false;
};

TCommThread::TCommThread(std::unique_ptr<SerialPort> port, QObject* context, Callback onReceive,
                         Callback onHangUp)
    : m_port(std::move(port)),
      m_context(context),
      m_onReceive(std::move(onReceive)),
      m_onHangUp(std::move(onHangUp)),
      m_shared(std::make_shared<HandOver>()),
      m_stopFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
    if (m_stopFd < 0)
        m_stopFdError = errno;
}

TCommThread::~TCommThread()
{
    stop();
    if (m_stopFd >= 0)
        ::close(m_stopFd);
}

bool TCommThread::start(int* error)
{
    if (m_thread.joinable())
        return true;
    // Without its stop event the thread could never be woken to end.
    if (m_stopFd < 0) {
        if (error)
            *error = m_stopFdError;
        return false;
    }
    try {
        m_thread = std::thread([this] { run(); });
    } catch (const std::system_error& e) {
        if (error)
            *error = e.code().value();
        return false;
    }
    return true;
}

void TCommThread::stop()
{
    {
        std::lock_guard lock(m_shared->mutex);
        m_shared->stopping = true;
    }
    m_shared->done.notify_all();
    if (m_stopFd >= 0) {
        const quint64 one = 1;
        [[maybe_unused]] const ssize_t n = ::write(m_stopFd, &one, sizeof one);
    }
    // The thread never waits for this one without also watching the stop
    // flag, so joining here cannot deadlock even inside a callback.
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id())
        m_thread.join();
}

bool TCommThread::handOver(const Callback& callback)
{
    std::shared_ptr<HandOver> shared = m_shared;
    {
        std::lock_guard lock(shared->mutex);
        if (shared->stopping)
            return false;
        shared->finished = false;
    }
    const bool posted = QMetaObject::invokeMethod(
        m_context.data(),
        [shared, callback] {
            {
                std::lock_guard lock(shared->mutex);
                if (shared->stopping) {
                    return; // closing has begun: the batch is discarded
                }
            }
            callback();
            {
                std::lock_guard lock(shared->mutex);
                shared->finished = true;
            }
            shared->done.notify_all();
        },
        Qt::QueuedConnection);
    if (!posted)
        return false;

    std::unique_lock lock(shared->mutex);
    shared->done.wait(lock, [&] { return shared->finished || shared->stopping; });
    return !shared->stopping;
}

void TCommThread::run()
{
    const int portFd = m_port ? m_port->fd() : -1;
    for (;;) {
        pollfd fds[2] = {{m_stopFd, POLLIN, 0}, {portFd, POLLIN, 0}};
        const int r = ::poll(fds, 2, -1);
        if (r < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[0].revents)
            return;
        const short events = fds[1].revents;
        if (events & POLLIN) {
            if (!handOver(m_onReceive))
                return;
        }
        if (events & (POLLHUP | POLLERR | POLLNVAL)) {
            handOver(m_onHangUp);
            return;
        }
    }
}
