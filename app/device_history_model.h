#pragma once

#include "app/language_table.h"
#include "records/record_event.h"

#include <QAbstractTableModel>
#include <QJsonObject>
#include <QList>
#include <QString>

#include <optional>

class RecordStore;

// The history of one tag as the Device records window lists it, newest
// first: a page of events at a time, taken from the store when the view
// scrolls to them (canFetchMore / fetchMore), so that a history of any
// length opens with one page read. Events recorded while it is shown go
// on top without reading the store again.
//
// The texts follow the language of the tool windows; the events' own
// values (numbers, units, paths) are shown as recorded.
class DeviceHistoryModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    static constexpr int PageSize = 200;

    enum Column
    {
        ColumnTime,
        ColumnStation,
        ColumnUser,
        ColumnPort,
        ColumnEvent,
        ColumnSummary,
        ColumnCount
    };

    explicit DeviceHistoryModel(QObject* parent = nullptr);

    // The history of `tag` ("" the untagged events) in `store`, from its
    // first page; a null or unreadable store shows none.
    void show(const RecordStore* store, const QString& tag);
    // The shown tag's history again, from the store.
    void reload();
    const QString& tag() const { return m_tag; }
    // Events in the shown history, read or not.
    int totalCount() const { return m_total; }

    // An event just recorded here: on top when it belongs to the history
    // shown. A tag given to events changes which events belong: read again.
    void add(const RecordEvent& event);

    void setLanguage(Language language);
    Language language() const { return m_language; }

    const RecordEvent& event(int row) const { return m_events.at(row); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

    // What happened, as the list names it.
    static QString kindText(const RecordEvent& event, Language language);
    // A line of the event's own values.
    static QString summary(const RecordEvent& event, Language language);
    // The time as listed: local, to the second.
    static QString timeText(const RecordEvent& event);
    // The settings set an event holds (what was read, what was sent, what
    // the transmitter held before an erase or restart); nullopt for none.
    static std::optional<QJsonObject> settingsOf(const RecordEvent& event);
    // A field of a settings set (settingsrecord::keys()) and its value as
    // a person reads them.
    static QString fieldCaption(const QString& key, Language language);
    static QString valueText(const QJsonObject& settings, const QString& key, Language language);

private:
    const RecordStore* m_store = nullptr;
    QString m_tag;
    QList<RecordEvent> m_events;
    int m_total = 0;
    Language m_language = Language::Hungarian;
};
