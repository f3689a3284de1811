#include "sim/simulator_options.h"

#include <QCommandLineParser>

namespace simoptions {

namespace {

bool toInt(const QString& text, int min, int max, int* value)
{
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok || v < min || v > max)
        return false;
    *value = v;
    return true;
}

} // namespace

bool parse(const QStringList& arguments, SimulatorOptions* options, QString* errorText, bool* helpRequested)
{
    auto fail = [errorText](const QString& text) {
        if (errorText)
            *errorText = text;
        return false;
    };
    if (helpRequested)
        *helpRequested = false;

    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QString());
    const QCommandLineOption model(QStringLiteral("model"), QString(), QStringLiteral("name"));
    const QCommandLineOption firmware(QStringLiteral("firmware"), QString(), QStringLiteral("N"));
    const QCommandLineOption pt1000(QStringLiteral("pt1000"), QString());
    const QCommandLineOption voltage(QStringLiteral("voltage"), QString());
    const QCommandLineOption openSensor(QStringLiteral("open-sensor"), QString());
    const QCommandLineOption outOfCalibration(QStringLiteral("out-of-calibration"), QString());
    const QCommandLineOption latency(QStringLiteral("latency"), QString(), QStringLiteral("ms"));
    const QCommandLineOption refuse(QStringLiteral("refuse"), QString(), QStringLiteral("cmd"));
    const QCommandLineOption shortAnswer(QStringLiteral("short-answer"), QString(), QStringLiteral("cmd"));
    const QCommandLineOption dropEvery(QStringLiteral("drop-every"), QString(), QStringLiteral("N"));
    const QCommandLineOption corruptRate(QStringLiteral("corrupt-rate"), QString(), QStringLiteral("P"));
    const QCommandLineOption seed(QStringLiteral("seed"), QString(), QStringLiteral("N"));
    const QCommandLineOption link(QStringLiteral("link"), QString(), QStringLiteral("path"));
    const QCommandLineOption verbose({QStringLiteral("v"), QStringLiteral("verbose")}, QString());
    parser.addOptions({help, model, firmware, pt1000, voltage, openSensor, outOfCalibration, latency, refuse,
                       shortAnswer, dropEvery, corruptRate, seed, link, verbose});

    if (!parser.parse(arguments))
        return fail(parser.errorText());
    if (parser.isSet(help)) {
        if (helpRequested)
            *helpRequested = true;
        return true;
    }
    if (!parser.positionalArguments().isEmpty())
        return fail(QStringLiteral("Unexpected argument: ") + parser.positionalArguments().constFirst());

    SimulatorOptions o = *options;
    if (parser.isSet(model)) {
        const QString name = parser.value(model).toUpper();
        if (name != QLatin1String("KV4620") && name != QLatin1String("KV4820"))
            return fail(QStringLiteral("--model takes KV4620 or KV4820, not ") + parser.value(model));
        o.model = name;
    }
    if (parser.isSet(firmware)) {
        bool ok = false;
        o.firmwareVersion = parser.value(firmware).toUInt(&ok);
        if (!ok)
            return fail(QStringLiteral("--firmware takes an unsigned number such as 20150325"));
    }
    o.pt1000 = o.pt1000 || parser.isSet(pt1000);
    o.voltageOutput = o.voltageOutput || parser.isSet(voltage);
    o.openSensor = o.openSensor || parser.isSet(openSensor);
    o.outOfCalibration = o.outOfCalibration || parser.isSet(outOfCalibration);
    if (parser.isSet(latency) && !toInt(parser.value(latency), 0, 60000, &o.latencyMs))
        return fail(QStringLiteral("--latency takes milliseconds from 0 to 60000"));
    // The command codes of an option that may be given more than once.
    const auto takeCommands = [&](const QCommandLineOption& option, QList<quint8>* codes) {
        for (const QString& value : parser.values(option)) {
            int code = 0;
            if (!toInt(value, 0, 255, &code))
                return fail(QStringLiteral("--%1 takes a command code from 0 to 255, not ")
                                .arg(option.names().constFirst()) +
                            value);
            if (!codes->contains(quint8(code)))
                codes->append(quint8(code));
        }
        return true;
    };
    if (!takeCommands(refuse, &o.refusedCommands) || !takeCommands(shortAnswer, &o.shortCommands))
        return false;
    if (parser.isSet(dropEvery) && !toInt(parser.value(dropEvery), 0, 1000000, &o.dropEvery))
        return fail(QStringLiteral("--drop-every takes a count (0 never drops)"));
    if (parser.isSet(corruptRate)) {
        bool ok = false;
        const double rate = parser.value(corruptRate).toDouble(&ok);
        if (!ok || !(rate >= 0.0 && rate <= 1.0))
            return fail(QStringLiteral("--corrupt-rate takes a share from 0 to 1"));
        o.corruptRate = rate;
    }
    if (parser.isSet(seed)) {
        bool ok = false;
        o.seed = parser.value(seed).toUInt(&ok);
        if (!ok)
            return fail(QStringLiteral("--seed takes an unsigned number"));
    }
    if (parser.isSet(link))
        o.linkPath = parser.value(link);
    o.verbose = o.verbose || parser.isSet(verbose);
    *options = o;
    return true;
}

