// What the main window shows of the live block, and the rules of its
// settings group: exit normalisation, factory defaults, the changed mark.
// A scripted transmitter on a pseudo-terminal answers with the values each
// case sets.

#include "tests/support/main_window_fixture.h"

#include "app/live_view_writer.h"
#include "platform/number_format.h"
#include "widgets/labeled_edit.h"
#include "widgets/radio_group.h"
#include "widgets/tmbar_graph.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>

Q_DECLARE_METATYPE(LiveValues)

namespace {

constexpr int WaitMs = 10000;

// "key=text" for each key: a control's text or title, "name.visible", or
// "flags" (R for each red status flag label, . for the others).
QStringList shownOf(const TForm_Main& form, const QStringList& keys)
{
    QStringList out;
    for (const QString& key : keys) {
        QString value;
        if (key == QLatin1String("flags")) {
            for (const QLabel* l : {form.Label_ADUnderFlow, form.Label_ADOverFlow, form.Label_ADNoDRDY,
                                    form.Label_ADNoChange, form.Label_RestartADC, form.Label_bUncalInput,
                                    form.Label_bUncal3WOffset, form.Label_bUncalOutput, form.Label_bOpenError,
                                    form.Label_bRAM1BadWrite, form.Label_bPWMITNotOK})
                value +=
                    l->palette().color(QPalette::Window) == LiveViewWriter::flagSetColour() ? u'R' : u'.';
        } else if (key.endsWith(QLatin1String(".visible"))) {
            const QWidget* w = form.findChild<QWidget*>(key.section(u'.', 0, 0));
            value = w ? QVariant(!w->isHidden()).toString() : QStringLiteral("<missing>");
        } else if (const auto* bar = form.findChild<TMBarGraph*>(key)) {
            value = QString::number(bar->MBGValue());
        } else if (const auto* label = form.findChild<QLabel*>(key)) {
            value = label->text();
        } else if (const auto* group = form.findChild<QGroupBox*>(key)) {
            value = group->title();
        } else if (const auto* button = form.findChild<QAbstractButton*>(key)) {
            value = button->text();
        }
        out << key + u'=' + value;
    }
    return out;
}

// A window on a scripted transmitter that answers with `live`.
struct Rig
{
    explicit Rig(const LiveValues& values, const QString& language = QStringLiteral("English"))
    {
        t.live = values;
        form.CurrentLanguage = language;
        form.ApplyLanguage(language);
    }
    bool open() { return openPort(form, t.peer.devicePath()); }
    int polls() const { return liveCount(t.sent); }

    PeerTransmitter t;
    TForm_Main form;
};

} // namespace

class tst_MainDisplay : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void liveDisplay_data();
    void liveDisplay();
    void outputKindRelabelsOnce();
    void exitRules_data();
    void exitRules();
    void factoryDefaults_data();
    void factoryDefaults();
    void changeHandlersOnlyMark_data();
    void changeHandlersOnlyMark();
};

void tst_MainDisplay::initTestCase()
{
    QApplication::setQuitOnLastWindowClosed(false);
    qRegisterMetaType<TMBStatus>();
}

void tst_MainDisplay::cleanup()
{
    NumberFormat::setDecimalSeparator(u'.');
}

