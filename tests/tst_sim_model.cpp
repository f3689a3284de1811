#include "device/callendar_van_dusen.h"
#include "device/device_command.h"
#include "link/crc16.h"
#include "sim/slave_blocks.h"
#include "sim/transmitter_model.h"
#include "sim/transmitter_slave.h"

#include <QTest>

#include <bit>
#include <cmath>
#include <limits>

namespace {

SimulatorOptions optionsWith(bool pt1000, bool voltage)
{
    SimulatorOptions options;
    options.pt1000 = pt1000;
    options.voltageOutput = voltage;
    return options;
}

// Resistance mode, scaling 0..400 ohm, the given output choices.
DeviceSettings resistanceScaling(const TransmitterModel& model, bool liveZero)
{
    DeviceSettings s = model.settings();
    s.InputMode = 2;
    s.bOutputLiveZero = liveZero;
    s.fScaleLow = 0.0f;
    s.fScaleHigh = 400.0f;
    return s;
}

QByteArray query(quint8 command, QByteArrayView parameters = {}, quint8 address = 1, quint8 id = 34)
{
    QByteArray body;
    body.append(char(address));
    body.append(char(id));
    body.append(char(command));
    body.append(char(0));
    body.append(parameters.data(), parameters.size());
    return frame::withCrc(body);
}

} // namespace

class tst_SimModel : public QObject
{
    Q_OBJECT

private slots:
    void callendarVanDusen_data();
    void callendarVanDusen();
    void callendarVanDusenInverse();

    void factoryState_data();
    void factoryState();
    void temperatureDriftsAndIsMeasured();
    void convertersFollowReferenceResistors_data();
    void convertersFollowReferenceResistors();
    void calibrationFromErasedMemory();
    void leadCompensation();
    void potentiometerPercent();
    void outputScaling_data();
    void outputScaling();
    void outputClampsToLimits();
    void openSensorGivesErrorLevel();
    void pwmFollowsSetpointOnOutputTab();
    void outputCalibrationLoop();
    void countersCount();
    void seedMakesNoiseRepeatable();
    void invalidSettingsAreRefused_data();
    void invalidSettingsAreRefused();

    void slaveAddressingAndRefusal();
    void slaveSettingsRoundTrip();
    void slaveServiceCommands();
};

void tst_SimModel::callendarVanDusen_data()
{
    QTest::addColumn<double>("celsius");
    QTest::addColumn<double>("ohm");
    // IEC 60751 table values for Pt100.
    QTest::newRow("-200") << -200.0 << 18.5201;
    QTest::newRow("-100") << -100.0 << 60.2558;
    QTest::newRow("0") << 0.0 << 100.0;
    QTest::newRow("100") << 100.0 << 138.5055;
    QTest::newRow("850") << 850.0 << 390.4811;
}

void tst_SimModel::callendarVanDusen()
{
    QFETCH(double, celsius);
    QFETCH(double, ohm);
    QVERIFY(std::abs(cvd::resistance(celsius, 100.0) - ohm) < 1e-3);
    QVERIFY(std::abs(cvd::resistance(celsius, 1000.0) - 10.0 * ohm) < 1e-2);
    QVERIFY(std::abs(cvd::temperature(ohm, 100.0) - celsius) < 1e-2);
}

void tst_SimModel::callendarVanDusenInverse()
{
    for (double t = -200.0; t <= 850.0; t += 12.5) {
        const double back = cvd::temperature(cvd::resistance(t, 1000.0), 1000.0);
        QVERIFY2(std::abs(back - t) < 1e-6, qPrintable(QString::number(t)));
    }
}

void tst_SimModel::factoryState_data()
{
    QTest::addColumn<bool>("pt1000");
    QTest::addColumn<bool>("voltage");
    QTest::newRow("Pt100, current") << false << false;
    QTest::newRow("Pt1000, voltage") << true << true;
}

