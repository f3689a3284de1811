#include "device/live_csv_writer.h"

#include "device/live_fields.h"

#include <array>
#include <charconv>

namespace {

QString number(float value)
{
    // The shortest text that reads back to the same float.
    std::array<char, 32> text{};
    const auto result = std::to_chars(text.data(), text.data() + text.size(), value);
    return QString::fromLatin1(text.data(), result.ptr - text.data());
}

QString number(qint64 value)
{
    return QString::number(value);
}

// The block's fields in their order, then the firmware of the latest
// identification: name, unit, text of the value.
template <typename Visit> void forEachField(const LiveValues& v, Visit visit)
{
    livefields::forEach(
        v, [&visit](const char* name, const QString& unit, auto value) { visit(name, unit, number(value)); });
    visit("FirmwareVersion", QStringLiteral("YYYYMMDD"), number(qint64(v.FirmwareVersion)));
}

} // namespace

QStringList LiveCsvWriter::columns(const LiveValues& values)
{
    QStringList names{QStringLiteral("time")};
    forEachField(values, [&names](const char* name, const QString& unit, const QString&) {
        names.append(QString::fromLatin1(name) + QStringLiteral(" [") + unit + u']');
    });
    return names;
}

QString LiveCsvWriter::header(const LiveValues& values)
{
    return columns(values).join(u',');
}

QString LiveCsvWriter::row(const QDateTime& time, const LiveValues& values)
{
    // The offset written out: a reader elsewhere or after a change to
    // summer time still knows the moment.
    QString line = time.toOffsetFromUtc(time.offsetFromUtc()).toString(Qt::ISODateWithMs);
    forEachField(values, [&line](const char*, const QString&, const QString& text) {
        line += u',';
        line += text;
    });
    return line;
}

bool LiveCsvWriter::open(const QString& path, QString* error)
{
    close();
    m_rows = 0;
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        if (error)
            *error = m_file.errorString();
        return false;
    }
    return true;
}

bool LiveCsvWriter::write(const QDateTime& time, const LiveValues& values, QString* error)
{
    if (!m_file.isOpen()) {
        if (error)
            *error = QStringLiteral("not recording");
        return false;
    }
    QByteArray bytes;
    const QString header = LiveCsvWriter::header(values);
    if (header != m_header)
        bytes += header.toUtf8() + '\n';
    bytes += row(time, values).toUtf8() + '\n';
    // QFile keeps what it cannot write in its buffer: only a flush that
    // empties it means the row is in the file.
    if (m_file.write(bytes) != bytes.size() || !m_file.flush()) {
        if (error)
            *error = m_file.errorString();
        m_file.close();
        return false;
    }
    m_header = header;
    ++m_rows;
    return true;
}

void LiveCsvWriter::close()
{
    if (m_file.isOpen())
        m_file.close();
    m_header.clear();
}
