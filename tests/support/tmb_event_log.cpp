#include "tests/support/tmb_event_log.h"

#include "link/tmb.h"

TmbEventLog::TmbEventLog(TMB* link, QObject* parent) : QObject(parent)
{
    connect(link, &TMB::OnMBBusyChanged, this,
            [this](bool busy) { m_entries.append(QStringLiteral("busy %1").arg(int(busy))); });
    connect(link, &TMB::OnMBStatusNowChanged, this,
            [this](TMBStatusNow, const QString& text) { m_entries.append(QStringLiteral("now ") + text); });
    connect(link, &TMB::OnMBMasterEndOfEvent, this,
            [this](TMBStatus, const QString& text) { m_entries.append(QStringLiteral("end ") + text); });
    connect(link, &TMB::OnMBPortOpenedOrClosed, this,
            [this](bool open) { m_entries.append(QStringLiteral("port %1").arg(int(open))); });
}

int TmbEventLog::endCount() const
{
    int n = 0;
    for (const QString& entry : m_entries)
        n += entry.startsWith(QStringLiteral("end "));
    return n;
}
