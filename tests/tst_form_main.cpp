#include "app/form_main.h"

#include "device/request_button.h"
#include "link/tmb.h"
#include "link/tmb_panel.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/test_files.h"
#include "tests/support/widget_captions.h"
#include "widgets/labeled_edit.h"
#include "widgets/radio_group.h"
#include "widgets/speed_button.h"
#include "widgets/tmbar_graph.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalSpy>
#include <QSlider>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

namespace {

// The nearest ancestor that carries a name of the window (Qt's own helper
// widgets, like a tab widget's page stack, are skipped).
QString namedParent(const QObject* object)
{
    for (const QObject* p = object->parent(); p; p = p->parent()) {
        const QString name = p->objectName();
        if (!name.isEmpty() && !name.startsWith(QLatin1String("qt_")))
            return name;
    }
    return QString();
}

// A tab page counts as hidden when its tab is; anything else when it was hidden explicitly.
bool hiddenAtStart(QWidget* widget)
{
    if (QTabWidget* tabs = owningTabs(widget))
        return !tabs->isTabVisible(tabs->indexOf(widget));
    return widget->isHidden();
}

void clickTab(QTabWidget* tabs, QWidget* page)
{
    QTabBar* bar = tabs->tabBar();
    const int index = tabs->indexOf(page);
    QVERIFY(index >= 0);
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
}

const QStringList CalibrationButtons = {
    QStringLiteral("SpeedButton_ADCal0Ohm"), QStringLiteral("SpeedButton_ADCal490Ohm"),
    QStringLiteral("SpeedButton_R3WOffszet"), QStringLiteral("SpeedButton_PWMCal4mA"),
    QStringLiteral("SpeedButton_PWMCal20mA")};

const QStringList AnalogTestSet = {QStringLiteral("SpeedButton_TesztKi"), QStringLiteral("SpeedButton_mA0"),
                                   QStringLiteral("SpeedButton_mA4"),     QStringLiteral("SpeedButton_mA10"),
                                   QStringLiteral("SpeedButton_mA12"),    QStringLiteral("SpeedButton_mA20")};

} // namespace

class tst_FormMain : public QObject
{
    Q_OBJECT

private slots:
    void controlTree_data();
    void controlTree();
    void namesAreUnique();
    void settingControlsStartEmpty();
    void radioGroups_data();
    void radioGroups();
    void typingLimit();
    void speedButtonsLatchOnTheirOwn();
    void twoWireGroupAllowsAllUp();
    void analogTestSetKeepsExactlyOneDown();
    void windowGeometry();
    void startVisibility();
    void languageButtonClearOfTabs();
    void linkComponent();
    void communicationTimer();
    void pageChange_data();
    void pageChange();
    void calibrationPageQueuesReadEachTime();
    void renderPictures();
};