void tst_MainDisplay::liveDisplay_data()
{
    QTest::addColumn<LiveValues>("live");
    QTest::addColumn<QString>("language");
    QTest::addColumn<QStringList>("expected"); // "key=text", keys as shownOf takes them
    const QString en = QStringLiteral("English");
    const QString hu = QStringLiteral("Magyar");

    LiveValues v;
    v.uErrorNumber = 3;
    QTest::newRow("error 3") << v << en
                             << QStringList{"Label_uErrorNumber=3",
                                            "Label_Error=", "Label_Error.visible=false"};
    v.uErrorNumber = 200;
    QTest::newRow("error 200") << v << en
                               << QStringList{"Label_uErrorNumber=200", "Label_Error.visible=false"};
    v.uErrorNumber = 2;
    QTest::newRow("error 2") << v << en
                             << QStringList{"Label_Error=Pt wires are opened error.",
                                            "Label_Error.visible=true"};
    v.uErrorNumber = 5;
    QTest::newRow("error 5, Magyar") << v << hu
                                     << QStringList{"Label_Error=" + LanguageTable::value(
                                                                         LanguageTable::Text::DeviceError5,
                                                                         Language::Hungarian),
                                                    "Label_Error.visible=true"};

    v = LiveValues();
    v.uMode = 7;
    v.fInput = 12.345f;
    QTest::newRow("mode 7") << v << en
                            << QStringList{"Label16_uMode=???", "Label_Kijelzo=12.3 ???",
                                           "Label_fInput=12.3"};
    v.uMode = 2;
    v.fInput = v.fCalculatedR = 108.126f;
    QTest::newRow("resistance, Pt100") << v << en
                                       << QStringList{"Label16_uMode=Res",
                                                      "Label_Kijelzo=108.13 ohm",
                                                      "Label_fCalculatedR=108.13",
                                                      "Label_PtType=100",
                                                      "GroupBoxCal490=Kalibrálás 490 ohm ellenállásra",
                                                      "Label_KVSubType2=Pt100 I"};
    v.bPt1000 = true;
    v.fInput = v.fCalculatedR = 1081.26f;
    QTest::newRow("resistance, Pt1000")
        << v << en
        << QStringList{"Label_Kijelzo=1081.3 ohm", "Label_fCalculatedR=1081.3", "Label_PtType=1000",
                       "GroupBox_Cal249=Kalibrálás 2490 ohm ellenállásra", "Label_KVSubType=Pt1000 I"};

    v = LiveValues();
    v.uMode = 1;
    v.fInput = 45.6f;
    v.fPotCal0R = 12.5f;
    QTest::newRow("potentiometer") << v << en
                                   << QStringList{"Label_Kijelzo=46 %", "SpeedButton_PotiCal0=R = 12.50 ohm",
                                                  "GroupBox_PotenciometerUzemmod.visible=true",
                                                  "GroupBox_2Wire.visible=false"};
    v = LiveValues();
    v.uWiresSetting = 2;
    v.f2WireR = 1.5f;
    QTest::newRow("two wires") << v << en
                               << QStringList{"SpeedButton_2VezRKiejtes=Wire = 1.50 ohm",
                                              "GroupBox_2Wire.visible=true",
                                              "GroupBox_PotenciometerUzemmod.visible=false"};
    QTest::newRow("two wires, Magyar")
        << v << hu << QStringList{"SpeedButton_2VezRKiejtes=Vezeték = 1.50 ohm"};

    v = LiveValues();
    v.uStatusBits = 0x0401;
    v.uAfterWriteOKbits1 = 10;
    v.uCRCOKbits2 = 255;
    v.bVoltageOutput = true;
    v.fOutput = 5.0f;
    v.ADRaw = -2097151;
    v.PWM = 65535;
    QTest::newRow("status, hex, voltage, bars")
        << v << en
        << QStringList{"flags=R.........R",      "Label_uAfterWriteOKbits1=A", "Label_uCRCOKbits2=FF",
                       "Label_bVoltageOutput=V", "Label_Output=5.000 V",       "Label_ADRaw=-2 097 151",
                       "MBarGraph_ADRaw=-1",     "Label_PWMNagy=PWM = 65 535", "MBarGraph_PWM=1",
                       "Label_KVSubType=Pt100 U"};
}

void tst_MainDisplay::liveDisplay()
{
    QFETCH(LiveValues, live);
    QFETCH(QString, language);
    QFETCH(QStringList, expected);
    QStringList keys;
    for (const QString& entry : expected)
        keys << entry.section(u'=', 0, 0);
    Rig rig(live, language);
    QVERIFY(rig.open());
    QTRY_COMPARE_WITH_TIMEOUT(shownOf(rig.form, keys), expected, WaitMs);
}

