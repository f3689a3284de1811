#pragma once

#include <QString>
#include <QStringView>

class TransmitterModel;

// The technician's bench around the virtual transmitter: a reference
// resistor or the simulated sensor at the input, the sensor's temperature,
// a potentiometer, an open sensor circuit, and a meter on the analog output.
//
// Driven by text commands, one a line, each answered by one line; a line
// that is not understood is answered with "error: ..." and changes nothing.
// kvsim reads them on its standard input and the configurator's bench window
// sends them, so both benches behave the same. Use it on the thread the
// model belongs to.
class VirtualBench
{
public:
    static constexpr double MaxResistorOhm = 100000.0;
    static constexpr double MinTemperature = -200.0;
    static constexpr double MaxTemperature = 850.0;
    // The meter shows this many decimals, in mA or V.
    static constexpr int MeterDecimals = 4;

    explicit VirtualBench(TransmitterModel& model) : m_model(model) {}

    // One command line; the answer line, without line end.
    QString execute(QStringView line);
    // The meter's display: "4.0012 mA" or "2.0004 V".
    QString meterText() const;

    static QString helpLine();

private:
    TransmitterModel& m_model;
};
