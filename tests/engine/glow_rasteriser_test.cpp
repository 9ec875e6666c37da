#include "engine/glow_rasteriser.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

using namespace ombrel;

namespace {

TOrbitMaps Sierpinski() {
    const TPresetMaps& m = SierpinskiMaps;
    return {m.CoefA, m.CoefB, m.CoefC, m.CoefD, m.CoefE, m.CoefF};
}

}  // namespace

TEST(GlowRasteriser, DrawsOnFrameStoresAloneAndLightsOnlyTheDisplaysAsked) {
    TFrameStore wide, small;
    wide.AllocateFrames(160, 100, 2, TStyle::Glow);
    small.AllocateFrames(80, 50, 2, TStyle::Glow);
    const std::atomic<bool> go{false};
    const TPlacement& place = PlacementOf(TTargetKind::Sierpinski);
    const auto draw = [&](std::vector<TFrameStore*> lit, uint32_t& state) {
        TGlowRasteriser glow;
        glow.Prepare({&wide, &small}, 2);
        TRandom random(7);
        EXPECT_TRUE(glow.Draw(2, 2, Sierpinski(), place, random, 2000, lit, go));
        state = random.GetState();
    };
    uint32_t both = 0, one = 0;
    draw({}, both);
    ASSERT_TRUE(wide.Glow(2).Complete.Raised() && small.Glow(2).Complete.Raised());
    const uint64_t wideLight = wide.FrameHash(2), smallLight = small.FrameHash(2);
    EXPECT_FALSE(wide.Glow(2).Lit().Empty());
    // Orbit 0 takes the dots' draws: 2001 points, four maps each.
    TRandom dots(7);
    dots.Skip(2001);
    EXPECT_EQ(both, dots.GetState());

    // The small display drawn again alone: the same light, measured with the wide one's counts; the wide one untouched.
    small.ClearFrame(2);
    wide.Glow(2).Complete.Set(false);
    draw({&small}, one);
    EXPECT_EQ(one, both);
    EXPECT_EQ(small.FrameHash(2), smallLight);
    EXPECT_TRUE(small.Glow(2).Complete.Raised());
    EXPECT_FALSE(wide.Glow(2).Complete.Raised());
    EXPECT_EQ(wide.FrameHash(2), wideLight);

    // Asked to stop: nothing written, nothing marked complete.
    small.ClearFrame(2);
    const std::atomic<bool> stop{true};
    TGlowRasteriser glow;
    glow.Prepare({&small}, 1);
    TRandom random(7);
    EXPECT_FALSE(glow.Draw(2, 2, Sierpinski(), place, random, 2000, {}, stop));
    EXPECT_FALSE(small.Glow(2).Complete.Raised());
}

TEST(GlowRasteriser, EachPartOfAFigureTakesTheShadeOfTheMapThatMadeIt) {
    // The Sierpinski triangle: map 1 makes the corner at the right angle, map 2
    // the one to its right, map 3 the one above it.
    TFrameStore d;
    d.AllocateFrames(400, 300, 2, TStyle::Glow);
    const std::atomic<bool> go{false};
    TGlowRasteriser glow;
    glow.Prepare({&d}, 2);
    TRandom random(3);
    ASSERT_TRUE(glow.Draw(2, 2, Sierpinski(), PlacementOf(TTargetKind::Sierpinski), random, 100000, {}, go));
    const TGlowPlane f = d.Glow(2).Picture()->Plane(400, 300);
    const TLitBox b = f.Lit;
    ASSERT_GT(b.Right - b.Left, 100);
    ASSERT_GT(b.Bottom - b.Top, 100);
    // The mean shade of the lit pixels in a box a sixth of the figure's size.
    const auto meanShade = [&](int left, int top) {
        const int w = (b.Right - b.Left) / 6, h = (b.Bottom - b.Top) / 6;
        double sum = 0;
        int n = 0;
        for (int y = top; y < top + h; ++y)
            for (int x = left; x < left + w; ++x)
                if (f.Light[static_cast<size_t>(y) * 400 + x] != 0) sum += f.ShadeAt(x, y), ++n;
        EXPECT_GT(n, 50);
        return sum / n;
    };
    const int w6 = (b.Right - b.Left) / 6, h6 = (b.Bottom - b.Top) / 6;
    const double corners[3] = {meanShade(b.Left, b.Bottom - h6), meanShade(b.Right - w6, b.Bottom - h6),
                               meanShade(b.Left, b.Top)};
    // Each corner nearer its own map's shade than the other corners are.
    const double own[3] = {0, 85, 170};
    for (int k = 0; k < 3; ++k)
        for (int j = 0; j < 3; ++j)
            if (j != k) {
                EXPECT_LT(std::abs(corners[k] - own[k]), std::abs(corners[j] - own[k])) << k << " " << j;
            }
    EXPECT_GT(corners[1] - corners[0], 20);
    EXPECT_GT(corners[2] - corners[1], 20);
    // No shade where nothing is lit.
    for (size_t i = 0; i < f.Blocks(); ++i) {
        const int bx = static_cast<int>(i % 200), by = static_cast<int>(i / 200);
        bool lit = false;
        for (int y = 2 * by; y < 2 * by + 2; ++y)
            for (int x = 2 * bx; x < 2 * bx + 2; ++x) lit |= f.Light[static_cast<size_t>(y) * 400 + x] != 0;
        if (!lit) {
            ASSERT_EQ(f.Shade[i], 0) << i;
        }
    }
}
