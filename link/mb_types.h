#pragma once

#include <QMetaType>
#include <QString>

// Line speeds selectable on the link; the ordinal is also the index of the
// panel's baud list.
enum TMBBaud
{
    baud000075,
    baud000110,
    baud000134,
    baud000150,
    baud000300,
    baud000600,
    baud001200,
    baud001800,
    baud002400,
    baud004800,
    baud007200,
    baud009600,
    baud014400,
    baud019200,
    baud038400,
    baud057600,
    baud115200,
    baud128000,
    baud230400,
    baud460800,
    baud921600,
};
inline constexpr int TMBBaudCount = baud921600 + 1;

enum TMBMode
{
    modeMaster,      // nibble framing, master
    modeSlave,       // nibble framing, slave
    modeASCIIMaster, // ASCII framing, master
    modeASCIISlave,
    modeDiagnostic, // nibble monitor
    modeByte,
    modeString,
};

enum TMBStatus
{
    stOK,
    stSlaveError,
    stTimeOut,
    stClosedPort,
};

enum TMBStatusNow
{
    stnReady,
    stnSending,
    stnWaitingForAnswer,
    stnReceiving,
    stnPortError,
    stnTimeOut,
    stnWaitingForCommand,
    stnReceivedCommand,
};

Q_DECLARE_METATYPE(TMBBaud)
Q_DECLARE_METATYPE(TMBMode)
Q_DECLARE_METATYPE(TMBStatus)
Q_DECLARE_METATYPE(TMBStatusNow)

namespace mb {

// The answer's code says whether the slave carried out the query: in nibble
// framing an error code up to NibbleLastSuccessCode, in ASCII framing a
// status byte below AsciiRefusalStatus.
inline constexpr quint8 NibbleLastSuccessCode = 128;
inline constexpr quint8 AsciiRefusalStatus = 254;

// Bits per second of a baud ordinal; any ordinal outside the table is 9600.
quint32 baudRate(int ordinal);
// The ordinal of a rate; a rate outside the table reads as baud009600.
TMBBaud baudFromRate(quint32 rate);
// "19200 baud"
QString baudText(TMBBaud baud);

QString statusNowText(TMBStatusNow status);
// "OK", "Slave Error: #129", "Time Out", "Closed Port"
QString statusText(TMBStatus status, int slaveErrorCode = 0);

bool isMasterMode(TMBMode mode);
bool isSlaveMode(TMBMode mode);
// Bytes before data position 1 in a frame: 4 in ASCII master framing, else 3.
int frameHeaderSize(TMBMode mode);

// Estimated time in ms for a query with dataBytes of payload at rate, as the
// answer time-out adds it: (N + 5) character pairs of 10 bits, rounded half
// to even, plus one; at most 65535.
quint16 transmissionTimeMs(int dataBytes, quint32 rate);

} // namespace mb
