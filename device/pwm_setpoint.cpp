#include "device/pwm_setpoint.h"

#include "device/live_values.h"
#include "platform/number_format.h"

#include <algorithm>

namespace pwmsetpoint {

quint16 stepped(quint16 setpoint, int delta)
{
    return quint16(std::clamp(int(setpoint) + delta, 0, int(PwmFullScale)));
}

int trackBarPosition(quint16 setpoint)
{
    int position = setpoint / CountsPerTrackBarStep;
    const int rest = setpoint % CountsPerTrackBarStep;
    const int half = CountsPerTrackBarStep / 2;
    if (rest > half || (rest == half && position % 2 != 0))
        ++position;
    return std::min(position, TrackBarMaximum);
}

quint16 fromTrackBar(int position)
{
    return quint16(std::clamp(position, 0, TrackBarMaximum) * CountsPerTrackBarStep);
}

QString text(quint16 setpoint)
{
    return NumberFormat::format(setpoint, u"## ##0");
}

} // namespace pwmsetpoint
