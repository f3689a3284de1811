#include "link/mb_types.h"

#include <array>
#include <cmath>

namespace mb {

namespace {
constexpr std::array<quint32, TMBBaudCount> kRates = {
    75,   110,   134,   150,   300,   600,    1200,   1800,   2400,   4800,   7200,
    9600, 14400, 19200, 38400, 57600, 115200, 128000, 230400, 460800, 921600,
};
} // namespace

quint32 baudRate(int ordinal)
{
    if (ordinal < 0 || ordinal >= TMBBaudCount)
        return 9600;
    return kRates[size_t(ordinal)];
}

TMBBaud baudFromRate(quint32 rate)
{
    for (int i = 0; i < TMBBaudCount; ++i) {
        if (kRates[size_t(i)] == rate)
            return TMBBaud(i);
    }
    return baud009600;
}

QString baudText(TMBBaud baud)
{
    return QString::number(baudRate(baud)) + QStringLiteral(" baud");
}

QString statusNowText(TMBStatusNow status)
{
    switch (status) {
    case stnReady:
        return QStringLiteral("Ready");
    case stnSending:
        return QStringLiteral("Sending");
    case stnWaitingForAnswer:
        return QStringLiteral("Waiting For Answer");
    case stnReceiving:
        return QStringLiteral("Receiving");
    case stnPortError:
        return QStringLiteral("Port Error");
    case stnTimeOut:
        return QStringLiteral("Time Out");
    case stnWaitingForCommand:
        return QStringLiteral("Waiting For Command");
    case stnReceivedCommand:
        return QStringLiteral("Received Command");
    }
    return QString();
}

QString statusText(TMBStatus status, int slaveErrorCode)
{
    switch (status) {
    case stOK:
        return QStringLiteral("OK");
    case stSlaveError:
        return QStringLiteral("Slave Error: #") + QString::number(slaveErrorCode);
    case stTimeOut:
        return QStringLiteral("Time Out");
    case stClosedPort:
        return QStringLiteral("Closed Port");
    }
    return QString();
}

bool isMasterMode(TMBMode mode)
{
    return mode == modeMaster || mode == modeASCIIMaster;
}

bool isSlaveMode(TMBMode mode)
{
    return mode == modeSlave || mode == modeASCIISlave;
}

int frameHeaderSize(TMBMode mode)
{
    return mode == modeASCIIMaster ? 4 : 3;
}

quint16 transmissionTimeMs(int dataBytes, quint32 rate)
{
    const double t = (dataBytes + 5) * (1.0 / double(qMax<quint32>(rate, 1)) * 10.0 * 2.0 * 1000.0);
    // nearbyint rounds half to even in the default rounding mode. Long frames
    // at slow rates exceed a Word: saturate rather than wrap to a short time-out.
    const double ms = std::nearbyint(t) + 1.0;
    return ms >= 65535.0 ? quint16(65535) : quint16(ms);
}

} // namespace mb
