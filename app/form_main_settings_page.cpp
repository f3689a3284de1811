#include "app/form_main.h"

#include "app/form_main_controls.h"
#include "device/communication_task.h"
#include "widgets/labeled_edit.h"
#include "widgets/live_label.h"
#include "widgets/radio_group.h"
#include "widgets/speed_button.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabWidget>

// The settings page: its layout, the change and exit rules of its setting
// controls, the factory defaults, the read and write buttons' clicks, and
// the potentiometer and two-wire stores.

using namespace formcontrols;

void TForm_Main::createSettingsPage()
{
    QWidget* page = TabSheet_Beallitasok;

    GroupBox_KijelzoEsHibauzenet = makeGroup(page, "GroupBox_KijelzoEsHibauzenet",
                                             QStringLiteral("Measured value"), QRect(4, 2, 262, 68));
    Label_Kijelzo = makeDisplayLabel(GroupBox_KijelzoEsHibauzenet, "Label_Kijelzo", QRect(8, 18, 246, 44));
    GroupBox_Output = makeGroup(page, "GroupBox_Output", QStringLiteral("Output"), QRect(270, 2, 260, 68));
    Label_Output = makeDisplayLabel(GroupBox_Output, "Label_Output", QRect(8, 18, 244, 44));

    Label_KVSubType2 = makeLiveLabel(page, "Label_KVSubType2", QStringLiteral("???"), QRect(4, 72, 526, 24),
                                     Qt::AlignCenter);
    Label_KVSubType2->setFont(pixelFont(Label_KVSubType2->font(), SubType2FontPixels));

    Label_Error = makeAlarmLabel(page, "Label_Error", QRect(4, 98, 526, 18));
    Label_Error->setVisible(false);

    GroupBox_Beallitasok =
        makeGroup(page, "GroupBox_Beallitasok", QStringLiteral("General settings"), QRect(4, 118, 526, 434));
    QGroupBox* settings = GroupBox_Beallitasok;

    RadioGroup_VezetekSzam = makeRadioGroup(
        settings, QStringLiteral("RadioGroup_VezetekSzam"), QStringLiteral("Wire"),
        {QStringLiteral("4"), QStringLiteral("3"), QStringLiteral("2")}, 0, QRect(8, 20, 72, 80));
    RadioGroup_Uzemmod = makeRadioGroup(
        settings, QStringLiteral("RadioGroup_Uzemmod"), QStringLiteral("Input mode"),
        {QStringLiteral("T"), QStringLiteral("Pot. %"), QStringLiteral("R")}, 0, QRect(86, 20, 118, 80));
    RadioGroup_AnalogKimTipus = makeRadioGroup(
        settings, QStringLiteral("RadioGroup_AnalogKimTipus"), QStringLiteral("Analog output"),
        {QStringLiteral("4–20 mA / 2-10 V"), QStringLiteral("0–20 mA / 0-10 V")}, 0, QRect(210, 20, 150, 60));
    RadioGroup_AnalogKimHibajelzes = makeRadioGroup(
        settings, QStringLiteral("RadioGroup_AnalogKimHibajelzes"), QStringLiteral("Error current / voltage"),
        {QStringLiteral("3,2 mA / 1,6 V"), QStringLiteral("22 mA / 11 V")}, 0, QRect(366, 20, 152, 60));

    CheckBox_NemHibaAKimenetTulcsordulas =
        new QCheckBox(QStringLiteral("Output error are disabled."), settings);
    CheckBox_NemHibaAKimenetTulcsordulas->setObjectName(
        QStringLiteral("CheckBox_NemHibaAKimenetTulcsordulas"));
    CheckBox_NemHibaAKimenetTulcsordulas->setGeometry(366, 86, 152, 18);

    RadioGroup_Atlagolas =
        makeRadioGroup(settings, QStringLiteral("RadioGroup_Atlagolas"), QStringLiteral("Averaging"),
                       {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("4"), QStringLiteral("8"),
                        QStringLiteral("16"), QStringLiteral("32"), QStringLiteral("64")},
                       4, QRect(8, 108, 352, 42), 7);

    GroupBox_AnalogKimenetSkalazasa =
        makeGroup(settings, "GroupBox_AnalogKimenetSkalazasa", QStringLiteral("Analog output scaling"),
                  QRect(8, 158, 252, 76));
    LabeledEdit_AramL = makeLabeledEdit(GroupBox_AnalogKimenetSkalazasa, QStringLiteral("LabeledEdit_AramL"),
                                        QStringLiteral("4 mA / 2 V ="), QRect(8, 20, 236, 22), 96);
    LabeledEdit_AramH = makeLabeledEdit(GroupBox_AnalogKimenetSkalazasa, QStringLiteral("LabeledEdit_AramH"),
                                        QStringLiteral("20 mA / 10 V ="), QRect(8, 46, 236, 22), 96);

    GroupBox_AnalogKimenetLimit = makeGroup(settings, "GroupBox_AnalogKimenetLimit",
                                            QStringLiteral("Output Limits"), QRect(266, 158, 252, 76));
    LabeledEdit_AramLLimit =
        makeLabeledEdit(GroupBox_AnalogKimenetLimit, QStringLiteral("LabeledEdit_AramLLimit"),
                        QStringLiteral("Low:"), QRect(8, 20, 236, 22), 96);
    LabeledEdit_AramHLimit =
        makeLabeledEdit(GroupBox_AnalogKimenetLimit, QStringLiteral("LabeledEdit_AramHLimit"),
                        QStringLiteral("High:"), QRect(8, 46, 236, 22), 96);

    GroupBox_PotenciometerUzemmod =
        makeGroup(settings, "GroupBox_PotenciometerUzemmod", QStringLiteral("Potentiometer mode settings"),
                  QRect(8, 242, 252, 150));
    GroupBox_PotenciometerUzemmod->setVisible(false);
    GroupBox_PotenciometerKalibralas =
        makeGroup(GroupBox_PotenciometerUzemmod, "GroupBox_PotenciometerKalibralas",
                  QStringLiteral("Potentiometer calibrating"), QRect(8, 20, 236, 84));
    makeLabel(GroupBox_PotenciometerKalibralas, "", QStringLiteral("0%"), QRect(8, 18, 106, 14),
              Qt::AlignCenter);
    makeLabel(GroupBox_PotenciometerKalibralas, "", QStringLiteral("100%"), QRect(122, 18, 106, 14),
              Qt::AlignCenter);
    SpeedButton_PotiCal0 = makeSpeedButton(GroupBox_PotenciometerKalibralas, "SpeedButton_PotiCal0",
                                           QStringLiteral("???"), QRect(8, 34, 106, 40));
    SpeedButton_PotiCal100 = makeSpeedButton(GroupBox_PotenciometerKalibralas, "SpeedButton_PotiCal100",
                                             QStringLiteral("???"), QRect(122, 34, 106, 40));
    Label_PotiModRMert =
        makeLiveLabel(GroupBox_PotenciometerUzemmod, "Label_PotiModRMert", QStringLiteral("R = ??? ohm"),
                      QRect(8, 112, 236, 24), Qt::AlignCenter);

    GroupBox_2Wire =
        makeGroup(settings, "GroupBox_2Wire", QStringLiteral("2 wire zeroing"), QRect(266, 242, 252, 150));
    GroupBox_2Wire->setVisible(false);
    SpeedButton_2VezRKiejtes = makeSpeedButton(GroupBox_2Wire, "SpeedButton_2VezRKiejtes",
                                               QStringLiteral("R = xxx,xx ohm"), QRect(8, 22, 236, 34));
    Label_2VezModRMert = makeLiveLabel(GroupBox_2Wire, "Label_2VezModRMert", QStringLiteral("R = ??? ohm"),
                                       QRect(8, 62, 236, 24), Qt::AlignCenter);
    SpeedButton_R2Wires0Ohm = makeSpeedButton(GroupBox_2Wire, "SpeedButton_R2Wires0Ohm",
                                              QStringLiteral("2W = 0 ohm"), QRect(8, 94, 236, 34));
    // Measuring the lead resistance and zeroing it exclude each other.
    for (TSpeedButton* button : {SpeedButton_2VezRKiejtes, SpeedButton_R2Wires0Ohm}) {
        button->setGroupIndex(1);
        button->setAllowAllUp(true);
    }
}

