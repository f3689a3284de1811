#include "device/live_csv_writer.h"

#include "device/live_display.h"

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

QString measuredUnit(quint8 mode)
{
    // Plain ASCII: spreadsheets guess the encoding of a CSV file.
    const QString unit = LiveDisplay::valueUnitFor(mode);
    return unit == QStringLiteral("°C") ? QStringLiteral("degC") : unit;
}

// The block's fields in their order: name, unit, text of the value.
template <typename Visit> void forEachField(const LiveValues& v, Visit visit)
{
    const QString counts = QStringLiteral("counts");
    const QString none = QStringLiteral("-");
    const QString ohm = QStringLiteral("ohm");
    const QString bits = QStringLiteral("bits");
    visit("ADRaw", counts, number(qint64(v.ADRaw)));
    visit("ADAveraged", counts, number(qint64(v.ADAveraged)));
    visit("ADAveraged2", counts, number(qint64(v.ADAveraged2)));
    visit("ADSpS", QStringLiteral("1/s"), number(qint64(v.ADSpS)));
    visit("uStatusBits", bits, number(qint64(v.uStatusBits)));
    visit("uWiresSetting", QStringLiteral("wires"), number(qint64(v.uWiresSetting)));
    visit("uMode", none, number(qint64(v.uMode)));
    visit("bVoltageOutput", none, number(qint64(v.bVoltageOutput)));
    visit("uAfterWriteOKbits1", bits, number(qint64(v.uAfterWriteOKbits1)));
    visit("fInput", measuredUnit(v.uMode), number(v.fInput));
    visit("bPt1000", none, number(qint64(v.bPt1000)));
    visit("fCalculatedR", ohm, number(v.fCalculatedR));
    visit("fCalculatedRWithoutCompensation", ohm, number(v.fCalculatedRWithoutCompensation));
    visit("enuCalMode", none, number(qint64(v.enuCalMode)));
    visit("uWires", QStringLiteral("wires"), number(qint64(v.uWires)));
    visit("uCRCOKbits1", bits, number(qint64(v.uCRCOKbits1)));
    visit("uAfterWriteOKbits2", bits, number(qint64(v.uAfterWriteOKbits2)));
    visit("uCRCOKbits2", bits, number(qint64(v.uCRCOKbits2)));
    visit("PWM", QStringLiteral("1/65535"), number(qint64(v.PWM)));
    visit("fPotCal0R", ohm, number(v.fPotCal0R));
    visit("fPotCal100R", ohm, number(v.fPotCal100R));
    visit("f2WireR", ohm, number(v.f2WireR));
    visit("uErrorNumber", none, number(qint64(v.uErrorNumber)));
    visit("fOutput", LiveDisplay::outputUnitFor(v.bVoltageOutput), number(v.fOutput));
    visit("uADCRestartNumber", none, number(qint64(v.uADCRestartNumber)));
    visit("uCountOfNewInputValue", none, number(qint64(v.uCountOfNewInputValue)));
    visit("uPWMITPerSec", QStringLiteral("1/s"), number(qint64(v.uPWMITPerSec)));
    visit("uCounterSecAfterReset", QStringLiteral("s"), number(qint64(v.uCounterSecAfterReset)));
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
