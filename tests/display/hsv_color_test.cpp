#include "display/hsv_color.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace ombrel;

namespace {

TColor Rgb(int r, int g, int b) { return r | (g << 8) | (b << 16); }

}  // namespace

TEST(HSVToColor, WorkedValues) {
    EXPECT_EQ(HSVToColor(0, 0, 255), Rgb(255, 255, 255));
    EXPECT_EQ(HSVToColor(0, 1, 255), Rgb(255, 0, 0));
    EXPECT_EQ(HSVToColor(1.0 / 6, 1, 255), Rgb(255, 255, 0));
    EXPECT_EQ(HSVToColor(1.0 / 3, 1, 255), Rgb(0, 255, 0));
    EXPECT_EQ(HSVToColor(2.0 / 3, 1, 255), Rgb(0, 0, 255));
    EXPECT_EQ(HSVToColor(0.75, 0.5, 200), Rgb(150, 100, 200));
}

TEST(HSVToColor, HalvesRoundToEven) {
    EXPECT_EQ(HSVToColor(0, 0.5, 255), Rgb(255, 128, 128));
    EXPECT_EQ(HSVToColor(-1, 0, 127.5), Rgb(128, 128, 128));
    EXPECT_EQ(HSVToColor(-1, 0, 126.5), Rgb(126, 126, 126));
}

TEST(HSVToColor, NegativeOrNaNHueIsGreyAndHueOneIsMagenta) {
    EXPECT_EQ(HSVToColor(-1, 0.3, 200), Rgb(200, 200, 200));
    EXPECT_EQ(HSVToColor(-0.0001, 1, 200), Rgb(200, 200, 200));
    EXPECT_EQ(HSVToColor(std::nan(""), 1, 90), Rgb(90, 90, 90));
    EXPECT_EQ(HSVToColor(1, 1, 255), Rgb(255, 0, 255));
}

TEST(HSVToColor, OutOfRangeValuesKeepTheLowByteAndNeverTrap) {
    // Only the low eight bits of each channel enter the colour.
    EXPECT_EQ(HSVToColor(-1, 0, 256), 0);
    EXPECT_EQ(HSVToColor(-1, 0, 257), Rgb(1, 1, 1));
    EXPECT_EQ(HSVToColor(-1, 0, -1), Rgb(255, 255, 255));
    // Beyond any integer, the conversion gives the indefinite value, whose low byte is 0.
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(HSVToColor(-1, 0, inf), 0);
    EXPECT_EQ(HSVToColor(-1, 0, std::nan("")), 0);
    EXPECT_EQ(HSVToColor(inf, 0.5, 255) & 0xff, 255);
    EXPECT_EQ(HSVToColor(1e300, 1, 255) & 0xff, 255);
}
