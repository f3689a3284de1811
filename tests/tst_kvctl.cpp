// kvctl as a program against kvsim programs over real pseudo-terminals:
// what it prints, what it writes, what it sends and how it exits.

#include "app/settings_file.h"
#include "device/device_command.h"
#include "device/live_csv_writer.h"
#include "platform/ini_file.h"
#include "platform/pseudo_terminal.h"
#include "platform/serial_port.h"
#include "platform/serial_port_enumeration.h"
#include "records/record_store.h"
#include "records/records_location.h"
#include "records/session_recorder.h"
#include "tests/support/refused_port.h"
#include "tests/support/test_files.h"
#include "verification/verification.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QVariantMap>

#include <csignal>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

#ifndef KVCTL_PATH
#define KVCTL_PATH ""
#endif
#ifndef KVSIM_PATH
#define KVSIM_PATH ""
#endif

namespace {

// A run takes well under a second at the quick pace: a broken build that
// hangs fails each case within seconds rather than at CTest's time-out.
constexpr int WaitMs = 8000;
// Short enough that a silent transmitter is given up on quickly.
const QString FastTimeout = QStringLiteral("60");
// The communication task's tick for kvctl in these tests, instead of the
// window's 100 ms that would make up most of their time.
const QString QuickTickMs = QStringLiteral("5");

// A kvsim program logging its traffic (-v) to its standard error.
class Sim
{
public:
    explicit Sim(const QStringList& arguments = {})
    {
        m_process.start(QStringLiteral(KVSIM_PATH), QStringList{QStringLiteral("-v")} + arguments);
        const QDeadlineTimer deadline(WaitMs);
        while (!m_process.canReadLine() && m_process.waitForReadyRead(int(deadline.remainingTime()))) {
        }
        m_path = QString::fromLocal8Bit(m_process.readLine()).trimmed();
    }
    ~Sim() { stop(); }
    void stop()
    {
        m_process.terminate();
        m_process.waitForFinished(WaitMs);
    }

    const QString& path() const { return m_path; }

    // Stops the program and gives the command code of every query it got.
    QList<int> stopAndTakeQueries()
    {
        stop();
        QList<int> commands;
        for (const QByteArray& line : m_process.readAllStandardError().split('\n')) {
            // "<- 01 22 F9 00 ...": address, ID, command.
            const QList<QByteArray> bytes = line.split(' ');
            if (bytes.size() > 3 && bytes.at(0) == "<-")
                commands << bytes.at(3).toInt(nullptr, 16);
        }
        return commands;
    }

private:
    QProcess m_process;
    QString m_path;
};

struct Run
{
    int exitCode = -1;
    QString out;
    QString err;
};

QProcessEnvironment quickPace()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("KVCTL_TASK_TICK_MS"), QuickTickMs);
    return environment;
}

Run kvctl(const QStringList& arguments, const QProcessEnvironment& environment = quickPace(),
          bool refused = false)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    if (refused)
        RefusedPort::prepare(process);
    process.start(QStringLiteral(KVCTL_PATH), arguments);
    const bool ended = process.waitForFinished(WaitMs) && process.exitStatus() == QProcess::NormalExit;
    return {ended ? process.exitCode() : -1, QString::fromLocal8Bit(process.readAllStandardOutput()),
            QString::fromLocal8Bit(process.readAllStandardError())};
}

QString describe(const Run& run)
{
    return QStringLiteral("exit %1\nout: %2\nerr: %3").arg(run.exitCode).arg(run.out, run.err);
}

// A settings file for the KV4620 unlike the factory settings in every key.
// The scales need no more than one decimal: the write normalises them with
// the pattern of the mode the transmitter reports before it (temperature),
// the read shows them with the resistance mode's two.
const SettingsFileValues Distinct{.wires = 1,
                                  .inputMode = 2,
                                  .outputType = 1,
                                  .errorLevel = 1,
                                  .noErrorOnOverflow = true,
                                  .averaging = 6,
                                  .scaleLow = QStringLiteral("10.50"),
                                  .scaleHigh = QStringLiteral("150.50"),
                                  .limits = {}};

} // namespace

class tst_Kvctl : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void usageErrors_data();
    void usageErrors();
    void helpPerCommand_data();
    void helpPerCommand();
    void portsAsTheWindowEnumerates();

    void identify_data();
    void identify();
    void liveRows_data();
    void liveRows();
    void liveEndsCleanlyOnSignal_data();
    void liveEndsCleanlyOnSignal();
    void liveSaysOnceThatTheLinkIsSlower();

    void readWriteReadGivesTheSameFile_data();
    void readWriteReadGivesTheSameFile();
    void otherModelIsRefusedBeforeSending_data();
    void otherModelIsRefusedBeforeSending();
    void writeNormalisesAsTheWindow_data();
    void writeNormalisesAsTheWindow();
    void writeInParallelOneRefusing();
    void portErrorOutranksFailure();
    void refusedPortSaysWhatToDo();
    void pipesAndDevicesAreNoSettingsFiles();
    void shortSettingsAnswerIsNamed();
    void transmitterGoneIsPortError();

    void progressOnlyOnATerminal_data();
    void progressOnlyOnATerminal();

    void commissionRecordsAndCertifies();
    void badPlansAreRefusedBeforeSending_data();
    void badPlansAreRefusedBeforeSending();
    void historyExportAndReport();

