#include "link/port_reconnector.h"

#include "link/tmb.h"
#include "platform/serial_port.h"
#include "platform/serial_port_enumeration.h"

#include <QFileInfo>

PortReconnector::PortReconnector(TMB& link)
    : m_link(link), m_aliasFolder(QString::fromLatin1(serial::ByIdFolder))
{
    m_pollTimer.setInterval(DefaultPollIntervalMs);
    connect(&m_pollTimer, &QTimer::timeout, this, &PortReconnector::poll);
    connect(&m_link, &TMB::OnMBPortOpenedOrClosed, this, &PortReconnector::onPortOpenedOrClosed);
    connect(&m_link, &TMB::portWentAway, this, &PortReconnector::onPortWentAway);
}

void PortReconnector::setEnabled(bool on)
{
    if (on == m_enabled)
        return;
    m_enabled = on;
    if (!on)
        stopWaiting();
    emit enabledChanged(on);
}

void PortReconnector::setTiming(int pollIntervalMs, int windowMs)
{
    m_pollTimer.setInterval(qMax(1, pollIntervalMs));
    m_windowMs = qMax(0, windowMs);
}

void PortReconnector::onPortOpenedOrClosed(bool open)
{
    if (!open)
        return;
    stopWaiting();
    // Taken now: once the device is gone, its by-id links are gone too.
    m_port = m_link.Port();
    m_aliases = serial::aliasesOf(m_port, m_aliasFolder);
    m_aliases.removeAll(m_port);
}

void PortReconnector::onPortWentAway()
{
    if (!m_enabled || m_port.isEmpty())
        return;
    m_deadline.setRemainingTime(m_windowMs);
    m_deadlineShown = QDateTime::currentDateTime().addMSecs(m_windowMs);
    m_pollTimer.start();
    emit waitingChanged(true);
}

void PortReconnector::poll()
{
    if (m_deadline.hasExpired()) {
        stopWaiting();
        return;
    }
    // A stable name identifies the device; the kernel's name may by now
    // belong to another adapter, so it counts only when there is none.
    QStringList candidates;
    for (const QString& alias : std::as_const(m_aliases))
        candidates.append(QFileInfo(alias).canonicalFilePath());
    if (m_aliases.isEmpty() && QFileInfo::exists(m_port))
        candidates.append(m_port);
    for (const QString& path : std::as_const(candidates)) {
        if (path.isEmpty())
            continue;
        // Opened here, not through the link's own opening, so that a device
        // not ready yet (its permissions still being set) fails quietly.
        std::unique_ptr<SerialPort> port = SerialPort::open(path, m_link.baudRate());
        if (!port)
            continue;
        if (path != m_port)
            m_link.setMBLastUsedPort(path);
        m_link.openAction(std::move(port));
        return;
    }
}

void PortReconnector::stopWaiting()
{
    if (!m_pollTimer.isActive())
        return;
    m_pollTimer.stop();
    emit waitingChanged(false);
}
