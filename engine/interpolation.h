#pragma once
#include <cmath>

namespace ombrel {

// Frame i of 2..49 lies (i - 1)/50 of the way from frame 1 to frame 50.
inline double Interpolate(int i, double v1, double v50) noexcept { return ((51 - i) * v1 + (i - 1) * v50) / 50; }

// Hue takes the short way round the colour circle.
inline double InterpolateHue(int i, double h1, double h50) noexcept {
    if (std::fabs(h50 - h1) <= 0.5) return Interpolate(i, h1, h50);
    double h = h1 >= h50 ? Interpolate(i, h1, h50 + 1) : Interpolate(i, h1 + 1, h50);
    if (h >= 1) h -= 1;
    return h;
}

}  // namespace ombrel
