#include "platform/file_replacement.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kTemporaryNameTries = 64;
constexpr mode_t kNewFileMode = 0666; // narrowed by the umask
constexpr mode_t kNewFolderMode = 0777;

bool fail(QString* error, int code)
{
    if (error)
        *error = QString::fromLocal8Bit(std::strerror(code));
    return false;
}

// A new file beside target, made for this write alone: "name.ab12cd34".
int createTemporary(const QString& target, QByteArray* name)
{
    for (int i = 0; i < kTemporaryNameTries; ++i) {
        const QString suffix = QString::number(QRandomGenerator::global()->generate(), 36);
        *name = QFile::encodeName(target + u'.' + suffix);
        const int fd = ::open(name->constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kNewFileMode);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

bool writeAll(int fd, QByteArrayView bytes)
{
    const char* data = bytes.data();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return false;
        }
        data += n;
        left -= n;
    }
    return true;
}

// The rename is on the disk only once the folder is; a failure here cannot
// be undone and leaves the new content in place, so it is not reported.
void syncFolder(const QByteArray& folder)
{
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

bool FileReplacement::replace(const QString& path, QByteArrayView bytes, QString* error)
{
    const QFileInfo info(path);
    // A link's target is what the user means by the file.
    const QString target = info.isSymLink() && info.exists() ? info.canonicalFilePath() : path;
    const QByteArray targetName = QFile::encodeName(target);

    struct stat old
    {
    };
    const bool hadOld = ::stat(targetName.constData(), &old) == 0;
    if (hadOld && !S_ISREG(old.st_mode))
        return fail(error, S_ISDIR(old.st_mode) ? EISDIR : EINVAL);

    QByteArray temporaryName;
    const int fd = createTemporary(target, &temporaryName);
    if (fd < 0)
        return fail(error, errno);

    int code = 0;
    if (hadOld) {
        // Best effort: only root may give the file to its old owner.
        if (old.st_uid != ::geteuid() || old.st_gid != ::getegid()) {
            [[maybe_unused]] const int ignored = ::fchown(fd, old.st_uid, old.st_gid);
        }
        if (::fchmod(fd, old.st_mode & 07777) != 0)
            code = errno;
    }
    if (code == 0 && !writeAll(fd, bytes))
        code = errno;
    if (code == 0 && ::fsync(fd) != 0)
        code = errno;
    if (::close(fd) != 0 && code == 0)
        code = errno;
    if (code == 0 && ::rename(temporaryName.constData(), targetName.constData()) != 0)
        code = errno;
    if (code != 0) {
        ::unlink(temporaryName.constData());
        return fail(error, code);
    }
    syncFolder(QFile::encodeName(QFileInfo(target).absolutePath()));
    return true;
}

bool FileReplacement::makeFolder(const QString& folder, QString* error)
{
    const QString absolute = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    // From the top down, so the first folder that cannot be made gives the reason.
    QString sofar;
    const QStringList parts = absolute.split(u'/', Qt::SkipEmptyParts);
    for (const QString& part : parts) {
        sofar += u'/' + part;
        const QByteArray name = QFile::encodeName(sofar);
        struct stat st
        {
        };
        if (::stat(name.constData(), &st) == 0) {
            if (!S_ISDIR(st.st_mode))
                return fail(error, ENOTDIR);
            continue;
        }
        if (errno != ENOENT)
            return fail(error, errno);
        if (::mkdir(name.constData(), kNewFolderMode) != 0 && errno != EEXIST)
            return fail(error, errno);
    }
    return true;
}
