#include "app/simulated_transmitter.h"

#include "sim/virtual_transmitter.h"

SimulatedTransmitter::~SimulatedTransmitter()
{
    stop();
}

bool SimulatedTransmitter::start(const SimulatorOptions& options, QString* error)
{
    if (m_transmitter)
        return true;
    auto* transmitter = new VirtualTransmitter(options);
    if (!transmitter->isValid()) {
        if (error)
            *error = transmitter->errorText();
        delete transmitter;
        return false;
    }
    m_devicePath = transmitter->devicePath();
    m_transmitter = transmitter;
    transmitter->moveToThread(&m_thread);
    // Its socket notifier and timers must die on the thread they belong to.
    QObject::connect(&m_thread, &QThread::finished, transmitter, &QObject::deleteLater);
    m_thread.setObjectName(QStringLiteral("VirtualTransmitter"));
    m_thread.start();
    // Serving starts by dropping what is pending: it must have started
    // before the caller shows the path to anyone who could send.
    QMetaObject::invokeMethod(transmitter, &VirtualTransmitter::start, Qt::BlockingQueuedConnection);
    return true;
}

void SimulatedTransmitter::stop()
{
    if (!m_transmitter)
        return;
    QMetaObject::invokeMethod(m_transmitter, &VirtualTransmitter::stop, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
    m_transmitter = nullptr;
    m_devicePath.clear();
}

QString SimulatedTransmitter::benchCommand(const QString& line)
{
    if (!m_transmitter)
        return QStringLiteral("error: the virtual transmitter is not running");
    QString answer;
    VirtualTransmitter* transmitter = m_transmitter;
    QMetaObject::invokeMethod(
        transmitter, [transmitter, &line] { return transmitter->benchCommand(line); },
        Qt::BlockingQueuedConnection, &answer);
    return answer;
}

void SimulatedTransmitter::addToPortList(const QString& path)
{
    QString ports = qEnvironmentVariable("KV_EXTRA_PORTS");
    if (ports.split(u':', Qt::SkipEmptyParts).contains(path))
        return;
    if (!ports.isEmpty() && !ports.endsWith(u':'))
        ports += u':';
    ports += path;
    qputenv("KV_EXTRA_PORTS", ports.toLocal8Bit());
}

bool SimulatedBench::apply(double ohm, QString* error)
{
    const QString answer = m_transmitter.benchCommand(QStringLiteral("resistor %1").arg(ohm, 0, 'f', 3));
    if (answer.startsWith(QLatin1StringView("ok")))
        return true;
    if (error)
        *error = answer;
    return false;
}

std::optional<double> SimulatedBench::meterReading(QString* error)
{
    // "meter: 7.5357 mA"
    const QString answer = m_transmitter.benchCommand(QStringLiteral("meter"));
    const QStringList words = answer.split(u' ', Qt::SkipEmptyParts);
    bool ok = false;
    const double value = words.size() == 3 ? words.at(1).toDouble(&ok) : 0.0;
    if (ok)
        return value;
    if (error)
        *error = QStringLiteral("the bench's meter answered \"%1\"").arg(answer);
    return std::nullopt;
}