void tst_FormMain::controlTree_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QString>("caption"); // null: set elsewhere at run time, not checked
    QTest::addColumn<bool>("hidden");

    const QString any;
    auto row = [](const char* name, const char* kind, const char* parent, const QString& caption,
                  bool hidden = false) {
        QTest::newRow(name) << QString::fromLatin1(kind) << QString::fromLatin1(parent) << caption << hidden;
    };

    row("Label_CommError", "QLabel", "Form_Main", "???", true);
    row("Panel_KeszulekMegnevezes", "QLabel", "Form_Main", "KVxxxx");
    row("Label_Firmware", "QLabel", "Panel_KeszulekMegnevezes", "Firmware: ?");
    row("PageControl_Main", "QTabWidget", "Form_Main", any, true);
    row("Button_Nyelv", "QPushButton", "Form_Main", "NYELV VÁLTÁS");

    row("TabSheet_Beallitasok", "QWidget", "PageControl_Main", any);
    row("GroupBox_KijelzoEsHibauzenet", "QGroupBox", "TabSheet_Beallitasok", any);
    row("Label_Kijelzo", "QLabel", "GroupBox_KijelzoEsHibauzenet", any);
    row("GroupBox_Output", "QGroupBox", "TabSheet_Beallitasok", any);
    row("Label_Output", "QLabel", "GroupBox_Output", any);
    row("Label_KVSubType2", "TLiveLabel", "TabSheet_Beallitasok", "???");
    row("Label_Error", "QLabel", "TabSheet_Beallitasok", "???", true);
    row("GroupBox_Beallitasok", "QGroupBox", "TabSheet_Beallitasok", any);
    for (const char* name : {"RadioGroup_VezetekSzam", "RadioGroup_Uzemmod", "RadioGroup_Atlagolas",
                             "RadioGroup_AnalogKimTipus", "RadioGroup_AnalogKimHibajelzes"})
        row(name, "TRadioGroup", "GroupBox_Beallitasok", any);
    row("CheckBox_NemHibaAKimenetTulcsordulas", "QCheckBox", "GroupBox_Beallitasok", any);
    row("GroupBox_AnalogKimenetSkalazasa", "QGroupBox", "GroupBox_Beallitasok", any);
    row("LabeledEdit_AramL", "TLabeledEdit", "GroupBox_AnalogKimenetSkalazasa", "4 mA / 2 V =");
    row("LabeledEdit_AramH", "TLabeledEdit", "GroupBox_AnalogKimenetSkalazasa", "20 mA / 10 V =");
    row("GroupBox_AnalogKimenetLimit", "QGroupBox", "GroupBox_Beallitasok", any);
    row("LabeledEdit_AramLLimit", "TLabeledEdit", "GroupBox_AnalogKimenetLimit", "Low:");
    row("LabeledEdit_AramHLimit", "TLabeledEdit", "GroupBox_AnalogKimenetLimit", "High:");
    row("GroupBox_PotenciometerUzemmod", "QGroupBox", "GroupBox_Beallitasok", any, true);
    row("GroupBox_PotenciometerKalibralas", "QGroupBox", "GroupBox_PotenciometerUzemmod", any);
    row("SpeedButton_PotiCal0", "TSpeedButton", "GroupBox_PotenciometerKalibralas", "???");
    row("SpeedButton_PotiCal100", "TSpeedButton", "GroupBox_PotenciometerKalibralas", "???");
    row("Label_PotiModRMert", "TLiveLabel", "GroupBox_PotenciometerUzemmod", "R = ??? ohm");
    row("GroupBox_2Wire", "QGroupBox", "GroupBox_Beallitasok", any, true);
    row("SpeedButton_2VezRKiejtes", "TSpeedButton", "GroupBox_2Wire", "R = xxx,xx ohm");
    row("Label_2VezModRMert", "TLiveLabel", "GroupBox_2Wire", "R = ??? ohm");
    row("SpeedButton_R2Wires0Ohm", "TSpeedButton", "GroupBox_2Wire", "2W = 0 ohm");

    row("TabSheet_DO", "QWidget", "PageControl_Main", any);
    for (int n = 1; n <= 4; ++n) {
        const QByteArray group = "GroupBox_Limit" + QByteArray::number(n);
        const QByteArray prefix = QByteArray::number(n);
        row(group.constData(), "QGroupBox", "TabSheet_DO", any);
        for (const QByteArray& name :
             {"RadioGroup_Limit" + prefix + "Uzemmod", "RadioGroup_Limit" + prefix + "HoldMode"})
            row(name.constData(), "TRadioGroup", group.constData(), any);
        for (const QByteArray& name :
             {"LabeledEdit_Limit" + prefix + "Low", "LabeledEdit_Limit" + prefix + "High",
              "LabeledEdit_Limit" + prefix + "Hysteresis"})
            row(name.constData(), "TLabeledEdit", group.constData(), any);
        const QByteArray shape = "Shape_DO" + prefix;
        const QByteArray button = "SpeedButton_DO" + prefix;
        row(shape.constData(), "QFrame", "GroupBox_DOForce", any);
        row(button.constData(), "TSpeedButton", "GroupBox_DOForce", QStringLiteral("DO %1").arg(n));
    }
    row("GroupBox_DOForce", "QGroupBox", "TabSheet_DO", any);
    row("SpeedButton_DOForce", "TSpeedButton", "GroupBox_DOForce", any);
    row("SpeedButton_HoldMegszuntetes", "TSpeedButton", "TabSheet_DO", any);

    row("TabSheet_Kalibralas", "QWidget", "PageControl_Main", "Kalibrálás", true);
    row("Label_KVSubType", "TLiveLabel", "TabSheet_Kalibralas", "???");
    row("PageControl_KalibralasTipus", "QTabWidget", "TabSheet_Kalibralas", any);
    row("TabSheet_ADKalibralas", "QWidget", "PageControl_KalibralasTipus", "AD kalibrálás");
    row("Label_ADAveragedBig", "TLiveLabel", "TabSheet_ADKalibralas", "AD = 0 000 000");
    row("GroupBox8", "QGroupBox", "TabSheet_ADKalibralas", "Kalibrálás 0 ohm ellenállásra");
    row("SpeedButton_ADCal0Ohm", "TSpeedButton", "GroupBox8", any);
    row("GroupBoxCal490", "QGroupBox", "TabSheet_ADKalibralas", "Kalibrálás 490 ohm ellenállásra");
    row("SpeedButton_ADCal490Ohm", "TSpeedButton", "GroupBoxCal490", any);
    row("TabSheet_3VezKalibralas", "QWidget", "PageControl_KalibralasTipus", "3 vezetékes mérés kalibrálás");
    row("Label_3VezKalibralashozRMert", "TLiveLabel", "TabSheet_3VezKalibralas", "R = ? ohm");
    row("GroupBox_Cal249", "QGroupBox", "TabSheet_3VezKalibralas", "Kalibrálás 249 ohm ellenállásra");
    row("SpeedButton_R3WOffszet", "TSpeedButton", "GroupBox_Cal249", any);
    row("TabSheet_AnalogKimenetKalibralas", "QWidget", "PageControl_KalibralasTipus",
        "Analóg kimenet kalibrálás és teszt");
    row("Label_PWMNagy", "TLiveLabel", "TabSheet_AnalogKimenetKalibralas", "PWM = 00 000");
    row("Label_PWMToInstrumentCaption", "QLabel", "TabSheet_AnalogKimenetKalibralas", "PWM =");
    row("Label_PWMToInstrument", "QLabel", "TabSheet_AnalogKimenetKalibralas", "00 000");
    row("GroupBox_PWMErtekValtoztatas", "QGroupBox", "TabSheet_AnalogKimenetKalibralas",
        "A vezérlésre kapcsolt analóg kiment PWM érték változtatása");
    const std::pair<const char*, const char*> steps[] = {
        {"Button_IM10000", "-10 000"}, {"Button_IM1000", "-1000"},   {"Button_IM100", "-100"},
        {"Button_IM10", "-10"},        {"Button_IM1", "-1"},         {"Button_IP1", "+1"},
        {"Button_IP10", "+10"},        {"Button_IP100", "+100"},     {"Button_IP1000", "+1000"},
        {"Button_IP10000", "+10 000"}, {"Button_PWM0Percent", "0%"}, {"Button_PWM100Percent", "100%"}};
    for (const auto& [name, caption] : steps)
        row(name, "QPushButton", "GroupBox_PWMErtekValtoztatas", QString::fromLatin1(caption));
    row("TrackBar_PWM", "QSlider", "GroupBox_PWMErtekValtoztatas", any);
    row("GroupBox_Kalibralas4mA", "QGroupBox", "TabSheet_AnalogKimenetKalibralas",
        "Kalibrálás PWM 4 mA / 2 V értékre");
    row("SpeedButton_PWMCal4mA", "TSpeedButton", "GroupBox_Kalibralas4mA", any);
    row("GroupBox_Kalibralas20mA", "QGroupBox", "TabSheet_AnalogKimenetKalibralas",
        "Kalibrálás PWM 20 mA / 10 V értékre");
    row("SpeedButton_PWMCal20mA", "TSpeedButton", "GroupBox_Kalibralas20mA", any);
    row("GroupBox_AnalogKimenetTeszt", "QGroupBox", "TabSheet_AnalogKimenetKalibralas",
        "A vezérlésre kapcsolt és már kalibrált analóg kimenet teszt");
    row("SpeedButton_TesztKi", "TSpeedButton", "GroupBox_AnalogKimenetTeszt", "Teszt kikapcsolva");
    for (const char* current : {"0", "4", "10", "12", "20"}) {
        const QByteArray name = QByteArray("SpeedButton_mA") + current;
        row(name.constData(), "TSpeedButton", "GroupBox_AnalogKimenetTeszt",
            QString::fromLatin1(current) + QStringLiteral(" mA"));
    }
    row("TabSheet_Parancsok", "QWidget", "PageControl_KalibralasTipus", "Parancsok");
    row("SpeedButton_ParancsReset", "TSpeedButton", "TabSheet_Parancsok", "Készülék újraindítás");
    row("SpeedButton_ParancsEEPROMTorles", "TSpeedButton", "TabSheet_Parancsok",
        "EEPROM törlés, készülék újraindítás, így minden kalibrálás és beállítás kitörlődik.");

    row("MB1Panel", "TMBPanel", "Form_Main", "ASCII Master v2015-03-18");
    row("GroupBox_System", "QGroupBox", "Form_Main", "System info", true);
    row("MBarGraph_ADRaw", "TMBarGraph", "GroupBox_System", any);
    row("MBarGraph_PWM", "TMBarGraph", "GroupBox_System", any);
    const std::pair<const char*, const char*> values[] = {
        {"Label_ADRaw", "0 000 000"},
        {"Label_ADAveraged", "0 000 000"},
        {"Label_ADAveraged2", "0 000 000"},
        {"Label_ADSpS", "00"},
        {"Label_uWires", "0"},
        {"Label16_uMode", "???"},
        {"Label_bVoltageOutput", "?"},
        {"Label_enuCalMode", "0"},
        {"Label_PtType", "???"},
        {"Label_uErrorNumber", "0"},
        {"Label_uCRCOKbits1", "0"},
        {"Label_uAfterWriteOKbits1", "0"},
        {"Label_uCRCOKbits2", "0"},
        {"Label_uAfterWriteOKbits2", "0"},
        {"Label_uADCRestartNumber", "0"},
        {"Label_iTP", "00"},
        {"Label_uPWMITPerSec", "000"},
        {"Label_uCounterSecAfterReset", "000"},
        {"Label_fCalculatedRWithoutCompensation", "000"},
        {"Label_fCalculatedR", "000"},
        {"Label_fInput", "000"},
        {"Label_uCountOfNewInputValue", "000"},
        {"Label_PWM", "00 000"},
    };
    for (const auto& [name, caption] : values)
        row(name, "TLiveLabel", "GroupBox_System", QString::fromLatin1(caption));
    const std::pair<const char*, const char*> flags[] = {
        {"Label_ADUnderFlow", " Un.F "},       {"Label_ADOverFlow", " Ov.F "},
        {"Label_ADNoDRDY", "No.DY"},           {"Label_ADNoChange", "No.Chg."},
        {"Label_RestartADC", " Restart ADC "}, {"Label_bUncalInput", "Uncal Inp."},
        {"Label_bUncal3WOffset", "Uncal 3W"},  {"Label_bUncalOutput", "Uncal Out."},
        {"Label_bOpenError", "Open Err."},     {"Label_bRAM1BadWrite", "EEPROM WEr."},
        {"Label_bPWMITNotOK", "PWM Err"},
    };
    for (const auto& [name, caption] : flags)
        row(name, "QLabel", "GroupBox_System", QString::fromLatin1(caption));

    row("GroupBox_FajlMuveletek", "QGroupBox", "Form_Main", any);
    row("Button_FileMegnyitas", "QPushButton", "GroupBox_FajlMuveletek", any);
    row("Button_FileMentes", "QPushButton", "GroupBox_FajlMuveletek", any);
    row("GroupBox_KeszulekOlvasasIras", "QGroupBox", "Form_Main", any, true);
    row("Button_GyariAlapertekek", "QPushButton", "GroupBox_KeszulekOlvasasIras", any);
    row("SpeedButton_KVKiolvasas", "TSpeedButton", "GroupBox_KeszulekOlvasasIras", any);
    row("SpeedButton_BeallitasokAKVbe", "TSpeedButton", "GroupBox_KeszulekOlvasasIras", any);
}

