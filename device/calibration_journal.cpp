#include "device/calibration_journal.h"

#include "device/device_command.h"
#include "platform/durable_append.h"
#include "platform/file_replacement.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <charconv>

namespace {

QString exact(float value)
{
    char buffer[32];
    const std::to_chars_result r = std::to_chars(buffer, buffer + sizeof buffer, value);
    return QString::fromLatin1(buffer, r.ptr - buffer);
}

QString field(const char* name, const QString& value)
{
    return u'\t' + QLatin1StringView(name) + u'=' + value;
}

} // namespace

bool CalibrationJournal::isJournaled(quint8 command)
{
    switch (command) {
    case CmdStoreAD0Ohm:
    case CmdStoreAD490Ohm:
    case CmdEraseEEPROM:
    case CmdStore3WireOffset:
    case CmdStorePWM4mA:
    case CmdStorePWM20mA:
    case CmdStorePot0:
    case CmdStorePot100:
    case CmdStore2WireR:
    case CmdStore2WireZero:
        return true;
    default:
        return false;
    }
}

QString CalibrationJournal::text(const CommunicationTaskHost::SentParameter& sent)
{
    if (const auto* i = std::get_if<qint32>(&sent))
        return QString::number(*i);
    if (const auto* u = std::get_if<quint16>(&sent))
        return QString::number(*u);
    if (const auto* f = std::get_if<float>(&sent))
        return exact(*f);
    return QStringLiteral("-");
}

QString CalibrationJournal::line(const Entry& e)
{
    const LiveValues& r = e.reading;
    const QString sensor =
        QLatin1StringView(r.bPt1000 ? "Pt1000" : "Pt100") + QLatin1StringView(r.bVoltageOutput ? " U" : " I");
    return e.time.toOffsetFromUtc(e.time.offsetFromUtc()).toString(Qt::ISODateWithMs) +
           field("port", e.port) + field("model", e.model) + field("sensor", sensor) +
           field("firmware", QString::number(r.FirmwareVersion)) +
           field("command", QString::number(e.command) + u' ' + devicecmd::name(e.command)) +
           field("sent", text(e.sent)) + field("ADAveraged", QString::number(r.ADAveraged)) +
           field("fCalculatedR", exact(r.fCalculatedR)) +
           field("fCalculatedRWithoutCompensation", exact(r.fCalculatedRWithoutCompensation)) +
           field("PWM", QString::number(r.PWM)) + field("fOutput", exact(r.fOutput));
}

bool CalibrationJournal::append(const Entry& entry, QString* errorText) const
{
    if (!FileReplacement::makeFolder(QFileInfo(m_path).absolutePath(), errorText))
        return false;
    return durableappend::append(m_path, (line(entry) + u'\n').toUtf8(), errorText);
}

QString CalibrationJournal::defaultPath()
{
    // The configurator's folder whichever program asks, so that kvconf and
    // kvctl keep one journal beside their shared device records.
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        .filePath(QStringLiteral("kvconf/") + QLatin1StringView(FileName));
}
