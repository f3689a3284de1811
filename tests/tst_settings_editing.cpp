#include "device/live_values.h"
#include "device/settings_editing.h"
#include "platform/number_format.h"

#include <QTest>

using namespace settingsedit;

Q_DECLARE_METATYPE(settingsedit::NumericEdit)

class tst_SettingsEditing : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();

    void exitRule_data();
    void exitRule();
    void factoryDefaults_data();
    void factoryDefaults();
    void captureForWrite();
};

void tst_SettingsEditing::cleanup()
{
    NumberFormat::useSystemSeparator();
}

void tst_SettingsEditing::exitRule_data()
{
    QTest::addColumn<QChar>("separator");
    QTest::addColumn<NumericEdit>("edit");
    QTest::addColumn<QString>("valueFormat");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    const auto row = [](const char* name, char separator, NumericEdit edit, const char* valueFormat,
                        const char* text, const char* expected) {
        QTest::newRow(name) << QChar(QLatin1Char(separator)) << edit << QString(valueFormat) << QString(text)
                            << QString(expected);
    };
    row("empty AramL, temperature", ',', neAramL, "0.0", "", "-200,0");
    row("empty AramH, Pt100 resistance", ',', neAramH, "0.00", "", "800,00");
    row("letters in AramHLimit", ',', neAramHLimit, "0.0", "abc", "20,50");
    row("letters in AramLLimit", '.', neAramLLimit, "0", "x1", "3.80");
    row("point on a comma system", ',', neAramL, "0.0", "4.5", "-200,0");
    row("comma on a point system", '.', neAramH, "0.0", "12,5", "800.0");
    row("limit rounds half up", ',', neAramLLimit, "0.0", "12,345", "12,35");
    row("potentiometer mode rounds", ',', neAramL, "0", "0,6", "1");
    row("resistance keeps two decimals", '.', neAramH, "0.00", "109.9", "109.90");
    row("blanks and exponent", '.', neAramL, "0.0", " -1.25e2 ", "-125.0");
    row("single precision shows", '.', neAramHLimit, "0.0", "16777217", "16777216.00");
    row("beyond single precision", '.', neAramL, "0.0", "1e39", "-200.0");
}

void tst_SettingsEditing::exitRule()
{
    QFETCH(QChar, separator);
    QFETCH(NumericEdit, edit);
    QFETCH(QString, valueFormat);
    QFETCH(QString, text);
    QFETCH(QString, expected);
    NumberFormat::setDecimalSeparator(separator);
    const QString shown = normalised(edit, text, valueFormat);
    QCOMPARE(shown, expected);
    // Normalised text is a fixed point.
    QCOMPARE(normalised(edit, shown, valueFormat), shown);
}

void tst_SettingsEditing::factoryDefaults_data()
{
    QTest::addColumn<QChar>("separator");
    QTest::addColumn<bool>("voltage");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<int>("outputTypeIndex");
    QTest::addColumn<int>("errorLevelIndex");

    // Before any live values the record says current output.
    QTest::newRow("comma, before live values") << QChar(u',') << LiveValues().bVoltageOutput
                                               << QStringList{"-200,0", "800,0", "3,80", "20,50"} << 0 << 0;
    QTest::newRow("comma, voltage device")
        << QChar(u',') << true << QStringList{"-200,0", "800,0", "0,00", "10,25"} << 1 << 1;
    QTest::newRow("point, voltage device")
        << QChar(u'.') << true << QStringList{"-200.0", "800.0", "0.00", "10.25"} << 1 << 1;
    QTest::newRow("point, current device")
        << QChar(u'.') << false << QStringList{"-200.0", "800.0", "3.80", "20.50"} << 0 << 0;
}

void tst_SettingsEditing::factoryDefaults()
{
    QFETCH(QChar, separator);
    QFETCH(bool, voltage);
    QFETCH(QStringList, texts);
    QFETCH(int, outputTypeIndex);
    QFETCH(int, errorLevelIndex);
    NumberFormat::setDecimalSeparator(separator);

    const FactoryDefaults d = settingsedit::factoryDefaults(voltage);
    QCOMPARE((QStringList{d.AramL, d.AramH, d.AramLLimit, d.AramHLimit}), texts);
    QCOMPARE(d.outputTypeIndex, outputTypeIndex);
    QCOMPARE(d.errorLevelIndex, errorLevelIndex);

    // The same values the transmitter leaves the factory with.
    const DeviceSettings captured =
        settingsedit::captureForWrite(d.outputTypeIndex, d.errorLevelIndex, d.noErrorOnOverflow, d.AramL,
                                      d.AramH, d.AramLLimit, d.AramHLimit);
    const DeviceSettings factory = DeviceSettings::factoryDefaults(voltage);
    QCOMPARE(captured.bOutputLiveZero, factory.bOutputLiveZero);
    QCOMPARE(captured.bErrorLevelHigh, factory.bErrorLevelHigh);
    QCOMPARE(captured.fScaleLow, factory.fScaleLow);
    QCOMPARE(captured.fScaleHigh, factory.fScaleHigh);
    QCOMPARE(captured.fOutputLimitLow, factory.fOutputLimitLow);
    QCOMPARE(captured.fOutputLimitHigh, factory.fOutputLimitHigh);
}

void tst_SettingsEditing::captureForWrite()
{
    NumberFormat::setDecimalSeparator(u',');
    DeviceSettings s = settingsedit::captureForWrite(1, 1, true, u"-12,5", u"99", u"0,25", u"?");
    QCOMPARE(s.bOutputLiveZero, false);
    QCOMPARE(s.bErrorLevelHigh, true);
    QCOMPARE(s.bNoErrorOnOverflow, true);
    QCOMPARE(s.fScaleLow, -12.5f);
    QCOMPARE(s.fScaleHigh, 99.0f);
    QCOMPARE(s.fOutputLimitLow, 0.25f);
    QCOMPARE(s.fOutputLimitHigh, 20.5f);

    // No item in either group: neither live zero nor the high level.
    s = settingsedit::captureForWrite(-1, -1, false, u"1", u"2", u"3", u"4");
    QCOMPARE(s.bOutputLiveZero, false);
    QCOMPARE(s.bErrorLevelHigh, false);
}

QTEST_APPLESS_MAIN(tst_SettingsEditing)
#include "tst_settings_editing.moc"
