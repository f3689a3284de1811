#pragma once

#include <QByteArray>
#include <QString>

// A master of the test's own on a serial device path, without the link's
// start-up work: it opens the path raw, sends the identification query at
// once and waits for the answer's frame. For checking that a transmitter
// listens the moment its path is known.
namespace raw_master {

// The answer line ("S...;"), or what arrived before the time ran out
// (empty when nothing did, or the path could not be opened).
QByteArray identify(const QString& path, int timeoutMs);

// Whether a line is a whole ASCII answer frame.
bool isAnswer(const QByteArray& line);

} // namespace raw_master
