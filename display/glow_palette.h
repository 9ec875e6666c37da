#pragma once
#include <array>
#include <cstdint>

#include "display/hsv_color.h"

namespace ombrel {

// The colours of a glow frame's shades: hues in a band around the frame's
// own, with its saturation and brightness, so that the show's colour morph
// still reads as one colour flowing into the next and a pale frame stays
// pale (grey at saturation 0). Shade 0 is one end of the band, 255 the
// other; the frame's own hue lies in the middle.
class TGlowPalette {
public:
    TGlowPalette(double hue, double saturation, double brightness) noexcept;

    TColor Colour(uint8_t shade) const noexcept { return Colours[shade]; }
    // A pixel's red, green and blue: its shade's colour dimmed by its light, rounded.
    void Pixel(uint8_t light, uint8_t shade, uint32_t& red, uint32_t& green, uint32_t& blue) const noexcept {
        const TColor c = Colours[shade];
        red = Dim(static_cast<uint32_t>(c) & 0xffu, light);
        green = Dim((static_cast<uint32_t>(c) >> 8) & 0xffu, light);
        blue = Dim((static_cast<uint32_t>(c) >> 16) & 0xffu, light);
    }

private:
    // The width of the band, in turns of the hue circle: about 108 degrees.
    // Looked at over seeds 1, 2, 3, 5, 7, 9, 43 and 20261207, the arms of a
    // figure are told apart at once and still read as one colour; at 0.7
    // (seeds 2 and 5) a frame runs from yellow to violet and its own hue,
    // which the show morphs, no longer leads.
    static constexpr double Spread = 0.3;
    static uint32_t Dim(uint32_t channel, uint32_t light) noexcept { return (channel * light + 127) / 255; }
    std::array<TColor, 256> Colours;
};

}  // namespace ombrel
