#include "sim/virtual_bench.h"

#include "sim/transmitter_model.h"

#include <QStringList>

#include <cmath>
#include <optional>

namespace {

// A finite number within [min, max], written with a point.
std::optional<double> number(const QString& text, double min, double max)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value) || value < min || value > max)
        return std::nullopt;
    return value;
}

QString shown(double value)
{
    return QString::number(value, 'g', 10);
}

QString error(const QString& text)
{
    return QStringLiteral("error: ") + text;
}

} // namespace

QString VirtualBench::helpLine()
{
    return QStringLiteral("commands: resistor OHM, sensor, temperature CELSIUS, potentiometer PERCENT, "
                          "open, close, meter, help");
}

QString VirtualBench::meterText() const
{
    return QString::number(m_model.outputMeterReading(), 'f', MeterDecimals) +
           (m_model.isVoltageOutput() ? QStringLiteral(" V") : QStringLiteral(" mA"));
}

QString VirtualBench::execute(QStringView line)
{
    const QStringList words = line.toString().simplified().split(u' ', Qt::SkipEmptyParts);
    if (words.isEmpty())
        return error(QStringLiteral("empty line (try help)"));
    const QString command = words.constFirst().toLower();
    const bool oneArgument = words.size() == 2;
    const bool noArgument = words.size() == 1;

    if (command == QLatin1String("resistor")) {
        const std::optional<double> ohm =
            oneArgument ? number(words.at(1), 0.0, MaxResistorOhm) : std::nullopt;
        if (!ohm)
            return error(QStringLiteral("resistor takes ohm from 0 to %1").arg(MaxResistorOhm));
        m_model.connectResistor(*ohm);
        return QStringLiteral("ok: %1 ohm connected").arg(shown(*ohm));
    }
    if (command == QLatin1String("temperature")) {
        const std::optional<double> celsius =
            oneArgument ? number(words.at(1), MinTemperature, MaxTemperature) : std::nullopt;
        if (!celsius)
            return error(QStringLiteral("temperature takes degrees Celsius from %1 to %2")
                             .arg(MinTemperature)
                             .arg(MaxTemperature));
        m_model.setSensorTemperature(*celsius);
        return QStringLiteral("ok: sensor at %1 C").arg(shown(*celsius));
    }
    if (command == QLatin1String("potentiometer")) {
        const std::optional<double> percent = oneArgument ? number(words.at(1), 0.0, 100.0) : std::nullopt;
        if (!percent)
            return error(QStringLiteral("potentiometer takes per cent from 0 to 100"));
        m_model.setPotentiometerPosition(*percent);
        return QStringLiteral("ok: potentiometer at %1 %").arg(shown(*percent));
    }
    if (!noArgument)
        return error(command + QStringLiteral(" takes no argument (try help)"));
    if (command == QLatin1String("sensor")) {
        m_model.connectSimulatedInput();
        return QStringLiteral("ok: simulated sensor connected");
    }
    if (command == QLatin1String("open") || command == QLatin1String("close")) {
        const bool open = command == QLatin1String("open");
        m_model.setSensorOpen(open);
        return open ? QStringLiteral("ok: sensor circuit open") : QStringLiteral("ok: sensor circuit closed");
    }
    if (command == QLatin1String("meter"))
        return QStringLiteral("meter: ") + meterText();
    if (command == QLatin1String("help"))
        return helpLine();
    return error(QStringLiteral("unknown command '%1' (try help)").arg(words.constFirst()));
}