private:
    QTemporaryDir m_dir;
};

void tst_Kvctl::initTestCase()
{
    QVERIFY2(QFileInfo(QStringLiteral(KVCTL_PATH)).isExecutable(), KVCTL_PATH);
    QVERIFY2(QFileInfo(QStringLiteral(KVSIM_PATH)).isExecutable(), KVSIM_PATH);
    QVERIFY(m_dir.isValid());
}

void tst_Kvctl::usageErrors_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");
    QTest::newRow("no command") << QStringList{} << "no command given";
    QTest::newRow("unknown command") << QStringList{"frob"} << "unknown command: frob";
    QTest::newRow("no port") << QStringList{"identify"} << "--port is missing";
    QTest::newRow("same port twice") << QStringList{"identify", "--port", "/dev/x", "--port", "/dev/x"}
                                     << "--port /dev/x is given twice";
    QTest::newRow("live on two ports")
        << QStringList{"live", "--port", "/dev/x", "--port", "/dev/y"} << "live works on one --port";
    QTest::newRow("count 0") << QStringList{"live", "--port", "/dev/x", "--count", "0"} << "--count takes";
    QTest::newRow("unknown model") << QStringList{"read", "--port", "/dev/x", "--model", "KV9", "--out", "f"}
                                   << "--model takes KV4620 or KV4820";
    QTest::newRow("timeout too short")
        << QStringList{"identify", "--port", "/dev/x", "--timeout", "1"} << "--timeout takes milliseconds";
    QTest::newRow("csv and json") << QStringList{"live", "--port", "/dev/x", "--csv", "f", "--json"}
                                  << "--csv and --json exclude each other";
    QTest::newRow("another command's option")
        << QStringList{"identify", "--port", "/dev/x", "--count", "3"} << "identify takes no --count";
    QTest::newRow("read without model")
        << QStringList{"read", "--port", "/dev/x", "--out", "f.kvb"} << "--model is missing";
    QTest::newRow("write without file")
        << QStringList{"write", "--port", "/dev/x"} << "write takes one settings file";
}

void tst_Kvctl::usageErrors()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    const Run run = kvctl(arguments);
    QVERIFY2(run.exitCode == 2, qPrintable(describe(run)));
    QVERIFY(run.out.isEmpty());
    QVERIFY2(run.err.startsWith(QStringLiteral("kvctl: ") + message), qPrintable(run.err));
    QVERIFY2(run.err.contains(QStringLiteral("--help")), qPrintable(run.err));
}

void tst_Kvctl::helpPerCommand_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QStringList>("options");
    QTest::newRow("overview") << ""
                              << QStringList{"ports", "identify", "live", "read", "write", "Exit status"};
    QTest::newRow("ports") << "ports" << QStringList{"KV_EXTRA_PORTS"};
    QTest::newRow("identify") << "identify" << QStringList{"--port", "--timeout"};
    QTest::newRow("live") << "live" << QStringList{"--port", "--count", "--interval", "--csv", "--json"};
    QTest::newRow("read") << "read" << QStringList{"--port", "--model", "--out", "--template"};
    QTest::newRow("write") << "write" << QStringList{"--port", "--model", "--timeout"};
}

void tst_Kvctl::helpPerCommand()
{
    QFETCH(QString, command);
    QFETCH(QStringList, options);
    const Run run = kvctl(command.isEmpty() ? QStringList{"--help"} : QStringList{command, "--help"});
    QCOMPARE(run.exitCode, 0);
    QVERIFY(run.err.isEmpty());
    for (const QString& option : options)
        QVERIFY2(run.out.contains(option), qPrintable(option));
}

void tst_Kvctl::portsAsTheWindowEnumerates()
{
    Sim sim;
    QVERIFY(!sim.path().isEmpty());
    const QString missing = m_dir.filePath(QStringLiteral("no-such-port"));
    const QString extra = sim.path() + u':' + missing;
    qputenv("KV_EXTRA_PORTS", extra.toLocal8Bit());
    QStringList enumerated;
    EnumerateSerialPorts(&enumerated);
    qunsetenv("KV_EXTRA_PORTS");

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("KV_EXTRA_PORTS"), extra);
    const Run run = kvctl({"ports"}, environment);
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out.split(u'\n', Qt::SkipEmptyParts), enumerated);
    QVERIFY(enumerated.contains(sim.path()));
    QVERIFY(!enumerated.contains(missing));
}

