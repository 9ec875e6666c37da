#include "display/glow_palette.h"

#include <cmath>

namespace ombrel {

TGlowPalette::TGlowPalette(double hue, double saturation, double brightness) noexcept {
    for (int s = 0; s < 256; ++s) {
        // Exact in doubles but for the one rounding of the sum; the circle
        // wraps at 1, where the conversion's hue sectors end.
        double h = hue + Spread * (static_cast<double>(s) - 127.5) / 255.0;
        h -= std::floor(h);
        Colours[static_cast<size_t>(s)] = HSVToColor(h, saturation, brightness);
    }
}

}  // namespace ombrel
