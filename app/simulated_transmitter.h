#pragma once

#include "sim/simulator_options.h"
#include "verification/verification_procedure.h"

#include <QString>
#include <QThread>

class VirtualTransmitter;

// The virtual transmitter served inside the configurator on a thread of its
// own, so the program can be tried without a device (--simulate).
class SimulatedTransmitter
{
public:
    SimulatedTransmitter() = default;
    // Stops the transmitter and waits for its thread.
    ~SimulatedTransmitter();
    SimulatedTransmitter(const SimulatedTransmitter&) = delete;
    SimulatedTransmitter& operator=(const SimulatedTransmitter&) = delete;

    // Opens the pseudo-terminal and starts serving: it listens once this has
    // returned. False, with the reason, when no pseudo-terminal could be had.
    bool start(const SimulatorOptions& options = SimulatorOptions(), QString* error = nullptr);
    void stop();
    bool isRunning() const { return m_transmitter != nullptr; }
    // The path the configurator opens like a serial port; empty when stopped.
    QString devicePath() const { return m_devicePath; }

    // One bench command (VirtualBench) carried out on the transmitter's
    // thread; its answer line. Blocks until that thread has run it, which it
    // does between two of its own events: call it from any other thread.
    QString benchCommand(const QString& line);

    // Adds a path to the ports the link panel lists (KV_EXTRA_PORTS). The
    // panel lists the extra ports last-first, so the newest comes at the top.
    static void addToPortList(const QString& path);

private:
    QThread m_thread;
    VirtualTransmitter* m_transmitter = nullptr;
    QString m_devicePath;
};

// The virtual transmitter's bench as a verification's reference and meter:
// the resistor at the input and the meter on the output, through bench
// commands. The meter shows what the output stage really drives, drift and
// all, which the transmitter's own report does not.
class SimulatedBench final : public VerificationBench
{
public:
    explicit SimulatedBench(SimulatedTransmitter& transmitter) : m_transmitter(transmitter) {}

    bool apply(double ohm, QString* error) override;
    std::optional<double> meterReading(QString* error) override;

private:
    SimulatedTransmitter& m_transmitter;
};
