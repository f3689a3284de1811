#pragma once

#include <QByteArray>

// Answers as a transmitter at address 1 with identifier 34 sends them.

// An ASCII "S" answer to command 1.
QByteArray asciiAnswer(quint8 status, const QByteArray& data = QByteArray());
// A nibble-framed answer; `code` is the status byte.
QByteArray nibbleAnswer(quint8 addressByte, quint8 code, const QByteArray& data = QByteArray());
