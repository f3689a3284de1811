#include "device/firmware_version.h"

namespace firmware {

QString dateText(quint32 version)
{
    const quint32 year = version / 10000;
    const quint32 month = (version % 10000) / 100;
    const quint32 day = version % 100;
    return QStringLiteral("%1-%2-%3")
        .arg(year, 4, 10, QLatin1Char('0'))
        .arg(month, 2, 10, QLatin1Char('0'))
        .arg(day, 2, 10, QLatin1Char('0'));
}

QString text(quint32 version)
{
    return QStringLiteral("Firmware: v") + dateText(version);
}

} // namespace firmware
