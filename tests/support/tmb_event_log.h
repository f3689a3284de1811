#pragma once

#include "link/mb_types.h"

#include <QObject>
#include <QStringList>

class TMB;

// The link's four public events, merged into one ordered list of short
// entries, so a test can compare the order in which they fired:
//   "busy 1", "now Sending", "end Time Out", "port 0"
class TmbEventLog : public QObject
{
    Q_OBJECT

public:
    explicit TmbEventLog(TMB* link, QObject* parent = nullptr);

    const QStringList& entries() const { return m_entries; }
    void clear() { m_entries.clear(); }
    // Number of "end ..." entries.
    int endCount() const;
    // The entries logged since the one at index `from`.
    QStringList since(int from) const { return m_entries.mid(from); }

private:
    QStringList m_entries;
};
