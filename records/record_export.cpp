#include "records/record_export.h"

#include "records/record_presentation.h"

#include <QJsonArray>
#include <QJsonDocument>

QJsonArray recordexport::jsonArray(const RecordStore& store, const QList<RecordEvent>& events)
{
    QJsonArray array;
    for (const RecordEvent& event : events)
        array.append(recordpresentation::json(store, event));
    return array;
}

QByteArray recordexport::json(const RecordStore& store, const QList<RecordEvent>& events)
{
    return QJsonDocument(jsonArray(store, events)).toJson(QJsonDocument::Indented);
}

QString recordexport::csvField(const QString& text)
{
    static const QString kNeedQuotes = QStringLiteral(",\"\r\n");
    bool quote = false;
    for (const QChar c : text)
        quote = quote || kNeedQuotes.contains(c);
    if (!quote)
        return text;
    QString quoted = text;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

QByteArray recordexport::csv(const QList<RecordEvent>& events)
{
    static const QString kLineEnd = QStringLiteral("\r\n");
    QStringList header;
    for (const char* column : CsvColumns)
        header.append(QLatin1StringView(column));
    QString text = header.join(u',') + kLineEnd;
    for (const RecordEvent& e : events) {
        const QStringList fields = {
            e.id.toString(QUuid::WithoutBraces),
            RecordEvent::timeText(e.time),
            e.tag,
            e.station,
            e.user,
            e.program,
            e.version,
            e.port,
            e.model,
            e.firmware == 0 ? QString() : QString::number(e.firmware),
            e.session.isNull() ? QString() : e.session.toString(QUuid::WithoutBraces),
            e.kind,
            QString::fromUtf8(QJsonDocument(e.data).toJson(QJsonDocument::Compact)),
        };
        QStringList row;
        for (const QString& field : fields)
            row.append(csvField(field));
        text += row.join(u',') + kLineEnd;
    }
    return text.toUtf8();
}
