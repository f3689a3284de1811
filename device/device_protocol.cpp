#include "device/device_protocol.h"

#include "link/tmb.h"

void PrepareDeviceQuery(TMB& mb, quint8 command)
{
    mb.setMBMasterAddressToSlave(DeviceAddress);
    mb.setMBMasterIDToSlave(DeviceFunctionId);
    mb.setMBMasterCommandToSlave(command);
    mb.MBClearTxBuffer();
}

void EncodeLiveQuery(TMB& mb, quint8 calibrationPage, quint16 pwmSetpoint)
{
    mb.MBPutByte(calibrationPage);
    mb.MBPutWord(pwmSetpoint);
}

void DecodeLiveValues(TMB& mb, LiveValues& v)
{
    v.ADRaw = mb.MBGetInteger();
    v.ADAveraged = mb.MBGetInteger();
    v.ADAveraged2 = mb.MBGetInteger();
    v.ADSpS = mb.MBGetByte();
    v.uStatusBits = mb.MBGetWord();
    v.uWiresSetting = mb.MBGetByte();
    v.uMode = mb.MBGetByte();
    v.bVoltageOutput = mb.MBGetBoolean();
    v.uAfterWriteOKbits1 = mb.MBGetByte();
    v.fInput = mb.MBGetSingle();
    v.bPt1000 = mb.MBGetBoolean();
    v.fCalculatedR = mb.MBGetSingle();
    v.fCalculatedRWithoutCompensation = mb.MBGetSingle();
    v.enuCalMode = mb.MBGetByte();
    v.uWires = mb.MBGetByte();
    v.uCRCOKbits1 = mb.MBGetByte();
    v.uAfterWriteOKbits2 = mb.MBGetByte();
    v.uCRCOKbits2 = mb.MBGetByte();
    v.PWM = mb.MBGetWord();
    v.fPotCal0R = mb.MBGetSingle();
    v.fPotCal100R = mb.MBGetSingle();
    v.f2WireR = mb.MBGetSingle();
    v.uErrorNumber = mb.MBGetByte();
    v.fOutput = mb.MBGetSingle();
    v.uADCRestartNumber = mb.MBGetByte();
    v.uCountOfNewInputValue = mb.MBGetByte();
    v.uPWMITPerSec = mb.MBGetByte();
    v.uCounterSecAfterReset = mb.MBGetByte();
}

quint32 DecodeFirmwareVersion(TMB& mb)
{
    return mb.MBGetCardinal();
}

DeviceSettings DecodeSettings(TMB& mb, const LiveValues& latest)
{
    DeviceSettings s;
    s.Wires = latest.uWiresSetting;
    s.InputMode = latest.uMode;
    s.Averaging = mb.MBGetByte();
    s.bOutputLiveZero = mb.MBGetBoolean();
    s.bErrorLevelHigh = mb.MBGetBoolean();
    s.bNoErrorOnOverflow = mb.MBGetBoolean();
    s.fScaleLow = mb.MBGetSingle();
    s.fScaleHigh = mb.MBGetSingle();
    s.fOutputLimitLow = mb.MBGetSingle();
    s.fOutputLimitHigh = mb.MBGetSingle();
    return s;
}

void EncodeSettings(TMB& mb, const DeviceSettings& s)
{
    mb.MBPutByte(s.Wires);
    mb.MBPutByte(s.InputMode);
    mb.MBPutByte(s.Averaging);
    mb.MBPutBoolean(s.bOutputLiveZero);
    mb.MBPutBoolean(s.bErrorLevelHigh);
    mb.MBPutBoolean(s.bNoErrorOnOverflow);
    mb.MBPutSingle(s.fScaleLow);
    mb.MBPutSingle(s.fScaleHigh);
    mb.MBPutSingle(s.fOutputLimitLow);
    mb.MBPutSingle(s.fOutputLimitHigh);
}

void EncodeStoreAD0Ohm(TMB& mb, qint32 adValue)
{
    mb.MBPutInteger(adValue);
}

void EncodeStoreAD490Ohm(TMB& mb, qint32 adValue)
{
    mb.MBPutInteger(adValue);
}

void EncodeStore3WireOffset(TMB& mb, float offsetOhm)
{
    mb.MBPutSingle(offsetOhm);
}

void EncodeStorePWM4mA(TMB& mb, quint16 pwmSetpoint)
{
    mb.MBPutWord(pwmSetpoint);
}

void EncodeStorePWM20mA(TMB& mb, quint16 pwmSetpoint)
{
    mb.MBPutWord(pwmSetpoint);
}

void EncodeStorePot0(TMB& mb, float resistanceOhm)
{
    mb.MBPutSingle(resistanceOhm);
}

void EncodeStorePot100(TMB& mb, float resistanceOhm)
{
    mb.MBPutSingle(resistanceOhm);
}

void EncodeStore2WireR(TMB& mb, float leadResistanceOhm)
{
    mb.MBPutSingle(leadResistanceOhm);
}

void EncodeStore2WireZero(TMB& mb)
{
    mb.MBPutSingle(0.0f);
}