void tst_Kvctl::identify_data()
{
    QTest::addColumn<QStringList>("simArguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("line");
    QTest::newRow("supported") << QStringList{} << 0
                               << ": Firmware: v2015-03-25 (20150325), supported, Pt100, current output";
    QTest::newRow("first supported, Pt1000, voltage")
        << QStringList{"--firmware", "20150324", "--pt1000", "--voltage"} << 0
        << ": Firmware: v2015-03-24 (20150324), supported, Pt1000, voltage output";
    QTest::newRow("firmware too old")
        << QStringList{"--firmware", "20120101"} << 1 << ": failed: firmware 20120101 not supported";
    QTest::newRow("silent") << QStringList{"--drop-every", "1"} << 1
                            << ": failed: Identification: no answer after 5 tries";
    QTest::newRow("refusing") << QStringList{"--refuse", "249"} << 1
                              << ": failed: Identification: refused (status 254)";
}

void tst_Kvctl::identify()
{
    QFETCH(QStringList, simArguments);
    QFETCH(int, exitCode);
    QFETCH(QString, line);
    Sim sim(simArguments);
    QVERIFY(!sim.path().isEmpty());
    const Run run = kvctl({"identify", "--port", sim.path(), "--timeout", FastTimeout});
    QVERIFY2(run.exitCode == exitCode, qPrintable(describe(run)));
    QCOMPARE(run.out, sim.path() + line + u'\n');
    // Whoever looks for the model here learns where it comes from.
    QCOMPARE(run.err.contains(QStringLiteral("kvctl: the model, KV4620 or KV4820, cannot be read from a "
                                             "transmitter: read takes it from --model")),
             exitCode == 0);
}

void tst_Kvctl::liveRows_data()
{
    QTest::addColumn<bool>("json");
    QTest::newRow("csv") << false;
    QTest::newRow("json") << true;
}

void tst_Kvctl::liveRows()
{
    QFETCH(bool, json);
    Sim sim({"--open-sensor"});
    const QString csv = m_dir.filePath(QStringLiteral("live.csv"));
    QStringList arguments{"live", "--port", sim.path(), "--count", "5", "--interval", "0"};
    arguments << (json ? QStringList{"--json"} : QStringList{"--csv", csv});
    const Run run = kvctl(arguments);
    QVERIFY2(run.exitCode == 0, qPrintable(describe(run)));

    // Each row by its field names; the flags as one text.
    QList<QVariantMap> rows;
    const QStringList lines = json ? run.out.split(u'\n', Qt::SkipEmptyParts) : fileLines(csv);
    QVERIFY(!lines.isEmpty());
    const QStringList header = lines.constFirst().split(u',');
    for (const QString& line : lines.mid(json ? 0 : 1)) {
        QVariantMap row;
        if (json) {
            row = QJsonDocument::fromJson(line.toUtf8()).object().toVariantMap();
            row[QStringLiteral("status_flags")] =
                row.value(QStringLiteral("statusFlags")).toStringList().join(u' ');
        } else {
            // The Trend window's recording's columns, the unit in ASCII.
            const QStringList fields = line.split(u',');
            QCOMPARE(fields.size(), header.size());
            for (qsizetype i = 0; i < fields.size(); ++i)
                row.insert(header.at(i), fields.at(i));
            row[QStringLiteral("error")] = row.value(QStringLiteral("uErrorNumber [-]"));
        }
        rows << row;
    }
    if (!json)
        QCOMPARE(header, LiveCsvWriter::columns());
    QCOMPARE(rows.size(), 5);
    // ISO 8601 to the millisecond, with the offset from UTC.
    const QRegularExpression iso(
        QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}(Z|[+-]\\d\\d:\\d\\d)$"));
    QDateTime previous;
    for (const QVariantMap& row : std::as_const(rows)) {
        const QString text = row.value(QStringLiteral("time")).toString();
        QVERIFY2(iso.match(text).hasMatch(), qPrintable(text));
        const QDateTime time = QDateTime::fromString(text, Qt::ISODateWithMs);
        QVERIFY2(time.isValid() && (!previous.isValid() || time > previous), qPrintable(text));
        previous = time;
        bool number = false;
        row.value(QStringLiteral("value")).toString().toDouble(&number);
        QVERIFY(number);
        QCOMPARE(row.value(QStringLiteral("unit")).toString(),
                 json ? QStringLiteral("°C") : QStringLiteral("degC"));
        QCOMPARE(row.value(QStringLiteral("error")).toInt(), 2);
        QVERIFY(row.value(QStringLiteral("status_flags")).toString().contains(QStringLiteral("bOpenError")));
    }
    QVERIFY2(!run.err.contains(QStringLiteral("delivers")), qPrintable(run.err));
}

void tst_Kvctl::liveSaysOnceThatTheLinkIsSlower()
{
    Sim sim;
    const Run run = kvctl({"live", "--port", sim.path(), "--count", "8", "--interval", "1", "--json"});
    QVERIFY2(run.exitCode == 0, qPrintable(describe(run)));
    QCOMPARE(run.out.count(u'\n'), 8);
    const QRegularExpression note(sim.path() +
                                  QStringLiteral(": the link delivers a live block about every "
                                                 "\\d+ ms: rows come that often, not every 1 ms"));
    QVERIFY2(run.err.count(note) == 1, qPrintable(run.err));
}

void tst_Kvctl::liveEndsCleanlyOnSignal_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("SIGINT") << int(SIGINT);
    QTest::newRow("SIGTERM") << int(SIGTERM);
}

