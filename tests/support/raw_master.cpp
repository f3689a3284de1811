#include "tests/support/raw_master.h"

#include "device/device_command.h"
#include "link/ascii_codec.h"
#include "link/crc16.h"
#include "platform/serial_termios.h"

#include <QDeadlineTimer>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace raw_master {

namespace {

// Reads from fd until the end of an ASCII frame or the deadline.
QByteArray readFrame(int fd, QDeadlineTimer deadline)
{
    QByteArray bytes;
    while (!bytes.endsWith(frame::AsciiEnd) && !deadline.hasExpired()) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, int(deadline.remainingTime())) <= 0)
            continue;
        char buffer[256];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0)
            bytes.append(buffer, n);
        else if (!(n < 0 && (errno == EINTR || errno == EAGAIN)))
            break;
    }
    return bytes;
}

} // namespace

QByteArray identify(const QString& path, int timeoutMs)
{
    const char body[] = {char(DeviceAddress), char(DeviceFunctionId), char(CmdIdentify), 0};
    const QByteArray query =
        frame::asciiEncode(frame::AsciiQueryStart, frame::withCrc(QByteArrayView(body, sizeof body)));
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return {};
    termios tio{};
    ::tcgetattr(fd, &tio);
    serial::setRawLineSettings(&tio);
    ::tcsetattr(fd, TCSANOW, &tio);
    QByteArray answer;
    if (::write(fd, query.constData(), size_t(query.size())) == query.size())
        answer = readFrame(fd, QDeadlineTimer(timeoutMs));
    ::close(fd);
    return answer;
}

bool isAnswer(const QByteArray& line)
{
    return line.startsWith(frame::AsciiAnswerStart) && line.endsWith(frame::AsciiEnd);
}

} // namespace raw_master