void TForm_Main::connectSettingsPageHandlers()
{
    connect(SpeedButton_KVKiolvasas, &TSpeedButton::OnClick, this, &TForm_Main::SpeedButton_KVKiolvasasClick);
    connect(SpeedButton_BeallitasokAKVbe, &TSpeedButton::OnClick, this,
            &TForm_Main::SpeedButton_BeallitasokAKVbeClick);
    connect(SpeedButton_PotiCal0, &TSpeedButton::OnClick, this, &TForm_Main::SpeedButton_PotiCal0Click);
    connect(SpeedButton_PotiCal100, &TSpeedButton::OnClick, this, &TForm_Main::SpeedButton_PotiCal100Click);
    connect(SpeedButton_2VezRKiejtes, &TSpeedButton::OnClick, this,
            &TForm_Main::SpeedButton_2VezRKiejtesClick);
    connect(SpeedButton_R2Wires0Ohm, &TSpeedButton::OnClick, this, &TForm_Main::SpeedButton_R2Wires0OhmClick);

    connect(RadioGroup_VezetekSzam, &TRadioGroup::OnClick, this, &TForm_Main::RadioGroup_VezetekSzamClick);
    connect(RadioGroup_Uzemmod, &TRadioGroup::OnClick, this, &TForm_Main::RadioGroup_UzemmodClick);
    connect(RadioGroup_Atlagolas, &TRadioGroup::OnClick, this, &TForm_Main::RadioGroup_AtlagolasClick);
    connect(RadioGroup_AnalogKimTipus, &TRadioGroup::OnClick, this,
            &TForm_Main::RadioGroup_AnalogKimTipusClick);
    connect(RadioGroup_AnalogKimHibajelzes, &TRadioGroup::OnClick, this,
            &TForm_Main::RadioGroup_AnalogKimHibajelzesClick);
    connect(CheckBox_NemHibaAKimenetTulcsordulas, &QCheckBox::toggled, this,
            &TForm_Main::CheckBox_NemHibaAKimenetTulcsordulasClick);
    connect(LabeledEdit_AramL, &TLabeledEdit::OnChange, this, &TForm_Main::LabeledEdit_AramLChange);
    connect(LabeledEdit_AramLLimit, &TLabeledEdit::OnChange, this, &TForm_Main::LabeledEdit_AramLChange);
    connect(LabeledEdit_AramH, &TLabeledEdit::OnChange, this, &TForm_Main::LabeledEdit_AramHChange);
    connect(LabeledEdit_AramHLimit, &TLabeledEdit::OnChange, this, &TForm_Main::LabeledEdit_AramHChange);
    connect(LabeledEdit_AramL, &TLabeledEdit::OnExit, this, &TForm_Main::LabeledEdit_AramLExit);
    connect(LabeledEdit_AramH, &TLabeledEdit::OnExit, this, &TForm_Main::LabeledEdit_AramHExit);
    connect(LabeledEdit_AramLLimit, &TLabeledEdit::OnExit, this, &TForm_Main::LabeledEdit_AramLLimitExit);
    connect(LabeledEdit_AramHLimit, &TLabeledEdit::OnExit, this, &TForm_Main::LabeledEdit_AramHLimitExit);
    connect(Button_GyariAlapertekek, &QPushButton::clicked, this, &TForm_Main::Button_GyariAlapertekekClick);
}

