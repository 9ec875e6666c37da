#include "engine/glow.h"

#include <gtest/gtest.h>

#include <cmath>

#include "engine/show_layout.h"
#include "tests/engine/engine_rig.h"

using namespace ombrel;

TEST(Glow, ToneMapIsBlackForNoneVisibleForOneMonotoneAndFullAtTheReference) {
    for (double range : {MinGlowRange, 5000.0, 2e6})
        for (uint32_t reference : {1u, 2u, 7u, 200u, 5000u, 65535u}) {
            const TGlowScale scale{reference, range};
            EXPECT_EQ(ToneMap(0, scale), 0);
            EXPECT_EQ(ToneMap(reference, scale), 255);
            // The largest count a frame holds, and beyond: no wrap.
            EXPECT_EQ(ToneMap(65535, scale), 255);
            EXPECT_EQ(ToneMap(0xFFFFFFFFu, scale), 255);
            // One hit: dim, but a point on black that an eye sees.
            EXPECT_GE(ToneMap(1, scale), 8) << reference;
            uint8_t last = 0;
            for (uint32_t c = 1; c <= reference; c += 1 + c / 64) {
                EXPECT_GE(ToneMap(c, scale), last) << c << " of " << reference << " over " << range;
                last = ToneMap(c, scale);
            }
        }
    // Not a plateau: a tenth of the reference stays well below full light.
    EXPECT_LT(ToneMap(500, {5000}), 200);
    EXPECT_LT(ToneMap(500, {5000, 1e5}), 240);
    // The same density, the same light, at any number of points.
    EXPECT_EQ(ToneMap(30, {300}), ToneMap(240, {2400}));
    EXPECT_EQ(ToneMap(30, {300, 9000}), ToneMap(240, {2400, 9000}));
    // A wider span lifts the faint pixels, most of all the faintest.
    EXPECT_GT(ToneMap(2, {5000, 5000}), ToneMap(2, {5000}) + 16);
    EXPECT_GT(ToneMap(2, {5000, 5000}), ToneMap(50, {5000}) / 2);
}

TEST(Glow, SparseLightIsTheToneMapOfTheDensityAndASingleHitKeepsTheFloor) {
    for (uint32_t reference : {1u, 7u, 200u, 65535u}) {
        EXPECT_EQ(SparseLight(0, {reference}), 0);
        EXPECT_EQ(SparseLight(uint64_t{reference} * 16, {reference}), 255);
        EXPECT_EQ(SparseLight(uint64_t{0xFFFFFFFFu} * 16, {reference}), 255);
        for (uint32_t c = 1; c <= reference && c < 5000; c += 1 + c / 16) EXPECT_EQ(SparseLight(c * 16ull, {reference}), ToneMap(c, {reference}));
        // A single hit spread 1 2 1 by 1 2 1: its own pixel has the floor, the
        // sides half of it, the corners a quarter, none of them black.
        EXPECT_GE(SparseLight(4, {reference}), 8) << reference;
        EXPECT_GE(SparseLight(1, {reference}), 1);
        uint8_t last = 0;
        for (uint64_t v = 1; v <= uint64_t{reference} * 16 && v < 100000; v += 1 + v / 64) {
            EXPECT_GE(SparseLight(v, {reference}), last) << v << " of " << reference;
            last = SparseLight(v, {reference});
        }
    }
    EXPECT_LT(SparseLight(1, {200}), SparseLight(2, {200}));
    EXPECT_LT(SparseLight(2, {200}), SparseLight(4, {200}));
}

