#include "app/form_main.h"

#include "app/form_main_controls.h"
#include "widgets/speed_button.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>

// The calibration page: converter points, three-wire offset, the analog
// output's adjustment and test, and the service commands.

using namespace formcontrols;

void TForm_Main::createCalibrationPage()
{
    Label_KVSubType = makeLabel(TabSheet_Kalibralas, "Label_KVSubType", QStringLiteral("???"),
                                QRect(4, 4, 526, 46), Qt::AlignCenter);
    Label_KVSubType->setFont(pixelFont(Label_KVSubType->font(), SubTypeFontPixels));

    PageControl_KalibralasTipus = new QTabWidget(TabSheet_Kalibralas);
    PageControl_KalibralasTipus->setObjectName(QStringLiteral("PageControl_KalibralasTipus"));
    PageControl_KalibralasTipus->setGeometry(4, 54, 526, 498);

    TabSheet_ADKalibralas =
        addPage(PageControl_KalibralasTipus, "TabSheet_ADKalibralas", QStringLiteral("AD kalibrálás"));
    TabSheet_3VezKalibralas = addPage(PageControl_KalibralasTipus, "TabSheet_3VezKalibralas",
                                      QStringLiteral("3 vezetékes mérés kalibrálás"));
    TabSheet_AnalogKimenetKalibralas =
        addPage(PageControl_KalibralasTipus, "TabSheet_AnalogKimenetKalibralas",
                QStringLiteral("Analóg kimenet kalibrálás és teszt"));
    TabSheet_Parancsok =
        addPage(PageControl_KalibralasTipus, "TabSheet_Parancsok", QStringLiteral("Parancsok"));

    createAdCalibrationSheet();
    createThreeWireSheet();
    createAnalogOutputSheet();
    createCommandsSheet();
    PageControl_KalibralasTipus->setCurrentWidget(TabSheet_Parancsok);
}

void TForm_Main::createAdCalibrationSheet()
{
    QWidget* page = TabSheet_ADKalibralas;
    Label_ADAveragedBig = makeLabel(page, "Label_ADAveragedBig", QStringLiteral("AD = 0 000 000"),
                                    QRect(8, 8, 500, 48), Qt::AlignCenter);
    Label_ADAveragedBig->setFont(pixelFont(Label_ADAveragedBig->font(), CalibrationValueFontPixels));

    GroupBox8 =
        makeGroup(page, "GroupBox8", QStringLiteral("Kalibrálás 0 ohm ellenállásra"), QRect(8, 68, 500, 84));
    SpeedButton_ADCal0Ohm =
        makeSpeedButton(GroupBox8, "SpeedButton_ADCal0Ohm", QString(), QRect(12, 24, 476, 46));
    SpeedButton_ADCal0Ohm->setToolTip(QStringLiteral("0 ohm-hoz tartozó AD érték tárolása"));

    GroupBoxCal490 = makeGroup(page, "GroupBoxCal490", QStringLiteral("Kalibrálás 490 ohm ellenállásra"),
                               QRect(8, 164, 500, 84));
    SpeedButton_ADCal490Ohm =
        makeSpeedButton(GroupBoxCal490, "SpeedButton_ADCal490Ohm", QString(), QRect(12, 24, 476, 46));
    SpeedButton_ADCal490Ohm->setToolTip(QStringLiteral("490 ohm-hoz tartozó AD érték tárolása"));

    for (TSpeedButton* button : {SpeedButton_ADCal0Ohm, SpeedButton_ADCal490Ohm}) {
        button->setFont(pointFont(button->font(), 12));
        button->setCaptionBold(true);
    }
}

