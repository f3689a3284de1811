#include "app/form_main.h"

#include "app/form_main_controls.h"
#include "widgets/labeled_edit.h"
#include "widgets/radio_group.h"
#include "widgets/speed_button.h"

#include <QFrame>
#include <QGroupBox>

// The limit outputs page: four limit outputs, the digital output test and
// the clear-hold button.

using namespace formcontrols;

void TForm_Main::createLimitsPage()
{
    createLimitGroup(1, &GroupBox_Limit1, &RadioGroup_Limit1Uzemmod, &LabeledEdit_Limit1Low,
                     &LabeledEdit_Limit1High, &LabeledEdit_Limit1Hysteresis, &RadioGroup_Limit1HoldMode);
    createLimitGroup(2, &GroupBox_Limit2, &RadioGroup_Limit2Uzemmod, &LabeledEdit_Limit2Low,
                     &LabeledEdit_Limit2High, &LabeledEdit_Limit2Hysteresis, &RadioGroup_Limit2HoldMode);
    createLimitGroup(3, &GroupBox_Limit3, &RadioGroup_Limit3Uzemmod, &LabeledEdit_Limit3Low,
                     &LabeledEdit_Limit3High, &LabeledEdit_Limit3Hysteresis, &RadioGroup_Limit3HoldMode);
    createLimitGroup(4, &GroupBox_Limit4, &RadioGroup_Limit4Uzemmod, &LabeledEdit_Limit4Low,
                     &LabeledEdit_Limit4High, &LabeledEdit_Limit4Hysteresis, &RadioGroup_Limit4HoldMode);

    GroupBox_DOForce = makeGroup(TabSheet_DO, "GroupBox_DOForce", QStringLiteral("Test digital outputs"),
                                 QRect(4, 462, 326, 80));
    QFrame** shapes[] = {&Shape_DO1, &Shape_DO2, &Shape_DO3, &Shape_DO4};
    TSpeedButton** buttons[] = {&SpeedButton_DO1, &SpeedButton_DO2, &SpeedButton_DO3, &SpeedButton_DO4};
    for (int i = 0; i < 4; ++i) {
        const int left = 8 + i * 52;
        const QByteArray shapeName = "Shape_DO" + QByteArray::number(i + 1);
        const QByteArray buttonName = "SpeedButton_DO" + QByteArray::number(i + 1);
        *shapes[i] = makeShape(GroupBox_DOForce, shapeName.constData(), QRect(left + 12, 22, 24, 12));
        *buttons[i] = makeSpeedButton(GroupBox_DOForce, buttonName.constData(),
                                      QStringLiteral("DO %1").arg(i + 1), QRect(left, 40, 48, 28));
    }
    SpeedButton_DOForce = makeSpeedButton(GroupBox_DOForce, "SpeedButton_DOForce",
                                          QStringLiteral("Test mode"), QRect(216, 40, 102, 28));

    SpeedButton_HoldMegszuntetes =
        makeSpeedButton(TabSheet_DO, "SpeedButton_HoldMegszuntetes", QStringLiteral("Clear off hold on"),
                        QRect(336, 496, 194, 34));
}

void TForm_Main::createLimitGroup(int number, QGroupBox** group, TRadioGroup** mode, TLabeledEdit** low,
                                  TLabeledEdit** high, TLabeledEdit** hysteresis, TRadioGroup** holdMode)
{
    constexpr int GroupWidth = 261;
    constexpr int GroupHeight = 226;
    constexpr int LabelWidth = 84;
    const int left = number % 2 == 1 ? 4 : 4 + GroupWidth + 4;
    const int top = number <= 2 ? 4 : 4 + GroupHeight + 4;
    const QString digit = QString::number(number);

    const QByteArray groupName = "GroupBox_Limit" + digit.toLatin1();
    *group =
        makeGroup(TabSheet_DO, groupName.constData(), QStringLiteral("Settings limit output %1.").arg(number),
                  QRect(left, top, GroupWidth, GroupHeight));

    QStringList modeItems;
    for (int i = 1; i <= 8; ++i)
        modeItems << QStringLiteral("%1.").arg(i);
    *mode = makeRadioGroup(*group, QStringLiteral("RadioGroup_Limit%1Uzemmod").arg(number),
                           QStringLiteral("Mode"), modeItems, -1, QRect(6, 20, 86, 198));

    // Wide enough for ten typed characters beside the longest label.
    const int editLeft = 96;
    const int editWidth = GroupWidth - editLeft - 4;
    *low = makeLabeledEdit(*group, QStringLiteral("LabeledEdit_Limit%1Low").arg(number),
                           QStringLiteral("Low Limit:"), QRect(editLeft, 26, editWidth, 22), LabelWidth);
    *high = makeLabeledEdit(*group, QStringLiteral("LabeledEdit_Limit%1High").arg(number),
                            QStringLiteral("High Limit:"), QRect(editLeft, 54, editWidth, 22), LabelWidth);
    *hysteresis =
        makeLabeledEdit(*group, QStringLiteral("LabeledEdit_Limit%1Hysteresis").arg(number),
                        QStringLiteral("Hysteresis:"), QRect(editLeft, 82, editWidth, 22), LabelWidth);

    *holdMode = makeRadioGroup(*group, QStringLiteral("RadioGroup_Limit%1HoldMode").arg(number),
                               QStringLiteral("Hold on mode"), {QStringLiteral("1."), QStringLiteral("2.")},
                               -1, QRect(editLeft, 116, editWidth, 60));
}

