#pragma once

#include <QSortFilterProxyModel>

// The traffic log's filters over TrafficLogModel: live polls hidden, or
// only what failed shown. Decoded fields of a shown row always show.
class TrafficLogFilter : public QSortFilterProxyModel
{
    Q_OBJECT

public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

    void setHideLivePolls(bool hide);
    void setFailuresOnly(bool only);

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

private:
    bool m_hideLivePolls = false;
    bool m_failuresOnly = false;
};
