#include "platform/durable_append.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace durableappend {

namespace {

bool fail(QString* errorText, int error)
{
    if (errorText)
        *errorText = QString::fromLocal8Bit(std::strerror(error));
    return false;
}

} // namespace

bool append(const QString& path, const QByteArray& bytes, QString* errorText)
{
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return fail(errorText, errno);
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int error = n < 0 ? errno : EIO;
            ::close(fd);
            return fail(errorText, error);
        }
        done += n;
    }
    if (::fsync(fd) != 0) {
        const int error = errno;
        ::close(fd);
        return fail(errorText, error);
    }
    if (::close(fd) != 0)
        return fail(errorText, errno);
    return true;
}

} // namespace durableappend
