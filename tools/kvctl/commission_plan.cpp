#include "tools/kvctl/commission_plan.h"

#include "records/record_event.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

namespace {

// A plan names a handful of transmitters; anything much larger is not one.
constexpr qint64 kMaxPlanBytes = 1024 * 1024;

const QStringList kColumns = {QStringLiteral("port"), QStringLiteral("tag"), QStringLiteral("file"),
                              QStringLiteral("model")};

std::optional<TDeviceModel> modelNamed(const QString& name)
{
    const QString upper = name.trimmed().toUpper();
    if (upper == QLatin1StringView("KV4620"))
        return dmKV4620;
    if (upper == QLatin1StringView("KV4820"))
        return dmKV4820;
    return std::nullopt;
}

} // namespace

std::optional<QStringList> CommissionPlan::fields(const QString& line)
{
    QStringList out;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (quoted) {
            if (c == u'"' && i + 1 < line.size() && line.at(i + 1) == u'"') {
                field += u'"';
                ++i;
            } else if (c == u'"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == u'"') {
            quoted = true;
        } else if (c == u',') {
            out.append(field.trimmed());
            field.clear();
        } else {
            field += c;
        }
    }
    if (quoted)
        return std::nullopt;
    out.append(field.trimmed());
    return out;
}

std::optional<CommissionPlan> CommissionPlan::read(const QString& path, QString* error)
{
    const auto refuse = [&](int line, const QString& why) {
        *error =
            line > 0
                ? QStringLiteral("%1, line %2: %3").arg(QDir::toNativeSeparators(path)).arg(line).arg(why)
                : QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), why);
        return std::nullopt;
    };
    const QFileInfo info(path);
    if (!info.isFile())
        return refuse(0, QStringLiteral("not a file"));
    if (info.size() > kMaxPlanBytes)
        return refuse(0, QStringLiteral("larger than a plan can be"));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return refuse(0, file.errorString());
    QString text = QString::fromUtf8(file.readAll());
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    const QStringList lines = text.split(u'\n');

    QHash<QString, qsizetype> column;
    CommissionPlan plan;
    QHash<QString, int> portLine;
    QHash<QString, int> tagLine;
    for (qsizetype n = 0; n < lines.size(); ++n) {
        const int lineNumber = int(n + 1);
        if (lines.at(n).trimmed().isEmpty())
            continue;
        const std::optional<QStringList> f = fields(lines.at(n));
        if (!f)
            return refuse(lineNumber, QStringLiteral("a quote is not closed"));
        if (column.isEmpty()) {
            for (qsizetype i = 0; i < f->size(); ++i) {
                const QString name = f->at(i).toLower();
                if (!kColumns.contains(name))
                    return refuse(lineNumber,
                                  QStringLiteral("unknown column \"%1\" (the columns are port, tag, file "
                                                 "and, if wanted, model)")
                                      .arg(f->at(i)));
                if (column.contains(name))
                    return refuse(lineNumber, QStringLiteral("column \"%1\" twice").arg(name));
                column.insert(name, i);
            }
            for (const char* needed : {"port", "tag", "file"}) {
                if (!column.contains(QLatin1StringView(needed)))
                    return refuse(lineNumber,
                                  QStringLiteral("no column \"%1\"").arg(QLatin1StringView(needed)));
            }
            continue;
        }
        if (f->size() != column.size())
            return refuse(
                lineNumber,
                QStringLiteral("%1 fields where the header has %2").arg(f->size()).arg(column.size()));
        Row row;
        row.line = lineNumber;
        row.port = f->at(column.value(QStringLiteral("port")));
        if (row.port.isEmpty())
            return refuse(lineNumber, QStringLiteral("no port"));
        const std::optional<QString> tag = recordtag::normalized(f->at(column.value(QStringLiteral("tag"))));
        if (!tag)
            return refuse(lineNumber, QStringLiteral("\"%1\" is not a tag (printable, at most %2 characters)")
                                          .arg(f->at(column.value(QStringLiteral("tag"))))
                                          .arg(recordtag::MaxLength));
        row.tag = *tag;
        const QString named = f->at(column.value(QStringLiteral("file")));
        row.file = QDir(info.absolutePath()).absoluteFilePath(named);
        const QFileInfo settings(row.file);
        if (named.isEmpty() || !settings.isFile() || !settings.isReadable())
            return refuse(lineNumber,
                          QStringLiteral("settings file \"%1\" is missing or unreadable").arg(named));
        if (column.contains(QStringLiteral("model"))) {
            const QString model = f->at(column.value(QStringLiteral("model")));
            if (!model.isEmpty()) {
                row.model = modelNamed(model);
                if (!row.model)
                    return refuse(lineNumber,
                                  QStringLiteral("unknown model \"%1\" (KV4620 or KV4820)").arg(model));
            }
        }
        if (portLine.contains(row.port))
            return refuse(
                lineNumber,
                QStringLiteral("port %1 is on line %2 already").arg(row.port).arg(portLine.value(row.port)));
        if (tagLine.contains(row.tag))
            return refuse(
                lineNumber,
                QStringLiteral("tag %1 is on line %2 already").arg(row.tag).arg(tagLine.value(row.tag)));
        portLine.insert(row.port, lineNumber);
        tagLine.insert(row.tag, lineNumber);
        plan.rows.append(row);
    }
    if (column.isEmpty())
        return refuse(0, QStringLiteral("empty: the first line names the columns port, tag and file"));
    if (plan.rows.isEmpty())
        return refuse(0, QStringLiteral("no transmitters after the header"));
    return plan;
}
