#include "app/traffic_log_model.h"

#include "link/tmb.h"

namespace {
// internalId of a top-level row; a child's is its parent's serial.
constexpr quintptr TopLevel = 0;
} // namespace

TrafficLogModel::TrafficLogModel(TMB* mb, QObject* parent) : QAbstractItemModel(parent)
{
    m_batchTimer.setSingleShot(true);
    connect(&m_batchTimer, &QTimer::timeout, this, &TrafficLogModel::insertWaiting);
    m_headers = {QStringLiteral("Time"),    QStringLiteral("Dir."),   QStringLiteral("Frame"),
                 QStringLiteral("Command"), QStringLiteral("Device"), QStringLiteral("Status")};
    if (!mb)
        return;
    connect(mb, &TMB::traffic, this, &TrafficLogModel::append);
    connect(mb, &TMB::OnMBPortOpenedOrClosed, this, [this](bool open) {
        if (open)
            m_decoder.reset();
    });
}

void TrafficLogModel::append(const LinkTraffic& entry)
{
    TrafficDecoder::Record record = m_decoder.take(entry);
    if (m_paused) {
        m_held.push_back(std::move(record));
        if (qsizetype(m_held.size()) > m_capacity)
            m_held.pop_front();
        return;
    }
    if (m_batchTimer.interval() > 0) {
        m_waiting.push_back(std::move(record));
        if (!m_batchTimer.isActive())
            m_batchTimer.start();
        return;
    }
    show(std::move(record));
}

void TrafficLogModel::setBatchInterval(int ms)
{
    m_batchTimer.setInterval(qMax(0, ms));
    if (ms <= 0)
        insertWaiting();
}

void TrafficLogModel::insertWaiting()
{
    m_batchTimer.stop();
    std::deque<TrafficDecoder::Record> waiting;
    waiting.swap(m_waiting);
    show(std::move(waiting));
}

void TrafficLogModel::show(TrafficDecoder::Record record)
{
    std::deque<TrafficDecoder::Record> one;
    one.push_back(std::move(record));
    show(std::move(one));
}

void TrafficLogModel::show(std::deque<TrafficDecoder::Record> records)
{
    while (qsizetype(records.size()) > m_capacity)
        records.pop_front();
    if (records.empty())
        return;
    // Views and filters pay for a removal by the rows they hold, so a full
    // ring makes room a slice at a time rather than a row per entry.
    const qsizetype incoming = qsizetype(records.size());
    const qsizetype excess = qsizetype(m_rows.size()) + incoming - m_capacity;
    if (excess > 0) {
        const qsizetype slice = qMax<qsizetype>(1, m_capacity / DropSlices);
        dropOldest(qMin(qsizetype(m_rows.size()), qMax(excess, slice)));
    }
    const int first = int(m_rows.size());
    beginInsertRows({}, first, first + int(incoming) - 1);
    for (TrafficDecoder::Record& record : records)
        m_rows.push_back({std::move(record), m_nextSerial++});
    endInsertRows();
}

void TrafficLogModel::dropOldest(qsizetype count)
{
    if (count <= 0)
        return;
    beginRemoveRows({}, 0, int(count - 1));
    m_rows.erase(m_rows.begin(), m_rows.begin() + count);
    endRemoveRows();
}

void TrafficLogModel::clear()
{
    beginResetModel();
    m_rows.clear();
    m_held.clear();
    m_waiting.clear();
    m_batchTimer.stop();
    endResetModel();
}

void TrafficLogModel::setPaused(bool paused)
{
    if (paused == m_paused)
        return;
    m_paused = paused;
    // What waits came before the pause: shown now, it stays ahead of what
    // the pause holds back.
    if (paused) {
        insertWaiting();
        return;
    }
    std::deque<TrafficDecoder::Record> held;
    held.swap(m_held);
    show(std::move(held));
}

void TrafficLogModel::setCapacity(qsizetype capacity)
{
    m_capacity = qMax<qsizetype>(1, capacity);
    dropOldest(qsizetype(m_rows.size()) - m_capacity);
    while (qsizetype(m_held.size()) > m_capacity)
        m_held.pop_front();
}

void TrafficLogModel::setTexts(const TrafficDecoder::Texts& texts)
{
    m_texts = texts;
    if (!m_rows.empty())
        emit dataChanged(index(0, ColumnDirection), index(int(m_rows.size()) - 1, ColumnStatus));
}

