#include "device/calibration_rules.h"
#include "device/pwm_setpoint.h"
#include "platform/number_format.h"

#include <QTest>

#include <limits>

// The three-wire offset's check and PwmSetpoint's steps and track bar,
// without widgets.
class tst_CalibrationRules : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { NumberFormat::setDecimalSeparator(u'.'); }
    void threeWireOffset_data();
    void threeWireOffset();
    void pwmSetpoint_data();
    void pwmSetpoint();
};

void tst_CalibrationRules::threeWireOffset_data()
{
    QTest::addColumn<bool>("pt1000");
    QTest::addColumn<float>("reading");
    QTest::addColumn<QString>("caption"); // empty: refused with the limit's text
    QTest::addColumn<int>("limit");
    // The limit itself is accepted, on either side.
    QTest::newRow("Pt100 +10") << false << 259.0f << "(Rmért - 249 ohm) = 10.00" << 10;
    QTest::newRow("Pt100 -10") << false << 239.0f << "(Rmért - 249 ohm) = -10.00" << 10;
    QTest::newRow("Pt100 +10.5") << false << 259.5f << "" << 10;
    QTest::newRow("Pt1000 -90") << true << 2400.0f << "(Rmért - 2490 ohm) = -90.0" << 100;
    QTest::newRow("Pt1000 +100.5") << true << 2590.5f << "" << 100;
    QTest::newRow("no number") << false << std::numeric_limits<float>::quiet_NaN() << "" << 10;
}

void tst_CalibrationRules::threeWireOffset()
{
    QFETCH(bool, pt1000);
    QFETCH(float, reading);
    QFETCH(QString, caption);
    QFETCH(int, limit);
    const calibration::ThreeWireOffset r =
        calibration::threeWireOffset(reading, pt1000, pt1000 ? u"0.0" : u"0.00");
    QCOMPARE(r.accepted, !caption.isEmpty());
    QCOMPARE(r.caption, caption);
    QCOMPARE(r.refusal, caption.isEmpty()
                            ? QStringLiteral("A megengedtt eltérés\n\rmaximum %1 ohm lehet.").arg(limit)
                            : QString());
}

// A step saturates instead of wrapping; the bar shows the result in
// thousands, halves to the even neighbour, within 0 .. 65.
void tst_CalibrationRules::pwmSetpoint_data()
{
    QTest::addColumn<int>("setpoint");
    QTest::addColumn<int>("delta");
    QTest::addColumn<int>("result");
    QTest::addColumn<int>("position");
    QTest::newRow("65530 +10") << 65530 << 10 << 65535 << 65;
    QTest::newRow("65535 +1") << 65535 << 1 << 65535 << 65;
    QTest::newRow("55534 +10000") << 55534 << 10000 << 65534 << 65;
    QTest::newRow("5 -10") << 5 << -10 << 0 << 0;
    QTest::newRow("1 -1") << 1 << -1 << 0 << 0;
    QTest::newRow("10000 -10000") << 10000 << -10000 << 0 << 0;
    QTest::newRow("10001 -10000") << 10001 << -10000 << 1 << 0;
    QTest::newRow("500 +1000") << 500 << 1000 << 1500 << 2;
    QTest::newRow("1500 +1000") << 1500 << 1000 << 2500 << 2;
    QTest::newRow("2500 +1000") << 2500 << 1000 << 3500 << 4;
    QTest::newRow("2501 +0") << 2501 << 0 << 2501 << 3;
}

void tst_CalibrationRules::pwmSetpoint()
{
    QFETCH(int, setpoint);
    QFETCH(int, delta);
    QFETCH(int, result);
    QFETCH(int, position);
    QCOMPARE(int(pwmsetpoint::stepped(quint16(setpoint), delta)), result);
    QCOMPARE(pwmsetpoint::trackBarPosition(quint16(result)), position);
}

QTEST_GUILESS_MAIN(tst_CalibrationRules)
#include "tst_calibration_rules.moc"
