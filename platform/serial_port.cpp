#include "platform/serial_port.h"

#include "platform/serial_termios.h"

#include <QElapsedTimer>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <linux/serial.h>
#include <poll.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace {

QString systemErrorText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

constexpr gid_t kRootGroup = 0;

QString groupName(gid_t gid)
{
    const group* entry = ::getgrgid(gid);
    return entry ? QString::fromLocal8Bit(entry->gr_name) : QString::number(gid);
}

QString userName(uid_t uid)
{
    const passwd* entry = ::getpwuid(uid);
    return entry ? QString::fromLocal8Bit(entry->pw_name) : QString::number(uid);
}

// Whether this process has the group now: a user added to it since logging
// in does not, until the next login.
bool inGroup(gid_t gid)
{
    if (::getegid() == gid)
        return true;
    const int count = ::getgroups(0, nullptr);
    std::vector<gid_t> groups(size_t(qMax(count, 0)));
    const int got = count > 0 ? ::getgroups(count, groups.data()) : 0;
    for (int i = 0; i < got; ++i) {
        if (groups[size_t(i)] == gid)
            return true;
    }
    return false;
}

std::unique_ptr<SerialPort> failure(int error, const QString& path, QString* errorText,
                                    QString* reason = nullptr)
{
    if (errorText)
        *errorText = systemErrorText(error);
    if (reason) {
        if (error == EBUSY)
            *reason = QString::fromLatin1(SerialPort::InUseText);
        else if (error == EACCES || error == EPERM)
            *reason = SerialPort::permissionText(path);
        else
            *reason = systemErrorText(error);
    }
    return nullptr;
}

// Opens, locks and checks that the path is a terminal. Returns the fd or -1
// with errno set.
int openExclusive(const QString& path)
{
    const QByteArray name = path.toLocal8Bit();
    const int fd = ::open(name.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return -1;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = (errno == EWOULDBLOCK) ? EBUSY : errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    // Root passes TIOCEXCL, so honour another program's exclusive hold by
    // hand; clearing it on our close would otherwise steal its port.
    int heldExclusively = 0;
    if (::ioctl(fd, TIOCGEXCL, &heldExclusively) == 0 && heldExclusively) {
        ::close(fd);
        errno = EBUSY;
        return -1;
    }
    // A ttyS node whose UART is absent opens fine but reports type unknown.
    serial_struct info{};
    if (::ioctl(fd, TIOCGSERIAL, &info) == 0 && info.type == PORT_UNKNOWN) {
        ::close(fd);
        errno = ENODEV;
        return -1;
    }
    ::ioctl(fd, TIOCEXCL);
    return fd;
}

// The exclusive flag outlives our descriptor when another one stays open (a
// pty whose far side keeps its own handle), so drop it explicitly.
void closeExclusive(int fd)
{
    ::ioctl(fd, TIOCNXCL);
    ::flock(fd, LOCK_UN);
    ::close(fd);
}

} // namespace

SerialPort::SerialPort(int fd, QString path, quint32 baudRate)
    : m_fd(fd), m_path(std::move(path)), m_baudRate(baudRate)
{}

SerialPort::~SerialPort()
{
    if (m_fd >= 0)
        closeExclusive(m_fd);
}

std::unique_ptr<SerialPort> SerialPort::open(const QString& path, quint32 baudRate, QString* errorText,
                                             QString* reason)
{
    const int fd = openExclusive(path);
    if (fd < 0)
        return failure(errno, path, errorText, reason);
    return setUp(fd, path, baudRate, errorText);
}

std::unique_ptr<SerialPort> SerialPort::adopt(int fd, const QString& name, quint32 baudRate,
                                              QString* errorText)
{
    const int own = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    termios tio{};
    if (own < 0 || ::tcgetattr(own, &tio) != 0 ||
        ::fcntl(own, F_SETFL, ::fcntl(own, F_GETFL) | O_NONBLOCK) != 0) {
        const int error = errno;
        if (own >= 0)
            ::close(own);
        return failure(error, name, errorText);
    }
    return setUp(own, name, baudRate, errorText);
}

