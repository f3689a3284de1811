#pragma once

// Private to the platform library and its tests: the line set-up of
// SerialPort and PseudoTerminal as small free functions on a termios record,
// so they can be checked without a device. Kept out of serial_port.h so
// that its users do not get <termios.h> and its macros.

#include <QtGlobal>

#include <termios.h>

namespace serial {

// Raw 8N1, receiver on, modem lines ignored, no flow control of any kind.
void setRawLineSettings(termios* tio);

// The termios speed constant for a rate, or B0 when the rate has none.
speed_t standardBaudConstant(quint32 rate);

// Sets both directions to a rate that has a speed constant; false otherwise.
bool setStandardBaud(termios* tio, quint32 rate);

// Rates without a speed constant (7200, 14400, 128000) need the kernel's
// arbitrary-rate interface; false where the driver refuses it.
bool setCustomBaud(int fd, quint32 rate);

} // namespace serial