TEST(Glow, SparsePixelsTakeTheirLightFromAroundThemAndDensePixelsKeepTheirOwn) {
    constexpr int W = 7, H = 5;
    const auto light = [](const std::vector<uint16_t>& counts, uint32_t reference) {
        const TGlowTone tone({reference});
        std::vector<uint8_t> out(W * H, 0);
        TGlowTone::TRoom room;
        for (int y = 0; y < H; ++y) {
            const uint16_t* rows[5];
            for (int r = -2; r <= 2; ++r) rows[r + 2] = y + r >= 0 && y + r < H ? counts.data() + (y + r) * W : nullptr;
            tone.LightRow(rows, W, 0, W - 1, room, out.data() + y * W);
        }
        return out;
    };
    const auto at = [](const std::vector<uint8_t>& l, int x, int y) { return l[static_cast<size_t>(y * W + x)]; };
    // A single hit in the middle and one in the top left corner, on the
    // display's edges: so few hits that their light comes from the 5x5
    // kernel, 1 4 6 4 1 by 1 4 6 4 1, in 256ths rounded to sixteenths.
    std::vector<uint16_t> counts(W * H, 0);
    counts[2 * W + 3] = 1;
    counts[0] = 1;
    std::vector<uint8_t> l = light(counts, 100);
    EXPECT_EQ(at(l, 3, 2), SparseLight((36 + 8) / 16, {100}));
    EXPECT_EQ(at(l, 2, 2), SparseLight((24 + 8) / 16, {100}));
    EXPECT_EQ(at(l, 3, 1), SparseLight((24 + 8) / 16, {100}));
    EXPECT_EQ(at(l, 4, 3), SparseLight((16 + 8) / 16, {100}));
    EXPECT_GT(at(l, 4, 3), 0);
    EXPECT_EQ(at(l, 5, 2), 0);
    EXPECT_EQ(at(l, 0, 0), SparseLight((36 + 8) / 16, {100}));
    EXPECT_EQ(at(l, 1, 1), SparseLight((16 + 8) / 16, {100}));
    EXPECT_EQ(at(l, 0, 3), 0);
    // Six hits a pixel around it and more: the 3x3 kernel, 1 2 1 by 1 2 1;
    // beside it, with fewer around, the 5x5 one.
    counts.assign(W * H, 0);
    counts[2 * W + 3] = 24;
    l = light(counts, 100);
    EXPECT_EQ(at(l, 3, 2), SparseLight(4 * 24, {100}));
    EXPECT_EQ(at(l, 2, 2), SparseLight((6 * 4 * 24 + 8) / 16, {100}));
    // A dense pixel (a quarter of the reference and more) keeps its own light
    // and lends its count to the sparse ones around it, past the table of
    // sixteenths too (from 16 hits on).
    counts.assign(W * H, 0);
    counts[2 * W + 3] = 200;
    counts[2 * W + 4] = 3;
    l = light(counts, 300);
    EXPECT_EQ(at(l, 3, 2), ToneMap(200, {300}));
    EXPECT_EQ(at(l, 4, 2), ToneMap((2 * 200 + 4 * 3) / 16, {300}));
    EXPECT_EQ(at(l, 2, 2), ToneMap(2 * 200 / 16, {300}));
    EXPECT_EQ(at(l, 2, 1), SparseLight(200, {300}));
    // Two pixels away, the wide kernel reaches the dense one.
    EXPECT_EQ(at(l, 5, 2), SparseLight((6 * 200 + 4 * 6 * 3 + 8) / 16, {300}));
    // Which pixels are sparse follows the reference: more points, more hits
    // before a pixel keeps its own count.
    for (uint16_t c : {24, 25}) {
        counts.assign(W * H, 0);
        counts[2 * W + 3] = c;
        l = light(counts, 100);
        EXPECT_EQ(at(l, 3, 2), c * 4 < 100 ? SparseLight(4 * c, {100}) : ToneMap(c, {100})) << c;
        EXPECT_EQ(light(counts, 4 * c)[2 * W + 3], ToneMap(c, {4u * c})) << c;
    }
}

TEST(Glow, ARowLitOverDarkStretchesHasEveryPixelsOwnLight) {
    // Scattered hits, some at the ends of eight-pixel stretches, over three
    // rows: a whole row at once must light each pixel as a row of it alone does.
    constexpr int W = 61;
    std::vector<uint16_t> counts(3 * W, 0);
    for (int x : {0, 8, 9, 17, 30, 31, 47, 55, 60}) counts[static_cast<size_t>(W + x)] = static_cast<uint16_t>(1 + x % 5);
    counts[5] = 40;
    counts[2 * W + 39] = 2;
    const TGlowTone tone({64});
    TGlowTone::TRoom room;
    const uint16_t* rows[5] = {nullptr, counts.data(), counts.data() + W, counts.data() + 2 * W, nullptr};
    for (const auto& [left, right] : {std::pair{0, W - 1}, std::pair{3, 50}, std::pair{12, 19}, std::pair{19, 25}, std::pair{22, 60}}) {
        std::vector<uint8_t> whole(W, 77), alone(W, 77);
        tone.LightRow(rows, W, left, right, room, whole.data());
        for (int x = left; x <= right; ++x) tone.LightRow(rows, W, x, x, room, alone.data());
        EXPECT_EQ(whole, alone) << left << ".." << right;
        if (left <= 23 && 23 <= right) {
            EXPECT_EQ(whole[23], 0) << "nothing around it: black";
        }
    }
}

