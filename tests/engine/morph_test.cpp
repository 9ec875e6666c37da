#include <gtest/gtest.h>

#include <cmath>

#include "engine/interpolation.h"
#include "engine/reference/chaos_game_reference.h"
#include "tests/engine/engine_rig.h"

using namespace ombrel;

TEST(Random, FollowsTheLinearCongruentialRecurrence) {
    TRandom r(0);
    EXPECT_EQ(r.Next(), 1u);
    EXPECT_EQ(r.Next(), 134775814u);
    // The integer draw takes the high bits of the new state, never the low ones.
    TRandom top(0x3fffffffu);
    const uint32_t next = 0x3fffffffu * 134775813u + 1u;
    EXPECT_EQ(top.Integer(4), next >> 30);
    TRandom real(0xffffffffu);
    const uint32_t s = 0xffffffffu * 134775813u + 1u;
    EXPECT_EQ(real.Real(), s / 4294967296.0);
    // The state that steps to 2^32 - 1 gives the largest real draw, still below 1.
    TRandom largest(0x4d60ae66u);
    EXPECT_EQ(largest.Real(), 4294967295.0 / 4294967296.0);
}

TEST(Interpolation, HueTakesTheShortWayRound) {
    // 0.9 to 0.1 runs up through 1.
    EXPECT_NEAR(InterpolateHue(2, 50, 0.9, 0.1), 0.904, 1e-12);
    EXPECT_NEAR(InterpolateHue(25, 50, 0.9, 0.1), 0.996, 1e-12);
    EXPECT_NEAR(InterpolateHue(26, 50, 0.9, 0.1), 0.0, 1e-12);
    EXPECT_NEAR(InterpolateHue(27, 50, 0.9, 0.1), 0.004, 1e-12);
    EXPECT_NEAR(InterpolateHue(49, 50, 0.9, 0.1), 0.092, 1e-12);
    // 0.1 to 0.9 runs down through 0.
    EXPECT_NEAR(InterpolateHue(2, 50, 0.1, 0.9), 0.096, 1e-12);
    EXPECT_NEAR(InterpolateHue(25, 50, 0.1, 0.9), 0.004, 1e-12);
    EXPECT_NEAR(InterpolateHue(26, 50, 0.1, 0.9), 0.0, 1e-12);
    EXPECT_NEAR(InterpolateHue(27, 50, 0.1, 0.9), 0.996, 1e-12);
    EXPECT_NEAR(InterpolateHue(49, 50, 0.1, 0.9), 0.908, 1e-12);
    // A difference of exactly one half is linear.
    EXPECT_EQ(InterpolateHue(26, 50, 0.25, 0.75), 0.5);
    for (int i = 2; i <= 49; ++i) {
        const double h = InterpolateHue(i, 50, 0.1, 0.9);
        EXPECT_GE(h, 0.0);
        EXPECT_LT(h, 1.0);
    }
    // The last step is twice the others.
    EXPECT_DOUBLE_EQ(Interpolate(49, 50, 0, 50), 48.0);
}

TEST(GenerateMorph, FirstCycleGrowsFromAnEmptyWhiteStart) {
    TEngineRig rig({{320, 240}}, 12345);
    TRandom draws(12345);
    rig.S.GenerateMorph();
    TFrames& F = rig.Frames();

    EXPECT_FALSE(rig.S.FirstCycle);
    EXPECT_EQ(rig.CountSet(0, 1), 0);
    for (const TCoefs* c : {&F[1].CoefA, &F[1].CoefB, &F[1].CoefC, &F[1].CoefD, &F[1].CoefE, &F[1].CoefF})
        for (double v : *c) EXPECT_EQ(v, 0.0);
    EXPECT_EQ(F[1].Hue, 0.0);
    EXPECT_EQ(F[1].Saturation, 0.0);
    EXPECT_EQ(F[1].Brightness, 255.0);

    // The random target: a..f of each map, then hue and saturation, map by map.
    for (size_t k = 0; k < 4; ++k) {
        for (const TCoefs* c : {&F[50].CoefA, &F[50].CoefB, &F[50].CoefC, &F[50].CoefD, &F[50].CoefE, &F[50].CoefF})
            EXPECT_EQ((*c)[k], draws.Real() * 2 - 1);
        const double hue = draws.Real(), saturation = draws.Real();
        if (k == 3) {
            EXPECT_EQ(F[50].Hue, hue);
            EXPECT_EQ(F[50].Saturation, saturation);
        }
    }
    EXPECT_EQ(F[50].Brightness, 255.0);

    for (int i = 2; i <= 49; ++i) {
        EXPECT_EQ(F[i].CoefE[2], ((i - 1) * F[50].CoefE[2]) / 50);
        EXPECT_EQ(F[i].Brightness, 255.0);
        EXPECT_GT(rig.CountSet(0, i), 0);
    }
    // Frame 2 is a tiny cluster around where the origin lands (380/800, 350/600).
    const TFrameStore& d = *rig.S.Displays[0];
    for (int y = 0; y < d.ScreenHeight; ++y)
        for (int x = 0; x < d.ScreenWidth; ++x)
            if (d.mb_getpixel(2, x, y)) {
                EXPECT_NEAR(x, 152, 6);
                EXPECT_NEAR(y, 140, 6);
            }
}

