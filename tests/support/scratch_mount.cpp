#include "tests/support/scratch_mount.h"

#include <QByteArray>
#include <QDir>
#include <QFile>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

constexpr qint64 kFillChunkBytes = 4096;

QString systemText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// Moves the calling thread into a mount namespace of its own, once, whose
// mounts do not propagate back.
bool enterPrivateMountNamespace(QString* whyNot)
{
    thread_local bool entered = false;
    if (entered)
        return true;
    if (::unshare(CLONE_NEWNS) != 0) {
        *whyNot = QStringLiteral("cannot make a mount namespace: ") + systemText(errno);
        return false;
    }
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
        *whyNot = QStringLiteral("cannot make mounts private: ") + systemText(errno);
        return false;
    }
    entered = true;
    return true;
}

} // namespace

ScratchMount::~ScratchMount()
{
    ::umount2(QFile::encodeName(m_path).constData(), MNT_DETACH);
}

std::unique_ptr<ScratchMount> ScratchMount::mount(const QString& folder, qint64 sizeBytes, QString* whyNot)
{
    if (!QDir().mkpath(folder)) {
        *whyNot = QStringLiteral("cannot make ") + folder;
        return nullptr;
    }
    if (!enterPrivateMountNamespace(whyNot))
        return nullptr;
    const QByteArray options = "size=" + QByteArray::number(sizeBytes) + ",mode=0777";
    if (::mount("kvtest", QFile::encodeName(folder).constData(), "tmpfs", 0, options.constData()) != 0) {
        *whyNot = QStringLiteral("cannot mount a tmpfs: ") + systemText(errno);
        return nullptr;
    }
    return std::unique_ptr<ScratchMount>(new ScratchMount(folder));
}

bool ScratchMount::makeReadOnly(QString* whyNot)
{
    if (::mount(nullptr, QFile::encodeName(m_path).constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) !=
        0) {
        *whyNot = QStringLiteral("cannot remount read-only: ") + systemText(errno);
        return false;
    }
    return true;
}

bool ScratchMount::fill(QString* whyNot)
{
    const QByteArray name = QFile::encodeName(QDir(m_path).filePath(QStringLiteral(".filler")));
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0) {
        *whyNot = QStringLiteral("cannot make the filler: ") + systemText(errno);
        return false;
    }
    const QByteArray chunk(kFillChunkBytes, 'f');
    int error = 0;
    // Whole chunks first, then single bytes for the last partial page.
    for (qint64 size = kFillChunkBytes; size > 0 && error == 0;) {
        const ssize_t n = ::write(fd, chunk.constData(), size_t(size));
        if (n < 0 && errno == ENOSPC)
            size = size > 1 ? 1 : 0;
        else if (n < 0 && errno != EINTR)
            error = errno;
    }
    ::close(fd);
    if (error != 0) {
        *whyNot = QStringLiteral("cannot fill: ") + systemText(error);
        return false;
    }
    return true;
}

bool runWithFileSizeLimit(qint64 limitBytes, const std::function<void()>& work)
{
    rlimit saved{};
    if (::getrlimit(RLIMIT_FSIZE, &saved) != 0)
        return false;
    rlimit limited = saved;
    limited.rlim_cur = rlim_t(limitBytes);
    struct sigaction ignore
    {
    };
    ignore.sa_handler = SIG_IGN;
    struct sigaction previous
    {
    };
    if (::sigaction(SIGXFSZ, &ignore, &previous) != 0)
        return false;
    if (::setrlimit(RLIMIT_FSIZE, &limited) != 0) {
        ::sigaction(SIGXFSZ, &previous, nullptr);
        return false;
    }
    work();
    ::setrlimit(RLIMIT_FSIZE, &saved);
    ::sigaction(SIGXFSZ, &previous, nullptr);
    return true;
}