TEST(Glow, TheReferenceIsWhereTheDensestPixelsHoldAnEighthOfTheHits) {
    std::vector<uint32_t> histogram(0x10000, 0);
    EXPECT_EQ(GlowReference(histogram.data(), 0x10000), 1u);
    histogram[0] = 1000000;  // black pixels do not count
    histogram[1] = 1000;
    histogram[10] = 100;
    histogram[100] = 4;  // 400 of 2400 hits
    EXPECT_EQ(GlowReference(histogram.data(), 0x10000), 100u);
    histogram[100] = 2;  // 200 of 2200
    EXPECT_EQ(GlowReference(histogram.data(), 0x10000), 10u);
    // Eight times the points, and more faint pixels lit: eight times the reference.
    std::vector<uint32_t> more(0x10000, 0);
    more[1] = 4000;
    more[8] = 1000;
    more[80] = 100;
    more[800] = 4;
    EXPECT_EQ(GlowReference(more.data(), 0x10000), 800u);
    // The largest counts and pixels do not overflow.
    std::vector<uint32_t> full(0x10000, 0);
    full[0xFFFF] = 0xFFFFFFFFu;
    full[1] = 0xFFFFFFFFu;
    EXPECT_EQ(GlowReference(full.data(), 0x10000), 0xFFFFu);
}

TEST(Glow, TheLightSpansFromTheMeanDensityToTheReferenceWhereAThinPartHoldsMostOfThePoints) {
    std::vector<uint32_t> histogram(0x10000, 0);
    // No hits: the least span.
    TGlowScale scale = GlowScaleOf(histogram.data(), 0x10000, 1000);
    EXPECT_EQ(scale.Reference, 1u);
    EXPECT_EQ(scale.Range, MinGlowRange);
    // A cloud: 1000 pixels of 10 hits, 20 of 100, on 4000 pixels; the mean
    // density 3, the reference 100, within the least span of it.
    histogram[10] = 1000;
    histogram[100] = 20;
    scale = GlowScaleOf(histogram.data(), 0x10000, 4000);
    EXPECT_EQ(scale.Reference, 100u);
    EXPECT_EQ(scale.Range, MinGlowRange);
    // A stem of 10 pixels holding half of 20000 hits over 100000 pixels:
    // the light spans from the mean density 0.2 up to the stem's 1000.
    histogram.assign(0x10000, 0);
    histogram[1] = 10000;
    histogram[1000] = 10;
    scale = GlowScaleOf(histogram.data(), 0x10000, 100000);
    EXPECT_EQ(scale.Reference, 1000u);
    EXPECT_EQ(scale.Range, 5000.0);
    // Eight times the points, and more faint pixels lit: the same span.
    histogram.assign(0x10000, 0);
    histogram[8] = 8000;
    histogram[4] = 4000;
    histogram[8000] = 10;
    const TGlowScale more = GlowScaleOf(histogram.data(), 0x10000, 100000);
    EXPECT_EQ(more.Reference, 8000u);
    EXPECT_NEAR(more.Range, 5000.0, 5000.0 / 8);
    // No pixels to spread over: no span from them.
    EXPECT_EQ(GlowScaleOf(histogram.data(), 0x10000, 0).Range, MinGlowRange);
}

TEST(Glow, PortableLog2AgreesWithTheLibrary) {
    for (double x : {1.0, 1.5, 2.0, 3.0, 1000.0, 65536.0, 65537.0, 1e9})
        EXPECT_NEAR(PortableLog2(x), std::log2(x), 1e-13 * (1 + std::log2(x))) << x;
}