void tst_FormMain::controlTree()
{
    QFETCH(QString, kind);
    QFETCH(QString, parent);
    QFETCH(QString, caption);
    QFETCH(bool, hidden);

    TForm_Main form;
    const QString name = QString::fromLatin1(QTest::currentDataTag());
    auto* widget = form.findChild<QWidget*>(name);
    QVERIFY2(widget, qPrintable(name));
    QCOMPARE(QString::fromLatin1(widget->metaObject()->className()), kind);
    QCOMPARE(namedParent(widget), parent);
    if (!caption.isNull())
        QCOMPARE(captionOf(widget), caption);
    QCOMPARE(hiddenAtStart(widget), hidden);
}

void tst_FormMain::namesAreUnique()
{
    TForm_Main form;
    QMap<QString, int> seen;
    for (QObject* child : form.findChildren<QObject*>()) {
        const QString name = child->objectName();
        // A tab bar names its own scroll buttons.
        if (!name.isEmpty() && !name.startsWith(QLatin1String("qt_")) &&
            !qobject_cast<QTabBar*>(child->parent()))
            ++seen[name];
    }
    for (auto it = seen.cbegin(); it != seen.cend(); ++it)
        QVERIFY2(it.value() == 1, qPrintable(it.key()));
    QVERIFY(seen.size() > 150);
}

