#include "app/device_history_model.h"

#include "app/tool_texts.h"
#include "records/record_presentation.h"
#include "records/record_store.h"
#include "records/settings_record.h"
#include "verification/verification.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <charconv>
#include <system_error>

namespace {

using Text = ToolTexts::Text;

// Enough of a file's digest to tell two files apart at a glance.
constexpr int kShownDigestLength = 12;

const QString kSeparator = QStringLiteral(", ");

QString words(Text text, Language language)
{
    return ToolTexts::text(text, language);
}

// A recorded number as typed: the values are the doubles of single-precision
// numbers (3.8, not 3.79999995), or whole numbers beyond a float's.
QString numberText(double value)
{
    char text[32];
    const auto [end, error] = std::to_chars(text, text + sizeof text, float(value));
    if (error == std::errc() && double(float(value)) == value)
        return QString::fromLatin1(text, end - text);
    // Not a float the transmitter sent: the shortest text that reads back as the double.
    const auto [doubleEnd, doubleError] = std::to_chars(text, text + sizeof text, value);
    return doubleError == std::errc() ? QString::fromLatin1(text, doubleEnd - text)
                                      : QString::number(value, 'g', 17);
}

// {"value": 100.01, "unit": "ohm"} as "100.01 ohm".
QString quantityText(const QJsonValue& quantity)
{
    const QJsonObject o = quantity.toObject();
    const QJsonValue value = o.value(QStringLiteral("value"));
    QString text = value.isDouble() ? numberText(value.toDouble()) : value.toString();
    const QString unit = o.value(QStringLiteral("unit")).toString();
    if (!unit.isEmpty())
        text += u' ' + unit;
    return text;
}

QString settingsSummary(const QJsonObject& s, Language language)
{
    const auto value = [&](const char* key) {
        return DeviceHistoryModel::valueText(s, QLatin1StringView(key), language);
    };
    return QStringList{value("inputMode"), value("sensor"),
                       words(Text::RecordsFieldWires, language) + u' ' + value("wires"),
                       value("scaleLow") + QStringLiteral(" … ") + value("scaleHigh"), value("outputType")}
        .join(kSeparator);
}

QString readingSummary(const QJsonObject& reading)
{
    // The fields the journal's line has, in its order.
    static const char* const kFields[] = {"ADAveraged", "fCalculatedR", "fCalculatedRWithoutCompensation",
                                          "PWM", "fOutput"};
    QStringList parts;
    for (const char* field : kFields) {
        const QJsonValue quantity = reading.value(QLatin1StringView(field));
        if (!quantity.isUndefined())
            parts.append(QLatin1StringView(field) + u' ' + quantityText(quantity));
    }
    return parts.join(kSeparator);
}

QString fileSummary(const QJsonObject& data)
{
    return data.value(QStringLiteral("path")).toString() + QStringLiteral(" (SHA-256 ") +
           data.value(QStringLiteral("sha256")).toString().left(kShownDigestLength) + QStringLiteral("…)");
}

} // namespace

DeviceHistoryModel::DeviceHistoryModel(QObject* parent) : QAbstractTableModel(parent) {}

void DeviceHistoryModel::show(const RecordStore* store, const QString& tag)
{
    m_store = store;
    m_tag = tag;
    reload();
}

void DeviceHistoryModel::reload()
{
    beginResetModel();
    m_events.clear();
    m_total = 0;
    if (m_store && m_store->canRead()) {
        m_total = m_store->historySize(m_tag);
        m_events = m_store->history(m_tag, 0, PageSize);
    }
    endResetModel();
}

void DeviceHistoryModel::add(const RecordEvent& event)
{
    if (!m_store)
        return;
    if (event.isKind(RecordEvent::TagAssigned)) {
        reload();
        return;
    }
    if (event.tag != m_tag)
        return;
    beginInsertRows({}, 0, 0);
    m_events.prepend(event);
    ++m_total;
    endInsertRows();
}

void DeviceHistoryModel::setLanguage(Language language)
{
    if (language == m_language)
        return;
    m_language = language;
    emit headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
    if (!m_events.isEmpty())
        emit dataChanged(index(0, ColumnEvent), index(rowCount() - 1, ColumnSummary));
}

int DeviceHistoryModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_events.size());
}

int DeviceHistoryModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

bool DeviceHistoryModel::canFetchMore(const QModelIndex& parent) const
{
    return !parent.isValid() && m_events.size() < m_total;
}

void DeviceHistoryModel::fetchMore(const QModelIndex& parent)
{
    if (!canFetchMore(parent))
        return;
    const QList<RecordEvent> page = m_store->history(m_tag, int(m_events.size()), PageSize);
    if (page.isEmpty()) {
        // Fewer than counted: events given another tag meanwhile.
        m_total = int(m_events.size());
        return;
    }
    beginInsertRows({}, int(m_events.size()), int(m_events.size() + page.size()) - 1);
    m_events.append(page);
    endInsertRows();
}

QVariant DeviceHistoryModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_events.size())
        return {};
    const RecordEvent& e = m_events.at(index.row());
    if (role == Qt::ToolTipRole && index.column() == ColumnTime)
        return RecordEvent::timeText(e.time);
    if (role == Qt::ToolTipRole && index.column() == ColumnSummary)
        return summary(e, m_language);
    if (role != Qt::DisplayRole)
        return {};
    switch (Column(index.column())) {
    case ColumnTime:
        return timeText(e);
    case ColumnStation:
        return e.station;
    case ColumnUser:
        return e.user;
    case ColumnPort:
        return e.port;
    case ColumnEvent:
        return kindText(e, m_language);
    case ColumnSummary:
        return summary(e, m_language);
    case ColumnCount:
        break;
    }
    return {};
}

QVariant DeviceHistoryModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static constexpr Text kHeaders[] = {Text::RecordsColumnTime,  Text::RecordsColumnStation,
                                        Text::RecordsColumnUser,  Text::RecordsColumnPort,
                                        Text::RecordsColumnEvent, Text::RecordsColumnSummary};
    if (section < 0 || section >= ColumnCount)
        return {};
    return words(kHeaders[section], m_language);
}

