#pragma once

#include <QString>
#include <QtGlobal>

// The firmware version is a date written as the number YYYYMMDD.
namespace firmware {

inline constexpr quint32 AcceptedMin = 20150324;
inline constexpr quint32 AcceptedMax = 20150325;

// True for the versions this configurator works with.
constexpr bool isAccepted(quint32 version)
{
    return version >= AcceptedMin && version <= AcceptedMax;
}

// "2015-03-24" for 20150324: year "0000", month and day "00".
QString dateText(quint32 version);
// "Firmware: v2015-03-24"
QString text(quint32 version);

} // namespace firmware
