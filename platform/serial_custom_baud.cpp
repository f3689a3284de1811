// Kept apart: <asm/termbits.h> clashes with <termios.h> in one translation unit.
#include <asm/ioctls.h>
#include <asm/termbits.h>

#include <QtGlobal>

extern "C" int ioctl(int fd, unsigned long request, ...);

namespace serial {

bool setCustomBaud(int fd, quint32 rate)
{
    struct termios2 tio
    {
    };
    if (ioctl(fd, TCGETS2, &tio) != 0)
        return false;
    tio.c_cflag &= ~CBAUD;
    tio.c_cflag |= BOTHER;
    tio.c_ispeed = rate;
    tio.c_ospeed = rate;
    return ioctl(fd, TCSETS2, &tio) == 0;
}

} // namespace serial