void tst_FormMain::settingControlsStartEmpty()
{
    TForm_Main form;
    const auto edits = form.findChildren<TLabeledEdit*>();
    QCOMPARE(edits.size(), 16);
    for (TLabeledEdit* edit : edits)
        QVERIFY2(edit->text().isEmpty(), qPrintable(edit->objectName()));
    QVERIFY(!form.CheckBox_NemHibaAKimenetTulcsordulas->isChecked());
    QCOMPARE(form.TrackBar_PWM->minimum(), 0);
    QCOMPARE(form.TrackBar_PWM->maximum(), 65);
    QCOMPARE(form.TrackBar_PWM->pageStep(), 10);
    QCOMPARE(form.TrackBar_PWM->orientation(), Qt::Horizontal);

    // Fonts and colours the live display and the calibration page rely on.
    QCOMPARE(form.Label_Kijelzo->font().pixelSize(), 35);
    QCOMPARE(form.Label_Output->font().pixelSize(), 35);
    QCOMPARE(form.Label_KVSubType2->font().pixelSize(), 19);
    QCOMPARE(form.Label_KVSubType->font().pixelSize(), 37);
    for (QLabel* display : {form.Label_Kijelzo, form.Label_Output}) {
        QVERIFY(display->autoFillBackground());
        QCOMPARE(display->palette().color(QPalette::Window), QColor(215, 209, 115));
    }
    for (QLabel* alarm : {form.Label_CommError, form.Label_Error}) {
        QVERIFY(alarm->autoFillBackground());
        QCOMPARE(alarm->palette().color(QPalette::Window), QColor(Qt::red));
        QCOMPARE(alarm->palette().color(QPalette::WindowText), QColor(Qt::white));
        QVERIFY(alarm->font().italic());
        QCOMPARE(alarm->alignment(), Qt::AlignCenter);
    }
    QVERIFY(form.SpeedButton_ADCal0Ohm->captionBold());
    QCOMPARE(form.SpeedButton_ADCal0Ohm->font().pointSize(), 12);
    QCOMPARE(form.SpeedButton_ADCal490Ohm->font().pointSize(), 12);
    QVERIFY(form.SpeedButton_R3WOffszet->captionBold());
    QCOMPARE(form.SpeedButton_R3WOffszet->font().pointSize(), 10);
    QCOMPARE(form.SpeedButton_ADCal0Ohm->toolTip(), QStringLiteral("0 ohm-hoz tartozó AD érték tárolása"));
    QCOMPARE(form.SpeedButton_TesztKi->toolTip(), QStringLiteral("A megadott PWM értéket adja ki"));
    QCOMPARE(form.Label_Firmware->alignment() & Qt::AlignHorizontal_Mask, Qt::Alignment(Qt::AlignRight));
    QCOMPARE(form.Panel_KeszulekMegnevezes->alignment() & Qt::AlignHorizontal_Mask,
             Qt::Alignment(Qt::AlignLeft));

    for (TMBarGraph* bar : {form.MBarGraph_ADRaw, form.MBarGraph_PWM}) {
        QCOMPARE(bar->size(), QSize(201, 8));
        QVERIFY(!bar->MBGShowText());
        QCOMPARE(bar->MBGMinusColorAt0(), QColor(Qt::white));
        QCOMPARE(bar->MBGMinusColorAt1(), QColor(Qt::blue));
        QCOMPARE(bar->MBGPlusColorAt0(), QColor(Qt::white));
        QCOMPARE(bar->MBGPlusColorAt1(), QColor(Qt::red));
        QCOMPARE(bar->MBGTextPosition(), tpAuto);
        QCOMPARE(int(bar->MBGDecimals()), 0);
        QCOMPARE(bar->frameShadow(), QFrame::Sunken);
    }
    QCOMPARE(form.MBarGraph_ADRaw->MBGMode(), modeSigned);
    QCOMPARE(form.MBarGraph_PWM->MBGMode(), modeUnsigned);
    form.show();
    form.GroupBox_System->show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QVERIFY(form.MBarGraph_ADRaw->y() < form.Label_ADRaw->y());
    QVERIFY(form.MBarGraph_PWM->y() > form.Label_bPWMITNotOK->y());
}

