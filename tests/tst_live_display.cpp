#include "device/live_display.h"
#include "platform/number_format.h"

#include <QTest>

class tst_LiveDisplay : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void errorText_data();
    void errorText();
    void modeChoosesFormatAndUnit_data();
    void modeChoosesFormatAndUnit();
    void sensorRangeChoosesResistanceTexts_data();
    void sensorRangeChoosesResistanceTexts();
    void relabelsOncePerOutputKindChange();
    void statusWordColoursItsFlags();
    void hexAndDecimalFields();
    void barsAtFullScale();

private:
    static LiveDisplay::Texts texts();
};

LiveDisplay::Texts tst_LiveDisplay::texts()
{
    return {QStringLiteral("Wire = "), QStringLiteral("E1"), QStringLiteral("E2"), QStringLiteral("E4"),
            QStringLiteral("E5")};
}

void tst_LiveDisplay::initTestCase()
{
    NumberFormat::setDecimalSeparator(u'.');
}

void tst_LiveDisplay::cleanupTestCase()
{
    NumberFormat::useSystemSeparator();
}

void tst_LiveDisplay::errorText_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("text");
    QTest::newRow("0") << 0 << QString();
    QTest::newRow("1") << 1 << QStringLiteral("E1");
    QTest::newRow("2") << 2 << QStringLiteral("E2");
    QTest::newRow("3") << 3 << QString();
    QTest::newRow("4") << 4 << QStringLiteral("E4");
    QTest::newRow("5") << 5 << QStringLiteral("E5");
    QTest::newRow("6") << 6 << QString();
    QTest::newRow("200") << 200 << QString();
}

void tst_LiveDisplay::errorText()
{
    QFETCH(int, number);
    QFETCH(QString, text);
    LiveDisplay display;
    display.setTexts(texts());
    LiveValues v;
    v.uErrorNumber = quint8(number);
    const LiveDisplay::View& view = display.update(v);
    QCOMPARE(view.uErrorNumber, QString::number(number));
    QCOMPARE(view.Error, text);
    QCOMPARE(view.errorVisible, !text.isEmpty());
}

void tst_LiveDisplay::modeChoosesFormatAndUnit_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("pt1000");
    QTest::addColumn<float>("input");
    // Label16_uMode, ValueFormat, Label_Kijelzo
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("temperature") << 0 << false << 21.54f << QStringList{"Temp", "0.0", "21.5 °C"};
    QTest::newRow("potentiometer") << 1 << false << 45.6f << QStringList{"Pot %", "0", "46 %"};
    QTest::newRow("Pt100 resistance") << 2 << false << 109.735f << QStringList{"Res", "0.00", "109.74 ohm"};
    QTest::newRow("Pt1000 resistance") << 2 << true << 1097.56f << QStringList{"Res", "0.0", "1097.6 ohm"};
    QTest::newRow("unknown mode") << 7 << false << 21.54f << QStringList{"???", "0.0", "21.5 ???"};
}

void tst_LiveDisplay::modeChoosesFormatAndUnit()
{
    QFETCH(int, mode);
    QFETCH(bool, pt1000);
    QFETCH(float, input);
    QFETCH(QStringList, expected);

    LiveDisplay display;
    display.setTexts(texts());
    LiveValues v;
    v.uMode = quint8(mode);
    v.bPt1000 = pt1000;
    v.fInput = input;
    const LiveDisplay::View& view = display.update(v);
    QCOMPARE((QStringList{view.uMode, display.ValueFormat(), view.Kijelzo}), expected);
    QVERIFY(view.Kijelzo.startsWith(view.fInput + u' '));
    QCOMPARE(view.potGroupVisible, mode == 1);
}

// Each resistance from its own field, with the sensor range's decimals.
void tst_LiveDisplay::sensorRangeChoosesResistanceTexts_data()
{
    QTest::addColumn<bool>("pt1000");
    // ResistanceFormat, PtType, GroupBoxCal490, GroupBox_Cal249, KVSubType
    QTest::addColumn<QStringList>("range");
    // fCalculatedR, fCalculatedRWithoutCompensation, fPotCal0R, fPotCal100R, f2WireR
    QTest::addColumn<QStringList>("resistances");

    QTest::newRow("Pt100") << false
                           << QStringList{"0.00", "100", "Kalibrálás 490 ohm ellenállásra",
                                          "Kalibrálás 249 ohm ellenállásra", "Pt100 I"}
                           << QStringList{"108.38", "109.13", "12.50", "385.00", "1.50"};
    QTest::newRow("Pt1000") << true
                            << QStringList{"0.0", "1000", "Kalibrálás 4900 ohm ellenállásra",
                                           "Kalibrálás 2490 ohm ellenállásra", "Pt1000 I"}
                            << QStringList{"108.4", "109.1", "12.5", "385.0", "1.5"};
}

void tst_LiveDisplay::sensorRangeChoosesResistanceTexts()
{
    QFETCH(bool, pt1000);
    QFETCH(QStringList, range);
    QFETCH(QStringList, resistances);

    LiveDisplay display;
    display.setTexts(texts());
    LiveValues v;
    v.bPt1000 = pt1000;
    v.fCalculatedR = 108.375f;
    v.fCalculatedRWithoutCompensation = 109.125f;
    v.fPotCal0R = 12.5f;
    v.fPotCal100R = 385.0f;
    v.f2WireR = 1.5f;
    const LiveDisplay::View& view = display.update(v);
    QCOMPARE((QStringList{display.ResistanceFormat(), view.PtType, view.Cal490Caption, view.Cal249Caption,
                          view.KVSubType}),
             range);
    const QString& r = resistances.at(0);
    const QString& rRaw = resistances.at(1);
    QCOMPARE(view.fCalculatedR, r);
    QCOMPARE(view.PotiModRMert, "R = " + r + " ohm");
    QCOMPARE(view.fCalculatedRWithoutCompensation, rRaw);
    QCOMPARE(view.TwoVezModRMert, "R = " + rRaw + " ohm");
    QCOMPARE(view.ThreeVezKalibralashozRMert, "R = " + rRaw + " ohm");
    QCOMPARE(view.PotiCal0Caption, "R = " + resistances.at(2) + " ohm");
    QCOMPARE(view.PotiCal100Caption, "R = " + resistances.at(3) + " ohm");
    QCOMPARE(view.TwoVezRKiejtesCaption, "Wire = " + resistances.at(4) + " ohm");
}