void tst_MainDisplay::outputKindRelabelsOnce()
{
    Rig rig(LiveValues{});
    const QStringList combined = rig.form.RadioGroup_AnalogKimTipus->items();
    QVERIFY(combined.constFirst().contains(u'/'));
    QVERIFY(rig.open());
    QTRY_COMPARE_WITH_TIMEOUT(rig.form.RadioGroup_AnalogKimTipus->items(),
                              (QStringList{"4-20 mA", "0-20 mA"}), WaitMs);
    QCOMPARE(rig.form.RadioGroup_AnalogKimHibajelzes->items(), (QStringList{"3,2 mA", "22 mA"}));
    QTRY_VERIFY_WITH_TIMEOUT(!rig.form.SpeedButton_KVKiolvasas->Down(), WaitMs);
    rig.form.RadioGroup_AnalogKimTipus->setItemIndex(1);
    rig.form.RadioGroup_AnalogKimHibajelzes->setItemIndex(1);

    rig.t.live.bVoltageOutput = true;
    QTRY_COMPARE_WITH_TIMEOUT(rig.form.RadioGroup_AnalogKimTipus->items(), (QStringList{"2-10 V", "0-10 V"}),
                              WaitMs);
    QCOMPARE(rig.form.RadioGroup_AnalogKimHibajelzes->items(), (QStringList{"1,6 V", "11 V"}));
    QCOMPARE(rig.form.RadioGroup_AnalogKimTipus->ItemIndex(), 1);
    QCOMPARE(rig.form.RadioGroup_AnalogKimHibajelzes->ItemIndex(), 1);
    // Further blocks of the same kind leave the items alone.
    rig.form.RadioGroup_AnalogKimTipus->setItems({QStringLiteral("a"), QStringLiteral("b")});
    const int polls = rig.polls();
    QTRY_VERIFY_WITH_TIMEOUT(rig.polls() >= polls + 3, WaitMs);
    QCOMPARE(rig.form.RadioGroup_AnalogKimTipus->items(), (QStringList{"a", "b"}));
}

void tst_MainDisplay::exitRules_data()
{
    QTest::addColumn<QChar>("separator");
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("voltageOutput");
    QTest::addColumn<QString>("edit");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("expected");
    const QString aramL = QStringLiteral("LabeledEdit_AramL");
    const QString aramH = QStringLiteral("LabeledEdit_AramH");
    const QString lowLimit = QStringLiteral("LabeledEdit_AramLLimit");
    const QString highLimit = QStringLiteral("LabeledEdit_AramHLimit");

    QTest::newRow(", empty") << QChar(u',') << 0 << false << aramL << ""
                             << "-200,0";
    QTest::newRow(", letters, voltage device") << QChar(u',') << 0 << true << highLimit << "abc"
                                               << "20,50";
    QTest::newRow(", point typed") << QChar(u',') << 0 << false << aramL << "4.5"
                                   << "-200,0";
    QTest::newRow(", rounded limit") << QChar(u',') << 0 << false << lowLimit << "12,345"
                                     << "12,35";
    QTest::newRow(", potentiometer") << QChar(u',') << 1 << false << aramL << "0,6"
                                     << "1";
    QTest::newRow(". resistance") << QChar(u'.') << 2 << false << aramH << "12.5"
                                  << "12.50";
    QTest::newRow(". comma typed") << QChar(u'.') << 2 << false << aramH << "12,5"
                                   << "800.00";
    QTest::newRow(". empty limit") << QChar(u'.') << 0 << false << lowLimit << ""
                                   << "3.80";
    QTest::newRow(". exponent") << QChar(u'.') << 0 << false << highLimit << "2e1"
                                << "20.00";
}

void tst_MainDisplay::exitRules()
{
    QFETCH(QChar, separator);
    QFETCH(int, mode);
    QFETCH(bool, voltageOutput);
    QFETCH(QString, edit);
    QFETCH(QString, typed);
    QFETCH(QString, expected);
    NumberFormat::setDecimalSeparator(separator);
    LiveValues live;
    live.uMode = quint8(mode);
    live.bVoltageOutput = voltageOutput;
    Rig rig(live);
    rig.form.show();
    QVERIFY(QTest::qWaitForWindowActive(&rig.form));
    QVERIFY(rig.open());
    QTRY_VERIFY_WITH_TIMEOUT(
        !rig.form.SpeedButton_KVKiolvasas->Down() && rig.form.PageControl_Main->isVisible(), WaitMs);

    auto* target = rig.form.findChild<TLabeledEdit*>(edit);
    QVERIFY(target);
    target->setText(QString());
    target->edit()->setFocus();
    QTRY_VERIFY(target->edit()->hasFocus());
    QTest::keyClicks(target->edit(), typed);
    QCOMPARE(target->text(), typed);
    QTest::keyClick(target->edit(), Qt::Key_Tab);
    QCOMPARE(target->text(), expected);
}