QString DeviceHistoryModel::timeText(const RecordEvent& event)
{
    return event.time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString DeviceHistoryModel::kindText(const RecordEvent& e, Language language)
{
    struct KindText
    {
        const char* kind;
        Text text;
    };
    static constexpr KindText kKinds[] = {
        {RecordEvent::SessionStart, Text::RecordsSessionStart},
        {RecordEvent::SessionEnd, Text::RecordsSessionEnd},
        {RecordEvent::SettingsWrite, Text::RecordsSettingsWrite},
        {RecordEvent::WriteUnverified, Text::RecordsWriteUnverified},
        {RecordEvent::Command, Text::RecordsCommand},
        {RecordEvent::Erase, Text::RecordsErase},
        {RecordEvent::Restart, Text::RecordsRestart},
        {RecordEvent::FileOpened, Text::RecordsFileOpened},
        {RecordEvent::FileSaved, Text::RecordsFileSaved},
        {RecordEvent::TagAssigned, Text::RecordsTagAssigned},
        {RecordEvent::Verification, Text::RecordsVerification},
        {RecordEvent::Certificate, Text::RecordsCertificate},
    };
    if (e.isKind(RecordEvent::SettingsRead)) {
        if (e.data.value(QStringLiteral("asLeft")).toBool())
            return words(Text::RecordsAsLeft, language);
        if (e.data.value(QStringLiteral("asFound")).toBool())
            return words(Text::RecordsAsFound, language);
        return words(Text::RecordsSettingsRead, language);
    }
    for (const KindText& k : kKinds) {
        if (e.isKind(k.kind))
            return words(k.text, language);
    }
    // A kind of a newer program: as it is stored.
    return e.kind;
}

QString DeviceHistoryModel::summary(const RecordEvent& e, Language language)
{
    const QJsonObject& d = e.data;
    if (e.isKind(RecordEvent::SessionStart))
        return QStringList{e.port, e.model}.join(kSeparator);
    if (e.isKind(RecordEvent::SessionEnd))
        return e.port;
    if (e.isKind(RecordEvent::SettingsRead)) {
        QString text = settingsSummary(d.value(QStringLiteral("settings")).toObject(), language);
        if (d.contains(QStringLiteral("agreed"))) {
            QStringList differences;
            for (const QJsonValue& key : d.value(QStringLiteral("differences")).toArray())
                differences.append(fieldCaption(key.toString(), language));
            text += QStringLiteral("; ") +
                    (d.value(QStringLiteral("agreed")).toBool()
                         ? words(Text::RecordsAgreed, language)
                         : words(Text::RecordsDiffers, language).arg(differences.join(kSeparator)));
        }
        return text;
    }
    if (e.isKind(RecordEvent::SettingsWrite))
        return settingsSummary(d.value(QStringLiteral("sent")).toObject(), language);
    if (e.isKind(RecordEvent::WriteUnverified))
        return d.value(QStringLiteral("reason")).toString();
    if (e.isKind(RecordEvent::Command)) {
        const QJsonValue sent = d.value(QStringLiteral("sent"));
        const QString done = recordpresentation::commandText(d.value(QStringLiteral("command")).toInt(-1),
                                                             language == Language::Hungarian);
        QStringList parts{done.isEmpty() ? d.value(QStringLiteral("name")).toString() : done};
        if (sent.isDouble())
            parts.append(words(Text::RecordsSent, language).arg(numberText(sent.toDouble())));
        parts.append(words(Text::RecordsReading, language)
                         .arg(readingSummary(d.value(QStringLiteral("reading")).toObject())));
        return parts.join(QStringLiteral("; "));
    }
    if (e.isKind(RecordEvent::Erase) || e.isKind(RecordEvent::Restart)) {
        const QJsonValue before = d.value(QStringLiteral("lastSettings"));
        return before.isObject() ? settingsSummary(before.toObject(), language) : QString();
    }
    if (e.isKind(RecordEvent::FileOpened) || e.isKind(RecordEvent::FileSaved))
        return fileSummary(d);
    if (e.isKind(RecordEvent::TagAssigned))
        return words(Text::RecordsTagGiven, language)
            .arg(d.value(QStringLiteral("events")).toArray().size())
            .arg(e.tag);
    const QString pass =
        words(d.value(QStringLiteral("pass")).toBool() ? Text::RecordsPass : Text::RecordsFail, language);
    if (e.isKind(RecordEvent::Verification))
        return QStringList{
            words(d.value(QStringLiteral("run")).toString() == QLatin1StringView(VerificationRun::AsFound)
                      ? Text::RecordsRunAsFound
                      : Text::RecordsRunAsLeft,
                  language),
            words(Text::RecordsPoints, language)
                .arg(d.value(QStringLiteral("points")).toArray().size())
                .arg(numberText(d.value(QStringLiteral("tolerancePercent")).toDouble())),
            pass}
            .join(kSeparator);
    if (e.isKind(RecordEvent::Certificate))
        return QStringList{d.value(QStringLiteral("number")).toString(), pass, fileSummary(d)}.join(
            kSeparator);
    return QString::fromUtf8(QJsonDocument(d).toJson(QJsonDocument::Compact));
}

std::optional<QJsonObject> DeviceHistoryModel::settingsOf(const RecordEvent& e)
{
    const char* field = nullptr;
    if (e.isKind(RecordEvent::SettingsRead))
        field = "settings";
    else if (e.isKind(RecordEvent::SettingsWrite))
        field = "sent";
    else if (e.isKind(RecordEvent::Erase) || e.isKind(RecordEvent::Restart))
        field = "lastSettings";
    const QJsonValue settings = field ? e.data.value(QLatin1StringView(field)) : QJsonValue();
    if (!settings.isObject())
        return std::nullopt;
    return settings.toObject();
}

QString DeviceHistoryModel::fieldCaption(const QString& key, Language language)
{
    const qsizetype index = settingsrecord::keys().indexOf(key);
    if (index < 0)
        return key;
    return words(Text(int(Text::RecordsFieldWires) + int(index)), language);
}

QString DeviceHistoryModel::valueText(const QJsonObject& settings, const QString& key, Language language)
{
    return settingsrecord::valueText(settings, key, language == Language::Hungarian);
}
