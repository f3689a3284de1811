#pragma once

#include <QtGlobal>

#include <optional>

// Between the settings window's selections (item indexes from 0, -1 for no
// selection) and the values of DeviceSettings.
namespace settingsmap {

inline constexpr quint8 WiresWithoutSelection = 4;
inline constexpr quint8 AveragingWithoutSelection = 16;

// Items of the groups: RadioGroup_VezetekSzam, RadioGroup_Atlagolas,
// RadioGroup_AnalogKimTipus and RadioGroup_AnalogKimHibajelzes
// (RadioGroup_Uzemmod has DeviceInputModeCount).
inline constexpr int WiresItemCount = 3;
inline constexpr int AveragingItemCount = 7;
inline constexpr int OutputTypeItemCount = 2;
inline constexpr int ErrorLevelItemCount = 2;

// Items "4", "3", "2": index 0 -> 4, 1 -> 3, 2 -> 2; anything else -> 4.
quint8 wiresForIndex(int index);
// 4 -> 0, 3 -> 1, 2 -> 2; any other count gives no index (the group stays as it is).
std::optional<int> indexForWires(quint8 wires);

// The index is the mode (0, 1, 2). Without a valid selection the caller says
// what to send.
quint8 inputModeForIndex(int index, quint8 withoutSelection);
// A mode above 2 selects the last item.
int indexForInputMode(quint8 mode);

// Items "1" .. "64": index n -> 2^n for n in 0..6; anything else -> 16.
quint8 averagingForIndex(int index);
// 2^n -> n for the seven values; any other value -> -1 (no selection).
int indexForAveraging(quint8 averaging);

// Output type: index 0 is the live-zero range (4-20 mA / 2-10 V).
bool outputLiveZeroForIndex(int index);
int indexForOutputLiveZero(bool liveZero);

// Error level: index 1 is the high level (22 mA / 11 V).
bool errorLevelHighForIndex(int index);
int indexForErrorLevelHigh(bool high);

} // namespace settingsmap
