#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGINT and SIGTERM into a Qt signal on the watcher's thread, through
// a self-pipe (a signal handler may do nothing but write a byte).
//
// Threading: terminationRequested is emitted from the event loop of the
// thread the watcher lives in, never from the signal handler.
//
// Ownership: one watcher per process, as the handlers are process-wide; it
// owns the pipe and the handlers, and its destruction puts the default
// handlers that were in place before it and closes the pipe.
//
// Failure: a second watcher while one exists, or a pipe or handler that
// cannot be set up, leaves it invalid (isValid() false) and the signals'
// handling as it was.
class TerminationSignals : public QObject
{
    Q_OBJECT

public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

    // False when the pipe or the handlers could not be set up.
    bool isValid() const { return m_notifier != nullptr; }

signals:
    void terminationRequested(int signalNumber);

private:
    void onReadable();

    QSocketNotifier* m_notifier = nullptr;
};
