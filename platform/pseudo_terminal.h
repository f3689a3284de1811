#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

// A pseudo-terminal pair standing in for a serial cable: the far end (the
// master side) is held here, the near end is a device path that the link
// opens like any serial port.
//
// A handle on the near end is kept open as well, so the far end does not see
// a hang-up each time the configurator closes the port or probes it.
class PseudoTerminal
{
public:
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    static std::unique_ptr<PseudoTerminal> open(QString* errorText = nullptr);

    // The device path of the near end, such as /dev/pts/7.
    const QString& devicePath() const { return m_devicePath; }
    // The far end; non-blocking, raw.
    int farFd() const { return m_farFd; }

    bool write(const QByteArray& bytes);
    QByteArray readAvailable();

    // Pulls the plug: the near end sees a hang-up.
    void hangUp();

private:
    PseudoTerminal() = default;

    int m_farFd = -1;
    int m_nearKeepAliveFd = -1;
    QString m_devicePath;
};
