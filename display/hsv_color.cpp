#include "display/hsv_color.h"

#include <cmath>

namespace ombrel {

namespace {

// Round to nearest, ties to even, keeping the low byte. Out of the 64-bit
// range (and NaN) the processor's conversion yields the integer indefinite,
// whose low byte is 0; we give the same without the undefined conversion.
int32_t RoundChannel(long double v) noexcept {
    const long double r = std::nearbyint(v);
    if (!(r >= -9223372036854775808.0L && r < 9223372036854775808.0L)) return 0;
    return static_cast<int32_t>(static_cast<int64_t>(r) & 255);
}

// Truncation towards zero with the same rule for what does not fit.
int64_t TruncSector(float e) noexcept {
    if (!(e > -9223372036854775808.0f && e < 9223372036854775808.0f)) return INT64_MIN;
    return static_cast<int64_t>(e);
}

}  // namespace

TColor HSVToColor(double H, double S, double V) noexcept {
    int32_t r, g, b;
    if (H < 0 || std::isnan(H)) {
        r = g = b = RoundChannel(V);
    } else {
        // The original works in the x87's extended precision and keeps p, q, t as singles.
        const long double sixth = 1.0L / 6.0L;
        const float e = static_cast<float>(H / sixth);
        const int64_t i = TruncSector(e);
        const float f = static_cast<float>(static_cast<long double>(e) - static_cast<long double>(i));
        const float p = static_cast<float>((1.0L - S) * V);
        const float q = static_cast<float>((1.0L - static_cast<long double>(S) * f) * V);
        const float t = static_cast<float>((1.0L - (1.0L - f) * S) * V);
        const int32_t rv = RoundChannel(V), rp = RoundChannel(p), rq = RoundChannel(q),
                      rt = RoundChannel(t);
        switch (i) {
            case 0: r = rv; g = rt; b = rp; break;
            case 1: r = rq; g = rv; b = rp; break;
            case 2: r = rp; g = rv; b = rt; break;
            case 3: r = rp; g = rq; b = rv; break;
            case 4: r = rt; g = rp; b = rv; break;
            default: r = rv; g = rp; b = rq; break;
        }
    }
    return r | (g << 8) | (b << 16);
}

}  // namespace ombrel
