#include "link/tcomm_thread.h"

#include "platform/serial_port.h"

#include <QMetaObject>

#include <condition_variable>
#include <mutex>
#include <system_error>

struct TCommThread::HandOver
{
    std::mutex mutex;
    std::condition_variable done;
    bool stopping = false;
    bool finished = false;
};

TCommThread::TCommThread(std::unique_ptr<SerialPort> port, QObject* context, Callback onReceive,
                         Callback onHangUp)
    : m_port(std::move(port)), m_context(context), m_onReceive(std::move(onReceive)),
      m_onHangUp(std::move(onHangUp)), m_shared(std::make_shared<HandOver>()),
      m_wait(m_port ? m_port->fd() : -1)
{}

TCommThread::~TCommThread()
{
    stop();
}

bool TCommThread::start(int* error)
{
    if (m_thread.joinable())
        return true;
    // Without its wake event the thread could never be told to end.
    if (!m_wait.isValid()) {
        if (error)
            *error = m_wait.error();
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
    m_wait.wake();
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
    for (;;) {
        const DescriptorWait::Events events = m_wait.wait();
        if (events.woken || events.failed)
            return;
        if (events.readable && !handOver(m_onReceive))
            return;
        if (events.hungUp) {
            handOver(m_onHangUp);
            return;
        }
    }
}
