#include "app/layout_preview.h"

#include <gtest/gtest.h>

using namespace ombrel;

TEST(LayoutPreview, OneMonitorSpansTwoThirdsOfTheTighterAxis) {
    EXPECT_EQ(LayoutPreview({{0, 0, 1920, 1080}}, 321, 217), std::vector<QRect>({QRect(54, 36, 214, 120)}));
}

TEST(LayoutPreview, HalvesRoundToEven) {
    // 53.5 becomes 54 and 160.5 becomes 160.
    EXPECT_EQ(LayoutPreview({{0, 0, 1024, 768}, {1024, 0, 1024, 768}}, 321, 217),
              std::vector<QRect>({QRect(54, 36, 107, 80), QRect(160, 36, 107, 80)}));
}

TEST(LayoutPreview, MonitorsLeftOfAndAboveTheFirstMoveItRightAndDown) {
    EXPECT_EQ(LayoutPreview({{0, 0, 1920, 1080}, {-1280, -200, 1280, 1024}}, 321, 217),
              std::vector<QRect>({QRect(139, 50, 128, 72), QRect(54, 36, 86, 68)}));
}

TEST(LayoutPreview, TallArrangementsUseTheVerticalScale) {
    // Two monitors stacked: the vertical span is the tighter one, 434 / 6480.
    const std::vector<QRect> r = LayoutPreview({{0, 0, 1920, 1080}, {0, 1080, 1920, 1080}}, 321, 217);
    EXPECT_EQ(r[0], QRect(54, 36, 129, 72));
    EXPECT_EQ(r[1], QRect(54, 108, 129, 72));
}
