#include "tests/support/device_records.h"

namespace testrecords {

DeviceSettings distinctSettings()
{
    DeviceSettings s;
    s.Wires = 3;
    s.InputMode = imResistance;
    s.Averaging = 32;
    s.bOutputLiveZero = false;
    s.bErrorLevelHigh = true;
    s.bNoErrorOnOverflow = true;
    s.fScaleLow = 10.5f;
    s.fScaleHigh = 250.25f;
    s.fOutputLimitLow = 3.9f;
    s.fOutputLimitHigh = 20.25f;
    return s;
}

LiveValues distinctLiveValues()
{
    LiveValues v;
    v.ADRaw = -2097151;
    v.ADAveraged = 1234567;
    v.ADAveraged2 = -12;
    v.ADSpS = 50;
    v.uStatusBits = 0x0401;
    v.uWiresSetting = 2;
    v.uMode = imResistance;
    v.bVoltageOutput = true;
    v.uAfterWriteOKbits1 = 10;
    v.fInput = 1081.26f;
    v.bPt1000 = true;
    v.fCalculatedR = 1084.46f;
    v.fCalculatedRWithoutCompensation = 1085.54f;
    v.enuCalMode = 3;
    v.uWires = 7;
    v.uCRCOKbits1 = 0x1F;
    v.uAfterWriteOKbits2 = 0xA5;
    v.uCRCOKbits2 = 255;
    v.PWM = 65535;
    v.fPotCal0R = 15.04f;
    v.fPotCal100R = 385.06f;
    v.f2WireR = 1.51f;
    v.uErrorNumber = deWiresOpen;
    v.fOutput = 5.0f;
    v.uADCRestartNumber = 6;
    v.uCountOfNewInputValue = 150;
    v.uPWMITPerSec = 244;
    v.uCounterSecAfterReset = 17;
    return v;
}

} // namespace testrecords
