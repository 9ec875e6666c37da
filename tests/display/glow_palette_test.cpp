#include "display/glow_palette.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

using namespace ombrel;

namespace {

int Channel(TColor c, int i) { return (static_cast<uint32_t>(c) >> (8 * i)) & 0xff; }

}  // namespace

TEST(GlowPalette, AFrameWithoutSaturationIsGrey) {
    for (double hue : {0.0, 0.3, 0.999}) {
        const TGlowPalette palette(hue, 0, 255);
        for (int s = 0; s < 256; ++s) {
            const TColor c = palette.Colour(static_cast<uint8_t>(s));
            ASSERT_EQ(c, 0xffffff) << s;
        }
    }
    const TGlowPalette dim(0.5, 0, 100);
    for (int s = 0; s < 256; ++s) ASSERT_EQ(dim.Colour(static_cast<uint8_t>(s)), 100 | 100 << 8 | 100 << 16);
}

TEST(GlowPalette, TheFramesOwnHueLiesInTheMiddleAndTheBandFlowsOnAcrossTheCircle) {
    for (double hue : {0.0, 0.02, 0.25, 0.6, 0.98}) {
        SCOPED_TRACE(hue);
        const TGlowPalette palette(hue, 0.8, 255);
        // The middle shades are the frame's own colour to within a unit of rounding.
        const TColor own = HSVToColor(hue, 0.8, 255);
        for (uint8_t s : {127, 128})
            for (int i = 0; i < 3; ++i) EXPECT_LE(std::abs(Channel(palette.Colour(s), i) - Channel(own, i)), 2);
        // Saturation and brightness stay; neighbouring shades are neighbouring
        // colours, also where the band crosses hue 0.
        for (int s = 0; s < 256; ++s) {
            const TColor c = palette.Colour(static_cast<uint8_t>(s));
            const int hi = std::max({Channel(c, 0), Channel(c, 1), Channel(c, 2)});
            const int lo = std::min({Channel(c, 0), Channel(c, 1), Channel(c, 2)});
            ASSERT_EQ(hi, 255) << s;
            ASSERT_EQ(lo, 51) << s;
            if (s == 0) continue;
            const TColor before = palette.Colour(static_cast<uint8_t>(s - 1));
            for (int i = 0; i < 3; ++i) ASSERT_LE(std::abs(Channel(c, i) - Channel(before, i)), 2) << s;
        }
        // The ends are hues apart: the band is wide enough to tell the arms apart.
        EXPECT_NE(palette.Colour(0), palette.Colour(255));
    }
}

TEST(GlowPalette, LightDimsEachChannelWithoutOverflow) {
    const TGlowPalette palette(0.1, 1, 255);
    for (int s : {0, 128, 255}) {
        const TColor c = palette.Colour(static_cast<uint8_t>(s));
        uint32_t r, g, b;
        palette.Pixel(255, static_cast<uint8_t>(s), r, g, b);
        EXPECT_EQ(r, static_cast<uint32_t>(Channel(c, 0)));
        EXPECT_EQ(g, static_cast<uint32_t>(Channel(c, 1)));
        EXPECT_EQ(b, static_cast<uint32_t>(Channel(c, 2)));
        palette.Pixel(0, static_cast<uint8_t>(s), r, g, b);
        EXPECT_EQ(r | g | b, 0u);
        // More light, never less of any channel, and never more than the shade's own.
        uint32_t last[3] = {0, 0, 0};
        for (int l = 1; l < 256; ++l) {
            uint32_t now[3];
            palette.Pixel(static_cast<uint8_t>(l), static_cast<uint8_t>(s), now[0], now[1], now[2]);
            for (int i = 0; i < 3; ++i) {
                ASSERT_GE(now[i], last[i]) << l;
                ASSERT_LE(now[i], static_cast<uint32_t>(Channel(c, i))) << l;
                last[i] = now[i];
            }
        }
    }
}
