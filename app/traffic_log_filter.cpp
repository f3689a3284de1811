#include "app/traffic_log_filter.h"

#include "app/traffic_log_model.h"

void TrafficLogFilter::setHideLivePolls(bool hide)
{
    m_hideLivePolls = hide;
    invalidateRowsFilter();
}

void TrafficLogFilter::setFailuresOnly(bool only)
{
    m_failuresOnly = only;
    invalidateRowsFilter();
}

bool TrafficLogFilter::filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const
{
    if (sourceParent.isValid())
        return true;
    const QModelIndex index = sourceModel()->index(sourceRow, 0);
    if (m_failuresOnly && !index.data(TrafficLogModel::FailureRole).toBool())
        return false;
    // A failed live poll is what one looks for when polls are hidden.
    if (m_hideLivePolls && index.data(TrafficLogModel::LivePollRole).toBool() &&
        !index.data(TrafficLogModel::FailureRole).toBool())
        return false;
    return true;
}

bool TrafficLogFilter::hasChildren(const QModelIndex& parent) const
{
    if (!parent.isValid())
        return QSortFilterProxyModel::hasChildren(parent);
    const QModelIndex source = mapToSource(parent);
    return source.isValid() && sourceModel()->hasChildren(source);
}
