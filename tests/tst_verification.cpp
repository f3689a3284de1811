#include "sim/transmitter_model.h"
#include "verification/verification_procedure.h"

#include <QJsonDocument>
#include <QSignalSpy>
#include <QTest>

// Verification at test points: the arithmetic against hand-worked values,
// and whole runs against the virtual transmitter's physics, whose meter
// shows what the output stage really drives.
class tst_Verification : public QObject
{
    Q_OBJECT

private slots:
    void pointArithmetic_data();
    void pointArithmetic();
    void runsAgainstTheModel_data();
    void runsAgainstTheModel();
    void unsettledPointIsGivenUp();
};

void tst_Verification::pointArithmetic_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("pt1000");
    QTest::addColumn<bool>("voltage");
    QTest::addColumn<bool>("liveZero");
    QTest::addColumn<double>("percent");
    QTest::addColumn<double>("output");
    QTest::addColumn<double>("applied"); // NaN: none
    QTest::addColumn<double>("expected");
    QTest::addColumn<double>("error");
    QTest::addColumn<bool>("pass");
    // Scaling -50 .. 150: the 25 % point is 0 degrees, the 75 % point 100.
    QTest::newRow("Pt100 0 degC, 4-20 mA")
        << int(imTemperature) << false << false << true << 25.0 << 8.016 << 100.0 << 8.0 << 0.1 << true;
    QTest::newRow("Pt100 100 degC, over")
        << int(imTemperature) << false << false << true << 75.0 << 15.984 << 138.5055 << 16.0 << -0.1 << true;
    QTest::newRow("Pt1000, 0-20 mA, fails")
        << int(imTemperature) << true << false << false << 75.0 << 15.03 << 1385.055 << 15.0 << 0.15 << false;
    QTest::newRow("ohm, 2-10 V") << int(imResistance) << false << true << true << 50.0 << 6.0 << 50.0 << 6.0
                                 << 0.0 << true;
    QTest::newRow("ohm, 0-10 V, low")
        << int(imResistance) << false << true << false << 0.0 << -0.011 << -50.0 << 0.0 << -0.11 << false;
    QTest::newRow("potentiometer") << int(imPotentiometer) << false << false << true << 50.0 << 12.0
                                   << qQNaN() << 12.0 << 0.0 << true;
}

void tst_Verification::pointArithmetic()
{
    QFETCH(int, mode);
    QFETCH(bool, pt1000);
    QFETCH(bool, voltage);
    QFETCH(bool, liveZero);
    QFETCH(double, percent);
    QFETCH(double, output);
    QFETCH(double, applied);
    QFETCH(double, expected);
    QFETCH(double, error);
    QFETCH(bool, pass);
    VerificationSetup s;
    s.inputMode = quint8(mode);
    s.pt1000 = pt1000;
    s.voltageOutput = voltage;
    s.outputLiveZero = liveZero;
    s.scaleLow = -50.0;
    s.scaleHigh = 150.0;
    const PointResult p = verification::evaluate(s, percent, 0.0, output, OutputSource::Typed);
    if (qIsNaN(applied))
        QVERIFY(!p.appliedOhm);
    else
        QVERIFY2(qAbs(*p.appliedOhm - applied) < 1e-3, qPrintable(QString::number(*p.appliedOhm, 'f', 4)));
    QCOMPARE(p.expected, expected);
    QVERIFY2(qAbs(p.errorPercent - error) < 1e-9, qPrintable(QString::number(p.errorPercent, 'g', 12)));
    QCOMPARE(p.pass, pass);
    QCOMPARE(s.canVerify(), mode != imPotentiometer);
    // A quarter of 0.10 % of the 200-unit range.
    QCOMPARE(verification::settleSpan(s), 0.05);
}

// The bench of the virtual transmitter's model, driven without a link.
class ModelBench : public VerificationBench
{
public:
    explicit ModelBench(TransmitterModel& model) : m_model(model) {}
    bool apply(double ohm, QString*) override
    {
        m_model.connectResistor(ohm);
        return true;
    }
    std::optional<double> meterReading(QString*) override { return m_model.outputMeterReading(); }

private:
    TransmitterModel& m_model;
};

