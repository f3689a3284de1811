#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// How the virtual transmitter behaves; mirrors kvsim's command line.
struct SimulatorOptions
{
    static constexpr quint32 DefaultFirmwareVersion = 20150325;
    static constexpr int DefaultLatencyMs = 4;
    static constexpr int DefaultRestartSilenceMs = 1500;

    QString model = QStringLiteral("KV4620"); // KV4620 or KV4820
    quint32 firmwareVersion = DefaultFirmwareVersion;
    bool pt1000 = false;
    bool voltageOutput = false;
    bool openSensor = false;
    // Converter points, three-wire offset and output points stored long ago
    // and drifted, so that calibrating shows.
    bool outOfCalibration = false;
    int latencyMs = DefaultLatencyMs; // answer delay
    QList<quint8> refusedCommands;    // answered with status 254
    QList<quint8> shortCommands;      // answered with half their data
    int dropEvery = 0;                // stay silent on every Nth query; 0: never
    double corruptRate = 0.0;         // share of answers with one flipped bit
    quint32 seed = 1;
    int restartSilenceMs = DefaultRestartSilenceMs;
    QString linkPath;     // kvsim only: symlink to the device path
    bool verbose = false; // kvsim only: traffic on standard error
};

namespace simoptions {

// Parses kvsim's arguments (the first one is the program). Returns false with
// a message for anything it does not understand; helpRequested is set for
// --help, and then nothing else is checked.
bool parse(const QStringList& arguments, SimulatorOptions* options, QString* errorText,
           bool* helpRequested = nullptr);

// What kvsim --help prints.
QString helpText();

} // namespace simoptions
