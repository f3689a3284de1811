#include "tests/support/peer_transmitter.h"

#include "device/device_command.h"
#include "sim/slave_blocks.h"

#include <QtEndian>

#include <algorithm>

PeerTransmitter::PeerTransmitter()
{
    live.uWiresSetting = 4;
    peer.setResponder([this](const QByteArray& query) { return respond(query); });
}

QByteArray PeerTransmitter::answer(quint8 command) const
{
    QByteArray data;
    if (command == CmdIdentify) {
        data.resize(4);
        qToLittleEndian(firmware, data.data());
    } else if (command == CmdReadLiveValues) {
        data = slaveblocks::encodeLiveValues(live);
    } else if (command == CmdReadSettings) {
        data = slaveblocks::encodeSettingsReadBlock(stored);
    }
    return slaveblocks::encodeAnswer(DeviceAddress, DeviceFunctionId, command, 0, data);
}

QByteArray PeerTransmitter::respond(const QByteArray& query)
{
    const QByteArray body = QByteArray::fromHex(query.mid(1, query.size() - 2));
    const quint8 command = quint8(body.at(2));
    sent.append({command, body.mid(4, body.size() - 6)});
    const int n = int(
        std::count_if(sent.cbegin(), sent.cend(), [&](const SentQuery& q) { return q.command == command; }));
    return before(command, n) + (answers(command, n) ? answer(command) : QByteArray());
}
