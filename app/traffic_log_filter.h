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

    // Decoded fields are never filtered, so a row has children exactly when
    // its entry has. Answered from the source: the base class would build a
    // child mapping for every row a view lays out, decoding each entry's
    // fields, and walk all those mappings on every new entry.
    bool hasChildren(const QModelIndex& parent = {}) const override;

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

private:
    bool m_hideLivePolls = false;
    bool m_failuresOnly = false;
};