void tst_FormMain::radioGroups_data()
{
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<int>("itemIndex");
    QTest::addColumn<int>("columns");

    QTest::newRow("RadioGroup_VezetekSzam") << QStringList{"4", "3", "2"} << 0 << 1;
    QTest::newRow("RadioGroup_Uzemmod") << QStringList{"T", "Pot. %", "R"} << 0 << 1;
    QTest::newRow("RadioGroup_Atlagolas") << QStringList{"1", "2", "4", "8", "16", "32", "64"} << 4 << 7;
    QTest::newRow("RadioGroup_AnalogKimTipus")
        << QStringList{QStringLiteral("4–20 mA / 2-10 V"), QStringLiteral("0–20 mA / 0-10 V")} << 0 << 1;
    QTest::newRow("RadioGroup_AnalogKimHibajelzes")
        << QStringList{"3,2 mA / 1,6 V", "22 mA / 11 V"} << 0 << 1;
    const QStringList eight = {"1.", "2.", "3.", "4.", "5.", "6.", "7.", "8."};
    for (int n = 1; n <= 4; ++n) {
        const QByteArray mode = "RadioGroup_Limit" + QByteArray::number(n) + "Uzemmod";
        const QByteArray hold = "RadioGroup_Limit" + QByteArray::number(n) + "HoldMode";
        QTest::newRow(mode.constData()) << eight << -1 << 1;
        QTest::newRow(hold.constData()) << QStringList{"1.", "2."} << -1 << 1;
    }
}

void tst_FormMain::radioGroups()
{
    QFETCH(QStringList, items);
    QFETCH(int, itemIndex);
    QFETCH(int, columns);

    TForm_Main form;
    auto* group = form.findChild<TRadioGroup*>(QString::fromLatin1(QTest::currentDataTag()));
    QVERIFY(group);
    QCOMPARE(group->items(), items);
    QCOMPARE(group->ItemIndex(), itemIndex);
    QCOMPARE(group->columns(), columns);
    for (int i = 0; i < group->count(); ++i)
        QCOMPARE(group->button(i)->isChecked(), i == itemIndex);
}

