#include "engine/glow_rasteriser.h"

#include <gtest/gtest.h>

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
    EXPECT_FALSE(wide.Glow(2).Lit.Empty());
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
