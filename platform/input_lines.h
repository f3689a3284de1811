#pragma once

#include <QByteArray>
#include <QObject>

class QSocketNotifier;

// Reads text lines from a file descriptor, such as a program's standard
// input, without blocking the event loop: each complete line is delivered
// as it arrives, and a last line without line end at the end of the input.
// At the end of the input, or on a read error, reading stops for good.
// The descriptor stays open and remains the caller's.
//
// On a terminal, a program started in the background must not be stopped
// by the terminal for reading: SIGTTIN is ignored for the whole process, so
// such a read fails and reading ends instead.
class InputLines : public QObject
{
    Q_OBJECT

public:
    static constexpr int StandardInput = 0;
    // Longer lines are cut into pieces of this size.
    static constexpr qsizetype MaxLineLength = 4096;

    explicit InputLines(int fd = StandardInput, QObject* parent = nullptr);

    bool isReading() const { return m_notifier != nullptr; }

signals:
    // Without the line end ("\n" or "\r\n").
    void lineRead(const QByteArray& line);
    void finished();

private:
    void onReadable();
    // Emits the first `length` bytes and drops `consumed` bytes.
    void deliver(qsizetype length, qsizetype consumed);
    void finish();

    int m_fd = -1;
    QSocketNotifier* m_notifier = nullptr;
    QByteArray m_pending;
};
