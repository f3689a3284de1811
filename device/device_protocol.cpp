#include "device/device_protocol.h"

#include "link/tmb.h"

#include <QDataStream>

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

namespace {

// The link's get operations under the names of BlockReader, so one field
// order serves answers in the link's buffer and frames seen in the traffic.
class LinkReader
{
public:
    explicit LinkReader(TMB& mb) : m_mb(mb) {}
    quint8 u8() { return m_mb.MBGetByte(); }
    bool boolean() { return m_mb.MBGetBoolean(); }
    quint16 u16() { return m_mb.MBGetWord(); }
    qint32 i32() { return m_mb.MBGetInteger(); }
    float f32() { return m_mb.MBGetSingle(); }

private:
    TMB& m_mb;
};

// Little-endian fields of a block in memory; a read past the end yields 0
// and marks the reader short.
class BlockReader
{
public:
    explicit BlockReader(QByteArrayView bytes)
        : m_bytes(QByteArray::fromRawData(bytes.data(), bytes.size())), m_stream(m_bytes)
    {
        m_stream.setByteOrder(QDataStream::LittleEndian);
        m_stream.setFloatingPointPrecision(QDataStream::SinglePrecision);
    }
    quint8 u8() { return read<quint8>(); }
    bool boolean() { return u8() != 0; }
    quint16 u16() { return read<quint16>(); }
    qint32 i32() { return read<qint32>(); }
    float f32() { return read<float>(); }
    bool isShort() const { return m_stream.status() != QDataStream::Ok; }

private:
    template <typename T> T read()
    {
        T value{};
        m_stream >> value;
        return isShort() ? T{} : value;
    }

    QByteArray m_bytes;
    QDataStream m_stream;
};

template <typename Reader> void readLiveValues(Reader& in, LiveValues& v)
{
    v.ADRaw = in.i32();
    v.ADAveraged = in.i32();
    v.ADAveraged2 = in.i32();
    v.ADSpS = in.u8();
    v.uStatusBits = in.u16();
    v.uWiresSetting = in.u8();
    v.uMode = in.u8();
    v.bVoltageOutput = in.boolean();
    v.uAfterWriteOKbits1 = in.u8();
    v.fInput = in.f32();
    v.bPt1000 = in.boolean();
    v.fCalculatedR = in.f32();
    v.fCalculatedRWithoutCompensation = in.f32();
    v.enuCalMode = in.u8();
    v.uWires = in.u8();
    v.uCRCOKbits1 = in.u8();
    v.uAfterWriteOKbits2 = in.u8();
    v.uCRCOKbits2 = in.u8();
    v.PWM = in.u16();
    v.fPotCal0R = in.f32();
    v.fPotCal100R = in.f32();
    v.f2WireR = in.f32();
    v.uErrorNumber = in.u8();
    v.fOutput = in.f32();
    v.uADCRestartNumber = in.u8();
    v.uCountOfNewInputValue = in.u8();
    v.uPWMITPerSec = in.u8();
    v.uCounterSecAfterReset = in.u8();
}

// The settings read block; the write block is Wires and InputMode, then this.
template <typename Reader> void readSettingsTail(Reader& in, DeviceSettings& s)
{
    s.Averaging = in.u8();
    s.bOutputLiveZero = in.boolean();
    s.bErrorLevelHigh = in.boolean();
    s.bNoErrorOnOverflow = in.boolean();
    s.fScaleLow = in.f32();
    s.fScaleHigh = in.f32();
    s.fOutputLimitLow = in.f32();
    s.fOutputLimitHigh = in.f32();
}

} // namespace

void DecodeLiveValues(TMB& mb, LiveValues& v)
{
    LinkReader in(mb);
    readLiveValues(in, v);
}

bool DecodeLiveBlock(QByteArrayView block, LiveValues& values)
{
    BlockReader in(block);
    readLiveValues(in, values);
    return !in.isShort();
}

bool DecodeLiveQueryBlock(QByteArrayView block, quint8* calibrationPage, quint16* pwmSetpoint)
{
    BlockReader in(block);
    *calibrationPage = in.u8();
    *pwmSetpoint = in.u16();
    return !in.isShort();
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
    LinkReader in(mb);
    readSettingsTail(in, s);
    return s;
}

bool DecodeSettingsReadBlock(QByteArrayView block, DeviceSettings& settings)
{
    BlockReader in(block);
    readSettingsTail(in, settings);
    return !in.isShort();
}

bool DecodeSettingsWriteBlock(QByteArrayView block, DeviceSettings& settings)
{
    BlockReader in(block);
    settings.Wires = in.u8();
    settings.InputMode = in.u8();
    readSettingsTail(in, settings);
    return !in.isShort();
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
