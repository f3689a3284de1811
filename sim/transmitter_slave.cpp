#include "sim/transmitter_slave.h"

#include "device/device_command.h"
#include "sim/byte_reader.h"
#include "sim/byte_writer.h"
#include "sim/slave_blocks.h"

TransmitterSlave::TransmitterSlave(TransmitterModel& model, QList<quint8> refusedCommands,
                                   QList<quint8> shortCommands)
    : m_model(model), m_refused(std::move(refusedCommands)), m_short(std::move(shortCommands))
{}

namespace {

using namespace deviceframe;
constexpr int HeaderAndCrc = HeaderSize + CrcSize;

} // namespace

bool TransmitterSlave::isForUs(QByteArrayView frame, QString* whyNot)
{
    QString reason;
    if (frame.size() < HeaderAndCrc)
        reason = QStringLiteral("short frame");
    else if (quint8(frame[AddressOffset]) != DeviceAddress)
        reason = QStringLiteral("address %1").arg(quint8(frame[AddressOffset]));
    else if (quint8(frame[IdOffset]) != DeviceFunctionId)
        reason = QStringLiteral("ID %1").arg(quint8(frame[IdOffset]));
    if (whyNot)
        *whyNot = reason;
    return reason.isEmpty();
}

TransmitterSlave::Reply TransmitterSlave::handle(QByteArrayView frame)
{
    Reply reply;
    if (!isForUs(frame, &reply.ignoredBecause))
        return reply;
    const quint8 command = quint8(frame[CommandOffset]);
    const QByteArrayView parameters = frame.sliced(HeaderSize, frame.size() - HeaderAndCrc);
    const int needed = devicecmd::parameterBlockSize(command);
    if (needed > 0 && parameters.size() < needed) {
        reply.ignoredBecause = QStringLiteral("%1 parameter bytes for command %2, %3 needed")
                                   .arg(parameters.size())
                                   .arg(command)
                                   .arg(needed);
        return reply;
    }
    if (m_refused.contains(command)) {
        reply.answer = true;
        reply.command = command;
        reply.status = StatusRefused;
        return reply;
    }
    reply = execute(command, parameters);
    if (m_short.contains(command))
        reply.data.truncate(reply.data.size() / 2);
    return reply;
}

TransmitterSlave::Reply TransmitterSlave::execute(quint8 command, QByteArrayView parameters)
{
    Reply reply;
    reply.answer = true;
    reply.command = command;
    ByteReader in(parameters);
    bool accepted = true;

    switch (command) {
    case CmdIdentify: {
        ByteWriter out;
        out.putU32(m_model.firmwareVersion());
        reply.data = out.bytes();
        break;
    }
    case CmdReadLiveValues: {
        const quint8 page = in.u8();
        const quint16 pwm = in.u16();
        m_model.setLiveQuery(page, pwm);
        reply.data = slaveblocks::encodeLiveValues(m_model.liveValues());
        break;
    }
    case CmdReadSettings:
        reply.data = slaveblocks::encodeSettingsReadBlock(m_model.settings());
        break;
    case CmdWriteSettings: {
        const std::optional<DeviceSettings> settings = slaveblocks::decodeSettingsWriteBlock(parameters);
        accepted = settings && m_model.writeSettings(*settings);
        break;
    }
    case CmdStoreAD0Ohm:
        accepted = m_model.storeAD0Ohm(in.i32());
        break;
    case CmdStoreAD490Ohm:
        accepted = m_model.storeADReference(in.i32());
        break;
    case CmdStore3WireOffset:
        accepted = m_model.store3WireOffset(in.f32());
        break;
    case CmdStorePWM4mA:
        accepted = m_model.storePwm4mA(in.u16());
        break;
    case CmdStorePWM20mA:
        accepted = m_model.storePwm20mA(in.u16());
        break;
    case CmdStorePot0:
        accepted = m_model.storePot0(in.f32());
        break;
    case CmdStorePot100:
        accepted = m_model.storePot100(in.f32());
        break;
    case CmdStore2WireR:
        accepted = m_model.store2WireR(in.f32());
        break;
    case CmdStore2WireZero:
        // Clears the compensation whatever the parameter says.
        accepted = m_model.store2WireR(0.0f);
        break;
    case CmdEraseEEPROM:
        m_model.eraseMemory();
        reply.restart = true;
        break;
    case CmdReset:
        reply.restart = true;
        break;
    default:
        accepted = false;
        break;
    }
    if (!accepted) {
        reply.status = StatusRejected;
        reply.data.clear();
    }
    return reply;
}
