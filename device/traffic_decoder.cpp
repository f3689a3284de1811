#include "device/traffic_decoder.h"

#include "device/device_command.h"
#include "device/device_protocol.h"
#include "device/live_fields.h"
#include "link/ascii_codec.h"
#include "link/crc16.h"

#include <QDateTime>

#include <type_traits>

namespace {

using namespace deviceframe;
constexpr int HexDigitsPerByte = 2;
constexpr char PrintableFirst = ' ';
constexpr char PrintableLast = '~';

// The frame body of an ASCII-framed line ("S" or "M", hex digits, ";");
// empty when the line is no such frame.
QByteArray asciiBody(const QByteArray& wire)
{
    const qsizetype digits = wire.size() - 2;
    if (digits < HexDigitsPerByte * (HeaderSize + CrcSize) || digits % HexDigitsPerByte != 0)
        return {};
    if (wire.back() != frame::AsciiEnd)
        return {};
    const char start = wire.front();
    if (start != frame::AsciiAnswerStart && start != frame::AsciiQueryStart)
        return {};
    const QByteArrayView hex = QByteArrayView(wire).sliced(1, digits);
    for (const char c : hex)
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F')))
            return {};
    return QByteArray::fromHex(hex.toByteArray());
}

QString floatText(float value)
{
    return QString::number(double(value), 'g', 7);
}

void addSettingsFields(QList<TrafficDecoder::Field>& out, const DeviceSettings& s, bool withWiresAndMode)
{
    if (withWiresAndMode) {
        out.append({QStringLiteral("Wires"), QString::number(s.Wires)});
        out.append({QStringLiteral("InputMode"), QString::number(s.InputMode)});
    }
    out.append({QStringLiteral("Averaging"), QString::number(s.Averaging)});
    out.append({QStringLiteral("bOutputLiveZero"), QString::number(int(s.bOutputLiveZero))});
    out.append({QStringLiteral("bErrorLevelHigh"), QString::number(int(s.bErrorLevelHigh))});
    out.append({QStringLiteral("bNoErrorOnOverflow"), QString::number(int(s.bNoErrorOnOverflow))});
    out.append({QStringLiteral("fScaleLow"), floatText(s.fScaleLow)});
    out.append({QStringLiteral("fScaleHigh"), floatText(s.fScaleHigh)});
    out.append({QStringLiteral("fOutputLimitLow"), floatText(s.fOutputLimitLow)});
    out.append({QStringLiteral("fOutputLimitHigh"), floatText(s.fOutputLimitHigh)});
}

void addLiveFields(QList<TrafficDecoder::Field>& out, const LiveValues& v)
{
    livefields::forEach(v, [&out](const char* name, const QString&, auto value) {
        QString text;
        if constexpr (std::is_same_v<decltype(value), float>)
            text = floatText(value);
        else if (qstrcmp(name, "uStatusBits") == 0)
            text = QStringLiteral("0x") +
                   QString::number(value, 16).rightJustified(4, QLatin1Char('0')).toUpper();
        else
            text = QString::number(value);
        out.append({QString::fromLatin1(name), text});
    });
}

} // namespace

void TrafficDecoder::reset()
{
    m_pendingCommand = -1;
}

TrafficDecoder::Record TrafficDecoder::take(const LinkTraffic& entry)
{
    Record r;
    r.entry = entry;
    const QByteArray body = asciiBody(entry.wire);
    const bool framed = !body.isEmpty();
    if (framed) {
        r.address = quint8(body[AddressOffset]);
        r.id = quint8(body[IdOffset]);
        r.command = quint8(body[CommandOffset]);
        r.answerStatus = quint8(body[StatusOffset]);
        r.livePoll = r.command == CmdReadLiveValues;
    }

    switch (entry.kind) {
    case LinkTraffic::Kind::Query:
        r.status = entry.tryNumber > 1 ? Status::Resent : Status::Sent;
        m_pendingCommand = r.command;
        break;
    case LinkTraffic::Kind::Answer:
        if (!entry.awaited || r.command != m_pendingCommand)
            r.status = Status::LateIgnored;
        else
            r.status = r.answerStatus >= DeviceRefusalStatus ? Status::Refused : Status::Ok;
        if (r.status != Status::LateIgnored)
            m_pendingCommand = -1;
        break;
    case LinkTraffic::Kind::BadInput:
        // Well-formed digits whose check fails are a CRC error; anything
        // else broke the framing.
        r.status = framed && !frame::crcMatches(body) ? Status::CrcError : Status::FormatError;
        r.address = r.id = r.command = r.answerStatus = -1;
        r.livePoll = false;
        break;
    case LinkTraffic::Kind::NoAnswer:
        r.status = entry.finalTry ? Status::TimeOut : Status::NoAnswer;
        r.command = m_pendingCommand;
        r.livePoll = r.command == CmdReadLiveValues;
        if (entry.finalTry)
            m_pendingCommand = -1;
        break;
    }
    return r;
}