void tst_Kvctl::liveEndsCleanlyOnSignal()
{
    QFETCH(int, signalNumber);
    Sim sim;
    const QString csv = m_dir.filePath(QStringLiteral("until-interrupted.csv"));
    QFile::remove(csv);
    QProcess process;
    process.setProcessEnvironment(quickPace());
    process.start(QStringLiteral(KVCTL_PATH),
                  {"live", "--port", sim.path(), "--interval", "0", "--csv", csv});
    QVERIFY(process.waitForStarted(WaitMs));
    QTRY_VERIFY_WITH_TIMEOUT(fileLines(csv).size() >= 4, WaitMs);
    ::kill(pid_t(process.processId()), signalNumber);
    QVERIFY(process.waitForFinished(WaitMs));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);

    const QByteArray bytes = readAll(csv);
    QVERIFY(bytes.endsWith('\n'));
    const QStringList lines = fileLines(csv);
    const QString err = QString::fromLocal8Bit(process.readAllStandardError());
    QVERIFY2(err.contains(QStringLiteral("stopped after %1 rows").arg(lines.size() - 1)), qPrintable(err));
    for (const QString& line : lines)
        QCOMPARE(line.split(u',').size(), lines.constFirst().split(u',').size());
}

void tst_Kvctl::readWriteReadGivesTheSameFile_data()
{
    QTest::addColumn<bool>("withTemplate");
    QTest::newRow("limit outputs left out") << false;
    QTest::newRow("limit outputs from a template") << true;
}

void tst_Kvctl::readWriteReadGivesTheSameFile()
{
    QFETCH(bool, withTemplate);
    const QString setUp = m_dir.filePath(QStringLiteral("set-up.kvb"));
    SettingsFileValues templateValues = Distinct;
    templateValues.limits.at(2) = {3, QStringLiteral("1.5"), QStringLiteral("9"), QStringLiteral("0.5"), 1};
    QVERIFY(SettingsFile::write(setUp, dmKV4620, templateValues, QStringLiteral("1.1.2020")));

    // One transmitter set up unlike the factory, one from the factory.
    Sim first;
    Sim second;
    Run run = kvctl({"write", "--port", first.path(), setUp});
    QVERIFY2(run.exitCode == 0, qPrintable(describe(run)));

    const QString read1 = m_dir.filePath(QStringLiteral("read1.kvb"));
    const QString read2 = m_dir.filePath(QStringLiteral("read2.kvb"));
    const QString factory = m_dir.filePath(QStringLiteral("factory.kvb"));
    QStringList options{"--model", "KV4620"};
    if (withTemplate)
        options << "--template" << setUp;
    for (const QString& file : {read1, read2, factory})
        QFile::remove(file);
    run = kvctl(QStringList{"read", "--port", first.path(), "--out", read1} + options);
    QVERIFY2(run.exitCode == 0, qPrintable(describe(run)));
    QCOMPARE(run.out, first.path() + QStringLiteral(": settings read into ") + read1 + u'\n');
    run = kvctl(QStringList{"read", "--port", second.path(), "--out", factory} + options);
    QVERIFY2(run.exitCode == 0, qPrintable(describe(run)));
    run = kvctl({"write", "--port", second.path(), read1});
    QVERIFY2(run.exitCode == 0, qPrintable(describe(run)));
    run = kvctl(QStringList{"read", "--port", second.path(), "--out", read2} + options);
    QVERIFY2(run.exitCode == 0, qPrintable(describe(run)));

    // The same settings, those set up, not what the factory gives.
    const SettingsFileValues a = SettingsFile::read(read1, dmKV4620).values;
    QVERIFY(a == SettingsFile::read(read2, dmKV4620).values);
    QVERIFY(a.scaleHigh == templateValues.scaleHigh && a.averaging == templateValues.averaging);
    QVERIFY(!(a == SettingsFile::read(factory, dmKV4620).values));

    // The window's sections, in its order.
    const IniFile ini(read1);
    QStringList sections{"Fejlec", "Beallitas", "Date"};
    if (withTemplate)
        sections.insert(2, QStringLiteral("Limits"));
    QCOMPARE(ini.sections(), sections);
    if (withTemplate)
        QVERIFY(a.limits == templateValues.limits);
}

void tst_Kvctl::otherModelIsRefusedBeforeSending_data()
{
    QTest::addColumn<QString>("header");
    QTest::addColumn<QStringList>("modelOption");
    QTest::addColumn<QString>("message");
    QTest::newRow("KV4620 file, KV4820 asked")
        << "KV4620" << QStringList{"--model", "KV4820"} << "This file is not a KV4820 settings.";
    QTest::newRow("KV4820 file, KV4620 asked")
        << "KV4820" << QStringList{"--model", "kv4620"} << "This file is not a KV4620 settings.";
    QTest::newRow("header in lower case")
        << "kv4820" << QStringList{} << "This file is not a KV4820 settings.";
}

