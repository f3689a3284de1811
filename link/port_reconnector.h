#pragma once

#include <QDateTime>
#include <QDeadlineTimer>
#include <QObject>
#include <QStringList>
#include <QTimer>

class TMB;

// Brings a link back whose device went away (an adapter pulled, the far end
// of a pseudo-terminal closed): while the wait lasts it looks for the names
// the device had in the by-id folder when it was opened, or, when it had
// none, for the same path, and opens what it finds as the panel's Open
// would, so everything that follows an opening (OnMBPortOpenedOrClosed)
// follows. The wait is limited: a device that turns up much later is the
// user's to open.
//
// Owned by the TMB it serves and run on its thread. A successful opening of
// any kind ends a wait; a failed attempt leaves it running.
class PortReconnector : public QObject
{
    Q_OBJECT

public:
    static constexpr int DefaultPollIntervalMs = 500;
    static constexpr int DefaultWindowMs = 3 * 60 * 1000;

    explicit PortReconnector(TMB& link);

    bool isEnabled() const { return m_enabled; }
    // Off until the owner switches it on: a tool that ends on a hang-up
    // must not find its port opened again behind its back. Switching it
    // off ends a wait under way.
    void setEnabled(bool on);
    // How often to look and for how long; from the next wait on.
    void setTiming(int pollIntervalMs, int windowMs);
    // The folder of stable names (serial::ByIdFolder); read at each opening.
    void setAliasFolder(const QString& folder) { m_aliasFolder = folder; }

    bool isWaiting() const { return m_pollTimer.isActive(); }
    // The port that went away, and the wall-clock time the wait for it ends.
    QString awaitedPort() const { return m_port; }
    QDateTime deadline() const { return m_deadlineShown; }

signals:
    void enabledChanged(bool on);
    // A wait began, or ended: with the device back, switched off, or
    // because the time was up.
    void waitingChanged(bool waiting);

private:
    void onPortOpenedOrClosed(bool open);
    void onPortWentAway();
    void poll();
    void stopWaiting();

    TMB& m_link;
    bool m_enabled = false;
    int m_windowMs = DefaultWindowMs;
    QString m_aliasFolder;
    QString m_port;
    QStringList m_aliases;
    QDeadlineTimer m_deadline;
    QDateTime m_deadlineShown;
    QTimer m_pollTimer;
};
