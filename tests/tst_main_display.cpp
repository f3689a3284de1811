// The main window's wiring of the live display and of its settings group:
// each field of a live block lands on its control, relabelling keeps the
// selections, each edit's exit and the factory defaults reach the controls,
// change handlers only mark. The rules themselves are tested without widgets.
// A scripted transmitter on a pseudo-terminal answers with the values each
// case sets.

#include "tests/support/main_window_fixture.h"

#include "app/live_view_writer.h"
#include "platform/number_format.h"
#include "tests/support/device_records.h"
#include "tests/support/event_counter.h"
#include "tests/support/test_files.h"
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
// "flags" (R for each red status flag label, . for button face, ? otherwise).
QStringList shownOf(const TForm_Main& form, const QStringList& keys)
{
    QStringList out;
    for (const QString& key : keys) {
        QString value;
        if (key == QLatin1String("flags")) {
            for (const QLabel* l : {form.Label_ADUnderFlow, form.Label_ADOverFlow, form.Label_ADNoDRDY,
                                    form.Label_ADNoChange, form.Label_RestartADC, form.Label_bUncalInput,
                                    form.Label_bUncal3WOffset, form.Label_bUncalOutput, form.Label_bOpenError,
                                    form.Label_bRAM1BadWrite, form.Label_bPWMITNotOK}) {
                const QColor colour = l->palette().color(QPalette::Window);
                value += colour == LiveViewWriter::flagSetColour()          ? u'R'
                         : colour == form.palette().color(QPalette::Button) ? u'.'
                                                                            : u'?';
            }
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
    void extremeValuesFit_data();
    void extremeValuesFit();
    void pollsRepaintOnlyTheLabels();
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

    // A distinct value in every field, so that a field on the wrong control shows.
    LiveValues v = testrecords::distinctLiveValues();
    QTest::newRow("every field") << v << "English"
                                 << QStringList{"Label_ADRaw=-2 097 151",
                                                "MBarGraph_ADRaw=-1",
                                                "Label_ADAveraged=1 234 567",
                                                "Label_ADAveragedBig=AD = 1 234 567",
                                                "Label_ADAveraged2=-12",
                                                "Label_ADSpS=50",
                                                "flags=R.........R",
                                                "Label_uWires=7",
                                                "GroupBox_2Wire.visible=true",
                                                "GroupBox_PotenciometerUzemmod.visible=false",
                                                "Label16_uMode=Res",
                                                "Label_bVoltageOutput=V",
                                                "Label_uAfterWriteOKbits1=A",
                                                "Label_Kijelzo=1081.3 ohm",
                                                "Label_fInput=1081.3",
                                                "Label_PtType=1000",
                                                "GroupBoxCal490=Kalibrálás 4900 ohm ellenállásra",
                                                "GroupBox_Cal249=Kalibrálás 2490 ohm ellenállásra",
                                                "Label_PotiModRMert=R = 1084.5 ohm",
                                                "Label_2VezModRMert=R = 1085.5 ohm",
                                                "Label_fCalculatedRWithoutCompensation=1085.5",
                                                "Label_3VezKalibralashozRMert=R = 1085.5 ohm",
                                                "Label_fCalculatedR=1084.5",
                                                "Label_enuCalMode=3",
                                                "Label_uCRCOKbits1=1F",
                                                "Label_uAfterWriteOKbits2=A5",
                                                "Label_uCRCOKbits2=FF",
                                                "Label_PWM=65 535",
                                                "Label_PWMNagy=PWM = 65 535",
                                                "MBarGraph_PWM=1",
                                                "SpeedButton_PotiCal0=R = 15.0 ohm",
                                                "SpeedButton_PotiCal100=R = 385.1 ohm",
                                                "SpeedButton_2VezRKiejtes=Wire = 1.5 ohm",
                                                "Label_uErrorNumber=2",
                                                "Label_Error=Pt wires are opened error.",
                                                "Label_Error.visible=true",
                                                "Label_Output=5.000 V",
                                                "Label_uADCRestartNumber=6",
                                                "Label_KVSubType=Pt1000 U",
                                                "Label_KVSubType2=Pt1000 U",
                                                "Label_uCountOfNewInputValue=150",
                                                "Label_uPWMITPerSec=244",
                                                "Label_uCounterSecAfterReset=17"};

    // The other side of each visibility and colour.
    v = LiveValues();
    v.uMode = 1;
    v.fInput = 45.6f;
    v.uErrorNumber = 3;
    QTest::newRow("potentiometer, error 3")
        << v << "English"
        << QStringList{"Label_Kijelzo=46 %",           "GroupBox_PotenciometerUzemmod.visible=true",
                       "GroupBox_2Wire.visible=false", "flags=...........",
                       "Label_uErrorNumber=3",         "Label_Error=",
                       "Label_Error.visible=false"};

    // The language's texts reach the display.
    v = LiveValues();
    v.uWiresSetting = 2;
    v.f2WireR = 1.5f;
    v.uErrorNumber = 5;
    QTest::newRow("Magyar") << v << "Magyar"
                            << QStringList{"SpeedButton_2VezRKiejtes=Vezeték = 1.50 ohm",
                                           "Label_Error=Hiba: a kimenő jel a határokon kívül esik!"};
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
    // Each edit's exit handler once; the value format follows the mode last reported.

    QTest::newRow(", empty") << QChar(u',') << 0 << false << aramL << ""
                             << "-200,0";
    QTest::newRow(", letters, voltage device") << QChar(u',') << 0 << true << highLimit << "abc"
                                               << "20,50";
    QTest::newRow(", rounded limit") << QChar(u',') << 0 << false << lowLimit << "12,345"
                                     << "12,35";
    QTest::newRow(", potentiometer") << QChar(u',') << 1 << false << aramL << "0,6"
                                     << "1";
    QTest::newRow(". resistance") << QChar(u'.') << 2 << false << aramH << "12.5"
                                  << "12.50";
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
    // The limit outputs page: outputs 3 and 4 share output 1's handlers.
    for (int n = 1; n <= 4; ++n) {
        for (const char* name :
             {"RadioGroup_Limit%1Uzemmod", "LabeledEdit_Limit%1Low", "LabeledEdit_Limit%1High",
              "LabeledEdit_Limit%1Hysteresis", "RadioGroup_Limit%1HoldMode"})
            QTest::newRow(qPrintable(QString::fromLatin1(name).arg(n))) << QString::fromLatin1(name).arg(n);
    }
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

// What a label shows that it has no room for: empty when all fits in the
// label, and the label in its parent.
QString clipped(const QLabel* label)
{
    const int needed = label->fontMetrics().horizontalAdvance(label->text());
    if (needed > label->contentsRect().width())
        return QStringLiteral("%1 \"%2\" needs %3 px, has %4")
            .arg(label->objectName(), label->text())
            .arg(needed)
            .arg(label->contentsRect().width());
    if (!label->parentWidget()->rect().contains(label->geometry()))
        return QStringLiteral("%1 \"%2\" reaches out of its parent").arg(label->objectName(), label->text());
    return {};
}

void tst_MainDisplay::extremeValuesFit_data()
{
    QTest::addColumn<LiveValues>("live");
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("adRaw"); // shown once the block arrived

    // Negative full scale on a Pt1000 in resistance mode: the widest
    // counts, resistances of both signs, every byte at its widest.
    LiveValues v;
    v.ADRaw = v.ADAveraged = v.ADAveraged2 = -2097152;
    v.ADSpS = v.uWires = v.enuCalMode = v.uErrorNumber = v.uADCRestartNumber = 255;
    v.uCountOfNewInputValue = v.uPWMITPerSec = v.uCounterSecAfterReset = 255;
    v.uCRCOKbits1 = v.uCRCOKbits2 = v.uAfterWriteOKbits1 = v.uAfterWriteOKbits2 = 0xDD;
    v.uStatusBits = 0x07FF;
    v.uWiresSetting = 2;
    v.uMode = 2;
    v.bPt1000 = true;
    v.bVoltageOutput = true;
    v.fCalculatedRWithoutCompensation = -5705.1f;
    v.fCalculatedR = -5708.8f;
    v.fInput = 5705.1f;
    v.PWM = 65535;
    v.fPotCal0R = v.fPotCal100R = v.f2WireR = -5705.1f;
    v.fOutput = 11.5f;
    QTest::newRow("Pt1000 resistance, English") << v << "English"
                                                << "-2 097 152";
    QTest::newRow("Pt1000 resistance, Magyar") << v << "Magyar"
                                               << "-2 097 152";

    // Positive full scale on a Pt100 measuring temperature.
    v.ADRaw = v.ADAveraged = v.ADAveraged2 = 2097151;
    v.uMode = 0;
    v.bPt1000 = false;
    v.fCalculatedRWithoutCompensation = v.fCalculatedR = 570.51f;
    v.fInput = 1500.04f;
    QTest::newRow("Pt100 temperature, Magyar") << v << "Magyar"
                                               << "2 097 151";

    v.uMode = 1;
    v.fInput = -100.4f;
    QTest::newRow("potentiometer, English") << v << "English"
                                            << "2 097 151";
}

// Every caption and value of System info, and every live label of the pages,
// holds its widest texts; pictures of every page go to the test output.
void tst_MainDisplay::extremeValuesFit()
{
    QFETCH(LiveValues, live);
    QFETCH(QString, language);
    QFETCH(QString, adRaw);
    Rig rig(live, language);
    TForm_Main& f = rig.form;
    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f));
    QVERIFY(rig.open());
    QTRY_COMPARE_WITH_TIMEOUT(f.Label_ADRaw->text(), adRaw, WaitMs);

    QStringList faults;
    const QList<QLabel*> system = f.GroupBox_System->findChildren<QLabel*>();
    for (const QLabel* label : system) {
        faults << clipped(label);
        for (const QLabel* other : system) {
            if (other != label && other->geometry().intersects(label->geometry()))
                faults << label->text() + QStringLiteral(" overlaps ") + other->text();
        }
    }
    for (const QLabel* label : {f.Label_Kijelzo, f.Label_Output, f.Label_KVSubType2, f.Label_Error,
                                f.Label_PotiModRMert, f.Label_2VezModRMert, f.Label_KVSubType,
                                f.Label_ADAveragedBig, f.Label_3VezKalibralashozRMert, f.Label_PWMNagy})
        faults << clipped(label);
    faults.removeAll(QString());
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(u'\n')));

    for (int i = 0; i < f.PageControl_Main->count(); ++i)
        f.PageControl_Main->setTabVisible(i, true);
    const QString base = outputDir() + QStringLiteral("/main_display_") +
                         QString::fromLatin1(QTest::currentDataTag()).replace(u' ', u'_').remove(u',');
    for (QWidget* page : {f.TabSheet_Beallitasok, f.TabSheet_DO}) {
        f.PageControl_Main->setCurrentWidget(page);
        QVERIFY(f.grab().save(base + u'_' + page->objectName() + QStringLiteral(".png")));
    }
    f.PageControl_Main->setCurrentWidget(f.TabSheet_Kalibralas);
    for (int i = 0; i < f.PageControl_KalibralasTipus->count(); ++i) {
        f.PageControl_KalibralasTipus->setCurrentIndex(i);
        const QString sheet = f.PageControl_KalibralasTipus->currentWidget()->objectName();
        QVERIFY(f.grab().save(base + u'_' + sheet + QStringLiteral(".png")));
    }
}