void tst_Kvctl::otherModelIsRefusedBeforeSending()
{
    QFETCH(QString, header);
    QFETCH(QStringList, modelOption);
    QFETCH(QString, message);
    const QString file = m_dir.filePath(QStringLiteral("other-model.kvb"));
    QVERIFY(writeAll(
        file,
        QStringLiteral("[Fejlec]\nKV=%1\n[Beallitas]\nRadioGroup_VezetekSzam=2\n").arg(header).toLatin1()));
    Sim sim;
    Run run = kvctl(QStringList{"write", "--port", sim.path()} + modelOption + QStringList{file});
    QVERIFY2(run.exitCode == 2, qPrintable(describe(run)));
    QCOMPARE(run.err, QStringLiteral("kvctl: %1: %2\n").arg(file, message));
    QVERIFY(run.out.isEmpty());

    // The log shows what an identification sends, and nothing before it.
    run = kvctl({"identify", "--port", sim.path()});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(sim.stopAndTakeQueries(), (QList<int>{0xF9, 0x01}));
}

void tst_Kvctl::writeNormalisesAsTheWindow_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value"); // empty: the key is left out
    QTest::addColumn<QString>("readValue");
    QTest::addColumn<QString>("note");
    QTest::addColumn<int>("notes");
    const auto row = [](const char* name, const char* key, const char* value, const char* readValue,
                        const char* note, int notes) {
        QTest::newRow(name) << key << value << readValue << QString::fromUtf8(note) << notes;
    };
    // Named as the window's captions and items show them.
    row("scale text", "LabeledEdit_AramL", "abc", "-200.0",
        "Analog output scaling, Low: \"abc\" is no number: its fallback -200.0 is written", 1);
    row("scale rounded", "LabeledEdit_AramH", "12.345", "12.3",
        "Analog output scaling, High: \"12.345\" is written as 12.3 (pattern 0.0)", 1);
    row("wires beyond", "RadioGroup_VezetekSzam", "7", "2",
        "Wire: item 7 of the file is beyond the last item: \"2\" is selected", 1);
    row("wires negative", "RadioGroup_VezetekSzam", "-3", "0", "Wire: item -3 of the file selects no item",
        2);
    row("averaging missing", "RadioGroup_Atlagolas", "", "4", "Averaging: no item selected: 16 is written",
        1);
    row("output range missing", "RadioGroup_AnalogKimTipus", "", "1",
        "Analog output: no item selected: 0-20 mA / 0-10 V is written", 1);
}

void tst_Kvctl::writeNormalisesAsTheWindow()
{
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QString, readValue);
    QFETCH(QString, note);
    QFETCH(int, notes);
    // Temperature mode throughout, so the scales keep one decimal.
    const SettingsFileValues base{.wires = 1,
                                  .inputMode = 0,
                                  .outputType = 0,
                                  .errorLevel = 1,
                                  .averaging = 2,
                                  .scaleLow = QStringLiteral("-50.0"),
                                  .scaleHigh = QStringLiteral("250.0"),
                                  .limits = {}};
    IniFile ini{QString()};
    SettingsFile::store(ini, dmKV4620, base, QStringLiteral("1.1.2020"),
                        SettingsFile::Parts::WithoutLimitOutputs);
    const QRegularExpression line(QStringLiteral("^%1=.*\\n").arg(key), QRegularExpression::MultilineOption);
    const QString content =
        QString::fromUtf8(ini.content())
            .replace(line, value.isEmpty() ? QString() : QStringLiteral("%1=%2\n").arg(key, value));
    const QString file = m_dir.filePath(QStringLiteral("normalise.kvb"));
    QVERIFY(writeAll(file, content.toUtf8()));

    Sim sim;
    Run run = kvctl({"write", "--port", sim.path(), file});
    QVERIFY2(run.exitCode == 0, qPrintable(describe(run)));
    QVERIFY2(run.err.contains(sim.path() + QStringLiteral(": normalised as the window does: ") + note),
             qPrintable(run.err));
    // The other values go out as they are.
    QCOMPARE(run.err.count(QStringLiteral("normalised")), notes);

    const QString read = m_dir.filePath(QStringLiteral("normalised-read.kvb"));
    QFile::remove(read);
    run = kvctl({"read", "--port", sim.path(), "--model", "KV4620", "--out", read});
    QVERIFY2(run.exitCode == 0, qPrintable(describe(run)));
    QCOMPARE(IniFile(read).readString(QStringLiteral("Beallitas"), key), readValue);
}

void tst_Kvctl::portErrorOutranksFailure()
{
    Sim silent({"--drop-every", "1"});
    Sim held;
    const std::unique_ptr<SerialPort> holder = SerialPort::open(held.path(), 19200);
    QVERIFY(holder);
    const QString missing = m_dir.filePath(QStringLiteral("no-such-port"));
    const Run run = kvctl({"identify", "--port", silent.path(), "--port", missing, "--port", held.path(),
                           "--timeout", FastTimeout});
    QVERIFY2(run.exitCode == 3, qPrintable(describe(run)));
    QVERIFY(
        run.out.contains(missing + QStringLiteral(": port error: cannot open: No such file or directory\n")));
    // The window's words, not the system's "Device or resource busy".
    QVERIFY(run.out.contains(held.path() + ": port error: cannot open: in use by another program\n"));
    QVERIFY(run.out.contains(silent.path() +
                             QStringLiteral(": failed: Identification: no answer after 5 tries\n")));
    QVERIFY(run.out.endsWith(QStringLiteral("0 identified, 1 failed, 2 port error\n")));
}

