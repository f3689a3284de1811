#include "sim/virtual_transmitter.h"

#include "device/device_command.h"
#include "sim/slave_blocks.h"

#include <QSocketNotifier>
#include <QTimer>

namespace {

constexpr int kClockIntervalMs = TransmitterModel::SamplePeriodMs;
constexpr quint32 kLineSeedSalt = 0x9E3779B9u;

} // namespace

VirtualTransmitter::VirtualTransmitter(const SimulatorOptions& options, QObject* parent)
    : QObject(parent), m_options(options), m_pty(PseudoTerminal::open(&m_errorText)), m_model(options),
      m_slave(m_model, options.refusedCommands, options.shortCommands),
      m_lineRandom(options.seed ^ kLineSeedSalt)
{
    if (m_pty)
        m_devicePath = m_pty->devicePath();
}

VirtualTransmitter::~VirtualTransmitter()
{
    stop();
}

void VirtualTransmitter::start()
{
    if (m_running || !m_pty)
        return;
    m_running = true;
    m_restarting = false;
    m_decoder.leaveFrame();
    // Whatever arrived while nobody listened is stale.
    m_pty->readAvailable();

    m_notifier = new QSocketNotifier(m_pty->farFd(), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &VirtualTransmitter::onReadable);

    m_clock.start();
    m_clockMs = 0;
    m_clockTimer = new QTimer(this);
    m_clockTimer->setInterval(kClockIntervalMs);
    connect(m_clockTimer, &QTimer::timeout, this, &VirtualTransmitter::catchUpClock);
    m_clockTimer->start();

    m_restartTimer = new QTimer(this);
    m_restartTimer->setSingleShot(true);
    connect(m_restartTimer, &QTimer::timeout, this, &VirtualTransmitter::finishRestart);
}

void VirtualTransmitter::stop()
{
    if (!m_running)
        return;
    m_running = false;
    ++m_generation;
    delete m_notifier;
    m_notifier = nullptr;
    delete m_clockTimer;
    m_clockTimer = nullptr;
    delete m_restartTimer;
    m_restartTimer = nullptr;
}

void VirtualTransmitter::catchUpClock()
{
    const qint64 now = m_clock.elapsed();
    m_model.advance(now - m_clockMs);
    m_clockMs = now;
}

QString VirtualTransmitter::benchCommand(const QString& line)
{
    if (m_running)
        catchUpClock();
    return m_bench.execute(line);
}

void VirtualTransmitter::onReadable()
{
    const QByteArray bytes = m_pty->readAvailable();
    for (const char c : bytes) {
        if (m_decoder.feed(quint8(c)) == DecodeEvent::FrameAccepted)
            onFrame(QByteArray(reinterpret_cast<const char*>(m_raw.data()), m_raw.count()));
        if (!m_running)
            return;
    }
}

double VirtualTransmitter::uniform()
{
    return double(m_lineRandom()) / 4294967296.0;
}

void VirtualTransmitter::onFrame(const QByteArray& frame)
{
    ++m_queryCount;
    emit queryReceived(frame);

    QString whyNot;
    if (m_restarting) {
        emit queryIgnored(frame, QStringLiteral("restarting"));
        return;
    }
    if (!TransmitterSlave::isForUs(frame, &whyNot)) {
        emit queryIgnored(frame, whyNot);
        return;
    }
    ++m_queriesForUs;
    if (m_options.dropEvery > 0 && m_queriesForUs % quint64(m_options.dropEvery) == 0) {
        emit queryIgnored(frame, QStringLiteral("dropped"));
        return;
    }

    catchUpClock();
    const TransmitterSlave::Reply reply = m_slave.handle(frame);
    if (!reply.answer) {
        emit queryIgnored(frame, reply.ignoredBecause);
        return;
    }

    QByteArray line =
        slaveblocks::encodeAnswer(DeviceAddress, DeviceFunctionId, reply.command, reply.status, reply.data);
    if (m_options.corruptRate > 0.0 && uniform() < m_options.corruptRate) {
        const qsizetype at = qsizetype(m_lineRandom() % quint32(line.size()));
        line[at] = char(line[at] ^ char(1u << (m_lineRandom() % 7u)));
    }
    const quint64 generation = m_generation;
    QTimer::singleShot(m_options.latencyMs, this, [this, generation, line] {
        if (generation == m_generation)
            writeAnswer(line);
    });

    if (reply.restart) {
        m_restarting = true;
        m_restartTimer->start(m_options.latencyMs + m_options.restartSilenceMs);
    }
}

void VirtualTransmitter::writeAnswer(QByteArray line)
{
    if (!m_pty->write(line))
        return;
    ++m_answerCount;
    emit answerSent(line);
}

void VirtualTransmitter::finishRestart()
{
    catchUpClock();
    m_model.restart();
    m_restarting = false;
    m_decoder.leaveFrame();
    emit restarted();
}
