#pragma once

#include "device/traffic_decoder.h"

#include <QAbstractItemModel>
#include <QTimer>

#include <deque>

class TMB;

// The traffic log's rows: the latest entries of the link's traffic,
// oldest first, each with its decoded fields as child rows made only when a
// view asks for them (a row expanded). Pausing holds new entries back
// without losing them; resuming shows them.
class TrafficLogModel : public QAbstractItemModel
{
    Q_OBJECT

public:
    static constexpr qsizetype DefaultCapacity = 100000;
    // A full ring drops this share of its capacity (1/DropSlices, at least
    // one row) at once to make room: it holds between capacity minus that
    // and capacity entries, always the latest.
    static constexpr qsizetype DropSlices = 100;

    enum Column
    {
        ColumnTime,
        ColumnDirection,
        ColumnFrame,
        ColumnCommand,
        ColumnDevice,
        ColumnStatus,
        ColumnCount
    };

    // Rows of entries carry the live-poll flag under this role, for filters.
    static constexpr int LivePollRole = Qt::UserRole + 1;
    static constexpr int FailureRole = Qt::UserRole + 2;

    // Follows `mb` from now on (null: fed by append() only).
    explicit TrafficLogModel(TMB* mb, QObject* parent = nullptr);

    void append(const LinkTraffic& entry);
    void clear();
    void setPaused(bool paused);
    bool isPaused() const { return m_paused; }
    // New entries wait up to this long and are then inserted together; 0
    // (the default) inserts each at once, and inserts what waits. For a
    // shown view: a tree view lays out all its rows, and repaints, once per
    // insertion, which a log of thousands of rows cannot afford twice a poll.
    void setBatchInterval(int ms);
    // Inserts the entries waiting for their batch now.
    void insertWaiting();
    // Fewer rows drop the oldest at once.
    void setCapacity(qsizetype capacity);
    qsizetype capacity() const { return m_capacity; }
    void setTexts(const TrafficDecoder::Texts& texts);
    void setHeaders(const QStringList& headers);

    // The entry of a top-level row; the line as copied and saved.
    const TrafficDecoder::Record& record(int row) const { return m_rows[size_t(row)].record; }
    QString lineAt(int row) const;
    // Entries held back by a pause.
    qsizetype heldBack() const { return qsizetype(m_held.size()); }

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;

private:
    struct Row
    {
        TrafficDecoder::Record record;
        // Numbers rows for ever, so a child index stays valid while older
        // rows drop out in front of its parent.
        quint64 serial = 0;
    };

    void show(TrafficDecoder::Record record);
    // Inserts them at the end at once, dropping the oldest rows to make room.
    void show(std::deque<TrafficDecoder::Record> records);
    void dropOldest(qsizetype count);
    const Row* rowOfSerial(quint64 serial) const;
    const QList<TrafficDecoder::Field>& fieldsOf(const Row& row) const;

    TrafficDecoder m_decoder;
    TrafficDecoder::Texts m_texts;
    QStringList m_headers;
    std::deque<Row> m_rows;
    std::deque<TrafficDecoder::Record> m_held;
    // Entries waiting for the batch timer.
    std::deque<TrafficDecoder::Record> m_waiting;
    QTimer m_batchTimer;
    quint64 m_nextSerial = 1;
    qsizetype m_capacity = DefaultCapacity;
    bool m_paused = false;
    // The fields of the rows expanded lately, so a view repainting does
    // not decode them again and again.
    mutable quint64 m_fieldsSerial = 0;
    mutable QList<TrafficDecoder::Field> m_fields;
};