QString helpText()
{
    return QStringLiteral(
        "Usage: kvsim [options]\n"
        "\n"
        "A virtual KV4620/KV4820 transmitter on a pseudo-terminal. The first line\n"
        "printed is the device path to open in the configurator (19200 baud, ASCII\n"
        "master framing). It serves until interrupted (Ctrl+C or SIGTERM).\n"
        "\n"
        "Options:\n"
        "  --model KV4620|KV4820  device model named in the start-up line (default KV4620);\n"
        "                         the line protocol is the same for both\n"
        "  --firmware N           firmware version reported, YYYYMMDD (default 20150325)\n"
        "  --pt1000               Pt1000 input range (4900/2490 ohm references)\n"
        "                         instead of Pt100\n"
        "  --voltage              voltage output (2-10 V / 0-10 V) instead of current\n"
        "  --open-sensor          the sensor circuit is open: error 2, open-circuit flag,\n"
        "                         output at the error level\n"
        "  --out-of-calibration   converter points, three-wire offset and output points\n"
        "                         stored long ago and drifted: calibrating improves the\n"
        "                         reading\n"
        "  --latency MS           delay before each answer (default 4 ms)\n"
        "  --refuse CMD           answer this command code with status 254 (refused);\n"
        "                         may be given more than once\n"
        "  --short-answer CMD     answer this command with only the first half of its\n"
        "                         data; may be given more than once\n"
        "  --drop-every N         stay silent on every Nth query (as if it were lost)\n"
        "  --corrupt-rate P       flip one bit in this share (0 to 1) of the answers\n"
        "  --seed N               seed of the measurement noise and line faults, for\n"
        "                         repeatable runs (default 1)\n"
        "  --link PATH            also make PATH a symbolic link to the device\n"
        "  -v, --verbose          log queries and answers on standard error\n"
        "  -h, --help             show this text\n"
        "\n"
        "The transmitter starts with the factory settings (4 wires, temperature,\n"
        "averaging 16) and a calibrated converter and output. Command 251 restarts it\n"
        "(silent for about 1.5 s); command 4 erases its memory and restarts it.\n"
        "\n"
        "Bench commands, one a line on standard input, each answered by one line on\n"
        "standard output (a bad line gets an \"error:\" line and changes nothing):\n"
        "  resistor OHM           a reference resistor at the input, e.g. resistor 490\n"
        "  sensor                 the simulated sensor at the input again\n"
        "  temperature CELSIUS    hold the simulated sensor at this temperature\n"
        "  potentiometer PERCENT  the potentiometer's position (input mode Pot. %)\n"
        "  open, close            open or close the sensor circuit\n"
        "  meter                  what a meter on the analog output reads, mA or V\n"
        "  help                   list these commands\n");
}

} // namespace simoptions