// Not this user's to open, refused by the system itself: the cause and the
// remedy, in identify and in the port list.
void tst_Kvctl::refusedPortSaysWhatToDo()
{
    Sim sim;
    const RefusedPort refused(sim.path());
    QVERIFY2(refused.whyNot().isEmpty(), qPrintable(refused.whyNot()));
    Run run = kvctl({"identify", "--port", sim.path()}, quickPace(), true);
    QVERIFY2(run.exitCode == 3, qPrintable(describe(run)));
    QCOMPARE(run.out, sim.path() + ": port error: cannot open: " + refused.expectedReason() + u'\n');
    QProcessEnvironment environment = quickPace();
    environment.insert(QStringLiteral("KV_EXTRA_PORTS"), sim.path());
    run = kvctl({"ports"}, environment, true);
    QVERIFY2(run.exitCode == 0 && !run.out.contains(sim.path()), qPrintable(describe(run)));
    QVERIFY2(run.err.contains("kvctl: not listed: ") &&
                 run.err.contains(": " + refused.expectedReason() + u'\n'),
             qPrintable(run.err));
}

// Read whole, a pipe would never end and a device never stop growing: both
// are refused before anything is read.
void tst_Kvctl::pipesAndDevicesAreNoSettingsFiles()
{
    const QString pipe = m_dir.filePath(QStringLiteral("pipe.kvb"));
    const QString zero = m_dir.filePath(QStringLiteral("zero.kvb"));
    QVERIFY(::mkfifo(pipe.toLocal8Bit().constData(), 0600) == 0 && QFile::link("/dev/zero", zero));
    for (const QString& path : {pipe, zero}) {
        const Run run = kvctl({"write", "--port", m_dir.filePath(QStringLiteral("no-such-port")), path});
        QVERIFY2(run.exitCode == 2, qPrintable(describe(run)));
        QCOMPARE(run.err, QStringLiteral("kvctl: %1: cannot read: not a regular file\n").arg(path));
    }
}

// The transmitter answered, only too little: saying "no answer" would send
// the technician to the cable.
void tst_Kvctl::shortSettingsAnswerIsNamed()
{
    Sim shortAnswer({"--short-answer", "8"});
    const QString file = m_dir.filePath(QStringLiteral("short.kvb"));
    const Run run = kvctl({"read", "--port", shortAnswer.path(), "--model", "KV4620", "--out", file});
    QVERIFY2(run.exitCode == 1, qPrintable(describe(run)));
    QVERIFY2(
        run.out.contains(shortAnswer.path() +
                         QStringLiteral(": failed: Read settings from instrument: answer too short (10 of 20 "
                                        "data bytes)\n")),
        qPrintable(describe(run)));
    QVERIFY(!QFileInfo::exists(file));
}

void tst_Kvctl::transmitterGoneIsPortError()
{
    auto sim = std::make_unique<Sim>();
    QProcess live;
    live.setProcessEnvironment(quickPace());
    live.start(QStringLiteral(KVCTL_PATH), {"live", "--port", sim->path(), "--interval", "0", "--json"});
    QTRY_VERIFY_WITH_TIMEOUT(live.canReadLine(), WaitMs);
    sim.reset();
    QVERIFY(live.waitForFinished(WaitMs));
    QCOMPARE(live.exitCode(), 3);
    const QString err = QString::fromLocal8Bit(live.readAllStandardError());
    QVERIFY2(err.contains(QStringLiteral(": port error: ")), qPrintable(err));
}

void tst_Kvctl::writeInParallelOneRefusing()
{
    Sim a;
    Sim b;
    Sim refusing({"--refuse", "9"});
    Sim c;
    const QString file = m_dir.filePath(QStringLiteral("parallel.kvb"));
    QVERIFY(SettingsFile::write(file, dmKV4620, Distinct, QStringLiteral("1.1.2020")));
    const Run run = kvctl({"write", "--port", a.path(), "--port", b.path(), "--port", refusing.path(),
                           "--port", c.path(), file});
    QVERIFY2(run.exitCode == 1, qPrintable(describe(run)));
    QStringList lines = run.out.split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 5);
    QCOMPARE(lines.takeLast(), QStringLiteral("3 verified, 1 failed"));
    lines.sort();
    QStringList expected{a.path() + ": verified", b.path() + ": verified", c.path() + ": verified",
                         refusing.path() + ": failed: Write settings to instrument: refused (status 254)"};
    expected.sort();
    QCOMPARE(lines, expected);

    // Verified means stored: each transmitter reads back as the file says.
    for (const Sim* sim : {&a, &b, &c}) {
        const QString read = m_dir.filePath(QStringLiteral("parallel-read.kvb"));
        QFile::remove(read);
        const Run check = kvctl({"read", "--port", sim->path(), "--model", "KV4620", "--out", read});
        QVERIFY2(check.exitCode == 0, qPrintable(describe(check)));
        QVERIFY(SettingsFile::read(read, dmKV4620).values == SettingsFile::read(file, dmKV4620).values);
    }
}

void tst_Kvctl::progressOnlyOnATerminal_data()
{
    QTest::addColumn<bool>("terminal");
    QTest::newRow("terminal") << true;
    QTest::newRow("pipe") << false;
}