TEST(GenerateMorph, LaterCycleStartsFromThePreviousTargetOnEveryDisplay) {
    TEngineRig rig({{200, 150}, {97, 61}}, 7);
    rig.S.GenerateMorph();
    TEngineRig before({{200, 150}, {97, 61}}, 7);
    before.S.GenerateMorph();

    rig.S.GenerateMorph();
    TFrames& F = rig.Frames();
    TFrames& P = before.Frames();
    EXPECT_EQ(F[1].CoefA, P[50].CoefA);
    EXPECT_EQ(F[1].CoefF, P[50].CoefF);
    EXPECT_EQ(F[1].Hue, P[50].Hue.load());
    EXPECT_EQ(F[1].Saturation, P[50].Saturation.load());
    for (size_t d = 0; d < 2; ++d) {
        const TFrameBits& now = rig.Stores[d]->Dots(1).FrameBits;
        const TFrameBits& then = before.Stores[d]->Dots(50).FrameBits;
        for (size_t i = 0; i < now.WordCount(); ++i) ASSERT_EQ(now.Row(0)[i].load(), then.Row(0)[i].load());
    }
}

TEST(GenerateMorph, RequestsChooseFernThenKochThenSierpinskiAndAreCleared) {
    TEngineRig rig({{160, 120}}, 99);
    rig.S.RequestFern = true;
    rig.S.RequestSierpinski = true;
    rig.S.GenerateMorph();
    TFrames& F = rig.Frames();
    EXPECT_EQ(F[50].CoefA, FernMaps.CoefA);
    EXPECT_EQ(F[50].CoefF, FernMaps.CoefF);
    EXPECT_EQ(F[50].Hue, 0.0);
    EXPECT_EQ(F[50].Saturation, 0.0);
    EXPECT_EQ(F[50].Brightness, 255.0);
    EXPECT_FALSE(rig.S.RequestFern);
    EXPECT_FALSE(rig.S.RequestSierpinski);

    rig.S.RequestKoch = true;
    rig.S.RequestSierpinski = true;
    rig.S.GenerateMorph();
    EXPECT_EQ(F[50].CoefE, KochMaps.CoefE);
    EXPECT_FALSE(rig.S.RequestKoch || rig.S.RequestSierpinski);

    rig.S.RequestSierpinski = true;
    rig.S.GenerateMorph();
    EXPECT_EQ(F[50].CoefC, SierpinskiMaps.CoefC);

    // Without requests the next target is random again.
    rig.S.GenerateMorph();
    EXPECT_NE(F[50].CoefC, SierpinskiMaps.CoefC);
}

TEST(GenerateMorph, SierpinskiTargetLiesOnTheTriangle) {
    TEngineRig rig({{580, 580}}, 3);
    rig.S.RequestSierpinski = true;
    rig.S.GenerateMorph();
    const TFrameStore& d = *rig.S.Displays[0];
    int n = 0;
    for (int y = 0; y < d.ScreenHeight; ++y)
        for (int x = 0; x < d.ScreenWidth; ++x)
            if (d.mb_getpixel(50, x, y)) {
                ++n;
                // Corners at virtual (10, 590), (590, 590), (10, 10), scaled by 580/800 and 580/600.
                const double vx = x * 800.0 / 580, vy = y * 600.0 / 580;
                EXPECT_GE(vx, 9.0);
                EXPECT_LE(vy, 591.5);
                EXPECT_LE((vx - 10) + (590 - vy), 581.5);
            }
    EXPECT_GT(n, 1000);
}

TEST(ChaosGame, DivergingFrameStopsAfterTwentyPoints) {
    TEngineRig rig({{800, 600}}, 5);
    rig.S.MaxPointBudget = 1000;
    for (int i = 2; i <= DesignedFrameCount; ++i) {
        TMorphFrame& f = rig.Frames()[i];
        f.CoefA = f.CoefD = f.CoefE = f.CoefF = {2, 2, 2, 2};
        f.CoefA = {2, 2, 2, 2};
        f.CoefB = f.CoefC = {0, 0, 0, 0};
        f.CoefE = f.CoefF = {1, 1, 1, 1};
    }
    rig.S.RasteriseFrames(TTargetKind::Random);
    // Exactly 20 draws per frame: the point leaves the box at x = 1048575 and nothing more happens.
    TRandom expected(5);
    for (int n = 0; n < 20 * 49; ++n) expected.Next();
    EXPECT_EQ(rig.S.Random.GetState(), expected.GetState());
    for (int i = 2; i <= DesignedFrameCount; ++i) EXPECT_LE(rig.CountSet(0, i), 20);
}

