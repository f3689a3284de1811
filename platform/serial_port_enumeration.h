#pragma once

#include <QStringList>

namespace serial {

// Orders names so that digit runs compare as numbers: ttyS2 before ttyS10.
bool naturalLess(const QString& a, const QString& b);

// Device paths of the serial devices the kernel knows (/sys/class/tty/*/device),
// in natural order, followed by the paths in KV_EXTRA_PORTS (colon-separated)
// in their given order. Nothing is opened.
QStringList serialPortCandidates();

// Where udev keeps a name per serial adapter that stays the same whichever
// ttyUSB or ttyACM number the adapter gets.
inline constexpr const char* ByIdFolder = "/dev/serial/by-id";

// The links in `folder` that lead to the same device as `path` (which may be
// a link itself), as paths in that folder. Empty when the device is gone.
QStringList aliasesOf(const QString& path, const QString& folder = QString::fromLatin1(ByIdFolder));

// A serial port the system does not let this user open, and why
// (SerialPort::permissionText).
struct RefusedPort
{
    QString path;
    QString reason;
};

// What EnumerateSerialPorts appends, and the candidates left out because
// this user may not open them: the usual first trouble with a USB adapter.
void enumerate(QStringList* available, QList<RefusedPort>* refused);

// The refused ports for a person, one line a reason: "/dev/ttyS0,
// /dev/ttyS1 and 30 more: not in group dialout: ...".
QStringList refusalLines(const QList<RefusedPort>& refused);

} // namespace serial

// Appends every serial port that can be opened exclusively now. A port held
// open by anyone, this program included, is not listed. Does nothing for null.
void EnumerateSerialPorts(QStringList* list);
