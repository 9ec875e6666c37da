#pragma once
#include <cmath>

namespace ombrel {

// Frame i of 2..n-1 lies (i - 1)/n of the way from frame 1 to frame n
// (for n = 50: ((51 - i) v1 + (i - 1) v50) / 50, in that order).
inline double Interpolate(int i, int n, double v1, double vn) noexcept { return ((n + 1 - i) * v1 + (i - 1) * vn) / n; }

// Hue takes the short way round the colour circle.
inline double InterpolateHue(int i, int n, double h1, double hn) noexcept {
    if (std::fabs(hn - h1) <= 0.5) return Interpolate(i, n, h1, hn);
    double h = h1 >= hn ? Interpolate(i, n, h1, hn + 1) : Interpolate(i, n, h1 + 1, hn);
    if (h >= 1) h -= 1;
    return h;
}

}  // namespace ombrel
