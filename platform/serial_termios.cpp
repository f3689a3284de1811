#include "platform/serial_termios.h"

#include <iterator>
#include <utility>

namespace serial {

namespace {

constexpr std::pair<quint32, speed_t> kStandardRates[] = {
    {75, B75},         {110, B110},       {134, B134},       {150, B150},     {300, B300},
    {600, B600},       {1200, B1200},     {1800, B1800},     {2400, B2400},   {4800, B4800},
    {9600, B9600},     {19200, B19200},   {38400, B38400},   {57600, B57600}, {115200, B115200},
    {230400, B230400}, {460800, B460800}, {921600, B921600},
};

} // namespace

void setRawLineSettings(termios* tio)
{
    cfmakeraw(tio);
    tio->c_cflag |= CLOCAL | CREAD;
    tio->c_cflag &= ~(CSIZE | PARENB | CSTOPB | CRTSCTS);
    tio->c_cflag |= CS8;
    tio->c_iflag &= ~(IXON | IXOFF | IXANY | INPCK | ISTRIP);
    // Non-blocking reads return what is there.
    tio->c_cc[VMIN] = 0;
    tio->c_cc[VTIME] = 0;
}

speed_t standardBaudConstant(quint32 rate)
{
    for (const auto& [bitsPerSecond, constant] : kStandardRates) {
        if (bitsPerSecond == rate)
            return constant;
    }
    return B0;
}

bool setStandardBaud(termios* tio, quint32 rate)
{
    const speed_t speed = standardBaudConstant(rate);
    if (speed == B0)
        return false;
    return cfsetispeed(tio, speed) == 0 && cfsetospeed(tio, speed) == 0;
}

} // namespace serial
