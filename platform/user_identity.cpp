#include "platform/user_identity.h"

#include <QSysInfo>

#include <pwd.h>
#include <unistd.h>

#include <vector>

namespace useridentity {

QString loginName()
{
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    if (size <= 0)
        size = 16384;
    std::vector<char> buffer(std::size_t(size), '\0');
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_name)
        return QString::fromLocal8Bit(found->pw_name);
    // A user the password database does not know (a container's bare uid).
    const QString fromEnvironment = qEnvironmentVariable("USER", qEnvironmentVariable("LOGNAME"));
    return fromEnvironment.isEmpty() ? QStringLiteral("uid %1").arg(geteuid()) : fromEnvironment;
}

QString stationName()
{
    const QString name = QSysInfo::machineHostName();
    return name.isEmpty() ? QStringLiteral("localhost") : name;
}

} // namespace useridentity