void TForm_Main::SpeedButton_KVKiolvasasClick()
{
    UpdateCommandButtons(SpeedButton_KVKiolvasas);
}

void TForm_Main::SpeedButton_BeallitasokAKVbeClick()
{
    {
        // Showing the page is no page change of the user's.
        const QSignalBlocker quiet(PageControl_Main);
        PageControl_Main->setCurrentWidget(TabSheet_Beallitasok);
    }
    UpdateCommandButtons(SpeedButton_BeallitasokAKVbe);
    if (!SpeedButton_BeallitasokAKVbe->Down())
        return;
    LabeledEdit_AramLExit();
    LabeledEdit_AramHExit();
    LabeledEdit_AramLLimitExit();
    LabeledEdit_AramHLimitExit();
    // Wires, mode and averaging are taken when the query goes out.
    m_task->setCapturedSettings(settingsedit::captureForWrite(
        RadioGroup_AnalogKimTipus->ItemIndex(), RadioGroup_AnalogKimHibajelzes->ItemIndex(),
        CheckBox_NemHibaAKimenetTulcsordulas->isChecked(), LabeledEdit_AramL->text(),
        LabeledEdit_AramH->text(), LabeledEdit_AramLLimit->text(), LabeledEdit_AramHLimit->text()));
}

// The potentiometer and two-wire stores: their captions show what the
// transmitter reports as stored, not the captured value.
void TForm_Main::SpeedButton_PotiCal0Click()
{
    if (pressCalibrationButton(SpeedButton_PotiCal0))
        CapturedCommandParameters.PotCal0R = m_task->liveValues().fCalculatedR;
}