// Polls with new values every time repaint the value labels, not the group
// beneath them, and re-lay out nothing.
void tst_MainDisplay::pollsRepaintOnlyTheLabels()
{
    Rig rig(LiveValues{});
    TForm_Main& f = rig.form;
    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f));
    QVERIFY(rig.open());
    QTRY_VERIFY_WITH_TIMEOUT(f.GroupBox_System->isVisible() && !f.SpeedButton_KVKiolvasas->Down(), WaitMs);
    // The labels copy what lies beneath them once they are shown.
    QTRY_VERIFY(f.Label_ADRaw->autoFillBackground() && f.Label_iTP->autoFillBackground());

    // Values of new widths each time; the bar graphs stay where they are.
    QObject::connect(f.MB1, &TMB::OnMBMasterEndOfEvent, &f, [&rig] {
        LiveValues& v = rig.t.live;
        v.ADRaw = v.ADRaw == 7 ? -1234567 : 7;
        v.ADAveraged = v.ADRaw / 3;
        v.uCountOfNewInputValue = quint8(v.uCountOfNewInputValue * 10 + 1);
        v.fCalculatedR = v.fCalculatedR > 100.0f ? 2.5f : 1234.56f;
    });
    EventCounter paints(QEvent::Paint);
    EventCounter layoutRequests(QEvent::LayoutRequest);
    for (QObject* watched : {static_cast<QObject*>(f.GroupBox_System), static_cast<QObject*>(f.Label_ADRaw),
                             static_cast<QObject*>(f.Label_fCalculatedR)}) {
        paints.watch(watched);
        layoutRequests.watch(watched);
    }
    QTRY_VERIFY_WITH_TIMEOUT(paints.count(f.Label_ADRaw) >= 5 && paints.count(f.Label_fCalculatedR) >= 5,
                             WaitMs);
    QCOMPARE(paints.count(f.GroupBox_System), 0);
    QCOMPARE(layoutRequests.count(f.GroupBox_System), 0);
}

QTEST_MAIN(tst_MainDisplay)
#include "tst_main_display.moc"
