#include "tools/kvctl/live_log.h"

#include "app/language_table.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

namespace {

// As many digits as a single-precision value holds: 23.45f prints 23.45.
constexpr int kFloatDigits = 7;

QString number(float value)
{
    return QString::number(double(value), 'g', kFloatDigits);
}

double jsonNumber(float value)
{
    return number(value).toDouble();
}

QString isoTime(const QDateTime& time)
{
    // With the offset, so that rows from either side of a clock change
    // still sort and subtract.
    return time.toOffsetFromUtc(time.offsetFromUtc()).toString(Qt::ISODateWithMs);
}

} // namespace

LiveLog::LiveLog(Format format) : m_format(format)
{
    LanguageTable english;
    english.apply(Language::English);
    m_display.setTexts(english.liveDisplayTexts());
}

bool LiveLog::open(const QString& csvPath, QString* error)
{
    if (m_format != Format::Csv) {
        m_file.open(stdout, QIODevice::WriteOnly);
        return true;
    }
    return m_csv.open(csvPath, error);
}

bool LiveLog::write(const QDateTime& time, const LiveValues& values, QString* error)
{
    bool written = false;
    if (m_format == Format::Csv) {
        written = m_csv.write(time, values, error);
    } else {
        const LiveDisplay::View& view = m_display.update(values);
        written =
            put((m_format == Format::Json ? jsonRow(time, values, view) : textRow(time, values, view)) + '\n',
                error);
    }
    if (written)
        ++m_rows;
    return written;
}

bool LiveLog::put(const QByteArray& bytes, QString* error)
{
    if (m_file.write(bytes) != bytes.size() || !m_file.flush()) {
        *error = m_file.errorString();
        return false;
    }
    return true;
}

QByteArray LiveLog::textRow(const QDateTime& time, const LiveValues& v, const LiveDisplay::View& view) const
{
    QStringList flags;
    for (int bit = 0; bit < StatusBitCount; ++bit) {
        if (v.hasStatus(StatusBit(bit)))
            flags << statusbits::caption(StatusBit(bit)).trimmed();
    }
    QString error = view.uErrorNumber;
    if (!view.Error.isEmpty())
        error += QStringLiteral(" (%1)").arg(view.Error);
    return QStringLiteral("%1  %2  output %3  R %4 ohm  %5  %6-wire  error %7  flags %8")
        .arg(time.toString(Qt::ISODateWithMs), view.Kijelzo, view.Output, view.fCalculatedR, view.uMode)
        .arg(v.uWiresSetting)
        .arg(error, flags.isEmpty() ? QStringLiteral("-") : flags.join(u' '))
        .toLocal8Bit();
}

QByteArray LiveLog::jsonRow(const QDateTime& time, const LiveValues& v, const LiveDisplay::View& view) const
{
    const QJsonObject row{
        {QStringLiteral("time"), isoTime(time)},
        {QStringLiteral("value"), jsonNumber(v.fInput)},
        {QStringLiteral("unit"), m_display.ValueUnit()},
        {QStringLiteral("output"), jsonNumber(v.fOutput)},
        {QStringLiteral("outputUnit"), m_display.OutputUnit()},
        {QStringLiteral("resistanceOhm"), jsonNumber(v.fCalculatedR)},
        {QStringLiteral("mode"), int(v.uMode)},
        {QStringLiteral("modeText"), view.uMode},
        {QStringLiteral("wires"), int(v.uWiresSetting)},
        {QStringLiteral("error"), int(v.uErrorNumber)},
        {QStringLiteral("errorText"), view.Error},
        {QStringLiteral("statusBits"), int(v.uStatusBits)},
        {QStringLiteral("statusFlags"), QJsonArray::fromStringList(statusbits::setNames(v))},
    };
    return QJsonDocument(row).toJson(QJsonDocument::Compact);
}
