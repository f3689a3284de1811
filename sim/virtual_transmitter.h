#pragma once

#include "link/ascii_codec.h"
#include "link/rx_raw_buffer.h"
#include "platform/pseudo_terminal.h"
#include "sim/simulator_options.h"
#include "sim/transmitter_model.h"
#include "sim/transmitter_slave.h"
#include "sim/virtual_bench.h"

#include <QElapsedTimer>
#include <QObject>

#include <memory>
#include <random>

class QSocketNotifier;
class QTimer;

// A transmitter on a pseudo-terminal: the configurator opens devicePath()
// like a serial port and talks to it in the ASCII master framing.
//
// The pty is opened by the constructor. start() serves on the thread the
// object then lives on (moveToThread first to run it elsewhere); everything
// but devicePath(), isValid() and errorText() belongs to that thread. Stop
// it, or delete it, on that thread.
class VirtualTransmitter : public QObject
{
    Q_OBJECT

public:
    explicit VirtualTransmitter(const SimulatorOptions& options = SimulatorOptions(),
                                QObject* parent = nullptr);
    ~VirtualTransmitter() override;

    bool isValid() const { return m_pty != nullptr; }
    QString errorText() const { return m_errorText; }
    // Such as /dev/pts/7; fixed for the object's life.
    QString devicePath() const { return m_devicePath; }
    const SimulatorOptions& options() const { return m_options; }

    bool isRunning() const { return m_running; }
    // Silent between a restart command and the restart.
    bool isRestarting() const { return m_restarting; }
    TransmitterModel& model() { return m_model; }
    const TransmitterModel& model() const { return m_model; }
    // Valid frames that reached the transmitter, and answers written.
    quint32 queryCount() const { return m_queryCount; }
    quint32 answerCount() const { return m_answerCount; }

    // One line of the bench's commands (VirtualBench), with the model's time
    // brought up to now first; the answer line.
    QString benchCommand(const QString& line);

public slots:
    void start();
    void stop();

signals:
    // A query frame that passed its CRC (address, ID, command, status, data, CRC).
    void queryReceived(const QByteArray& frame);
    // Not answered: foreign address or ID, short parameters, dropped, restarting.
    void queryIgnored(const QByteArray& frame, const QString& reason);
    // The line as written, after any corruption.
    void answerSent(const QByteArray& line);
    // Back from a restart: answering again.
    void restarted();

private:
    void onReadable();
    void onFrame(const QByteArray& frame);
    void catchUpClock();
    void writeAnswer(QByteArray line);
    void finishRestart();
    double uniform();

    SimulatorOptions m_options;
    std::unique_ptr<PseudoTerminal> m_pty;
    QString m_devicePath;
    QString m_errorText;
    TransmitterModel m_model;
    TransmitterSlave m_slave;
    VirtualBench m_bench{m_model};
    RxRawBuffer m_raw;
    AsciiDecoder m_decoder{m_raw, frame::AsciiQueryStart};
    std::mt19937 m_lineRandom;

    QSocketNotifier* m_notifier = nullptr;
    QTimer* m_clockTimer = nullptr;
    QTimer* m_restartTimer = nullptr;
    QElapsedTimer m_clock;
    qint64 m_clockMs = 0;

    bool m_running = false;
    bool m_restarting = false;
    // Answers scheduled before a stop() must not go out after it.
    quint64 m_generation = 0;
    quint64 m_queriesForUs = 0;
    quint32 m_queryCount = 0;
    quint32 m_answerCount = 0;
};
