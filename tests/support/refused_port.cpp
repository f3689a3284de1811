#include "tests/support/refused_port.h"

#include <QProcess>

#include <cerrno>
#include <cstring>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr uid_t kNobody = 65534;
const char* const kGroup = "dialout";
const bool kAsRoot = ::getuid() == 0;

} // namespace

// The effective ids only, so that the saved ones bring root back.
RefusedPort::AsNobody::AsNobody()
{
    if (kAsRoot && (::setgroups(0, nullptr) != 0 || ::setegid(kNobody) != 0 || ::seteuid(kNobody) != 0))
        qFatal("cannot act as nobody: %s", std::strerror(errno));
}

RefusedPort::AsNobody::~AsNobody()
{
    if (kAsRoot && (::seteuid(0) != 0 || ::setegid(0) != 0))
        qFatal("cannot act as root again: %s", std::strerror(errno));
}

RefusedPort::RefusedPort(const QString& devicePath) : m_path(devicePath)
{
    const QByteArray path = devicePath.toLocal8Bit();
    const group* dialout = ::getgrnam(kGroup);
    if (kAsRoot && (!dialout || ::chown(path.constData(), 0, dialout->gr_gid) != 0))
        m_whyNot = QStringLiteral("cannot give the device to group ") + QLatin1StringView(kGroup);
    else if (::chmod(path.constData(), kAsRoot ? 0660 : 0060) != 0)
        m_whyNot = QString::fromLocal8Bit(std::strerror(errno));
}

void RefusedPort::prepare(QProcess& process)
{
    if (!kAsRoot)
        return;
    process.setChildProcessModifier([] {
        // Only system calls here: this runs between fork and exec.
        if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)
            ::_exit(127);
    });
}

QString RefusedPort::expectedReason() const
{
    if (kAsRoot)
        return QStringLiteral(
                   "not in group %1: permission denied. Run sudo usermod -aG %1 $USER, then log out "
                   "and in again.")
            .arg(QLatin1StringView(kGroup));
    struct stat st
    {
    };
    ::stat(m_path.toLocal8Bit().constData(), &st);
    return QStringLiteral("permission denied (owner %1, group %2, mode 0060)")
        .arg(QString::fromLocal8Bit(::getpwuid(st.st_uid)->pw_name),
             QString::fromLocal8Bit(::getgrgid(st.st_gid)->gr_name));
}
