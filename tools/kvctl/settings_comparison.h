#pragma once

#include "device/device_settings.h"

#include <QStringList>

namespace settingscompare {

// The fields in which a read-back differs from the block that was written,
// one text each, named and shown as the window's controls show them
// ("Analog output scaling, Low: wrote -200, read back -150"), in the block's
// order; empty when every field agrees. Floats must agree to the bit: both
// sides are the same single-precision numbers.
QStringList differences(const DeviceSettings& written, const DeviceSettings& readBack);

} // namespace settingscompare