void tst_Kvctl::progressOnlyOnATerminal()
{
    QFETCH(bool, terminal);
    Sim sim;
    std::unique_ptr<PseudoTerminal> pty = PseudoTerminal::open();
    QVERIFY(pty);
    const QByteArray ptyPath = pty->devicePath().toLocal8Bit();
    QProcess process;
    if (terminal) {
        process.setChildProcessModifier([&ptyPath] {
            const int fd = ::open(ptyPath.constData(), O_WRONLY | O_NOCTTY);
            if (fd >= 0)
                ::dup2(fd, STDERR_FILENO);
        });
    }
    process.setProcessEnvironment(quickPace());
    process.start(QStringLiteral(KVCTL_PATH), {"identify", "--port", sim.path()});
    QVERIFY(process.waitForFinished(WaitMs));
    QCOMPARE(process.exitCode(), 0);
    QByteArray shown = process.readAllStandardError();
    if (terminal)
        QTRY_VERIFY_WITH_TIMEOUT((shown += pty->readAvailable()).contains("\r\x1b[K"), WaitMs);
    QCOMPARE(shown.contains(sim.path().toLocal8Bit() + ": identifying"), terminal);
    QCOMPARE(shown.contains('\r'), terminal);
    QVERIFY(process.readAllStandardOutput().startsWith(sim.path().toLocal8Bit()));
}

namespace {

QJsonArray historyOf(const QString& tag)
{
    const Run run =
        kvctl({QStringLiteral("history"), QStringLiteral("--tag"), tag, QStringLiteral("--json")});
    return run.exitCode == 0 ? QJsonDocument::fromJson(run.out.toUtf8()).array() : QJsonArray();
}

QStringList kindsOf(const QJsonArray& history)
{
    QStringList kinds;
    for (const QJsonValue& event : history)
        kinds.append(event.toObject().value("kind").toString());
    return kinds;
}

} // namespace

// Four transmitters, one refusing writes: three are written, verified,
// recorded and certified; run again, those three are skipped.
void tst_Kvctl::commissionRecordsAndCertifies()
{
    Sim sims[] = {Sim(), Sim(), Sim(), Sim({QStringLiteral("--refuse"), QString::number(CmdWriteSettings)})};
    const QString folder = m_dir.filePath(QStringLiteral("commission"));
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(SettingsFile::write(folder + QStringLiteral("/pump.kvb"), dmKV4620, Distinct,
                                QStringLiteral("1.1.2020")));
    QString plan = QStringLiteral("port,tag,file,model\n");
    for (int i = 0; i < 4; ++i)
        plan += QStringLiteral("%1,C-%2,pump.kvb,KV4620\n").arg(sims[i].path()).arg(i + 1);
    QVERIFY(writeAll(folder + QStringLiteral("/plan.csv"), plan.toUtf8()));
    const QStringList arguments = {QStringLiteral("commission"), folder + QStringLiteral("/plan.csv"),
                                   QStringLiteral("--reports"), folder + QStringLiteral("/certificates")};

    const Run first = kvctl(arguments);
    QCOMPARE(first.exitCode, 1);
    QVERIFY2(first.out.contains(QStringLiteral("3 verified, 0 skipped, 1 not done")),
             qPrintable(describe(first)));
    const QStringList certificates = QDir(folder + QStringLiteral("/certificates"))
                                         .entryList({QStringLiteral("*.pdf")}, QDir::Files, QDir::Name);
    QCOMPARE(certificates.size(), 3);
    QVERIFY2(certificates.first().startsWith(QStringLiteral("C-1-")), qPrintable(certificates.join(u' ')));

    const QJsonArray done = historyOf(QStringLiteral("C-1"));
    QCOMPARE(kindsOf(done), (QStringList{"certificate", "session-end", "settings-read", "settings-write",
                                         "file-opened", "settings-read", "session-start"}));
    const QJsonObject write = done.at(3).toObject();
    QCOMPARE(write.value("program").toString(), QStringLiteral("kvctl"));
    QCOMPARE(write.value("port").toString(), sims[0].path());
    QCOMPARE(write.value("model").toString(), QStringLiteral("KV4620"));
    QCOMPARE(write.value("verified").toBool(), true);
    QCOMPARE(write.value("agreed").toBool(), true);
    QCOMPARE(write.value("readBack").toObject().value("averaging").toObject().value("value").toInt(), 64);
    QCOMPARE(write.value("sent"), write.value("readBack"));
    QCOMPARE(done.at(5).toObject().value("asFound").toBool(), true);
    QCOMPARE(done.first().toObject().value("certificate").toString(), QStringLiteral("settings"));
    // The refused write is not on record; the failed session is.
    QCOMPARE(kindsOf(historyOf(QStringLiteral("C-4"))),
             (QStringList{"session-end", "file-opened", "settings-read", "session-start"}));

    const Run again = kvctl(arguments);
    QCOMPARE(again.exitCode, 1);
    QVERIFY2(again.out.contains(QStringLiteral("0 verified, 3 skipped, 1 not done")),
             qPrintable(describe(again)));
    QCOMPARE(QDir(folder + QStringLiteral("/certificates")).entryList({QStringLiteral("*.pdf")}).size(), 3);
    QCOMPARE(historyOf(QStringLiteral("C-2")).size(), 7);
}