// The layout must not widen the edits' own limit anywhere.
void tst_FormMain::typingLimit()
{
    TForm_Main form;
    for (TLabeledEdit* edit : form.findChildren<TLabeledEdit*>()) {
        QTest::keyClicks(edit->edit(), QStringLiteral("123456789012"));
        QVERIFY2(edit->text() == QStringLiteral("1234567890"), qPrintable(edit->objectName()));
    }
}

void tst_FormMain::speedButtonsLatchOnTheirOwn()
{
    ScriptedDialogs dialogs;
    TForm_Main form;
    const QStringList grouped = AnalogTestSet + QStringList{QStringLiteral("SpeedButton_2VezRKiejtes"),
                                                            QStringLiteral("SpeedButton_R2Wires0Ohm")};
    const auto buttons = form.findChildren<TSpeedButton*>();
    QCOMPARE(buttons.size(), 25);
    QStringList latchedDown;
    for (TSpeedButton* button : buttons) {
        const QString name = button->objectName();
        QVERIFY2(!name.isEmpty(), "every speed button is named");
        if (grouped.contains(name))
            continue;
        QVERIFY2(button->GroupIndex() == 0, qPrintable(name));
        QVERIFY2(!button->Down(), qPrintable(name));
        button->click();
        // Without a reading the three-wire offset is 249 ohm off: refused, released.
        if (button == form.SpeedButton_R3WOffszet) {
            QVERIFY(!button->Down() && dialogs.messages().size() == 1);
            continue;
        }
        QVERIFY2(button->Down(), qPrintable(name));
        // A request of the interlocked group locks the others while down.
        const std::optional<RequestButton> request = requests::fromObjectName(name);
        if (request && requests::isInGroup(*request)) {
            button->click();
            QVERIFY2(!button->Down(), qPrintable(name));
        } else {
            latchedDown << name;
        }
    }
    // All of them down at once: none releases another.
    QCOMPARE(latchedDown.size(), 25 - grouped.size() - 9);
    for (const QString& name : latchedDown)
        QVERIFY2(form.findChild<TSpeedButton*>(name)->Down(), qPrintable(name));
}

void tst_FormMain::twoWireGroupAllowsAllUp()
{
    TForm_Main form;
    TSpeedButton* measure = form.SpeedButton_2VezRKiejtes;
    TSpeedButton* zero = form.SpeedButton_R2Wires0Ohm;
    QVERIFY(!measure->Down());
    QVERIFY(!zero->Down());
    measure->click();
    QVERIFY(measure->Down());
    // The interlock keeps the user from the other one; the program's way
    // still releases the pair's other button.
    zero->setDownState(true);
    QVERIFY(zero->Down());
    QVERIFY(!measure->Down());
    zero->setDownState(false);
    QVERIFY(!zero->Down());
    QVERIFY(!measure->Down());
    zero->setEnabled(true);
    zero->click();
    QVERIFY(zero->Down());
    zero->click();
    QVERIFY(!zero->Down());
    QVERIFY(!measure->Down());
    // Another request button elsewhere is untouched by the pair.
    form.SpeedButton_PotiCal0->setDownState(true);
    measure->setEnabled(true);
    measure->click();
    QVERIFY(form.SpeedButton_PotiCal0->Down());
}

void tst_FormMain::analogTestSetKeepsExactlyOneDown()
{
    TForm_Main form;
    QList<TSpeedButton*> set;
    for (const QString& name : AnalogTestSet)
        set << form.findChild<TSpeedButton*>(name);
    auto downOnes = [&] {
        QStringList names;
        for (TSpeedButton* button : set) {
            if (button->Down())
                names << button->objectName();
        }
        return names;
    };
    QCOMPARE(downOnes(), QStringList{QStringLiteral("SpeedButton_TesztKi")});
    for (TSpeedButton* button : set) {
        button->click();
        QCOMPARE(downOnes(), QStringList{button->objectName()});
        button->click(); // clicking the down one leaves it down
        QCOMPARE(downOnes(), QStringList{button->objectName()});
    }
    form.SpeedButton_TesztKi->click();
    QCOMPARE(downOnes(), QStringList{QStringLiteral("SpeedButton_TesztKi")});
}