std::array<TForm_Main::LimitControls, SettingsFileValues::LimitOutputCount> TForm_Main::limitControls() const
{
    return {{{RadioGroup_Limit1Uzemmod, LabeledEdit_Limit1Low, LabeledEdit_Limit1High,
              LabeledEdit_Limit1Hysteresis, RadioGroup_Limit1HoldMode},
             {RadioGroup_Limit2Uzemmod, LabeledEdit_Limit2Low, LabeledEdit_Limit2High,
              LabeledEdit_Limit2Hysteresis, RadioGroup_Limit2HoldMode},
             {RadioGroup_Limit3Uzemmod, LabeledEdit_Limit3Low, LabeledEdit_Limit3High,
              LabeledEdit_Limit3Hysteresis, RadioGroup_Limit3HoldMode},
             {RadioGroup_Limit4Uzemmod, LabeledEdit_Limit4Low, LabeledEdit_Limit4High,
              LabeledEdit_Limit4Hysteresis, RadioGroup_Limit4HoldMode}}};
}

// The test and hold buttons latch on their own and have no handler: the
// limit outputs are kept in the window and in settings files only, and no
// command carries them to the transmitter.
void TForm_Main::connectLimitsPageHandlers()
{
    using Click = void (TForm_Main::*)();
    const Click modeClicks[] = {
        &TForm_Main::RadioGroup_Limit1UzemmodClick, &TForm_Main::RadioGroup_Limit2UzemmodClick,
        &TForm_Main::RadioGroup_Limit3UzemmodClick, &TForm_Main::RadioGroup_Limit4UzemmodClick};
    const auto limits = limitControls();
    for (std::size_t i = 0; i < limits.size(); ++i) {
        // Output 2 has handlers of its own; outputs 3 and 4 share output 1's.
        const bool second = i == 1;
        const LimitControls& c = limits.at(i);
        connect(c.mode, &TRadioGroup::OnClick, this, modeClicks[i]);
        connect(c.low, &TLabeledEdit::OnChange, this,
                second ? &TForm_Main::LabeledEdit_Limit2LowChange : &TForm_Main::LabeledEdit_Limit1LowChange);
        connect(c.high, &TLabeledEdit::OnChange, this,
                second ? &TForm_Main::LabeledEdit_Limit2HighChange
                       : &TForm_Main::LabeledEdit_Limit1HighChange);
        connect(c.hysteresis, &TLabeledEdit::OnChange, this,
                second ? &TForm_Main::LabeledEdit_Limit2HysteresisChange
                       : &TForm_Main::LabeledEdit_Limit1HysteresisChange);
        connect(c.holdMode, &TRadioGroup::OnClick, this,
                second ? &TForm_Main::RadioGroup_Limit2HoldModeClick
                       : &TForm_Main::RadioGroup_Limit1HoldModeClick);
    }
}

void TForm_Main::RadioGroup_Limit1UzemmodClick()
{
    markSettingsChanged();
}

void TForm_Main::RadioGroup_Limit2UzemmodClick()
{
    markSettingsChanged();
}

void TForm_Main::RadioGroup_Limit3UzemmodClick()
{
    markSettingsChanged();
}

void TForm_Main::RadioGroup_Limit4UzemmodClick()
{
    markSettingsChanged();
}

void TForm_Main::LabeledEdit_Limit1LowChange()
{
    markSettingsChanged();
}

void TForm_Main::LabeledEdit_Limit2LowChange()
{
    markSettingsChanged();
}

void TForm_Main::LabeledEdit_Limit1HighChange()
{
    markSettingsChanged();
}

void TForm_Main::LabeledEdit_Limit2HighChange()
{
    markSettingsChanged();
}

void TForm_Main::LabeledEdit_Limit1HysteresisChange()
{
    markSettingsChanged();
}

void TForm_Main::LabeledEdit_Limit2HysteresisChange()
{
    markSettingsChanged();
}

void TForm_Main::RadioGroup_Limit1HoldModeClick()
{
    markSettingsChanged();
}

void TForm_Main::RadioGroup_Limit2HoldModeClick()
{
    markSettingsChanged();
}
