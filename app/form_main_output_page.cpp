#include "app/form_main.h"

#include "app/form_main_controls.h"
#include "device/calibration_rules.h"
#include "device/live_values.h"
#include "device/pwm_setpoint.h"
#include "widgets/live_label.h"
#include "widgets/speed_button.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>

// The calibration page's analog output tab: the PWM setpoint's controls,
// the two output points and the output test.

using namespace formcontrols;

void TForm_Main::createAnalogOutputSheet()
{
    QWidget* page = TabSheet_AnalogKimenetKalibralas;
    Label_PWMNagy = makeLiveLabel(page, "Label_PWMNagy", QStringLiteral("PWM = 00 000"), QRect(8, 4, 330, 44),
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
    TrackBar_PWM->setRange(0, pwmsetpoint::TrackBarMaximum);
    TrackBar_PWM->setPageStep(pwmsetpoint::TrackBarPageSize);
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

void TForm_Main::connectOutputSheetHandlers()
{
    const std::pair<QPushButton*, void (TForm_Main::*)()> buttons[] = {
        {Button_IM10000, &TForm_Main::Button_IM10000Click},
        {Button_IM1000, &TForm_Main::Button_IM1000Click},
        {Button_IM100, &TForm_Main::Button_IM100Click},
        {Button_IM10, &TForm_Main::Button_IM10Click},
        {Button_IM1, &TForm_Main::Button_IM1Click},
        {Button_IP1, &TForm_Main::Button_IP1Click},
        {Button_IP10, &TForm_Main::Button_IP10Click},
        {Button_IP100, &TForm_Main::Button_IP100Click},
        {Button_IP1000, &TForm_Main::Button_IP1000Click},
        {Button_IP10000, &TForm_Main::Button_IP10000Click},
        {Button_PWM0Percent, &TForm_Main::Button_PWM0PercentClick},
        {Button_PWM100Percent, &TForm_Main::Button_PWM100PercentClick},
    };
    for (const auto& [button, handler] : buttons)
        connect(button, &QPushButton::clicked, this, handler);
    connect(TrackBar_PWM, &QSlider::valueChanged, this, &TForm_Main::TrackBar_PWMChange);
    connect(SpeedButton_PWMCal4mA, &TSpeedButton::OnClick, this, &TForm_Main::SpeedButton_PWMCal4mAClick);
    connect(SpeedButton_PWMCal20mA, &TSpeedButton::OnClick, this, &TForm_Main::SpeedButton_PWMCal20mAClick);
    // The output test's six buttons only latch: the transmitter always gets PwmSetpoint.
}

void TForm_Main::changePwmSetpoint(quint16 setpoint)
{
    PwmSetpoint = setpoint;
    ShowPwmSetpoint();
}

void TForm_Main::ShowPwmSetpoint()
{
    Label_PWMToInstrument->setText(pwmsetpoint::text(PwmSetpoint));
    // A bar the user is moving stays where it is put; moved here, it has no
    // focus, so its change is not taken for the user's.
    if (!TrackBar_PWM->hasFocus())
        TrackBar_PWM->setValue(pwmsetpoint::trackBarPosition(PwmSetpoint));
}

void TForm_Main::TrackBar_PWMChange()
{
    if (TrackBar_PWM->hasFocus())
        PwmSetpoint = pwmsetpoint::fromTrackBar(TrackBar_PWM->value());
    // A bar moved without the focus (the mouse wheel over it) goes back to
    // the setpoint, which it did not change.
    ShowPwmSetpoint();
}

void TForm_Main::Button_IM10000Click()
{
    changePwmSetpoint(pwmsetpoint::stepped(PwmSetpoint, -10000));
}

void TForm_Main::Button_IM1000Click()
{
    changePwmSetpoint(pwmsetpoint::stepped(PwmSetpoint, -1000));
}

void TForm_Main::Button_IM100Click()
{
    changePwmSetpoint(pwmsetpoint::stepped(PwmSetpoint, -100));
}

void TForm_Main::Button_IM10Click()
{
    changePwmSetpoint(pwmsetpoint::stepped(PwmSetpoint, -10));
}

void TForm_Main::Button_IM1Click()
{
    changePwmSetpoint(pwmsetpoint::stepped(PwmSetpoint, -1));
}

void TForm_Main::Button_IP1Click()
{
    changePwmSetpoint(pwmsetpoint::stepped(PwmSetpoint, 1));
}

void TForm_Main::Button_IP10Click()
{
    changePwmSetpoint(pwmsetpoint::stepped(PwmSetpoint, 10));
}

void TForm_Main::Button_IP100Click()
{
    changePwmSetpoint(pwmsetpoint::stepped(PwmSetpoint, 100));
}

void TForm_Main::Button_IP1000Click()
{
    changePwmSetpoint(pwmsetpoint::stepped(PwmSetpoint, 1000));
}

void TForm_Main::Button_IP10000Click()
{
    changePwmSetpoint(pwmsetpoint::stepped(PwmSetpoint, 10000));
}

void TForm_Main::Button_PWM0PercentClick()
{
    changePwmSetpoint(0);
}

void TForm_Main::Button_PWM100PercentClick()
{
    changePwmSetpoint(PwmFullScale);
}

void TForm_Main::pressPwmCalibration(TSpeedButton* button)
{
    if (!pressCalibrationButton(button))
        return;
    button->setText(calibration::pwmCaption(PwmSetpoint));
    button->setCaptionBold(true);
    UpdateCommandButtons(button);
}

void TForm_Main::SpeedButton_PWMCal4mAClick()
{
    pressPwmCalibration(SpeedButton_PWMCal4mA);
}

void TForm_Main::SpeedButton_PWMCal20mAClick()
{
    pressPwmCalibration(SpeedButton_PWMCal20mA);
}
