#pragma once

#include "platform/descriptor_wait.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>
#include <thread>

class SerialPort;

// The receive thread of one open port. It only waits (a DescriptorWait on
// the port, woken to stop). When bytes arrive it runs the receive callback
// on the user-interface thread (the context object's thread) and waits
// until that has finished, so all decoding happens there, one batch at a
// time.
//
// A hang-up or error on the port (an unplugged adapter, the far end of a pty
// closed) is handed over once through the hang-up callback; the thread then
// ends instead of waking up for ever.
//
// Owns the port: the handle is closed when the thread object is destroyed.
class TCommThread
{
public:
    using Callback = std::function<void()>;

    TCommThread(std::unique_ptr<SerialPort> port, QObject* context, Callback onReceive, Callback onHangUp);
    ~TCommThread();
    TCommThread(const TCommThread&) = delete;
    TCommThread& operator=(const TCommThread&) = delete;

    // False, with errno's value in *error, when the wait's wake event or the
    // thread cannot be created; nothing runs then.
    bool start(int* error = nullptr);

    // Wakes the wait and waits for the thread's end. Safe to call from
    // inside a callback and more than once. A hand-over already posted
    // but not yet run is discarded.
    void stop();

    SerialPort* port() const { return m_port.get(); }

private:
    struct HandOver;

    void run();
    // Posts one callback to the context thread and waits until it ran or a
    // stop was requested. False when stopping.
    bool handOver(const Callback& callback);

    std::unique_ptr<SerialPort> m_port;
    QPointer<QObject> m_context;
    Callback m_onReceive;
    Callback m_onHangUp;
    std::shared_ptr<HandOver> m_shared;
    DescriptorWait m_wait;
    std::thread m_thread;
};
