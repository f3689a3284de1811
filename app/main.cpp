// Until the windows exist the configurator only reports the serial ports it
// could open, so a technician can check the adapter.
#include "platform/serial_port_enumeration.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QStringList ports;
    EnumerateSerialPorts(&ports);
    out << "kvconf: the configurator windows are not built yet.\n";
    out << "Serial ports that can be opened now: " << (ports.isEmpty() ? QStringLiteral("none") : ports.join(u' '))
        << '\n';
    return 0;
}