void tst_SimModel::factoryState()
{
    QFETCH(bool, pt1000);
    QFETCH(bool, voltage);
    TransmitterModel model(optionsWith(pt1000, voltage));
    model.advance(2000);
    const LiveValues v = model.liveValues();

    QCOMPARE(model.settings(), DeviceSettings::factoryDefaults(voltage));
    QCOMPARE(v.uWiresSetting, quint8(4));
    QCOMPARE(v.uMode, quint8(0));
    QCOMPARE(v.bPt1000, pt1000);
    QCOMPARE(v.bVoltageOutput, voltage);
    QCOMPARE(v.uStatusBits, quint16(0));
    QCOMPARE(v.uErrorNumber, quint8(0));
    QCOMPARE(v.FirmwareVersion, quint32(20150325));
    QVERIFY2(std::abs(v.fInput - model.sensorTemperature()) < 0.2, qPrintable(QString::number(v.fInput)));
    // Room temperature on the factory scale of -200..800 °C: 21.5 to 22.8 % of the span.
    const double low = voltage ? 0.0 : 4.0;
    const double span = voltage ? 10.0 : 16.0;
    QVERIFY2(v.fOutput > low + 0.2 * span && v.fOutput < low + 0.25 * span,
             qPrintable(QString::number(v.fOutput)));
}

void tst_SimModel::temperatureDriftsAndIsMeasured()
{
    TransmitterModel model;
    double lowest = 1e9;
    double highest = -1e9;
    for (int second = 0; second < 240; second += 10) {
        model.advance(10000);
        const LiveValues v = model.liveValues();
        QVERIFY2(std::abs(v.fInput - model.sensorTemperature()) < 0.2, qPrintable(QString::number(second)));
        lowest = std::min(lowest, double(v.fInput));
        highest = std::max(highest, double(v.fInput));
    }
    // A slow drift of a few degrees around room temperature.
    QVERIFY(highest - lowest > 2.0);
    QVERIFY(lowest > 15.0 && highest < 28.0);
}

void tst_SimModel::convertersFollowReferenceResistors_data()
{
    QTest::addColumn<bool>("pt1000");
    QTest::addColumn<double>("ohm");
    QTest::newRow("Pt100 0 ohm") << false << 0.0;
    QTest::newRow("Pt100 249 ohm") << false << 249.0;
    QTest::newRow("Pt100 490 ohm") << false << 490.0;
    QTest::newRow("Pt1000 2490 ohm") << true << 2490.0;
    QTest::newRow("Pt1000 4900 ohm") << true << 4900.0;
}

void tst_SimModel::convertersFollowReferenceResistors()
{
    QFETCH(bool, pt1000);
    QFETCH(double, ohm);
    TransmitterModel model(optionsWith(pt1000, false));
    model.connectResistor(ohm);
    model.advance(2000);
    const LiveValues v = model.liveValues();
    const double tolerance = model.referenceResistance() * 2e-4;
    QVERIFY2(std::abs(v.fCalculatedR - ohm) < tolerance, qPrintable(QString::number(v.fCalculatedR)));
    // Counts grow with the resistance, across most of the converter's range.
    const double share = double(v.ADAveraged) / ConverterFullScale;
    QVERIFY(std::abs(share - ohm / model.referenceResistance() * 0.86) < 0.01);
    // Raw samples are noisy, the averages are not far from them.
    QVERIFY(std::abs(v.ADRaw - v.ADAveraged) < 500);
    QVERIFY(std::abs(v.ADAveraged2 - v.ADAveraged) < 500);
}

void tst_SimModel::calibrationFromErasedMemory()
{
    TransmitterModel model;
    model.eraseMemory();
    model.restart();
    LiveValues v = model.liveValues();
    QVERIFY(v.hasStatus(StatusBit::bUncalInput));
    QVERIFY(v.hasStatus(StatusBit::bUncal3WOffset));
    QVERIFY(v.hasStatus(StatusBit::bUncalOutput));
    QCOMPARE(v.uCRCOKbits1, quint8(0));

    DeviceSettings s = model.settings();
    s.Averaging = 64;
    QVERIFY(model.writeSettings(s));
    model.connectResistor(249.0);
    model.advance(2000);
    // Nominal converter points: the reading is visibly off.
    QVERIFY(std::abs(model.liveValues().fCalculatedR - 249.0) > 0.2);

    model.connectResistor(0.0);
    model.advance(2000);
    QVERIFY(model.storeAD0Ohm(model.liveValues().ADAveraged));
    QVERIFY(model.liveValues().hasStatus(StatusBit::bUncalInput));
    model.connectResistor(490.0);
    model.advance(2000);
    QVERIFY(model.storeADReference(model.liveValues().ADAveraged));
    QVERIFY(!model.liveValues().hasStatus(StatusBit::bUncalInput));

    model.connectResistor(249.0);
    model.advance(2000);
    v = model.liveValues();
    QVERIFY2(std::abs(v.fCalculatedR - 249.0) < 0.05, qPrintable(QString::number(v.fCalculatedR)));
    QVERIFY(v.hasStatus(StatusBit::bUncal3WOffset));
    QVERIFY(v.hasStatus(StatusBit::bUncalOutput));
    QCOMPARE(v.uCRCOKbits1 & 0x03, 0x03); // settings and converter blocks written
}