void tst_FormMain::windowGeometry()
{
    TForm_Main form;
    // The layout's size is the client area's; the menu bar lies above it.
    const int menuHeight = form.menuBar->sizeHint().height();
    QCOMPARE(form.clientArea()->geometry(), QRect(0, menuHeight, 805, 631));
    QCOMPARE(form.size(), QSize(805, 631 + menuHeight));
    QCOMPARE(form.minimumSize(), QSize(300, 300 + menuHeight));
    QCOMPARE(form.windowTitle(), QStringLiteral("Form_Main"));
    QCOMPARE(form.font().family(), QStringLiteral("Arial"));
    QCOMPARE(form.font().pointSize(), 8);
    if (const QScreen* screen = form.screen())
        QCOMPARE(form.geometry().center(), screen->availableGeometry().center());

    // Left column: the device name above the pages, 545 wide.
    const int left = TForm_Main::LeftColumnWidth;
    QVERIFY(form.Panel_KeszulekMegnevezes->geometry().right() < left);
    QCOMPARE(form.Panel_KeszulekMegnevezes->height(), 35);
    QVERIFY(form.PageControl_Main->geometry().right() < left);
    QVERIFY(form.PageControl_Main->y() >= form.Panel_KeszulekMegnevezes->geometry().bottom());
    QVERIFY(form.PageControl_Main->geometry().bottom() < form.clientArea()->height());
    QVERIFY(form.Button_Nyelv->geometry().right() < left);

    // Right column, top to bottom, without overlaps.
    QCOMPARE(form.MB1Panel->geometry(), QRect(632, 8, 153, 145));
    const QList<QWidget*> column = {form.MB1Panel, form.Label_CommError, form.GroupBox_System,
                                    form.GroupBox_FajlMuveletek, form.GroupBox_KeszulekOlvasasIras};
    for (int i = 0; i < column.size(); ++i) {
        QVERIFY2(column[i]->x() >= left, qPrintable(column[i]->objectName()));
        QVERIFY2(column[i]->geometry().right() < form.clientArea()->width(),
                 qPrintable(column[i]->objectName()));
        if (i > 0)
            QVERIFY2(column[i]->y() > column[i - 1]->geometry().bottom(),
                     qPrintable(column[i]->objectName()));
    }
    QVERIFY(form.GroupBox_KeszulekOlvasasIras->geometry().bottom() < form.clientArea()->height());
}

void tst_FormMain::startVisibility()
{
    TForm_Main form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    // Which controls start hidden is controlTree's.
    QCOMPARE(form.PageControl_Main->currentWidget(), form.TabSheet_Beallitasok);
    QCOMPARE(form.PageControl_KalibralasTipus->currentWidget(), form.TabSheet_Parancsok);

    // Pages shown: the language button stays on top of them.
    form.PageControl_Main->show();
    const QPoint centre = form.Button_Nyelv->geometry().center();
    QCOMPARE(form.clientArea()->childAt(centre), form.Button_Nyelv);
}

void tst_FormMain::languageButtonClearOfTabs()
{
    // The longest tab captions the window gets, all three tabs shown.
    TForm_Main form;
    QTabWidget* pages = form.PageControl_Main;
    pages->setTabText(0, QStringLiteral("Általános beállítások"));
    pages->setTabText(1, QStringLiteral("Határérték kimenetek beállításai"));
    pages->setTabVisible(2, true);
    form.show();
    pages->show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QTabBar* bar = pages->tabBar();
    const QRect button = form.Button_Nyelv->geometry();
    for (int i = 0; i < pages->count(); ++i) {
        const QRect tab(bar->mapTo(form.clientArea(), bar->tabRect(i).topLeft()), bar->tabRect(i).size());
        QVERIFY2(!tab.intersects(button), qPrintable(pages->tabText(i)));
        QVERIFY2(bar->mapTo(form.clientArea(), bar->tabRect(i).topRight()).x() < button.x(),
                 "tab hidden under the button");
    }
    QVERIFY(button.top() >= pages->y());
    QVERIFY(button.bottom() <= bar->mapTo(form.clientArea(), QPoint(0, bar->height())).y() + 1);
}

void tst_FormMain::linkComponent()
{
    TForm_Main form;
    auto* mb = form.findChild<TMB*>(QStringLiteral("MB1"));
    QVERIFY(mb);
    QCOMPARE(mb, form.MB1);
    QCOMPARE(mb->parent(), &form);
    QCOMPARE(mb->Port(), QStringLiteral("COM1"));
    QCOMPARE(mb->WinQSizeIn(), 8192u);
    QCOMPARE(mb->WinQSizeOut(), 8192u);
    QCOMPARE(mb->MBBaud(), baud019200);
    QCOMPARE(mb->MBSlaveName(), QStringLiteral("MB Slave"));
    QCOMPARE(mb->MBDataNumberToSend(), quint16(0));
    QVERIFY(!mb->MBRefreshListOnStartup());
    QVERIFY(!mb->MBBaudEditVisible());
    QVERIFY(!mb->MBPortOpen());
    QCOMPARE(form.MB1Panel->engine(), mb);
    // The panel hides its baud list as the engine asks.
    QVERIFY(form.MB1Panel->baudList()->isHidden());
}

