#include "device/live_display.h"

#include "device/calibration_rules.h"
#include "device/device_settings.h"
#include "device/pwm_setpoint.h"
#include "platform/number_format.h"

namespace {

constexpr QStringView kCountsPattern = u"# ### ##0";
constexpr QStringView kOutputPattern = u"#0.000";

QString decimal(quint32 value)
{
    return QString::number(value);
}

} // namespace

QString LiveDisplay::valueFormatFor(quint8 mode, bool pt1000)
{
    switch (mode) {
    case imPotentiometer:
        return QStringLiteral("0");
    case imResistance:
        return pt1000 ? QStringLiteral("0.0") : QStringLiteral("0.00");
    default:
        return QStringLiteral("0.0");
    }
}

LiveDisplay::OutputRangeItems LiveDisplay::outputRangeItemsFor(OutputKind kind)
{
    if (kind == okVoltage)
        return {{QStringLiteral("2-10 V"), QStringLiteral("0-10 V")},
                {QStringLiteral("1,6 V"), QStringLiteral("11 V")}};
    return {{QStringLiteral("4-20 mA"), QStringLiteral("0-20 mA")},
            {QStringLiteral("3,2 mA"), QStringLiteral("22 mA")}};
}

QString LiveDisplay::errorText(quint8 errorNumber, const Texts& texts)
{
    switch (errorNumber) {
    case deHardError:
        return texts.hardError;
    case deWiresOpen:
        return texts.wiresOpen;
    case deInputLimit:
        return texts.inputLimit;
    case deOutputLimit:
        return texts.outputLimit;
    default:
        return QString();
    }
}

QString LiveDisplay::hex(quint32 value)
{
    return QString::number(value, 16).toUpper();
}

const LiveDisplay::View& LiveDisplay::update(const LiveValues& v)
{
    View& out = m_view;

    out.ADRaw = NumberFormat::format(v.ADRaw, kCountsPattern);
    out.ADRawBar = v.ADRaw / double(ConverterFullScale);
    out.ADAveraged = NumberFormat::format(v.ADAveraged, kCountsPattern);
    out.ADAveragedBig = QStringLiteral("AD = ") + out.ADAveraged;
    out.ADAveraged2 = NumberFormat::format(v.ADAveraged2, kCountsPattern);
    out.ADSpS = decimal(v.ADSpS);

    for (int bit = 0; bit < StatusBitCount; ++bit)
        out.statusFlagRed[size_t(bit)] = v.hasStatus(StatusBit(bit));

    out.uWires = decimal(v.uWires);
    out.twoWireGroupVisible = v.uWiresSetting == 2;
    out.potGroupVisible = v.uMode == imPotentiometer;

    switch (v.uMode) {
    case imTemperature:
        out.uMode = QStringLiteral("Temp");
        break;
    case imPotentiometer:
        out.uMode = QStringLiteral("Pot %");
        break;
    case imResistance:
        out.uMode = QStringLiteral("Res");
        break;
    default:
        out.uMode = QStringLiteral("???");
        break;
    }
    m_valueUnit = valueUnitFor(v.uMode);
    m_valueFormat = valueFormatFor(v.uMode, v.bPt1000);

    const OutputKind kind = v.bVoltageOutput ? okVoltage : okCurrent;
    out.bVoltageOutput = v.bVoltageOutput ? QStringLiteral("V") : QStringLiteral("C");
    m_outputUnit = outputUnitFor(v.bVoltageOutput);
    out.relabelOutputRanges = m_outputKindShown != kind;
    if (out.relabelOutputRanges) {
        m_outputKindShown = kind;
        out.outputRangeItems = outputRangeItemsFor(kind);
    }

    out.uAfterWriteOKbits1 = hex(v.uAfterWriteOKbits1);

    out.fInput = NumberFormat::format(v.fInput, m_valueFormat);
    out.Kijelzo = out.fInput + u' ' + m_valueUnit;

    out.PtType = v.bPt1000 ? QStringLiteral("1000") : QStringLiteral("100");
    m_resistanceFormat = v.bPt1000 ? QStringLiteral("0.0") : QStringLiteral("0.00");
    const calibration::SensorRange range = calibration::sensorRange(v.bPt1000);
    out.Cal490Caption = range.upperReferenceCaption;
    out.Cal249Caption = range.threeWireCaption;

    const QString r = NumberFormat::format(v.fCalculatedR, m_resistanceFormat);
    const QString rRaw = NumberFormat::format(v.fCalculatedRWithoutCompensation, m_resistanceFormat);
    const QString ohm = QStringLiteral(" ohm");
    out.PotiModRMert = QStringLiteral("R = ") + r + ohm;
    out.TwoVezModRMert = QStringLiteral("R = ") + rRaw + ohm;
    out.fCalculatedRWithoutCompensation = rRaw;
    out.ThreeVezKalibralashozRMert = out.TwoVezModRMert;
    out.fCalculatedR = r;

    out.enuCalMode = decimal(v.enuCalMode);
    out.uCRCOKbits1 = hex(v.uCRCOKbits1);
    out.uAfterWriteOKbits2 = hex(v.uAfterWriteOKbits2);
    out.uCRCOKbits2 = hex(v.uCRCOKbits2);

    out.PWM = pwmsetpoint::text(v.PWM);
    out.PWMNagy = QStringLiteral("PWM = ") + out.PWM;
    out.PWMBar = v.PWM / double(PwmFullScale);

    out.PotiCal0Caption =
        QStringLiteral("R = ") + NumberFormat::format(v.fPotCal0R, m_resistanceFormat) + ohm;
    out.PotiCal100Caption =
        QStringLiteral("R = ") + NumberFormat::format(v.fPotCal100R, m_resistanceFormat) + ohm;
    out.TwoVezRKiejtesCaption =
        m_texts.wirePrefix + NumberFormat::format(v.f2WireR, m_resistanceFormat) + ohm;

    out.uErrorNumber = decimal(v.uErrorNumber);
    out.Error = errorText(v.uErrorNumber, m_texts);
    out.errorVisible = !out.Error.isEmpty();

    out.Output = NumberFormat::format(v.fOutput, kOutputPattern) + u' ' + m_outputUnit;
    out.uADCRestartNumber = decimal(v.uADCRestartNumber);
    out.KVSubType =
        QLatin1StringView(v.bPt1000 ? "Pt1000" : "Pt100") + QLatin1StringView(v.bVoltageOutput ? " U" : " I");
    out.uCountOfNewInputValue = decimal(v.uCountOfNewInputValue);
    out.uPWMITPerSec = decimal(v.uPWMITPerSec);
    out.uCounterSecAfterReset = decimal(v.uCounterSecAfterReset);
    return out;
}

QString LiveDisplay::valueUnitFor(quint8 mode)
{
    switch (mode) {
    case imTemperature:
        return QStringLiteral("°C");
    case imPotentiometer:
        return QStringLiteral("%");
    case imResistance:
        return QStringLiteral("ohm");
    default:
        return QStringLiteral("???");
    }
}

QString LiveDisplay::outputUnitFor(bool voltageOutput)
{
    return voltageOutput ? QStringLiteral("V") : QStringLiteral("mA");
}
