#include "tests/support/sim_transmitter.h"

SimTransmitter::SimTransmitter(const SimulatorOptions& options) : sim(options)
{
    QObject::connect(&sim, &VirtualTransmitter::queryReceived, &sim, [this](const QByteArray& frame) {
        sent.append({quint8(frame.at(2)), frame.mid(4, frame.size() - 6)});
    });
}

DeviceSettings SimTransmitter::distinctSettings()
{
    DeviceSettings s;
    s.Wires = 3;
    s.InputMode = 2;
    s.Averaging = 32;
    s.bOutputLiveZero = false;
    s.bErrorLevelHigh = true;
    s.bNoErrorOnOverflow = true;
    s.fScaleLow = 10.5f;
    s.fScaleHigh = 250.25f;
    s.fOutputLimitLow = 3.9f;
    s.fOutputLimitHigh = 20.25f;
    return s;
}
