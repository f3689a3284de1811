#pragma once

#include <QStringList>

namespace serial {

// Orders names so that digit runs compare as numbers: ttyS2 before ttyS10.
bool naturalLess(const QString& a, const QString& b);

// Device paths of the serial devices the kernel knows (/sys/class/tty/*/device),
// in natural order, followed by the paths in KV_EXTRA_PORTS (colon-separated)
// in their given order. Nothing is opened.
QStringList serialPortCandidates();

} // namespace serial

// Appends every serial port that can be opened exclusively now. A port held
// open by anyone, this program included, is not listed. Does nothing for null.
void EnumerateSerialPorts(QStringList* list);