void TForm_Main::SpeedButton_PotiCal100Click()
{
    if (pressCalibrationButton(SpeedButton_PotiCal100))
        CapturedCommandParameters.PotCal100R = m_task->liveValues().fCalculatedR;
}

void TForm_Main::SpeedButton_2VezRKiejtesClick()
{
    if (pressCalibrationButton(SpeedButton_2VezRKiejtes))
        CapturedCommandParameters.TwoWireR = m_task->liveValues().fCalculatedRWithoutCompensation;
}

void TForm_Main::SpeedButton_R2Wires0OhmClick()
{
    if (pressCalibrationButton(SpeedButton_R2Wires0Ohm))
        CapturedCommandParameters.TwoWireR = 0.0f;
}

void TForm_Main::markSettingsChanged()
{
    SpeedButton_BeallitasokAKVbe->setCaptionBold(true);
}

bool TForm_Main::settingsChangedMark() const
{
    return SpeedButton_BeallitasokAKVbe->captionBold();
}

void TForm_Main::RadioGroup_VezetekSzamClick()
{
    markSettingsChanged();
}

void TForm_Main::RadioGroup_UzemmodClick()
{
    markSettingsChanged();
}

void TForm_Main::RadioGroup_AtlagolasClick()
{
    markSettingsChanged();
}

void TForm_Main::RadioGroup_AnalogKimTipusClick()
{
    markSettingsChanged();
}

void TForm_Main::RadioGroup_AnalogKimHibajelzesClick()
{
    markSettingsChanged();
}

void TForm_Main::CheckBox_NemHibaAKimenetTulcsordulasClick()
{
    markSettingsChanged();
}

void TForm_Main::LabeledEdit_AramLChange()
{
    markSettingsChanged();
}

void TForm_Main::LabeledEdit_AramHChange()
{
    markSettingsChanged();
}

void TForm_Main::normalise(TLabeledEdit* edit, settingsedit::NumericEdit numericEdit)
{
    edit->setText(settingsedit::normalised(numericEdit, edit->text(), m_liveDisplay.ValueFormat()));
}

void TForm_Main::LabeledEdit_AramLExit()
{
    normalise(LabeledEdit_AramL, settingsedit::neAramL);
}

void TForm_Main::LabeledEdit_AramHExit()
{
    normalise(LabeledEdit_AramH, settingsedit::neAramH);
}

void TForm_Main::LabeledEdit_AramLLimitExit()
{
    normalise(LabeledEdit_AramLLimit, settingsedit::neAramLLimit);
}

void TForm_Main::LabeledEdit_AramHLimitExit()
{
    normalise(LabeledEdit_AramHLimit, settingsedit::neAramHLimit);
}

void TForm_Main::Button_GyariAlapertekekClick()
{
    // By the output kind the transmitter last reported; current before any.
    const settingsedit::FactoryDefaults d =
        settingsedit::factoryDefaults(m_task->liveValues().bVoltageOutput);
    RadioGroup_VezetekSzam->setItemIndex(d.wiresIndex);
    RadioGroup_Uzemmod->setItemIndex(d.inputModeIndex);
    RadioGroup_Atlagolas->setItemIndex(d.averagingIndex);
    CheckBox_NemHibaAKimenetTulcsordulas->setChecked(d.noErrorOnOverflow);
    LabeledEdit_AramL->setText(d.AramL);
    LabeledEdit_AramH->setText(d.AramH);
    LabeledEdit_AramLLimit->setText(d.AramLLimit);
    LabeledEdit_AramHLimit->setText(d.AramHLimit);
    RadioGroup_AnalogKimTipus->setItemIndex(d.outputTypeIndex);
    RadioGroup_AnalogKimHibajelzes->setItemIndex(d.errorLevelIndex);
}
