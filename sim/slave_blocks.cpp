#include "sim/slave_blocks.h"

#include "link/ascii_codec.h"
#include "link/crc16.h"
#include "sim/byte_reader.h"
#include "sim/byte_writer.h"

namespace slaveblocks {

QByteArray encodeLiveValues(const LiveValues& v)
{
    ByteWriter w;
    w.putI32(v.ADRaw);
    w.putI32(v.ADAveraged);
    w.putI32(v.ADAveraged2);
    w.putU8(v.ADSpS);
    w.putU16(v.uStatusBits);
    w.putU8(v.uWiresSetting);
    w.putU8(v.uMode);
    w.putBool(v.bVoltageOutput);
    w.putU8(v.uAfterWriteOKbits1);
    w.putF32(v.fInput);
    w.putBool(v.bPt1000);
    w.putF32(v.fCalculatedR);
    w.putF32(v.fCalculatedRWithoutCompensation);
    w.putU8(v.enuCalMode);
    w.putU8(v.uWires);
    w.putU8(v.uCRCOKbits1);
    w.putU8(v.uAfterWriteOKbits2);
    w.putU8(v.uCRCOKbits2);
    w.putU16(v.PWM);
    w.putF32(v.fPotCal0R);
    w.putF32(v.fPotCal100R);
    w.putF32(v.f2WireR);
    w.putU8(v.uErrorNumber);
    w.putF32(v.fOutput);
    w.putU8(v.uADCRestartNumber);
    w.putU8(v.uCountOfNewInputValue);
    w.putU8(v.uPWMITPerSec);
    w.putU8(v.uCounterSecAfterReset);
    return w.bytes();
}

QByteArray encodeSettingsReadBlock(const DeviceSettings& s)
{
    ByteWriter w;
    w.putU8(s.Averaging);
    w.putBool(s.bOutputLiveZero);
    w.putBool(s.bErrorLevelHigh);
    w.putBool(s.bNoErrorOnOverflow);
    w.putF32(s.fScaleLow);
    w.putF32(s.fScaleHigh);
    w.putF32(s.fOutputLimitLow);
    w.putF32(s.fOutputLimitHigh);
    return w.bytes();
}

std::optional<DeviceSettings> decodeSettingsWriteBlock(QByteArrayView data)
{
    ByteReader r(data);
    DeviceSettings s;
    s.Wires = r.u8();
    s.InputMode = r.u8();
    s.Averaging = r.u8();
    s.bOutputLiveZero = r.boolean();
    s.bErrorLevelHigh = r.boolean();
    s.bNoErrorOnOverflow = r.boolean();
    s.fScaleLow = r.f32();
    s.fScaleHigh = r.f32();
    s.fOutputLimitLow = r.f32();
    s.fOutputLimitHigh = r.f32();
    if (r.isShort())
        return std::nullopt;
    return s;
}

QByteArray encodeAnswer(quint8 address, quint8 id, quint8 command, quint8 status, QByteArrayView data)
{
    QByteArray body;
    body.reserve(4 + data.size());
    body.append(char(address));
    body.append(char(id));
    body.append(char(command));
    body.append(char(status));
    body.append(data.data(), data.size());
    return frame::asciiEncode(frame::AsciiAnswerStart, frame::withCrc(body));
}

} // namespace slaveblocks
