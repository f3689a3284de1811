#include "device/calibration_rules.h"

#include "device/pwm_setpoint.h"
#include "platform/number_format.h"

#include <cmath>

namespace calibration {

namespace {

constexpr QStringView kAdPattern = u"# ### ###";

} // namespace

SensorRange sensorRange(bool pt1000)
{
    if (pt1000)
        return {4900.0,
                2490.0,
                100,
                QStringLiteral("(Rmért - 2490 ohm) = "),
                QStringLiteral("Kalibrálás 4900 ohm ellenállásra"),
                QStringLiteral("Kalibrálás 2490 ohm ellenállásra")};
    return {490.0,
            249.0,
            10,
            QStringLiteral("(Rmért - 249 ohm) = "),
            QStringLiteral("Kalibrálás 490 ohm ellenállásra"),
            QStringLiteral("Kalibrálás 249 ohm ellenállásra")};
}

QString adCaption(qint32 adValue)
{
    return QStringLiteral("AD = ") + NumberFormat::format(adValue, kAdPattern);
}

QString pwmCaption(quint16 pwmSetpoint)
{
    return QStringLiteral("PWM =   ") + pwmsetpoint::text(pwmSetpoint);
}

ThreeWireOffset threeWireOffset(float uncompensatedOhm, bool pt1000, QStringView resistanceFormat)
{
    const SensorRange range = sensorRange(pt1000);
    ThreeWireOffset result;
    result.offset = uncompensatedOhm - float(range.threeWireReferenceOhm);
    // Written so that a NaN reading fails the test.
    result.accepted = std::fabs(result.offset) <= float(range.offsetLimitOhm);
    if (result.accepted)
        result.caption = range.threeWirePrefix + NumberFormat::format(result.offset, resistanceFormat);
    else
        result.refusal = QStringLiteral("A megengedtt eltérés\n\rmaximum ") +
                         QString::number(range.offsetLimitOhm) + QStringLiteral(" ohm lehet.");
    return result;
}

} // namespace calibration