void tst_SimModel::leadCompensation()
{
    TransmitterModel model;
    DeviceSettings s = model.settings();
    s.Wires = 3;
    QVERIFY(model.writeSettings(s));
    model.connectResistor(249.0);
    model.advance(2000);
    LiveValues v = model.liveValues();
    // The factory three-wire offset cancels the circuit's own.
    QVERIFY(std::abs(v.fCalculatedR - 249.0) < 0.05);
    const float offset = v.fCalculatedRWithoutCompensation - 249.0f;
    QVERIFY(offset > 0.2f && offset < 10.0f);
    QVERIFY(model.store3WireOffset(0.0f));
    v = model.liveValues();
    QCOMPARE(v.fCalculatedR, v.fCalculatedRWithoutCompensation);

    s.Wires = 2;
    QVERIFY(model.writeSettings(s));
    model.connectSimulatedInput();
    model.advance(2000);
    v = model.liveValues();
    // Two leads add to the sensor until their resistance is stored.
    const double sensor = cvd::resistance(model.sensorTemperature(), 100.0);
    QVERIFY(v.fCalculatedR - sensor > 0.8);
    QVERIFY(model.store2WireR(1.1f));
    v = model.liveValues();
    QCOMPARE(v.f2WireR, 1.1f);
    QVERIFY(std::abs(v.fCalculatedR - (v.fCalculatedRWithoutCompensation - 1.1f)) < 1e-3);
    QVERIFY(std::abs(v.fCalculatedR - sensor) < 0.1);
    QVERIFY(std::abs(v.fInput - model.sensorTemperature()) < 0.3);
}

void tst_SimModel::potentiometerPercent()
{
    TransmitterModel model;
    DeviceSettings s = model.settings();
    s.InputMode = 1;
    QVERIFY(model.writeSettings(s));
    QVERIFY(model.storePot0(100.0f));
    QVERIFY(model.storePot100(300.0f));
    model.connectResistor(250.0);
    model.advance(2000);
    LiveValues v = model.liveValues();
    QCOMPARE(v.uMode, quint8(1));
    QCOMPARE(v.fPotCal0R, 100.0f);
    QCOMPARE(v.fPotCal100R, 300.0f);
    QVERIFY2(std::abs(v.fInput - 75.0f) < 0.05f, qPrintable(QString::number(v.fInput)));

    // The simulated potentiometer moves within its track.
    model.connectSimulatedInput();
    QVERIFY(model.storePot0(15.0f));
    QVERIFY(model.storePot100(385.0f));
    for (int i = 0; i < 10; ++i) {
        model.advance(7000);
        v = model.liveValues();
        QVERIFY(v.fInput > -1.0f && v.fInput < 101.0f);
    }
    s.InputMode = 2;
    QVERIFY(model.writeSettings(s));
    model.advance(2000);
    v = model.liveValues();
    QCOMPARE(v.fInput, v.fCalculatedR);
}

void tst_SimModel::outputScaling_data()
{
    QTest::addColumn<bool>("voltage");
    QTest::addColumn<bool>("liveZero");
    QTest::addColumn<double>("ohm");
    QTest::addColumn<double>("output");
    QTest::newRow("4-20 mA, half") << false << true << 200.0 << 12.0;
    QTest::newRow("4-20 mA, quarter") << false << true << 100.0 << 8.0;
    QTest::newRow("0-20 mA, half") << false << false << 200.0 << 10.0;
    QTest::newRow("2-10 V, half") << true << true << 200.0 << 6.0;
    QTest::newRow("0-10 V, quarter") << true << false << 100.0 << 2.5;
}