TEST(Glow, FramesAreTheSameOnOneThreadTwoOrThreeAndTheFiguresThoseOfTheDots) {
    // Sizes apart, so that each display counts the points its own way; an
    // odd height, whose last row of blocks has one row, split three ways too.
    TEngineRig one({{160, 100}, {97, 61}}, 0x5eed, TStyle::Glow), two({{160, 100}, {97, 61}}, 0x5eed, TStyle::Glow);
    TEngineRig three({{160, 100}, {97, 61}}, 0x5eed, TStyle::Glow);
    TEngineRig dots({{160, 100}, {97, 61}}, 0x5eed);
    one.S.GlowThreads = 1;
    two.S.GlowThreads = 2;
    three.S.GlowThreads = 3;
    for (int cycle = 0; cycle < 3; ++cycle) {
        ASSERT_TRUE(one.S.GenerateMorph());
        ASSERT_TRUE(two.S.GenerateMorph());
        ASSERT_TRUE(three.S.GenerateMorph());
        ASSERT_TRUE(dots.S.GenerateMorph());
        for (size_t d = 0; d < 2; ++d)
            for (int k = 1; k <= DesignedFrameCount; ++k) {
                ASSERT_TRUE(one.Stores[d]->Glow(k).Complete.Raised());
                EXPECT_EQ(one.Stores[d]->FrameHash(k), two.Stores[d]->FrameHash(k)) << cycle << " " << d << " " << k;
                EXPECT_EQ(one.Stores[d]->FrameHash(k), three.Stores[d]->FrameHash(k)) << cycle << " " << d << " " << k;
                // Nothing of the last cycle's light is left around the new figure.
                for (TEngineRig* rig : {&one, &two, &three}) {
                    const TFrameStore& s = *rig->Stores[d];
                    const TGlowPlane plane = rig->GlowPlane(d, k);
                    EXPECT_EQ(s.Glow(k).Lit(), LitBoxOf(plane.Light.get(), s.ScreenWidth, s.ScreenHeight))
                        << cycle << " " << d << " " << k;
                }
            }
        EXPECT_EQ(one.Frames()[DesignedFrameCount].CoefA, dots.Frames()[DesignedFrameCount].CoefA);
        EXPECT_EQ(one.Frames()[DesignedFrameCount].CoefF, dots.Frames()[DesignedFrameCount].CoefF);
        EXPECT_EQ(one.S.Random.GetState(), dots.S.Random.GetState());
    }
    // A glow frame has light where the dots have points, and more.
    int lit = 0;
    const TGlowPlane plane = one.GlowPlane(0, DesignedFrameCount);
    const uint8_t* light = plane.Light.get();
    for (int i = 0; i < 160 * 100; ++i) lit += light[i] != 0;
    EXPECT_GT(lit, dots.CountSet(0, DesignedFrameCount));
}

TEST(Glow, ACycleMarksItsFramesIncompleteUntilDrawnAndFrameOneTakesTheTarget) {
    TEngineRig rig({{64, 48}}, 3, TStyle::Glow);
    ASSERT_TRUE(rig.S.GenerateMorph());
    TFrameStore& d = *rig.Stores[0];
    const uint64_t target = d.FrameHash(DesignedFrameCount);
    d.ClearFrame(7);
    EXPECT_FALSE(d.Glow(7).Complete.Raised());
    rig.S.TakeOverTargetPicture();
    EXPECT_EQ(d.FrameHash(1), target);
    EXPECT_TRUE(d.Glow(1).Complete.Raised());
    EXPECT_FALSE(d.Glow(1).Lit().Empty());
    EXPECT_EQ(d.Glow(1).Lit(), LitBoxOf(rig.GlowPlane(0, 1).Light.get(), 64, 48));
}

TEST(Glow, TheLitBoxHoldsEveryLitPixelAndNoDarkMargin) {
    // Widths around the eight-byte steps, pixels on their edges and at random.
    for (int w : {1, 7, 8, 9, 17, 64, 67})
        for (int h : {1, 5}) {
            std::vector<uint8_t> light(static_cast<size_t>(w) * h, 0);
            EXPECT_TRUE(LitBoxOf(light.data(), w, h).Empty());
            uint32_t state = 12345u + static_cast<uint32_t>(w * 10 + h);
            for (int trial = 0; trial < 40; ++trial) {
                std::fill(light.begin(), light.end(), 0);
                const int marks = 1 + trial % 4;
                TLitBox expected{w, h, -1, -1};
                for (int m = 0; m < marks; ++m) {
                    state = state * 1664525u + 1013904223u;
                    const int x = trial < 8 ? (trial % 2 ? w - 1 : std::min(w - 1, 8 * (trial / 2))) : int(state >> 8) % w;
                    const int y = int(state >> 20) % h;
                    light[static_cast<size_t>(y) * w + x] = static_cast<uint8_t>(1 + (state >> 3) % 255);
                    expected = {std::min(expected.Left, x), std::min(expected.Top, y), std::max(expected.Right, x),
                                std::max(expected.Bottom, y)};
                }
                EXPECT_EQ(LitBoxOf(light.data(), w, h), expected) << w << "x" << h << " trial " << trial;
            }
        }
}

TEST(Glow, TheMemoryLimitCountsAByteAPixelAndAShadeABlock) {
    // 4 GiB: eleven 3840x2160 monitors hold 50 dots frames, not 50 glow frames.
    const std::vector<TDisplayRect> wall(11, TDisplayRect{0, 0, 3840, 2160});
    EXPECT_EQ(FrameMemoryProblem(wall, 50), "");
    EXPECT_EQ(FrameMemoryProblem(wall, 50, TStyle::Glow),
              "50 frames a morph on these displays would take 5438 MB, more than the 4096 MB allowed: shorten --morph "
              "or lower --fps");
}
