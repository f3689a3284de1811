#pragma once

#include "device/live_display.h"
#include "device/live_values.h"

#include <QString>
#include <QtGlobal>

// The live block's fields in their order on the wire, each with its unit:
// the one list that the recording's columns and the traffic log's decoded
// rows both follow, so neither can drift from the block.
namespace livefields {

// The measured value's unit in plain ASCII: spreadsheets guess the
// encoding of a CSV file.
inline QString measuredUnit(quint8 mode)
{
    const QString unit = LiveDisplay::valueUnitFor(mode);
    return unit == QStringLiteral("°C") ? QStringLiteral("degC") : unit;
}

// Calls visit(name, unit, value) for every field, value a qint64 or a float.
template <typename Visit> void forEach(const LiveValues& v, Visit visit)
{
    const QString counts = QStringLiteral("counts");
    const QString none = QStringLiteral("-");
    const QString ohm = QStringLiteral("ohm");
    const QString bits = QStringLiteral("bits");
    visit("ADRaw", counts, qint64(v.ADRaw));
    visit("ADAveraged", counts, qint64(v.ADAveraged));
    visit("ADAveraged2", counts, qint64(v.ADAveraged2));
    visit("ADSpS", QStringLiteral("1/s"), qint64(v.ADSpS));
    visit("uStatusBits", bits, qint64(v.uStatusBits));
    visit("uWiresSetting", QStringLiteral("wires"), qint64(v.uWiresSetting));
    visit("uMode", none, qint64(v.uMode));
    visit("bVoltageOutput", none, qint64(v.bVoltageOutput));
    visit("uAfterWriteOKbits1", bits, qint64(v.uAfterWriteOKbits1));
    visit("fInput", measuredUnit(v.uMode), v.fInput);
    visit("bPt1000", none, qint64(v.bPt1000));
    visit("fCalculatedR", ohm, v.fCalculatedR);
    visit("fCalculatedRWithoutCompensation", ohm, v.fCalculatedRWithoutCompensation);
    visit("enuCalMode", none, qint64(v.enuCalMode));
    visit("uWires", QStringLiteral("wires"), qint64(v.uWires));
    visit("uCRCOKbits1", bits, qint64(v.uCRCOKbits1));
    visit("uAfterWriteOKbits2", bits, qint64(v.uAfterWriteOKbits2));
    visit("uCRCOKbits2", bits, qint64(v.uCRCOKbits2));
    visit("PWM", QStringLiteral("1/65535"), qint64(v.PWM));
    visit("fPotCal0R", ohm, v.fPotCal0R);
    visit("fPotCal100R", ohm, v.fPotCal100R);
    visit("f2WireR", ohm, v.f2WireR);
    visit("uErrorNumber", none, qint64(v.uErrorNumber));
    visit("fOutput", LiveDisplay::outputUnitFor(v.bVoltageOutput), v.fOutput);
    visit("uADCRestartNumber", none, qint64(v.uADCRestartNumber));
    visit("uCountOfNewInputValue", none, qint64(v.uCountOfNewInputValue));
    visit("uPWMITPerSec", QStringLiteral("1/s"), qint64(v.uPWMITPerSec));
    visit("uCounterSecAfterReset", QStringLiteral("s"), qint64(v.uCounterSecAfterReset));
}

} // namespace livefields
