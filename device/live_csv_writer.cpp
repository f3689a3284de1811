#include "device/live_csv_writer.h"

#include "device/live_display.h"
#include "device/live_fields.h"

#include <array>
#include <charconv>
#include <cstring>

namespace {

// The fields that lead every row; the block's other fields follow.
constexpr std::array<const char*, 5> kLeadingColumns{"time", "value", "unit", "output", "output_unit"};
constexpr const char* kFirmwareColumn = "FirmwareVersion [YYYYMMDD]";
constexpr const char* kFlagsColumn = "status_flags";
constexpr int kNumberChars = 32;

bool leadsTheRow(const char* field)
{
    return std::strcmp(field, "fInput") == 0 || std::strcmp(field, "fOutput") == 0;
}

// The shortest text that reads back to the same value.
template <typename Number> void appendNumber(QByteArray& line, Number value)
{
    std::array<char, kNumberChars> text{};
    const auto result = std::to_chars(text.data(), text.data() + text.size(), value);
    line.append(text.data(), result.ptr - text.data());
}

} // namespace

QStringList LiveCsvWriter::columns()
{
    QStringList names;
    for (const char* name : kLeadingColumns)
        names.append(QString::fromLatin1(name));
    livefields::forEach(LiveValues{}, [&names](const char* name, const QString& unit, auto) {
        if (!leadsTheRow(name))
            names.append(QString::fromLatin1(name) + QStringLiteral(" [") + unit + u']');
    });
    names.append(QString::fromLatin1(kFirmwareColumn));
    names.append(QString::fromLatin1(kFlagsColumn));
    return names;
}

QByteArray LiveCsvWriter::row(const QDateTime& time, const LiveValues& values)
{
    // The offset written out: a reader elsewhere or after a change to
    // summer time still knows the moment.
    QByteArray line = time.toOffsetFromUtc(time.offsetFromUtc()).toString(Qt::ISODateWithMs).toLatin1();
    line += ',';
    appendNumber(line, values.fInput);
    line += ',' + livefields::measuredUnit(values.uMode).toUtf8() + ',';
    appendNumber(line, values.fOutput);
    line += ',' + LiveDisplay::outputUnitFor(values.bVoltageOutput).toLatin1();
    livefields::forEach(values, [&line](const char* name, const QString&, auto value) {
        if (leadsTheRow(name))
            return;
        line += ',';
        appendNumber(line, value);
    });
    line += ',';
    appendNumber(line, qint64(values.FirmwareVersion));
    line += ',' + statusbits::setNames(values).join(u' ').toLatin1();
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
    return put(columns().join(u',').toUtf8() + '\n', error);
}

bool LiveCsvWriter::write(const QDateTime& time, const LiveValues& values, QString* error)
{
    if (!m_file.isOpen()) {
        if (error)
            *error = QStringLiteral("not recording");
        return false;
    }
    if (!put(row(time, values) + '\n', error))
        return false;
    ++m_rows;
    return true;
}

bool LiveCsvWriter::put(const QByteArray& bytes, QString* error)
{
    // QFile keeps what it cannot write in its buffer: only a flush that
    // empties it means the row is in the file.
    if (m_file.write(bytes) != bytes.size() || !m_file.flush()) {
        if (error)
            *error = m_file.errorString();
        m_file.close();
        return false;
    }
    return true;
}

void LiveCsvWriter::close()
{
    if (m_file.isOpen())
        m_file.close();
}