void tst_MainDisplay::factoryDefaults_data()
{
    QTest::addColumn<bool>("voltageDevice");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<int>("outputIndexes");
    QTest::newRow("before live values") << false << QStringList{"-200,0", "800,0", "3,80", "20,50"} << 0;
    QTest::newRow("voltage device") << true << QStringList{"-200,0", "800,0", "0,00", "10,25"} << 1;
}

void tst_MainDisplay::factoryDefaults()
{
    QFETCH(bool, voltageDevice);
    QFETCH(QStringList, texts);
    QFETCH(int, outputIndexes);
    NumberFormat::setDecimalSeparator(u',');
    LiveValues live;
    live.bVoltageOutput = true;
    // Potentiometer mode: the composed texts keep one decimal anyway.
    live.uMode = 1;
    Rig rig(live);
    TForm_Main& f = rig.form;
    if (voltageDevice) {
        QVERIFY(rig.open());
        QTRY_VERIFY_WITH_TIMEOUT(!f.SpeedButton_KVKiolvasas->Down(), WaitMs);
    }
    f.RadioGroup_VezetekSzam->setItemIndex(2);
    f.RadioGroup_Uzemmod->setItemIndex(2);
    f.RadioGroup_Atlagolas->setItemIndex(0);
    f.CheckBox_NemHibaAKimenetTulcsordulas->setChecked(true);
    f.RadioGroup_AnalogKimTipus->setItemIndex(1 - outputIndexes);
    f.RadioGroup_AnalogKimHibajelzes->setItemIndex(1 - outputIndexes);
    const qsizetype sent = rig.t.sent.size();

    QTest::mouseClick(f.Button_GyariAlapertekek, Qt::LeftButton);
    QCOMPARE((QList<int>{f.RadioGroup_VezetekSzam->ItemIndex(), f.RadioGroup_Uzemmod->ItemIndex(),
                         f.RadioGroup_Atlagolas->ItemIndex(), f.RadioGroup_AnalogKimTipus->ItemIndex(),
                         f.RadioGroup_AnalogKimHibajelzes->ItemIndex()}),
             (QList<int>{0, 0, 4, outputIndexes, outputIndexes}));
    QVERIFY(!f.CheckBox_NemHibaAKimenetTulcsordulas->isChecked());
    QCOMPARE((QStringList{f.LabeledEdit_AramL->text(), f.LabeledEdit_AramH->text(),
                          f.LabeledEdit_AramLLimit->text(), f.LabeledEdit_AramHLimit->text()}),
             texts);
    QVERIFY(f.settingsChangedMark());
    // Nothing goes to the transmitter but the polls.
    QCOMPARE(requestsOf(rig.t.sent, sent), QList<quint8>());
}

void tst_MainDisplay::changeHandlersOnlyMark_data()
{
    QTest::addColumn<QString>("control");
    for (const char* name :
         {"RadioGroup_VezetekSzam", "RadioGroup_Uzemmod", "RadioGroup_Atlagolas", "RadioGroup_AnalogKimTipus",
          "RadioGroup_AnalogKimHibajelzes", "CheckBox_NemHibaAKimenetTulcsordulas", "LabeledEdit_AramL",
          "LabeledEdit_AramH", "LabeledEdit_AramLLimit", "LabeledEdit_AramHLimit"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

// A change by the user or the program sets the mark for good, and does
// nothing else: choosing potentiometer mode does not show its group.
void tst_MainDisplay::changeHandlersOnlyMark()
{
    QFETCH(QString, control);
    TForm_Main form;
    QVERIFY(!form.settingsChangedMark());
    QWidget* target = form.findChild<QWidget*>(control);
    QVERIFY(target);
    if (auto* group = qobject_cast<TRadioGroup*>(target))
        group->button(1)->click();
    else if (auto* box = qobject_cast<QCheckBox*>(target))
        box->click();
    else if (auto* edit = qobject_cast<TLabeledEdit*>(target))
        edit->setText(QStringLiteral("1"));
    QVERIFY(form.settingsChangedMark());
    QVERIFY(form.GroupBox_PotenciometerUzemmod->isHidden());
    QVERIFY(allGroupEnabled(form));
    QVERIFY(!form.SpeedButton_KVKiolvasas->Down() && !form.SpeedButton_BeallitasokAKVbe->Down());
}

QTEST_MAIN(tst_MainDisplay)
#include "tst_main_display.moc"