QString TrafficDecoder::timeText(qint64 wallMs)
{
    return QDateTime::fromMSecsSinceEpoch(wallMs).toString(QStringLiteral("HH:mm:ss.zzz"));
}

QString TrafficDecoder::wireText(const QByteArray& wire)
{
    QString out;
    out.reserve(wire.size());
    for (const char c : wire) {
        if (c >= PrintableFirst && c <= PrintableLast)
            out.append(QLatin1Char(c));
        else
            out.append(QStringLiteral("\\x%1").arg(quint8(c), 2, 16, QLatin1Char('0')));
    }
    return out;
}

QString TrafficDecoder::commandText(int command)
{
    if (command < 0)
        return {};
    const QString name = devicecmd::name(quint8(command));
    if (name.isEmpty())
        return QString::number(command);
    return QStringLiteral("%1 (%2)").arg(name).arg(command);
}

QString TrafficDecoder::statusText(const Record& r, const Texts& t)
{
    switch (r.status) {
    case Status::Sent:
        return {};
    case Status::Resent:
        return t.resent.arg(r.entry.tryNumber);
    case Status::Ok:
        return t.ok;
    case Status::Refused:
        return t.refused.arg(r.answerStatus);
    case Status::LateIgnored:
        return t.late;
    case Status::NoAnswer:
        return t.noAnswer.arg(r.entry.tryNumber);
    case Status::TimeOut:
        return t.timeOut;
    case Status::CrcError:
        return t.crcError;
    case Status::FormatError:
        return t.formatError;
    }
    return {};
}

QString TrafficDecoder::directionText(const Record& r, const Texts& t)
{
    switch (r.entry.kind) {
    case LinkTraffic::Kind::Query:
        return t.query;
    case LinkTraffic::Kind::Answer:
    case LinkTraffic::Kind::BadInput:
        return t.answer;
    case LinkTraffic::Kind::NoAnswer:
        break;
    }
    return {};
}

QString TrafficDecoder::deviceText(const Record& r)
{
    return r.address < 0 ? QString() : QStringLiteral("%1/%2").arg(r.address).arg(r.id);
}

QString TrafficDecoder::line(const Record& r, const Texts& t)
{
    return QStringList{timeText(r.entry.wallMs), directionText(r, t), wireText(r.entry.wire),
                       commandText(r.command),   deviceText(r),       statusText(r, t)}
        .join(QLatin1Char('\t'));
}

bool TrafficDecoder::hasFields(const Record& r)
{
    // A refusal carries no block.
    if (r.status == Status::CrcError || r.status == Status::FormatError || r.status == Status::Refused)
        return false;
    const bool query = r.entry.kind == LinkTraffic::Kind::Query;
    const bool answer = r.entry.kind == LinkTraffic::Kind::Answer;
    return ((query || answer) && r.command == CmdReadLiveValues) ||
           (answer && r.command == CmdReadSettings) || (query && r.command == CmdWriteSettings);
}

QList<TrafficDecoder::Field> TrafficDecoder::fields(const Record& r)
{
    QList<Field> out;
    const QByteArray body = asciiBody(r.entry.wire);
    if (body.isEmpty() || !hasFields(r))
        return out;
    const QByteArrayView data = QByteArrayView(body).sliced(HeaderSize, body.size() - HeaderSize - CrcSize);
    const bool query = r.entry.kind == LinkTraffic::Kind::Query;
    if (r.command == CmdReadLiveValues && query) {
        quint8 page = 0;
        quint16 pwm = 0;
        if (DecodeLiveQueryBlock(data, &page, &pwm)) {
            out.append({QStringLiteral("CalibrationPage"), QString::number(page)});
            out.append({QStringLiteral("PwmSetpoint"), QString::number(pwm)});
        }
    } else if (r.command == CmdReadLiveValues) {
        LiveValues v;
        if (DecodeLiveBlock(data, v))
            addLiveFields(out, v);
    } else if (r.command == CmdReadSettings && !query) {
        DeviceSettings s;
        if (DecodeSettingsReadBlock(data, s))
            addSettingsFields(out, s, false);
    } else if (r.command == CmdWriteSettings && query) {
        DeviceSettings s;
        if (DecodeSettingsWriteBlock(data, s))
            addSettingsFields(out, s, true);
    }
    return out;
}