void tst_SimModel::outputScaling()
{
    QFETCH(bool, voltage);
    QFETCH(bool, liveZero);
    QFETCH(double, ohm);
    QFETCH(double, output);
    TransmitterModel model(optionsWith(false, voltage));
    QVERIFY(model.writeSettings(resistanceScaling(model, liveZero)));
    model.connectResistor(ohm);
    model.advance(2000);
    const LiveValues v = model.liveValues();
    QVERIFY2(std::abs(v.fOutput - output) < 0.01, qPrintable(QString::number(v.fOutput)));
    QCOMPARE(v.uErrorNumber, quint8(0));
    // The PWM value lies between the stored 4/20 mA points accordingly.
    QVERIFY(v.PWM > 10000 && v.PWM < 60000);
}

void tst_SimModel::outputClampsToLimits()
{
    TransmitterModel model;
    DeviceSettings s = resistanceScaling(model, true);
    QVERIFY(model.writeSettings(s));
    model.connectResistor(450.0); // 22 mA unclamped
    model.advance(2000);
    LiveValues v = model.liveValues();
    QVERIFY(std::abs(v.fOutput - 20.5f) < 0.01f);
    QCOMPARE(v.uErrorNumber, quint8(5));

    s.bNoErrorOnOverflow = true;
    QVERIFY(model.writeSettings(s));
    v = model.liveValues();
    QVERIFY(std::abs(v.fOutput - 20.5f) < 0.01f);
    QCOMPARE(v.uErrorNumber, quint8(0));

    model.connectResistor(2.0); // 4.08 mA, below the 4.5 mA limit
    s.fOutputLimitLow = 4.5f;
    QVERIFY(model.writeSettings(s));
    model.advance(2000);
    QVERIFY(std::abs(model.liveValues().fOutput - 4.5f) < 0.01f);
}

void tst_SimModel::openSensorGivesErrorLevel()
{
    TransmitterModel model;
    model.setSensorOpen(true);
    model.advance(1000);
    LiveValues v = model.liveValues();
    QCOMPARE(v.uErrorNumber, quint8(2));
    QVERIFY(v.hasStatus(StatusBit::bOpenError));
    QVERIFY(v.hasStatus(StatusBit::ADOverFlow));
    QCOMPARE(v.ADRaw, ConverterFullScale);
    QVERIFY(std::abs(v.fOutput - 3.2f) < 0.01f);

    DeviceSettings s = model.settings();
    s.bErrorLevelHigh = true;
    QVERIFY(model.writeSettings(s));
    QVERIFY(std::abs(model.liveValues().fOutput - 22.0f) < 0.01f);

    model.setSensorOpen(false);
    model.advance(2000);
    v = model.liveValues();
    QCOMPARE(v.uErrorNumber, quint8(0));
    QVERIFY(!v.hasStatus(StatusBit::bOpenError));
}

void tst_SimModel::pwmFollowsSetpointOnOutputTab()
{
    TransmitterModel model;
    model.advance(1000);
    model.setLiveQuery(cpAnalogOutput, 30000);
    LiveValues v = model.liveValues();
    QCOMPARE(v.PWM, quint16(30000));
    QCOMPARE(v.enuCalMode, quint8(3));
    QVERIFY(v.fOutput > 10.0f && v.fOutput < 10.7f);

    model.setLiveQuery(cpADCalibration, 30000);
    v = model.liveValues();
    QVERIFY(v.PWM != 30000);
    QCOMPARE(v.enuCalMode, quint8(1));
    QVERIFY(v.fOutput > 4.0f && v.fOutput < 12.0f);
}

void tst_SimModel::outputCalibrationLoop()
{
    TransmitterModel model;
    model.eraseMemory();
    model.restart();
    QVERIFY(model.writeSettings(resistanceScaling(model, true)));
    model.connectResistor(200.0);
    model.advance(2000);
    LiveValues before = model.liveValues();
    // The transmitter renders its reading by the points it has; the meter disagrees.
    QVERIFY(std::abs(before.fOutput - (4.0f + before.fInput / 400.0f * 16.0f)) < 0.001f);
    QVERIFY(std::abs(model.outputMeterReading() - before.fOutput) > 0.1);

    // As a technician would: move the setpoint until the meter reads the point.
    auto findPwm = [&model](double target) {
        int low = 0;
        int high = 65535;
        while (low < high) {
            const int mid = (low + high) / 2;
            model.setLiveQuery(cpAnalogOutput, quint16(mid));
            if (model.outputMeterReading() < target)
                low = mid + 1;
            else
                high = mid;
        }
        return quint16(low);
    };
    QVERIFY(model.storePwm4mA(findPwm(4.0)));
    QVERIFY(model.liveValues().hasStatus(StatusBit::bUncalOutput));
    QVERIFY(model.storePwm20mA(findPwm(20.0)));
    model.setLiveQuery(cpNone, 0);
    const LiveValues v = model.liveValues();
    QVERIFY(!v.hasStatus(StatusBit::bUncalOutput));
    // The input is still uncalibrated; the output now renders its reading.
    const double expected = 4.0 + v.fInput / 400.0 * 16.0;
    QVERIFY2(std::abs(model.outputMeterReading() - expected) < 0.01,
             qPrintable(QString::number(model.outputMeterReading())));
}