std::unique_ptr<SerialPort> SerialPort::setUp(int fd, const QString& path, quint32 baudRate,
                                              QString* errorText)
{
    termios tio{};
    ::tcgetattr(fd, &tio);
    serial::setRawLineSettings(&tio);
    const bool standard = serial::setStandardBaud(&tio, baudRate);
    if (::tcsetattr(fd, TCSANOW, &tio) != 0 || (!standard && !serial::setCustomBaud(fd, baudRate))) {
        const int error = errno ? errno : EINVAL;
        closeExclusive(fd);
        return failure(error, path, errorText);
    }

    // Nothing drives DTR or RTS: some adapters power the far side from them.
    // Pseudo-terminals have no modem lines and refuse; that is fine.
    const int lines = TIOCM_DTR | TIOCM_RTS;
    ::ioctl(fd, TIOCMBIC, &lines);
    ::tcflush(fd, TCIOFLUSH);

    return std::unique_ptr<SerialPort>(new SerialPort(fd, path, baudRate));
}

bool SerialPort::isAvailable(const QString& path, int* error)
{
    const int fd = openExclusive(path);
    if (fd < 0) {
        if (error)
            *error = errno;
        return false;
    }
    closeExclusive(fd);
    return true;
}

QString SerialPort::permissionText(const QString& path)
{
    // English like the rest of the sentence, whatever the system's language.
    const QString denied = QStringLiteral("permission denied");
    struct stat st
    {
    };
    if (::stat(path.toLocal8Bit().constData(), &st) != 0)
        return denied;
    const QString group = groupName(st.st_gid);
    // Joining the group helps only where the group may read and write and
    // the owner's bits do not decide, and nobody should be told to join
    // root's.
    const bool groupMayUse = (st.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP);
    if (groupMayUse && st.st_uid != ::geteuid() && st.st_gid != kRootGroup && !inGroup(st.st_gid))
        return QStringLiteral(
                   "not in group %1: %2. Run sudo usermod -aG %1 $USER, then log out and in again.")
            .arg(group, denied);
    return QStringLiteral("%1 (owner %2, group %3, mode %4)")
        .arg(denied, userName(st.st_uid), group)
        .arg(st.st_mode & 07777, 4, 8, QChar(u'0'));
}

bool SerialPort::write(const QByteArray& bytes)
{
    if (m_fd < 0)
        return false;
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    // Budget: the transmission time of the piece plus a small margin, so a
    // full queue never holds the caller much longer than the line needs.
    const qint64 budgetMs = left * 10 * 1000 / qMax<quint32>(m_baudRate, 1) + WriteMarginMs;
    QElapsedTimer clock;
    clock.start();
    while (left > 0) {
        const ssize_t n = ::write(m_fd, data, size_t(left));
        if (n > 0) {
            data += n;
            left -= n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN)
            return false;
        const qint64 remaining = budgetMs - clock.elapsed();
        if (remaining <= 0)
            return true; // queue stays full: the bytes are dropped, as a driver would
        pollfd p{m_fd, POLLOUT, 0};
        const int r = ::poll(&p, 1, int(remaining));
        if (r > 0 && (p.revents & (POLLERR | POLLHUP | POLLNVAL)))
            return false;
    }
    return true;
}

QByteArray SerialPort::read(qsizetype maxBytes)
{
    QByteArray result;
    if (m_fd < 0 || maxBytes <= 0)
        return result;
    int waiting = 0;
    if (::ioctl(m_fd, FIONREAD, &waiting) != 0 || waiting < 0)
        waiting = 0;
    constexpr qsizetype MinimumBuffer = 256;
    result.resize(qMin(qMax(qsizetype(waiting), MinimumBuffer), maxBytes));
    qsizetype total = 0;
    while (total < maxBytes) {
        if (total == result.size())
            result.resize(result.size() > maxBytes / 2 ? maxBytes : result.size() * 2);
        const ssize_t n = ::read(m_fd, result.data() + total, size_t(result.size() - total));
        if (n > 0) {
            total += n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        break;
    }
    result.resize(total);
    return result;
}
