#include "device/callendar_van_dusen.h"

#include <cmath>

namespace cvd {

double resistance(double t, double r0)
{
    double factor = 1.0 + A * t + B * t * t;
    if (t < 0.0)
        factor += C * (t - 100.0) * t * t * t;
    return r0 * factor;
}

double temperature(double ohm, double r0)
{
    // The quadratic is exact above 0 degrees and a close start below.
    const double ratio = ohm / r0;
    const double discriminant = A * A - 4.0 * B * (1.0 - ratio);
    double t = discriminant >= 0.0 ? (-A + std::sqrt(discriminant)) / (2.0 * B) : (ratio - 1.0) / A;
    if (ratio >= 1.0)
        return t;
    for (int i = 0; i < 20; ++i) {
        const double f = resistance(t, r0) - ohm;
        const double slope = r0 * (A + 2.0 * B * t + C * (4.0 * t * t * t - 300.0 * t * t));
        const double step = f / slope;
        t -= step;
        if (std::abs(step) < 1e-9)
            break;
    }
    return t;
}

} // namespace cvd
