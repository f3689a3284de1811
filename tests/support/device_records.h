#pragma once

#include "device/device_settings.h"
#include "device/live_values.h"

// Records with a distinct value in every field, so that a field that lands
// in the wrong place, or not at all, shows. The tests that check what the
// values become spell out the results; the values are:
namespace testrecords {

// Wires 3, resistance mode (so the numbers read back with two decimals),
// averaging 32, 0-20 mA / 0-10 V, the high error level, no error on
// overflow, scaling 10.5 .. 250.25, limits 3.9 .. 20.25: every field away
// from its factory value.
DeviceSettings distinctSettings();

// ADRaw -2097151 (the bottom of the bar), ADAveraged 1234567, ADAveraged2
// -12, 50 samples per second, status bits 0 and 10, two wires in force and
// 7 reported, resistance mode, voltage output, write bits 0x0A / 0xA5,
// CRC bits 0x1F / 0xFF, input 1081.26, a Pt1000 device, resistances 1084.46
// and 1085.54 (without compensation), calibration mode 3, PWM 65535 (full
// scale), potentiometer 15.04 .. 385.06 ohm, two-wire lead 1.51 ohm, error
// 2 (open wires), output 5.0, 6 restarts, 150 new values, 244 PWM
// interrupts per second, 17 seconds since reset. FirmwareVersion, which the
// live block does not carry, stays 0.
LiveValues distinctLiveValues();

} // namespace testrecords