void tst_LiveDisplay::relabelsOncePerOutputKindChange()
{
    LiveDisplay display;
    QCOMPARE(display.outputKindShown(), int(LiveDisplay::okNone));
    LiveValues v;
    v.fOutput = 12.0f;

    // The first block always relabels.
    QVERIFY(display.update(v).relabelOutputRanges);
    QCOMPARE(display.view().outputRangeItems.outputType, (QStringList{"4-20 mA", "0-20 mA"}));
    QCOMPARE(display.view().Output, QStringLiteral("12.000 mA"));
    QCOMPARE(display.view().bVoltageOutput, QStringLiteral("C"));
    QVERIFY(!display.update(v).relabelOutputRanges);

    v.bVoltageOutput = true;
    v.fOutput = 6.5f;
    const LiveDisplay::View& view = display.update(v);
    QVERIFY(view.relabelOutputRanges);
    QCOMPARE(view.outputRangeItems.outputType, (QStringList{"2-10 V", "0-10 V"}));
    QCOMPARE(view.outputRangeItems.errorLevel, (QStringList{"1,6 V", "11 V"}));
    QCOMPARE(view.Output, QStringLiteral("6.500 V"));
    QCOMPARE(view.bVoltageOutput, QStringLiteral("V"));
    QCOMPARE(view.KVSubType, QStringLiteral("Pt100 U"));
    QCOMPARE(display.outputKindShown(), int(LiveDisplay::okVoltage));
    QVERIFY(!display.update(v).relabelOutputRanges);
    QVERIFY(!display.update(v).relabelOutputRanges);

    v.bVoltageOutput = false;
    QVERIFY(display.update(v).relabelOutputRanges);
    QCOMPARE(display.view().outputRangeItems.errorLevel, (QStringList{"3,2 mA", "22 mA"}));
}

void tst_LiveDisplay::statusWordColoursItsFlags()
{
    LiveDisplay display;
    LiveValues v;
    v.uStatusBits = 0x0401;
    const LiveDisplay::View& view = display.update(v);
    for (int bit = 0; bit < StatusBitCount; ++bit)
        QCOMPARE(view.statusFlagRed[size_t(bit)], bit == 0 || bit == 10);

    // Bits above 10 colour nothing.
    v.uStatusBits = 0xF800;
    for (const bool red : display.update(v).statusFlagRed)
        QVERIFY(!red);
}

void tst_LiveDisplay::hexAndDecimalFields()
{
    LiveDisplay display;
    LiveValues v;
    v.uAfterWriteOKbits1 = 10;
    v.uCRCOKbits1 = 255;
    v.uAfterWriteOKbits2 = 0;
    v.uCRCOKbits2 = 0x3f;
    v.ADAveraged = 1234567;
    v.ADAveraged2 = -1234567;
    v.ADSpS = 50;
    v.uWires = 3;
    v.uWiresSetting = 2;
    v.enuCalMode = 2;
    v.uErrorNumber = 200;
    v.uADCRestartNumber = 255;
    v.uCountOfNewInputValue = 150;
    v.uPWMITPerSec = 244;
    v.uCounterSecAfterReset = 17;
    v.PWM = 1000;
    const LiveDisplay::View& view = display.update(v);
    QCOMPARE(
        (QStringList{view.uAfterWriteOKbits1, view.uCRCOKbits1, view.uAfterWriteOKbits2, view.uCRCOKbits2}),
        (QStringList{"A", "FF", "0", "3F"}));
    QCOMPARE((QStringList{view.ADAveraged, view.ADAveragedBig, view.ADAveraged2}),
             (QStringList{"1 234 567", "AD = 1 234 567", "-1 234 567"}));
    QCOMPARE((QStringList{view.ADSpS, view.uWires, view.enuCalMode, view.uErrorNumber, view.uADCRestartNumber,
                          view.uCountOfNewInputValue, view.uPWMITPerSec, view.uCounterSecAfterReset}),
             (QStringList{"50", "3", "2", "200", "255", "150", "244", "17"}));
    QCOMPARE((QStringList{view.PWM, view.PWMNagy}), (QStringList{"1 000", "PWM = 1 000"}));
    QVERIFY(view.twoWireGroupVisible);
}

void tst_LiveDisplay::barsAtFullScale()
{
    LiveDisplay display;
    LiveValues v;
    v.ADRaw = -2097151;
    v.PWM = 65535;
    const LiveDisplay::View& view = display.update(v);
    QCOMPARE(view.ADRawBar, -1.0);
    QCOMPARE(view.ADRaw, QStringLiteral("-2 097 151"));
    QCOMPARE(view.PWMBar, 1.0);
    QCOMPARE(view.PWMNagy, QStringLiteral("PWM = 65 535"));
}

QTEST_APPLESS_MAIN(tst_LiveDisplay)
#include "tst_live_display.moc"
