#include "platform/pseudo_terminal.h"

#include "platform/serial_termios.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

PseudoTerminal::~PseudoTerminal()
{
    hangUp();
    if (m_nearKeepAliveFd >= 0)
        ::close(m_nearKeepAliveFd);
}

std::unique_ptr<PseudoTerminal> PseudoTerminal::open(QString* errorText)
{
    auto fail = [errorText](int error) -> std::unique_ptr<PseudoTerminal> {
        if (errorText)
            *errorText = QString::fromLocal8Bit(std::strerror(error));
        return nullptr;
    };

    std::unique_ptr<PseudoTerminal> pty(new PseudoTerminal);
    pty->m_farFd = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (pty->m_farFd < 0)
        return fail(errno);
    char name[128] = {};
    if (::grantpt(pty->m_farFd) != 0 || ::unlockpt(pty->m_farFd) != 0 ||
        ::ptsname_r(pty->m_farFd, name, sizeof name) != 0)
        return fail(errno);
    pty->m_devicePath = QString::fromLocal8Bit(name);

    pty->m_nearKeepAliveFd = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (pty->m_nearKeepAliveFd < 0)
        return fail(errno);
    // No echo, no line discipline: bytes pass as on a serial cable.
    termios tio{};
    ::tcgetattr(pty->m_nearKeepAliveFd, &tio);
    serial::setRawLineSettings(&tio);
    ::tcsetattr(pty->m_nearKeepAliveFd, TCSANOW, &tio);
    return pty;
}

bool PseudoTerminal::write(const QByteArray& bytes)
{
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0 && m_farFd >= 0) {
        const ssize_t n = ::write(m_farFd, data, size_t(left));
        if (n > 0) {
            data += n;
            left -= n;
        } else if (n < 0 && errno == EAGAIN) {
            pollfd p{m_farFd, POLLOUT, 0};
            if (::poll(&p, 1, 1000) <= 0)
                return false;
        } else if (!(n < 0 && errno == EINTR)) {
            return false;
        }
    }
    return left == 0;
}

QByteArray PseudoTerminal::readAvailable()
{
    QByteArray out;
    char buffer[4096];
    while (m_farFd >= 0) {
        const ssize_t n = ::read(m_farFd, buffer, sizeof buffer);
        if (n > 0)
            out.append(buffer, n);
        else if (!(n < 0 && errno == EINTR))
            break;
    }
    return out;
}

void PseudoTerminal::hangUp()
{
    if (m_farFd >= 0) {
        ::close(m_farFd);
        m_farFd = -1;
    }
}
