#include "display/wayland_scale.h"

#include <gtest/gtest.h>

using namespace ombrel;

TEST(PlanBuffer, FractionalScaleGivesTheDevicePixelsRoundingHalvesAway) {
    // KWin at 1.5: a 1920x1080 logical surface on a 2880x1620 output.
    EXPECT_EQ(PlanBuffer({.Width = 1920, .Height = 1080, .Preferred120 = 180, .Viewporter = true, .OutputScale = 2}),
              (TBufferPlan{2880, 1620, 1, true}));
    // 1366x768 at 1.25 is 1092.8x614.4 logical: 1093x614 back is 1366.25x767.5.
    EXPECT_EQ(PlanBuffer({.Width = 1093, .Height = 614, .Preferred120 = 150, .Viewporter = true, .OutputScale = 2}),
              (TBufferPlan{1366, 768, 1, true}));
    // Without a viewport a fractional buffer could not be placed: the integer scale.
    EXPECT_EQ(PlanBuffer({.Width = 1920, .Height = 1080, .Preferred120 = 180, .OutputScale = 2}),
              (TBufferPlan{3840, 2160, 2, false}));
}

TEST(PlanBuffer, ViewporterAloneTakesTheOutputsMode) {
    // sway at 1.5: 1280x720 logical, mode 1920x1080.
    const TScaleFacts sway{.Width = 1280, .Height = 720, .Viewporter = true, .OutputScale = 2,
                           .ModeWidth = 1920, .ModeHeight = 1080, .LogicalWidth = 1280, .LogicalHeight = 720};
    EXPECT_EQ(PlanBuffer(sway), (TBufferPlan{1920, 1080, 1, true}));
    // The mode itself, not a rounded product, for a surface as large as its output.
    TScaleFacts odd{.Width = 1093, .Height = 614, .Viewporter = true, .OutputScale = 2,
                    .ModeWidth = 1366, .ModeHeight = 768, .LogicalWidth = 1093, .LogicalHeight = 614};
    EXPECT_EQ(PlanBuffer(odd), (TBufferPlan{1366, 768, 1, true}));
    // Another size in proportion.
    TScaleFacts half = sway;
    half.Width = 640;
    half.Height = 360;
    EXPECT_EQ(PlanBuffer(half), (TBufferPlan{960, 540, 1, true}));
    // Without the logical size the ratio is unknown.
    TScaleFacts untold = sway;
    untold.LogicalWidth = untold.LogicalHeight = 0;
    EXPECT_EQ(PlanBuffer(untold), (TBufferPlan{2560, 1440, 2, false}));
}

TEST(PlanBuffer, IntegerScaleOtherwiseAndNeverAnEmptyBuffer) {
    EXPECT_EQ(PlanBuffer({.Width = 960, .Height = 540, .OutputScale = 2}), (TBufferPlan{1920, 1080, 2, false}));
    EXPECT_EQ(PlanBuffer({.Width = 1920, .Height = 1080, .OutputScale = 0}), (TBufferPlan{1920, 1080, 1, false}));
    EXPECT_EQ(PlanBuffer({.Width = 0, .Height = 0, .Preferred120 = 180, .Viewporter = true}),
              (TBufferPlan{1, 1, 1, true}));
}

TEST(LayOutOutputs, OneScaleForAllIsTheLogicalLayoutTimesIt) {
    EXPECT_EQ(LayOutOutputs({{0, 0, 960, 540, 1920, 1080}, {960, 0, 640, 512, 1280, 1024}}),
              (std::vector<TDeviceRect>{{0, 0, 1920, 1080}, {1920, 0, 1280, 1024}}));
    // 1.5 everywhere, and a layout that does not begin at 0.
    EXPECT_EQ(LayOutOutputs({{-1920, 100, 1920, 1080, 2880, 1620}, {0, 100, 1920, 1080, 2880, 1620}}),
              (std::vector<TDeviceRect>{{-2880, 150, 2880, 1620}, {0, 150, 2880, 1620}}));
}

TEST(LayOutOutputs, NeighboursOfDifferentScalesNeitherOverlapNorPartAndGapsOfTheDeskStay) {
    // Scale 2 at 0,0 beside scale 1 at 640,0, and the other way round.
    EXPECT_EQ(LayOutOutputs({{0, 0, 640, 512, 1280, 1024}, {640, 0, 1920, 1080, 1920, 1080}}),
              (std::vector<TDeviceRect>{{0, 0, 1280, 1024}, {1280, 0, 1920, 1080}}));
    EXPECT_EQ(LayOutOutputs({{0, 0, 1920, 1080, 1920, 1080}, {1920, 0, 640, 512, 1280, 1024}}),
              (std::vector<TDeviceRect>{{0, 0, 1920, 1080}, {1920, 0, 1280, 1024}}));
    // Stacked: the lower one begins where the scaled one above ends.
    EXPECT_EQ(LayOutOutputs({{0, 0, 1920, 1080, 2880, 1620}, {0, 1080, 1920, 1080, 1920, 1080}}),
              (std::vector<TDeviceRect>{{0, 0, 2880, 1620}, {0, 1620, 1920, 1080}}));
    // A gap on the desk stays, at one device pixel a logical one.
    EXPECT_EQ(LayOutOutputs({{0, 0, 960, 540, 1920, 1080}, {1960, 0, 1280, 1024, 1280, 1024}}),
              (std::vector<TDeviceRect>{{0, 0, 1920, 1080}, {2920, 0, 1280, 1024}}));
}