void TrafficLogModel::setHeaders(const QStringList& headers)
{
    m_headers = headers;
    emit headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
}

QString TrafficLogModel::lineAt(int row) const
{
    return TrafficDecoder::line(record(row), m_texts);
}

const TrafficLogModel::Row* TrafficLogModel::rowOfSerial(quint64 serial) const
{
    if (m_rows.empty() || serial < m_rows.front().serial)
        return nullptr;
    const quint64 offset = serial - m_rows.front().serial;
    return offset < m_rows.size() ? &m_rows[size_t(offset)] : nullptr;
}

const QList<TrafficDecoder::Field>& TrafficLogModel::fieldsOf(const Row& row) const
{
    if (m_fieldsSerial != row.serial) {
        m_fields = TrafficDecoder::fields(row.record);
        m_fieldsSerial = row.serial;
    }
    return m_fields;
}

QModelIndex TrafficLogModel::index(int row, int column, const QModelIndex& parent) const
{
    if (row < 0 || column < 0 || column >= ColumnCount)
        return {};
    if (!parent.isValid())
        return row < int(m_rows.size()) ? createIndex(row, column, TopLevel) : QModelIndex();
    if (parent.internalId() != TopLevel || parent.row() >= int(m_rows.size()))
        return {};
    const Row& owner = m_rows[size_t(parent.row())];
    if (row >= fieldsOf(owner).size())
        return {};
    return createIndex(row, column, quintptr(owner.serial));
}

QModelIndex TrafficLogModel::parent(const QModelIndex& child) const
{
    if (!child.isValid() || child.internalId() == TopLevel)
        return {};
    const Row* owner = rowOfSerial(child.internalId());
    if (!owner)
        return {};
    return createIndex(int(owner->serial - m_rows.front().serial), 0, TopLevel);
}

int TrafficLogModel::rowCount(const QModelIndex& parent) const
{
    if (!parent.isValid())
        return int(m_rows.size());
    if (parent.internalId() != TopLevel || parent.column() != 0 || parent.row() >= int(m_rows.size()))
        return 0;
    return int(fieldsOf(m_rows[size_t(parent.row())]).size());
}

bool TrafficLogModel::hasChildren(const QModelIndex& parent) const
{
    if (!parent.isValid())
        return !m_rows.empty();
    if (parent.internalId() != TopLevel || parent.column() != 0 || parent.row() >= int(m_rows.size()))
        return false;
    return TrafficDecoder::hasFields(m_rows[size_t(parent.row())].record);
}

int TrafficLogModel::columnCount(const QModelIndex&) const
{
    return ColumnCount;
}

QVariant TrafficLogModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    if (index.internalId() != TopLevel) {
        if (role != Qt::DisplayRole)
            return {};
        const Row* owner = rowOfSerial(index.internalId());
        if (!owner || index.row() >= fieldsOf(*owner).size())
            return {};
        const TrafficDecoder::Field& field = fieldsOf(*owner)[index.row()];
        if (index.column() == ColumnFrame)
            return field.name;
        if (index.column() == ColumnCommand)
            return field.value;
        return {};
    }
    if (index.row() >= int(m_rows.size()))
        return {};
    const TrafficDecoder::Record& r = m_rows[size_t(index.row())].record;
    using Status = TrafficDecoder::Status;
    switch (role) {
    case LivePollRole:
        return r.livePoll;
    case FailureRole:
        return r.status != Status::Sent && r.status != Status::Ok;
    case Qt::ToolTipRole:
        // The frame column elides long frames.
        if (index.column() != ColumnFrame)
            return {};
        break;
    case Qt::DisplayRole:
        break;
    default:
        return {};
    }
    switch (index.column()) {
    case ColumnTime:
        return TrafficDecoder::timeText(r.entry.wallMs);
    case ColumnDirection:
        return TrafficDecoder::directionText(r, m_texts);
    case ColumnFrame:
        return TrafficDecoder::wireText(r.entry.wire);
    case ColumnCommand:
        return TrafficDecoder::commandText(r.command);
    case ColumnDevice:
        return TrafficDecoder::deviceText(r);
    case ColumnStatus:
        return TrafficDecoder::statusText(r, m_texts);
    default:
        return {};
    }
}

QVariant TrafficLogModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= m_headers.size())
        return {};
    return m_headers[section];
}