void TForm_Main::createThreeWireSheet()
{
    QWidget* page = TabSheet_3VezKalibralas;
    Label_3VezKalibralashozRMert =
        makeLabel(page, "Label_3VezKalibralashozRMert", QStringLiteral("R = ? ohm"), QRect(8, 8, 500, 48),
                  Qt::AlignCenter);
    Label_3VezKalibralashozRMert->setFont(
        pixelFont(Label_3VezKalibralashozRMert->font(), CalibrationValueFontPixels));

    GroupBox_Cal249 = makeGroup(page, "GroupBox_Cal249", QStringLiteral("Kalibrálás 249 ohm ellenállásra"),
                                QRect(8, 68, 500, 84));
    SpeedButton_R3WOffszet =
        makeSpeedButton(GroupBox_Cal249, "SpeedButton_R3WOffszet", QString(), QRect(12, 24, 476, 46));
    SpeedButton_R3WOffszet->setToolTip(QStringLiteral("Rmért - 249 ohm tárolása"));
    SpeedButton_R3WOffszet->setFont(pointFont(SpeedButton_R3WOffszet->font(), 10));
    SpeedButton_R3WOffszet->setCaptionBold(true);
}

void TForm_Main::createAnalogOutputSheet()
{
    QWidget* page = TabSheet_AnalogKimenetKalibralas;
    Label_PWMNagy = makeLabel(page, "Label_PWMNagy", QStringLiteral("PWM = 00 000"), QRect(8, 4, 330, 44),
                              Qt::AlignCenter);
    Label_PWMNagy->setFont(pixelFont(Label_PWMNagy->font(), CalibrationValueFontPixels));
    Label_PWMToInstrumentCaption = makeLabel(page, "Label_PWMToInstrumentCaption", QStringLiteral("PWM ="),
                                             QRect(350, 18, 44, 16), Qt::AlignRight | Qt::AlignVCenter);
    Label_PWMToInstrument =
        makeLabel(page, "Label_PWMToInstrument", QStringLiteral("00 000"), QRect(398, 18, 60, 16));

    GroupBox_PWMErtekValtoztatas = makeGroup(
        page, "GroupBox_PWMErtekValtoztatas",
        QStringLiteral("A vezérlésre kapcsolt analóg kiment PWM érték változtatása"), QRect(8, 52, 500, 98));
    QWidget* steps = GroupBox_PWMErtekValtoztatas;
    struct Step
    {
        QPushButton** button;
        const char* name;
        const char* caption;
    };
    const Step stepButtons[] = {
        {&Button_IM10000, "Button_IM10000", "-10 000"},
        {&Button_IM1000, "Button_IM1000", "-1000"},
        {&Button_IM100, "Button_IM100", "-100"},
        {&Button_IM10, "Button_IM10", "-10"},
        {&Button_IM1, "Button_IM1", "-1"},
        {&Button_IP1, "Button_IP1", "+1"},
        {&Button_IP10, "Button_IP10", "+10"},
        {&Button_IP100, "Button_IP100", "+100"},
        {&Button_IP1000, "Button_IP1000", "+1000"},
        {&Button_IP10000, "Button_IP10000", "+10 000"},
    };
    int left = 8;
    for (const Step& step : stepButtons) {
        *step.button =
            makePushButton(steps, step.name, QString::fromLatin1(step.caption), QRect(left, 22, 46, 24));
        left += 48;
    }
    Button_PWM0Percent =
        makePushButton(steps, "Button_PWM0Percent", QStringLiteral("0%"), QRect(8, 60, 46, 24));
    TrackBar_PWM = new QSlider(Qt::Horizontal, steps);
    TrackBar_PWM->setObjectName(QStringLiteral("TrackBar_PWM"));
    TrackBar_PWM->setRange(0, TrackBarMaximum);
    TrackBar_PWM->setPageStep(TrackBarPageSize);
    TrackBar_PWM->setTickPosition(QSlider::TicksBelow);
    TrackBar_PWM->setTickInterval(5);
    TrackBar_PWM->setGeometry(60, 56, 380, 32);
    Button_PWM100Percent =
        makePushButton(steps, "Button_PWM100Percent", QStringLiteral("100%"), QRect(446, 60, 46, 24));

    GroupBox_Kalibralas4mA =
        makeGroup(page, "GroupBox_Kalibralas4mA", QStringLiteral("Kalibrálás PWM 4 mA / 2 V értékre"),
                  QRect(8, 158, 246, 72));
    SpeedButton_PWMCal4mA =
        makeSpeedButton(GroupBox_Kalibralas4mA, "SpeedButton_PWMCal4mA", QString(), QRect(10, 22, 226, 38));
    SpeedButton_PWMCal4mA->setToolTip(QStringLiteral("4 mA-hez tartozó PWM érték tárolása"));
    GroupBox_Kalibralas20mA =
        makeGroup(page, "GroupBox_Kalibralas20mA", QStringLiteral("Kalibrálás PWM 20 mA / 10 V értékre"),
                  QRect(262, 158, 246, 72));
    SpeedButton_PWMCal20mA =
        makeSpeedButton(GroupBox_Kalibralas20mA, "SpeedButton_PWMCal20mA", QString(), QRect(10, 22, 226, 38));
    SpeedButton_PWMCal20mA->setToolTip(QStringLiteral("20 mA-hez tartozó PWM érték tárolása"));

    GroupBox_AnalogKimenetTeszt =
        makeGroup(page, "GroupBox_AnalogKimenetTeszt",
                  QStringLiteral("A vezérlésre kapcsolt és már kalibrált analóg kimenet teszt"),
                  QRect(8, 238, 500, 90));
    QWidget* test = GroupBox_AnalogKimenetTeszt;
    SpeedButton_TesztKi = makeSpeedButton(test, "SpeedButton_TesztKi", QStringLiteral("Teszt kikapcsolva"),
                                          QRect(10, 24, 116, 30));
    SpeedButton_TesztKi->setToolTip(QStringLiteral("A megadott PWM értéket adja ki"));
    struct Current
    {
        TSpeedButton** button;
        const char* name;
        const char* caption;
        const char* voltage;
    };
    const Current currents[] = {
        {&SpeedButton_mA0, "SpeedButton_mA0", "0 mA", "= 0 V"},
        {&SpeedButton_mA4, "SpeedButton_mA4", "4 mA", "= 2 V"},
        {&SpeedButton_mA10, "SpeedButton_mA10", "10 mA", "= 5 V"},
        {&SpeedButton_mA12, "SpeedButton_mA12", "12 mA", "= 6 V"},
        {&SpeedButton_mA20, "SpeedButton_mA20", "20 mA", "= 10 V"},
    };
    left = 136;
    for (const Current& current : currents) {
        *current.button = makeSpeedButton(test, current.name, QString::fromLatin1(current.caption),
                                          QRect(left, 24, 66, 30));
        makeLabel(test, "", QString::fromLatin1(current.voltage), QRect(left, 58, 66, 16), Qt::AlignCenter);
        left += 72;
    }
    // The output test: exactly one of the six is down, "off" to begin with.
    for (TSpeedButton* button : {SpeedButton_TesztKi, SpeedButton_mA0, SpeedButton_mA4, SpeedButton_mA10,
                                 SpeedButton_mA12, SpeedButton_mA20}) {
        button->setGroupIndex(2);
        button->setAllowAllUp(false);
    }
    SpeedButton_TesztKi->setDownState(true);
}

void TForm_Main::createCommandsSheet()
{
    SpeedButton_ParancsReset = makeSpeedButton(TabSheet_Parancsok, "SpeedButton_ParancsReset",
                                               QStringLiteral("Készülék újraindítás"), QRect(8, 12, 200, 40));
    SpeedButton_ParancsEEPROMTorles = makeSpeedButton(
        TabSheet_Parancsok, "SpeedButton_ParancsEEPROMTorles",
        QStringLiteral("EEPROM törlés, készülék újraindítás, így minden kalibrálás és beállítás kitörlődik."),
        QRect(8, 64, 500, 40));
}

void TForm_Main::connectCalibrationPageHandlers()
{
    // The calibration buttons interlock on their own click; what they
    // capture for their command is theirs to add. Reset and erase have no
    // handler: the task reads their down state.
    for (TSpeedButton* button : {SpeedButton_ADCal0Ohm, SpeedButton_ADCal490Ohm, SpeedButton_R3WOffszet,
                                 SpeedButton_PWMCal4mA, SpeedButton_PWMCal20mA})
        connect(button, &TSpeedButton::OnClick, this, [this, button] { UpdateCommandButtons(button); });
}
