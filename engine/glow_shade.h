#pragma once
#include <cstdint>

namespace ombrel {

// A glow point's colour is a position in the frame's palette, 0 to 255,
// that follows the maps that brought it there: each step moves it halfway
// toward the position of the map just applied (16 bits of fraction kept),
// so each part of a figure, and each part of that part, takes a shade of
// its own, and where parts cross the shades mix. The positions are fixed
// by map index: a morph carries map k of one figure into map k of the
// next, so each arm keeps its shade while it changes shape, and the shades
// take nothing from the random generator. Spread evenly over the palette:
// the four arms as far apart as they can be.
constexpr uint32_t MapShades[4] = {0, 85 * 257, 170 * 257, 255 * 257};
// Where an orbit's shade starts: the middle, forgotten within a few steps.
constexpr uint32_t StartShade = 0x8000;

inline uint32_t StepShade(uint32_t shade, uint32_t map) noexcept { return (shade + MapShades[map]) >> 1; }
// The palette position that a point of `shade` adds to its pixel.
inline uint32_t ShadeOf(uint32_t shade) noexcept { return shade >> 8; }

// A block's shade from the shades and counts of the points around it:
// their mean, rounded; the middle where none counts.
inline uint8_t MeanShade(uint32_t shades, uint32_t counts) noexcept {
    if (counts == 0) return 128;
    const uint32_t mean = (shades + counts / 2) / counts;
    return static_cast<uint8_t>(mean > 255 ? 255 : mean);
}

}  // namespace ombrel
