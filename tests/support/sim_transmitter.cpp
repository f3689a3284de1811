#include "tests/support/sim_transmitter.h"

SimTransmitter::SimTransmitter(const SimulatorOptions& options) : sim(options)
{
    QObject::connect(&sim, &VirtualTransmitter::queryReceived, &sim, [this](const QByteArray& frame) {
        sent.append({quint8(frame.at(2)), frame.mid(4, frame.size() - 6)});
    });
}
