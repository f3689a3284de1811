#pragma once

#include "device/device_settings.h"
#include "sim/simulator_options.h"
#include "sim/virtual_transmitter.h"
#include "tests/support/sent_query.h"

#include <QList>

// The virtual transmitter on the test's thread, with the queries it got.
class SimTransmitter
{
public:
    explicit SimTransmitter(const SimulatorOptions& options = {});

    VirtualTransmitter sim;
    QList<SentQuery> sent;
};
