#pragma once

#include "device/device_command.h"
#include "device/device_settings.h"
#include "device/live_values.h"
#include "sim/simulator_options.h"

#include <QtGlobal>

#include <array>
#include <optional>
#include <random>

// The physics and memory of the virtual transmitter, free of any I/O: a
// sensor that drifts, a converter that samples it with noise, the stored
// settings and calibration points, the analog output, counters and flags.
// Time passes only through advance(), so every result is repeatable for a
// given seed.
class TransmitterModel
{
public:
    static constexpr int SamplesPerSecond = 50;
    static constexpr int SamplePeriodMs = 1000 / SamplesPerSecond;
    static constexpr int MaxAveraging = 64;
    static constexpr quint8 PwmInterruptsPerSecond = 244;
    // Converter counts the firmware assumes for 0 ohm and the upper reference
    // before anything is calibrated.
    static constexpr qint32 NominalCounts0Ohm = 0;
    static constexpr qint32 NominalCountsReference = 1800000;
    static constexpr quint16 NominalPwmLow = 13107;         // 4 mA / 2 V
    static constexpr quint16 NominalPwmHigh = PwmFullScale; // 20 mA / 10 V

    explicit TransmitterModel(const SimulatorOptions& options = SimulatorOptions());

    // Lets time pass: the converter samples every SamplePeriodMs, the sensor
    // drifts and the counters count.
    void advance(qint64 ms);
    qint64 elapsedMs() const { return m_timeMs; }

    // The live block as the transmitter would answer it now, with FirmwareVersion.
    LiveValues liveValues() const;

    quint32 firmwareVersion() const { return m_firmwareVersion; }
    bool isPt1000() const { return m_pt1000; }
    bool isVoltageOutput() const { return m_voltageOutput; }
    // 490 ohm, or 4900 ohm on a Pt1000 device.
    double referenceResistance() const { return m_pt1000 ? 4900.0 : 490.0; }

    const DeviceSettings& settings() const { return m_settings; }
    // False, storing nothing, when a value lies outside its set (wires 2..4,
    // mode 0..2, averaging a power of two up to 64, finite numbers).
    bool writeSettings(const DeviceSettings& settings);

    // The two values every live query carries.
    void setLiveQuery(quint8 calibrationPage, quint16 pwmSetpoint);
    quint8 calibrationPage() const { return m_calibrationPage; }
    quint16 pwmSetpoint() const { return m_pwmSetpoint; }

    // Calibration and store commands; false (nothing stored) for a value that
    // is not a finite number.
    bool storeAD0Ohm(qint32 counts);
    bool storeADReference(qint32 counts);
    bool store3WireOffset(float ohm);
    bool storePwm4mA(quint16 pwm);
    bool storePwm20mA(quint16 pwm);
    bool storePot0(float ohm);
    bool storePot100(float ohm);
    bool store2WireR(float ohm);

    // Everything back to defaults, uncalibrated. The restart that follows is
    // the caller's (restart()).
    void eraseMemory();
    // Power-up: counters and volatile state from zero; the memory stays.
    void restart();

    // --- The world at the input terminals ------------------------------
    void setSensorOpen(bool open) { m_sensorOpen = open; }
    bool sensorOpen() const { return m_sensorOpen; }
    // A reference resistor at the terminals instead of the simulated input.
    void connectResistor(double ohm) { m_connectedResistor = ohm; }
    void connectSimulatedInput() { m_connectedResistor.reset(); }
    // Holds the simulated sensor at this temperature, degrees Celsius,
    // instead of letting it drift.
    void setSensorTemperature(double celsius) { m_fixedTemperature = celsius; }
    // True temperature of the simulated sensor, degrees Celsius.
    double sensorTemperature() const;
    // Holds the simulated potentiometer (input mode 1) at this share of its
    // track, 0 to 100 per cent, instead of letting it move.
    void setPotentiometerPosition(double percent) { m_potentiometerPosition = percent; }
    // Resistance at the terminals before lead and circuit effects.
    double terminalResistance() const;
    // What a meter on the analog output reads now: the PWM driving it through
    // the output stage's own gain and offset, in mA or V. The live block's
    // fOutput is only what the transmitter computes from its stored points.
    double outputMeterReading() const;

private:
    struct Calibration
    {
        qint32 counts0Ohm = NominalCounts0Ohm;
        qint32 countsReference = NominalCountsReference;
        float offset3Wire = 0.0f;
        quint16 pwmLow = NominalPwmLow;
        quint16 pwmHigh = NominalPwmHigh;
        float pot0 = 0.0f;
        float pot100 = 0.0f;
        float twoWireR = 0.0f;
        bool counts0OhmStored = false;
        bool countsReferenceStored = false;
        bool offset3WireStored = false;
        bool pwmLowStored = false;
        bool pwmHighStored = false;
    };

    // Bits of the memory blocks in the diagnostic bytes.
    enum MemoryBlock : quint8
    {
        blockSettings = 0x01,
        blockConverter = 0x02,
        block3Wire = 0x04,
        blockOutput = 0x08,
        blockPot = 0x10,
        block2Wire = 0x20,
        allBlocks = 0x3F,
    };

    Calibration nominalCalibration() const;
    Calibration factoryCalibration() const;
    // Stored long ago: every point off by a realistic amount.
    Calibration driftedCalibration() const;
    void blockWritten(MemoryBlock block);
    void takeSample();
    void warmUp();
    double gaussian();
    double rawInputResistance() const;
    // The output stage as built: the output a PWM value really gives.
    double outputForPwm(double pwm) const;
    // By the stored points: the PWM value for an output, and the output the
    // transmitter believes a PWM value gives.
    double pwmForOutput(double output) const;
    double storedOutputForPwm(double pwm) const;
    qint32 averagedCounts() const;

    // Fixed by construction
    quint32 m_firmwareVersion = SimulatorOptions::DefaultFirmwareVersion;
    bool m_pt1000 = false;
    bool m_voltageOutput = false;

    // Memory
    DeviceSettings m_settings;
    Calibration m_calibration;
    quint8 m_crcOkBits = allBlocks;

    // Volatile state
    quint8 m_afterWriteBits = 0;
    quint8 m_calibrationPage = cpNone;
    quint16 m_pwmSetpoint = 0;
    qint64 m_msSinceReset = 0;
    int m_samplesThisSecond = 0;
    int m_samplesLastSecond = 0;
    quint32 m_newInputValues = 0;
    std::array<qint32, MaxAveraging> m_samples{};
    int m_sampleCount = 0; // valid entries, up to MaxAveraging
    int m_sampleNext = 0;
    double m_averaged2 = 0.0;

    // World
    qint64 m_timeMs = 0;
    qint64 m_pendingMs = 0;
    bool m_sensorOpen = false;
    std::optional<double> m_connectedResistor;
    double m_wander = 0.0;
    std::optional<double> m_fixedTemperature;
    std::optional<double> m_potentiometerPosition;
    std::mt19937 m_random;
    std::optional<double> m_spareGaussian;
};