void tst_FormMain::communicationTimer()
{
    TForm_Main form;
    auto* timer = form.findChild<QTimer*>(QStringLiteral("Timer_CommunicationTask"));
    QVERIFY(timer);
    QCOMPARE(timer, form.Timer_CommunicationTask);
    QCOMPARE(timer->interval(), 100);
    QVERIFY(!timer->isActive());
    QVERIFY(!timer->isSingleShot());
}

void tst_FormMain::pageChange_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<bool>("queuesRead");
    QTest::newRow("calibration") << QStringLiteral("TabSheet_Kalibralas") << true;
    QTest::newRow("limit outputs") << QStringLiteral("TabSheet_DO") << false;
    QTest::newRow("settings") << QStringLiteral("TabSheet_Beallitasok") << false;
}

void tst_FormMain::pageChange()
{
    QFETCH(QString, page);
    QFETCH(bool, queuesRead);

    TForm_Main form;
    QTabWidget* pages = form.PageControl_Main;
    pages->setTabVisible(pages->indexOf(form.TabSheet_Kalibralas), true);
    form.show();
    pages->show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    // Start from another page so that the click is a change.
    pages->setCurrentIndex(page == QLatin1String("TabSheet_Beallitasok") ? 1 : 0);
    form.SpeedButton_KVKiolvasas->setDownState(false);
    for (const QString& name : CalibrationButtons)
        form.findChild<TSpeedButton*>(name)->setText(QStringLiteral("stored"));

    QSignalSpy readClicks(form.SpeedButton_KVKiolvasas, &TSpeedButton::OnClick);
    auto* target = form.findChild<QWidget*>(page);
    clickTab(pages, target);
    QCOMPARE(pages->currentWidget(), target);

    QCOMPARE(form.SpeedButton_KVKiolvasas->Down(), queuesRead);
    QCOMPARE(readClicks.count(), 0);
    for (const QString& name : CalibrationButtons)
        QVERIFY2(form.findChild<TSpeedButton*>(name)->text().isEmpty(), qPrintable(name));
    // Nothing else on the calibration page lost its caption.
    QCOMPARE(form.SpeedButton_ParancsReset->text(), QStringLiteral("Készülék újraindítás"));
}

void tst_FormMain::calibrationPageQueuesReadEachTime()
{
    TForm_Main form;
    QTabWidget* pages = form.PageControl_Main;
    pages->setTabVisible(pages->indexOf(form.TabSheet_Kalibralas), true);
    form.show();
    pages->show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));

    for (int round = 0; round < 2; ++round) {
        clickTab(pages, form.TabSheet_Kalibralas);
        QVERIFY(form.SpeedButton_KVKiolvasas->Down());
        // The task releases the button once the settings are read.
        form.SpeedButton_KVKiolvasas->setDownState(false);
        clickTab(pages, form.TabSheet_DO);
        clickTab(pages, form.TabSheet_Beallitasok);
    }
}

void tst_FormMain::renderPictures()
{
    const QString dir = outputDir();
    TForm_Main form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    const QImage start = form.grab().toImage();
    QCOMPARE(start.size(), QSize(805, 631 + form.menuBar->height()));
    QVERIFY(start.save(dir + QStringLiteral("/form_main_start.png")));

    // Everything that can be hidden, shown, for a look at the whole layout.
    for (QWidget* widget :
         {static_cast<QWidget*>(form.PageControl_Main), static_cast<QWidget*>(form.GroupBox_System),
          static_cast<QWidget*>(form.GroupBox_KeszulekOlvasasIras),
          static_cast<QWidget*>(form.Label_CommError), static_cast<QWidget*>(form.Label_Error),
          static_cast<QWidget*>(form.GroupBox_PotenciometerUzemmod),
          static_cast<QWidget*>(form.GroupBox_2Wire)})
        widget->show();
    for (int i = 0; i < form.PageControl_Main->count(); ++i)
        form.PageControl_Main->setTabVisible(i, true);

    for (int i = 0; i < form.PageControl_Main->count(); ++i) {
        form.PageControl_Main->setCurrentIndex(i);
        QWidget* page = form.PageControl_Main->currentWidget();
        if (page == form.TabSheet_Kalibralas) {
            for (int j = 0; j < form.PageControl_KalibralasTipus->count(); ++j) {
                form.PageControl_KalibralasTipus->setCurrentIndex(j);
                const QString file =
                    QStringLiteral("/form_main_%1.png")
                        .arg(form.PageControl_KalibralasTipus->currentWidget()->objectName());
                QVERIFY(form.grab().toImage().save(dir + file));
            }
        } else {
            QVERIFY(form.grab().toImage().save(dir +
                                               QStringLiteral("/form_main_%1.png").arg(page->objectName())));
        }
    }
}

QTEST_MAIN(tst_FormMain)
#include "tst_form_main.moc"