void tst_Verification::runsAgainstTheModel_data()
{
    QTest::addColumn<bool>("drifted");
    QTest::addColumn<int>("source");
    QTest::addColumn<bool>("pass");
    QTest::newRow("calibrated, meter") << false << int(OutputSource::Meter) << true;
    // The drifted output stage shows at the meter ...
    QTest::newRow("drifted, meter") << true << int(OutputSource::Meter) << false;
    // ... and a typed reading counts instead of the reported output.
    QTest::newRow("calibrated, typed") << false << int(OutputSource::Typed) << true;
}

void tst_Verification::runsAgainstTheModel()
{
    QFETCH(bool, drifted);
    QFETCH(int, source);
    QFETCH(bool, pass);
    SimulatorOptions options;
    options.outOfCalibration = drifted;
    TransmitterModel model(options);
    DeviceSettings settings;
    settings.fScaleLow = 0.0f;
    settings.fScaleHigh = 200.0f;
    QVERIFY(model.writeSettings(settings));
    ModelBench bench(model);
    const VerificationSetup setup = VerificationSetup::from(settings, model.liveValues(), 0.10);
    VerificationProcedure procedure(setup, verification::defaultPercents(),
                                    QLatin1String(VerificationRun::AsFound), OutputSource(source),
                                    source == int(OutputSource::Meter) ? &bench : nullptr);
    QSignalSpy finished(&procedure, &VerificationProcedure::finished);
    QList<double> typed;
    procedure.start();
    // Half a minute of the transmitter's time at most, a live block every 100 ms.
    for (int block = 0; block < 300 && finished.isEmpty(); ++block) {
        if (procedure.step() == VerificationProcedure::Step::Apply) {
            bench.apply(*procedure.currentAppliedOhm(), nullptr);
            procedure.confirmApplied();
        }
        if (procedure.step() == VerificationProcedure::Step::ReadMeter) {
            // A meter that reads 1.6 µA high: within the tolerance of 16 µA.
            typed.append(*bench.meterReading(nullptr) + 0.0016);
            procedure.enterMeterReading(typed.last());
        }
        model.advance(100);
        procedure.takeLiveValues(model.liveValues());
    }
    QCOMPARE(finished.size(), 1);
    QVERIFY2(finished.first().first().toBool(), qPrintable(procedure.failure()));
    const VerificationRun& run = procedure.run();
    QCOMPARE(run.points.size(), 5);
    QCOMPARE(run.pass(), pass);
    QCOMPARE(run.outputSource(), OutputSource(source));
    for (qsizetype i = 0; i < run.points.size(); ++i) {
        const PointResult& p = run.points.at(i);
        // The measured value is the point's, whatever the output did.
        QVERIFY2(qAbs(p.measured - p.value) < (drifted ? 2.0 : 0.2), qPrintable(QString::number(p.measured)));
        if (source == int(OutputSource::Typed))
            QCOMPARE(p.output, typed.at(i));
    }
    // What the records keep reads back as it was.
    const QJsonObject json = run.toJson();
    QCOMPARE(json.value("pass").toBool(), pass);
    QCOMPARE(VerificationRun::fromJson(QJsonDocument::fromJson(QJsonDocument(json).toJson()).object()), run);
}

void tst_Verification::unsettledPointIsGivenUp()
{
    VerificationSetup setup;
    setup.inputMode = imResistance;
    setup.scaleLow = 0.0;
    setup.scaleHigh = 400.0; // settles within 0.1 ohm
    VerificationProcedure procedure(setup, {0.0, 100.0}, QLatin1String(VerificationRun::AsLeft),
                                    OutputSource::Reported);
    procedure.setSettleTimeoutMs(200);
    QSignalSpy finished(&procedure, &VerificationProcedure::finished);
    procedure.start();
    QCOMPARE(procedure.step(), VerificationProcedure::Step::Apply);
    QCOMPARE(*procedure.currentAppliedOhm(), 0.0);
    procedure.confirmApplied();
    LiveValues live;
    for (int i = 0; finished.isEmpty() && i < 200; ++i) {
        live.fInput = (i % 2) ? 0.0f : 0.3f;
        procedure.takeLiveValues(live);
        QTest::qWait(5);
    }
    QCOMPARE(finished.size(), 1);
    QCOMPARE(finished.first().first().toBool(), false);
    QVERIFY2(procedure.failure().contains(QStringLiteral("did not settle")), qPrintable(procedure.failure()));
    QVERIFY(procedure.run().points.isEmpty());
}

QTEST_GUILESS_MAIN(tst_Verification)
#include "tst_verification.moc"
