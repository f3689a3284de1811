#pragma once

#include "device/device_settings.h"
#include "device/live_values.h"

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

// The transmitter's side of the blocks: what it answers and what it reads
// from a query's parameter area. Independent of the configurator's codec on
// purpose, so the two sides check each other.
namespace slaveblocks {

// The 60-byte live block.
QByteArray encodeLiveValues(const LiveValues& values);
// The 20-byte settings read block (no wires, no mode).
QByteArray encodeSettingsReadBlock(const DeviceSettings& settings);
// The 22-byte settings write block; nothing when the block is short.
std::optional<DeviceSettings> decodeSettingsWriteBlock(QByteArrayView data);

// A complete ASCII answer line: "S", address, ID, command, status, data, CRC, ";".
QByteArray encodeAnswer(quint8 address, quint8 id, quint8 command, quint8 status, QByteArrayView data);

} // namespace slaveblocks
