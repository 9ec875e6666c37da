#pragma once
#include <cstdint>

namespace ombrel {

// Packed colour: red in bits 0-7, green 8-15, blue 16-23; a negative value
// names a system colour by its low byte.
using TColor = int32_t;

// Hue as a fraction of the circle, saturation 0..1, brightness 0..255.
TColor HSVToColor(double H, double S, double V) noexcept;

}  // namespace ombrel