void tst_SimModel::countersCount()
{
    TransmitterModel model;
    LiveValues v = model.liveValues();
    QCOMPARE(v.uCounterSecAfterReset, quint8(0));
    QCOMPARE(v.uCountOfNewInputValue, quint8(0));
    model.advance(3000);
    v = model.liveValues();
    QCOMPARE(v.uCounterSecAfterReset, quint8(3));
    QCOMPARE(v.ADSpS, quint8(50));
    QCOMPARE(v.uCountOfNewInputValue, quint8(150));
    QCOMPARE(v.uPWMITPerSec, quint8(244));
    model.advance(3010);
    QCOMPARE(model.liveValues().uCountOfNewInputValue, quint8(300 & 0xFF));

    model.advance(300 * 1000);
    QCOMPARE(model.liveValues().uCounterSecAfterReset, quint8(306 & 0xFF));
    model.restart();
    v = model.liveValues();
    QCOMPARE(v.uCounterSecAfterReset, quint8(0));
    QCOMPARE(v.ADSpS, quint8(0));
    model.advance(1000);
    QCOMPARE(model.liveValues().uCounterSecAfterReset, quint8(1));
}

void tst_SimModel::seedMakesNoiseRepeatable()
{
    SimulatorOptions options;
    options.seed = 7;
    TransmitterModel a(options);
    TransmitterModel b(options);
    options.seed = 8;
    TransmitterModel c(options);
    bool differs = false;
    for (int i = 0; i < 20; ++i) {
        a.advance(20);
        b.advance(20);
        c.advance(20);
        QCOMPARE(a.liveValues(), b.liveValues());
        differs = differs || a.liveValues().ADRaw != c.liveValues().ADRaw;
    }
    QVERIFY(differs);
}

void tst_SimModel::invalidSettingsAreRefused_data()
{
    QTest::addColumn<int>("field");
    QTest::addColumn<int>("value");
    QTest::newRow("wires 1") << 0 << 1;
    QTest::newRow("wires 5") << 0 << 5;
    QTest::newRow("mode 3") << 1 << 3;
    QTest::newRow("mode 255") << 1 << 255;
    QTest::newRow("averaging 0") << 2 << 0;
    QTest::newRow("averaging 3") << 2 << 3;
    QTest::newRow("averaging 128") << 2 << 128;
    QTest::newRow("scale NaN") << 3 << 0;
}

void tst_SimModel::invalidSettingsAreRefused()
{
    QFETCH(int, field);
    QFETCH(int, value);
    TransmitterModel model;
    DeviceSettings s = model.settings();
    switch (field) {
    case 0:
        s.Wires = quint8(value);
        break;
    case 1:
        s.InputMode = quint8(value);
        break;
    case 2:
        s.Averaging = quint8(value);
        break;
    default:
        s.fScaleHigh = std::numeric_limits<float>::quiet_NaN();
        break;
    }
    QVERIFY(!model.writeSettings(s));
    QCOMPARE(model.settings(), DeviceSettings::factoryDefaults(false));
}

// --- Command handling -------------------------------------------------------------

