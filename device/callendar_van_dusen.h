#pragma once

// Platinum resistance thermometers after IEC 60751 (Callendar-Van Dusen),
// valid from -200 to 850 degrees Celsius.
namespace cvd {

inline constexpr double A = 3.9083e-3;
inline constexpr double B = -5.775e-7;
inline constexpr double C = -4.183e-12; // below 0 degrees only

// Resistance in ohm at the temperature for a sensor of r0 ohm at 0 degrees
// (100 for Pt100, 1000 for Pt1000).
double resistance(double celsius, double r0);
// The temperature whose resistance is ohm; outside the valid range the
// result is extrapolated.
double temperature(double ohm, double r0);

} // namespace cvd