TEST(ChaosGame, BudgetZeroRunsOneIterationPerFrame) {
    TEngineRig rig({{320, 240}, {64, 48}}, 11);
    rig.S.MaxPointBudget = 0;
    rig.S.GenerateMorph();
    TRandom expected(11);
    for (int n = 0; n < 32 + 49; ++n) expected.Next();
    EXPECT_EQ(rig.S.Random.GetState(), expected.GetState());
    for (int i = 2; i <= DesignedFrameCount; ++i) {
        EXPECT_EQ(rig.CountSet(0, i), 1);
        EXPECT_EQ(rig.CountSet(1, i), 1);
    }
}

TEST(ChaosGame, DisplaysReceivePrefixesOfOneSequence) {
    // Alone, each display with the pair's iteration count draws exactly what it draws in the pair.
    TEngineRig pair({{1920, 1080}, {1280, 1024}}, 2024);
    TEngineRig first({{1920, 1080}}, 2024);
    TEngineRig second({{1280, 1024}}, 2024);
    second.S.MaxPointBudget = 324000;
    ASSERT_EQ(pair.S.MaxPointBudget, 324000);
    for (TEngineRig* r : {&pair, &first, &second}) r->S.GenerateMorph();

    for (int k = 1; k <= DesignedFrameCount; ++k) {
        const TFrameBits& a = pair.Stores[0]->Dots(k).FrameBits;
        const TFrameBits& b = pair.Stores[1]->Dots(k).FrameBits;
        for (size_t i = 0; i < a.WordCount(); ++i)
            ASSERT_EQ(a.Row(0)[i].load(), first.Stores[0]->Dots(k).FrameBits.Row(0)[i].load());
        for (size_t i = 0; i < b.WordCount(); ++i)
            ASSERT_EQ(b.Row(0)[i].load(), second.Stores[0]->Dots(k).FrameBits.Row(0)[i].load());
    }
}

// The fast chaos game must set exactly the bits of the step-by-step one.
struct TIdentityCase {
    std::vector<std::pair<int, int>> Sizes;
    uint32_t Seed;
};

class ChaosGameIdentity : public ::testing::TestWithParam<TIdentityCase> {};

TEST_P(ChaosGameIdentity, FastLoopMatchesTheTranscriptionBitForBit) {
    TEngineRig fast(GetParam().Sizes, GetParam().Seed);
    TEngineRig slow(GetParam().Sizes, GetParam().Seed);
    const bool requests[][3] = {{false, false, false}, {false, true, false}, {false, false, false},
                                {true, false, false}, {false, false, true}};
    for (const auto& r : requests) {
        for (TEngineRig* rig : {&fast, &slow}) {
            rig->S.RequestFern = r[0];
            rig->S.RequestKoch = r[1];
            rig->S.RequestSierpinski = r[2];
        }
        fast.S.GenerateMorph();
        ReferenceGenerateMorph(slow.S);
        ASSERT_EQ(fast.S.Random.GetState(), slow.S.Random.GetState());
        ASSERT_TRUE(fast.SameBits(slow));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, ChaosGameIdentity,
    ::testing::Values(TIdentityCase{{{1366, 768}}, 1}, TIdentityCase{{{1920, 1080}, {1280, 1024}}, 0xdeadbeef},
                      TIdentityCase{{{333, 200}, {640, 480}, {333, 200}}, 42},
                      TIdentityCase{{{1, 1}, {31, 17}}, 0x80000000u}));

TEST(Random, SkipEqualsThatManyDraws) {
    for (uint64_t n : {0ull, 1ull, 2ull, 49ull, 324001ull, 5000000ull}) {
        TRandom stepped(0xabcdef01u), skipped(0xabcdef01u);
        for (uint64_t i = 0; i < n; ++i) stepped.Next();
        skipped.Skip(n);
        EXPECT_EQ(skipped.GetState(), stepped.GetState()) << n;
    }
}

TEST(ChaosGame, FrameAfterADivergingOneIsDrawnFromTheTrueState) {
    // Odd frames diverge, so every frame drawn ahead from a guessed state must be redrawn.
    TEngineRig fast({{400, 300}}, 31), slow({{400, 300}}, 31);
    for (TEngineRig* rig : {&fast, &slow}) {
        rig->S.GenerateMorph();
        for (int i = 2; i <= DesignedFrameCount; ++i) {
            TMorphFrame& f = rig->Frames()[i];
            if (i % 2 == 0) {
                f.CoefA = f.CoefD = {2, 2, 2, 2};
                f.CoefE = f.CoefF = {1, 1, 1, 1};
                f.CoefB = f.CoefC = {0, 0, 0, 0};
            }
        }
        rig->S.ClearFrames();
    }
    fast.S.RasteriseFrames(TTargetKind::Random);
    ReferenceRasteriseFrames(slow.S, TTargetKind::Random);
    EXPECT_EQ(fast.S.Random.GetState(), slow.S.Random.GetState());
    EXPECT_TRUE(fast.SameBits(slow));
    EXPECT_GT(fast.CountSet(0, 3), 0);
}