void tst_SimModel::slaveAddressingAndRefusal()
{
    TransmitterModel model;
    TransmitterSlave slave(model, {CmdWriteSettings});

    QVERIFY(!slave.handle(query(CmdIdentify, {}, 2)).answer);
    QVERIFY(!slave.handle(query(CmdIdentify, {}, 1, 35)).answer);
    QVERIFY(!slave.handle(query(CmdIdentify, {}, 0)).answer);

    TransmitterSlave::Reply reply = slave.handle(query(CmdIdentify));
    QVERIFY(reply.answer);
    QCOMPARE(reply.status, quint8(0));
    QCOMPARE(reply.data, QByteArray::fromHex("35783301"));

    QByteArray block(SettingsWriteBlockSize, '\0');
    block[0] = 3;
    block[2] = 4;
    reply = slave.handle(query(CmdWriteSettings, block));
    QVERIFY(reply.answer);
    QCOMPARE(reply.status, quint8(254));
    QCOMPARE(model.settings().Wires, quint8(4));

    reply = slave.handle(query(77));
    QVERIFY(reply.answer);
    QCOMPARE(reply.status, quint8(255));

    // A parameter block shorter than the command's is malformed: no answer.
    QVERIFY(!slave.handle(query(CmdReadLiveValues, QByteArray(2, '\0'))).answer);
    QVERIFY(!slave.handle(query(CmdStorePWM4mA, QByteArray(1, '\0'))).answer);
}

void tst_SimModel::slaveSettingsRoundTrip()
{
    TransmitterModel model;
    TransmitterSlave slave(model, {});
    DeviceSettings s;
    s.Wires = 2;
    s.InputMode = 2;
    s.Averaging = 1;
    s.bOutputLiveZero = false;
    s.bErrorLevelHigh = true;
    s.bNoErrorOnOverflow = true;
    s.fScaleLow = 10.0f;
    s.fScaleHigh = 300.0f;
    s.fOutputLimitLow = 0.5f;
    s.fOutputLimitHigh = 20.25f;

    QByteArray block;
    block.append(char(s.Wires));
    block.append(char(s.InputMode));
    block.append(char(s.Averaging));
    block.append(char(0));
    block.append(char(1));
    block.append(char(1));
    for (float f : {s.fScaleLow, s.fScaleHigh, s.fOutputLimitLow, s.fOutputLimitHigh}) {
        const quint32 bits = std::bit_cast<quint32>(f);
        for (int i = 0; i < 4; ++i)
            block.append(char((bits >> (8 * i)) & 0xFF));
    }
    TransmitterSlave::Reply reply = slave.handle(query(CmdWriteSettings, block));
    QCOMPARE(reply.status, quint8(0));
    QCOMPARE(model.settings(), s);

    reply = slave.handle(query(CmdReadSettings));
    QCOMPARE(reply.data, block.mid(2));

    reply = slave.handle(query(CmdReadLiveValues, QByteArray::fromHex("000000")));
    QCOMPARE(reply.data.size(), LiveValuesBlockSize);
    QCOMPARE(int(quint8(reply.data[15])), 2); // uWiresSetting
    QCOMPARE(int(quint8(reply.data[16])), 2); // uMode

    // An invalid block is refused and changes nothing.
    block[1] = char(9);
    reply = slave.handle(query(CmdWriteSettings, block));
    QCOMPARE(reply.status, quint8(255));
    QCOMPARE(model.settings(), s);
}

void tst_SimModel::slaveServiceCommands()
{
    TransmitterModel model;
    TransmitterSlave slave(model, {});
    QCOMPARE(slave.handle(query(CmdStore2WireR, QByteArray::fromHex("0000C03F"))).status, quint8(0));
    QCOMPARE(model.liveValues().f2WireR, 1.5f);
    // Command 13 clears the compensation whatever it carries.
    QCOMPARE(slave.handle(query(CmdStore2WireZero, QByteArray::fromHex("0000C03F"))).status, quint8(0));
    QCOMPARE(model.liveValues().f2WireR, 0.0f);

    QCOMPARE(slave.handle(query(CmdStorePWM20mA, QByteArray::fromHex("3412"))).status, quint8(0));
    model.setLiveQuery(cpNone, 0);

    TransmitterSlave::Reply reply = slave.handle(query(CmdReset));
    QVERIFY(reply.answer);
    QVERIFY(reply.restart);
    QCOMPARE(model.liveValues().uStatusBits & statusBitMask(StatusBit::bUncalInput), 0);

    // What erasing clears is the model's; here only that the command erases.
    reply = slave.handle(query(CmdEraseEEPROM));
    QVERIFY(reply.restart);
    QVERIFY(model.liveValues().hasStatus(StatusBit::bUncalInput));
    QCOMPARE(model.settings(), DeviceSettings::factoryDefaults(false));
}

QTEST_GUILESS_MAIN(tst_SimModel)
#include "tst_sim_model.moc"
