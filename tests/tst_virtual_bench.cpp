#include "device/callendar_van_dusen.h"
#include "device/device_command.h"
#include "sim/transmitter_model.h"
#include "sim/virtual_bench.h"

#include <QTest>

#include <cmath>

// The bench's command lines against the transmitter model: each answer, and
// what is at the input terminals afterwards. A bad line changes nothing.
class tst_VirtualBench : public QObject
{
    Q_OBJECT

private slots:
    void commands_data();
    void commands();
};

void tst_VirtualBench::commands_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<double>("ohm");
    QTest::addColumn<bool>("open");
    const auto row = [](const char* name, const char* before, const char* line, const char* answer,
                        double ohm, bool open = false) {
        QTest::newRow(name) << QString::fromUtf8(before) << QString::fromUtf8(line)
                            << QString::fromUtf8(answer) << ohm << open;
    };
    const double sensor = cvd::resistance(50.0, 100.0);
    row("resistor", "", "resistor 490", "ok: 490 ohm connected", 490.0);
    row("sensor again", "resistor 249", "sensor", "ok: simulated sensor connected", sensor);
    row("temperature", "", "temperature -40.5", "ok: sensor at -40.5 C", cvd::resistance(-40.5, 100.0));
    row("open", "resistor 249", "open", "ok: sensor circuit open", 249.0, true);
    // The output stage gives 4 mA at PWM 11622, 16 mA more at 58110.
    row("meter", "", "meter", "meter: 4.0003 mA", sensor);
    row("unknown", "resistor 249", "frobnicate", "error: unknown command 'frobnicate' (try help)", 249.0);
    row("empty", "resistor 249", "", "error: empty line (try help)", 249.0);
    row("not a number", "resistor 249", "resistor nan", "error: resistor takes ohm from 0 to 100000", 249.0);
    row("too hot", "resistor 249", "temperature 851",
        "error: temperature takes degrees Celsius from -200 to 850", 249.0);
}

void tst_VirtualBench::commands()
{
    QFETCH(QString, before);
    QFETCH(QString, line);
    QFETCH(QString, answer);
    QFETCH(double, ohm);
    QFETCH(bool, open);
    TransmitterModel model;
    VirtualBench bench(model);
    model.setLiveQuery(cpAnalogOutput, 11623);
    QCOMPARE(bench.execute(u"temperature 50"), QStringLiteral("ok: sensor at 50 C"));
    if (!before.isEmpty())
        QVERIFY(bench.execute(before).startsWith(QLatin1String("ok")));
    QCOMPARE(bench.execute(line), answer);
    QVERIFY2(std::abs(model.terminalResistance() - ohm) < 1e-9, qPrintable(QString::number(ohm)));
    QCOMPARE(model.sensorOpen(), open);
}

QTEST_GUILESS_MAIN(tst_VirtualBench)
#include "tst_virtual_bench.moc"
