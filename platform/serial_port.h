#pragma once

#include <QByteArray>
#include <QString>

#include <limits>
#include <memory>

// One open serial device, owned exclusively: TIOCEXCL keeps out ordinary
// users and an advisory flock keeps out root and any other cooperating
// program. Non-blocking; reads and writes never wait.
class SerialPort
{
public:
    static constexpr qint64 WriteMarginMs = 20;
    // The reason given when another program holds the device: the system's
    // own text for it ("Device or resource busy") says nothing to a user.
    static constexpr const char* InUseText = "in use by another program";

    ~SerialPort();
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    // Opens and configures the device. On failure returns null and, if
    // errorText is given, the system's text for the error; `reason` gets
    // what a user is told: InUseText when another holder keeps the device,
    // permissionText() when the system does not let this user open it, the
    // system's text otherwise.
    static std::unique_ptr<SerialPort> open(const QString& path, quint32 baudRate,
                                            QString* errorText = nullptr, QString* reason = nullptr);

    // A terminal descriptor opened elsewhere (inherited from a parent, or the
    // far end of a pseudo-terminal, which has no path to open): a duplicate
    // is set up as open() does; the caller keeps its own. `name` stands in
    // for the path. No exclusive hold is taken: the caller already has one.
    static std::unique_ptr<SerialPort> adopt(int fd, const QString& name, quint32 baudRate,
                                             QString* errorText = nullptr);

    // True when the path names a terminal device that can be opened
    // exclusively right now. Leaves the device as it found it. When not,
    // *error (if given) gets the system's error number.
    static bool isAvailable(const QString& path, int* error = nullptr);

    // Why this user may not open `path`, and what to do about it. Usually
    // the device belongs to a group (dialout) the user is not in: the text
    // names the group, read from the device, and the command that adds the
    // user to it. Otherwise it gives the device's owner, group and mode.
    // It starts with the cause, so that a line cut short still shows it.
    static QString permissionText(const QString& path);

    int fd() const { return m_fd; }
    const QString& path() const { return m_path; }

    // Writes all bytes, waiting at most for their transmission time when the
    // driver queue is full. False only on a device error (unplugged, hung up).
    bool write(const QByteArray& bytes);

    // What is waiting in the receive queue, at most maxBytes of it: a peer
    // that never stops sending cannot keep the caller reading.
    QByteArray read(qsizetype maxBytes);
    // Everything waiting, however much that is.
    QByteArray readAll() { return read(std::numeric_limits<qsizetype>::max()); }

private:
    SerialPort(int fd, QString path, quint32 baudRate);
    // Line settings, modem lines and queues of a freshly opened descriptor;
    // closes it on failure.
    static std::unique_ptr<SerialPort> setUp(int fd, const QString& path, quint32 baudRate,
                                             QString* errorText);

    int m_fd = -1;
    QString m_path;
    quint32 m_baudRate = 9600;
};
