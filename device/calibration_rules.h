#pragma once

#include <QString>
#include <QStringView>
#include <QtGlobal>

// What the calibration buttons capture and show, free of widgets: the
// references and limits of the two sensor ranges, the captions of pressed
// buttons, and whether a three-wire offset may be stored.
namespace calibration {

// The calibration set-up of one sensor range (bPt1000 of the live block).
struct SensorRange
{
    double upperReferenceOhm = 0.0;     // second converter point
    double threeWireReferenceOhm = 0.0; // resistor of the three-wire offset
    int offsetLimitOhm = 0;             // largest |offset| stored, equality included
    QString threeWirePrefix;            // SpeedButton_R3WOffszet's caption before the offset
    QString upperReferenceCaption;      // GroupBoxCal490
    QString threeWireCaption;           // GroupBox_Cal249
};

SensorRange sensorRange(bool pt1000);

// SpeedButton_ADCal0Ohm and SpeedButton_ADCal490Ohm once pressed: "AD = " and
// the captured value in groups of three.
QString adCaption(qint32 adValue);
// SpeedButton_PWMCal4mA and SpeedButton_PWMCal20mA once pressed.
QString pwmCaption(quint16 pwmSetpoint);

struct ThreeWireOffset
{
    bool accepted = false;
    // The uncompensated resistance minus the reference, in single precision
    // as the transmitter stores it.
    float offset = 0.0f;
    QString caption; // accepted: the button's caption
    QString refusal; // refused: the error dialog's text
};

// The press of SpeedButton_R3WOffszet. A reading that is no number is refused.
ThreeWireOffset threeWireOffset(float uncompensatedOhm, bool pt1000, QStringView resistanceFormat);

} // namespace calibration
