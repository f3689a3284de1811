#include "device/settings_mapping.h"

#include "device/device_settings.h"

#include <algorithm>

namespace settingsmap {

namespace {

constexpr quint8 kWiresByIndex[WiresItemCount] = {4, 3, 2};

} // namespace

quint8 wiresForIndex(int index)
{
    return index >= 0 && index < WiresItemCount ? kWiresByIndex[index] : WiresWithoutSelection;
}

std::optional<int> indexForWires(quint8 wires)
{
    for (int i = 0; i < WiresItemCount; ++i) {
        if (kWiresByIndex[i] == wires)
            return i;
    }
    return std::nullopt;
}

quint8 inputModeForIndex(int index, quint8 withoutSelection)
{
    return index >= 0 && index < DeviceInputModeCount ? quint8(index) : withoutSelection;
}

int indexForInputMode(quint8 mode)
{
    return std::min(int(mode), DeviceInputModeCount - 1);
}

quint8 averagingForIndex(int index)
{
    return index >= 0 && index < AveragingItemCount ? quint8(1u << index) : AveragingWithoutSelection;
}

int indexForAveraging(quint8 averaging)
{
    for (int n = 0; n < AveragingItemCount; ++n) {
        if (averaging == (1u << n))
            return n;
    }
    return -1;
}

bool outputLiveZeroForIndex(int index)
{
    return index == 0;
}

int indexForOutputLiveZero(bool liveZero)
{
    return liveZero ? 0 : 1;
}

bool errorLevelHighForIndex(int index)
{
    return index == 1;
}

int indexForErrorLevelHigh(bool high)
{
    return high ? 1 : 0;
}

} // namespace settingsmap
