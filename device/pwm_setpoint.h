#pragma once

#include <QString>
#include <QtGlobal>

// The rules of PwmSetpoint's controls on the analog output tab, free of
// widgets: saturating steps and the track bar that counts in thousands.
namespace pwmsetpoint {

inline constexpr int TrackBarMaximum = 65;
inline constexpr int TrackBarPageSize = 10;
inline constexpr int CountsPerTrackBarStep = 1000;

// The setpoint moved by delta, held within 0 .. 65535 instead of wrapping.
quint16 stepped(quint16 setpoint, int delta);
// Where the track bar shows a setpoint: thousands rounded to the nearest,
// halves to the even neighbour, within the bar's range.
int trackBarPosition(quint16 setpoint);
// The setpoint a track bar position moved by hand stands for.
quint16 fromTrackBar(int position);
// Label_PWMToInstrument: "## ##0".
QString text(quint16 setpoint);

} // namespace pwmsetpoint
