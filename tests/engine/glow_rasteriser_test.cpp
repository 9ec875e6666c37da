#include "engine/glow_rasteriser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/glow_count.h"

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

TEST(GlowRasteriser, LargeDisplaysAreCountedWholeEachByOneThreadAndTheFramesAreTheSameOnAnyNumber) {
    // Three large displays: on two threads one counts the largest, the other
    // the rest, and on three each one, the counts held once. Small ones:
    // the threads share the orbits, each with counts of every display.
    const std::atomic<bool> go{false};
    const TPlacement& place = PlacementOf(TTargetKind::Sierpinski);
    using TSizes = std::vector<std::pair<int, int>>;
    for (const TSizes& sizes : {TSizes{{1280, 1024}, {3840, 2160}, {1920, 1080}}, TSizes{{97, 61}, {160, 100}, {80, 50}}}) {
        size_t once = 0;
        for (const auto& [w, h] : sizes)
            once += (static_cast<size_t>(w) * static_cast<size_t>(h) + 1) * 2 +
                    (static_cast<size_t>(w + 1) / 2 * static_cast<size_t>((h + 1) / 2) + 1) * 4;
        const bool whole = 2 * once > TGlowRasteriser::CountCopiesMost;
        ASSERT_EQ(whole, sizes[0].first == 1280);
        std::vector<uint64_t> hashes;
        uint32_t state = 0;
        for (const int threads : {1, 2, 3}) {
            SCOPED_TRACE(std::to_string(sizes[0].first) + " on " + std::to_string(threads));
            std::vector<std::unique_ptr<TFrameStore>> stores;
            std::vector<TFrameStore*> displays;
            for (const auto& [w, h] : sizes) {
                stores.push_back(std::make_unique<TFrameStore>());
                stores.back()->AllocateFrames(w, h, 2, TStyle::Glow);
                displays.push_back(stores.back().get());
            }
            TGlowRasteriser glow;
            glow.Prepare(displays, threads);
            EXPECT_EQ(glow.CountBytes(), whole ? once : static_cast<size_t>(threads) * once);
            TRandom random(11);
            // Twice: nothing of the first frame's counts is left in the second.
            for (int k = 0; k < 2; ++k) {
                ASSERT_TRUE(glow.Draw(2, 2, Sierpinski(), place, random, 20000, {}, go));
                for (size_t d = 0; d < displays.size(); ++d) {
                    ASSERT_TRUE(displays[d]->Glow(2).Complete.Raised());
                    EXPECT_FALSE(displays[d]->Glow(2).Lit().Empty());
                    if (threads == 1)
                        hashes.push_back(displays[d]->FrameHash(2));
                    else
                        EXPECT_EQ(displays[d]->FrameHash(2), hashes[k * displays.size() + d]) << k << " " << d;
                }
            }
            if (threads == 1) state = random.GetState();
            EXPECT_EQ(random.GetState(), state);
        }
    }
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

TEST(GlowRasteriser, APixelHitPastCountingLightsFullyAndItsBlocksTakeTheMiddleShadeWhereverItLies) {
    // Maps that send every point to one spot: its pixel's count saturates,
    // its shades are not known, and no block around it has points of its
    // own. In the middle of the display, and in the last column and row of
    // an odd-sized one, whose blocks have a single column or row.
    struct TCase {
        int W, H;
        bool Corner;
    };
    for (const TCase c : {TCase{40, 30, false}, TCase{41, 31, true}, TCase{41, 31, false}, TCase{40, 31, true}}) {
        SCOPED_TRACE(std::to_string(c.W) + "x" + std::to_string(c.H) + (c.Corner ? " corner" : " middle"));
        TFrameStore d;
        d.AllocateFrames(c.W, c.H, 2, TStyle::Glow);
        const TPlacement& place = PlacementOf(TTargetKind::Sierpinski);
        const TCountTarget at(d, place, nullptr, nullptr);
        const int px = c.Corner ? c.W - 1 : c.W / 2, py = c.Corner ? c.H - 1 : c.H / 2;
        TOrbitMaps maps{};
        for (int k = 0; k < 4; ++k) {
            maps.E[k] = (px - at.Bx) / at.Ax;
            maps.F[k] = (py - at.By) / at.Ay;
        }
        const std::atomic<bool> go{false};
        TGlowRasteriser glow;
        glow.Prepare({&d}, 2);
        TRandom random(5);
        ASSERT_TRUE(glow.Draw(2, 2, maps, place, random, 200000, {}, go));
        const TGlowPlane f = d.Glow(2).Picture()->Plane(c.W, c.H);
        EXPECT_EQ(f.Light[static_cast<size_t>(py) * c.W + px], 255);
        int lit = 0;
        for (int by = 0; by < (c.H + 1) / 2; ++by)
            for (int bx = 0; bx < f.ShadeWidth; ++bx) {
                bool any = false;
                for (int y = 2 * by; y < std::min(c.H, 2 * by + 2); ++y)
                    for (int x = 2 * bx; x < std::min(c.W, 2 * bx + 2); ++x) any |= f.Light[static_cast<size_t>(y) * c.W + x] != 0;
                lit += any;
                EXPECT_EQ(f.ShadeAt(2 * bx, 2 * by), any ? 128 : 0) << bx << "," << by;
            }
        // The light reaches past the spot's own block.
        EXPECT_GT(lit, 1);
    }
}