void tst_Kvctl::badPlansAreRefusedBeforeSending_data()
{
    QTest::addColumn<QString>("plan");
    QTest::addColumn<QString>("said");
    QTest::newRow("unknown column") << "port,tag,file,colour\nPORT,B-1,pump.kvb,red\n"
                                    << "unknown column";
    QTest::newRow("missing file") << "port,tag,file\nPORT,B-1,gone.kvb\n"
                                  << "gone.kvb";
    QTest::newRow("same port twice") << "port,tag,file\nPORT,B-1,pump.kvb\nPORT,B-2,pump.kvb\n"
                                     << "is on line 2 already";
    QTest::newRow("other model") << "port,tag,file,model\nPORT,B-1,pump.kvb,KV4820\n"
                                 << "KV4820";
}

void tst_Kvctl::badPlansAreRefusedBeforeSending()
{
    QFETCH(QString, plan);
    QFETCH(QString, said);
    Sim sim;
    const QString folder = m_dir.filePath(QStringLiteral("bad"));
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(SettingsFile::write(folder + QStringLiteral("/pump.kvb"), dmKV4620, Distinct,
                                QStringLiteral("1.1.2020")));
    QVERIFY(writeAll(folder + QStringLiteral("/plan.csv"),
                     plan.replace(QStringLiteral("PORT"), sim.path()).toUtf8()));
    const Run run = kvctl({QStringLiteral("commission"), folder + QStringLiteral("/plan.csv")});
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.err.contains(said) && run.err.contains(QStringLiteral("nothing was sent")),
             qPrintable(describe(run)));
    QCOMPARE(sim.stopAndTakeQueries(), QList<int>());
    QCOMPARE(historyOf(QStringLiteral("B-1")), QJsonArray());
}

// The history as kvctl shows and exports it, and a certificate of runs
// recorded by another program (the window) into the same file.
void tst_Kvctl::historyExportAndReport()
{
    Sim sim;
    const QString file = m_dir.filePath(QStringLiteral("h.kvb"));
    QVERIFY(SettingsFile::write(file, dmKV4620, Distinct, QStringLiteral("1.1.2020")));
    const Run write = kvctl({QStringLiteral("write"), QStringLiteral("--port"), sim.path(),
                             QStringLiteral("--tag"), QStringLiteral("H-1"), file});
    QCOMPARE(write.exitCode, 0);
    const QJsonArray history = historyOf(QStringLiteral("H-1"));
    QCOMPARE(history.size(), 6);
    QCOMPARE(historyOf(QStringLiteral("nobody")), QJsonArray());

    const QString exported = m_dir.filePath(QStringLiteral("h.json"));
    const Run exportRun = kvctl({QStringLiteral("records"), QStringLiteral("export"), QStringLiteral("--tag"),
                                 QStringLiteral("H-1"), QStringLiteral("--out"), exported});
    QCOMPARE(exportRun.exitCode, 0);
    QCOMPARE(QJsonDocument::fromJson(readAll(exported)).array(), history);

    const QString pdf = m_dir.filePath(QStringLiteral("h.pdf"));
    const QStringList report = {QStringLiteral("report"),
                                QStringLiteral("--tag"),
                                QStringLiteral("H-1"),
                                QStringLiteral("--out"),
                                pdf,
                                QStringLiteral("--language"),
                                QStringLiteral("hu")};
    const Run none = kvctl(report);
    QCOMPARE(none.exitCode, 2);
    QVERIFY2(none.err.contains(QStringLiteral("no as-left verification")), qPrintable(describe(none)));
    {
        RecordStore store(recordslocation::databasePath());
        QVERIFY(store.open());
        SessionRecorder recorder(&store,
                                 RecordOrigin::current(QStringLiteral("kvconf"), QStringLiteral("0.1")));
        recorder.setTag(QStringLiteral("H-1"));
        VerificationSetup setup;
        VerificationRun run{QLatin1String(VerificationRun::AsLeft), setup, QStringLiteral("bench"), {}};
        run.points.append(verification::evaluate(setup, 50.0, 50.0, 12.001, OutputSource::Typed));
        QVERIFY(recorder.recordOther(RecordEvent::Verification, run.toJson()).recorded);
    }
    const Run issued = kvctl(report);
    QCOMPARE(issued.exitCode, 0);
    QVERIFY2(issued.out.contains(
                 QRegularExpression(QStringLiteral("-%1-\\d+ of H-1").arg(QDate::currentDate().year()))),
             qPrintable(describe(issued)));
    QVERIFY2(issued.err.isEmpty(), qPrintable(describe(issued)));
    QCOMPARE(readAll(pdf).left(5), QByteArray("%PDF-"));
    QCOMPARE(historyOf(QStringLiteral("H-1")).first().toObject().value("kind").toString(),
             QStringLiteral("certificate"));
}

QTEST_GUILESS_MAIN(tst_Kvctl)
#include "tst_kvctl.moc"
