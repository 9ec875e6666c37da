#include "display/reference/frame_renderer.h"

#include <gtest/gtest.h>

#include "display/hsv_color.h"
#include "tests/display/gl_recorder.h"

using namespace ombrel;
using ombrel::testing::TGLCall;
using ombrel::testing::TGLRecorder;

namespace {

struct TDrawn {
    std::vector<std::pair<int, int>> Points;
    std::vector<std::vector<double>> Colours;
    size_t PointBlocks = 0, QuadBlocks = 0;
};

TDrawn Draw(const TFrameStore& display, const TFrameStore& display0, int32_t counter) {
    TGLRecorder rec;
    RenderFrame(display, display0, counter);
    TDrawn d;
    bool inPoints = false;
    for (const TGLCall& c : rec.Calls) {
        if (c.Name == "glBegin") {
            inPoints = c.Args[0] == GL_POINTS;
            (inPoints ? d.PointBlocks : d.QuadBlocks)++;
        } else if (c.Name == "glVertex2f" && inPoints) {
            // Each point at its pixel's centre.
            EXPECT_EQ(c.Args[0] - int(c.Args[0]), 0.5);
            EXPECT_EQ(c.Args[1] - int(c.Args[1]), 0.5);
            d.Points.emplace_back(int(c.Args[0]), int(c.Args[1]));
        } else if (c.Name == "glColor4fv") {
            d.Colours.push_back(c.Args);
        }
    }
    return d;
}

}  // namespace

TEST(FrameRenderer, PlotsEverySetBitInOrderInOneBlock) {
    TFrameStore d;
    d.AllocateFrames(1366, 4);  // not a multiple of 32
    const std::vector<std::pair<int, int>> set = {{0, 0}, {31, 0}, {32, 0}, {1365, 0}, {5, 2}, {1364, 3}, {1365, 3}};
    for (auto [x, y] : set) d.SetPixel(7, x, y);
    d.SetPixel(8, 100, 1);
    d.Frames[7].Hue = 0;
    d.Frames[7].Saturation = 1;
    d.Frames[7].Brightness = 255;

    const TDrawn drawn = Draw(d, d, 49 + 7);
    EXPECT_EQ(drawn.Points, set);
    EXPECT_EQ(drawn.PointBlocks, 1u);
    EXPECT_EQ(drawn.QuadBlocks, 1u);
    // Opaque black from construction, then the frame's red.
    ASSERT_EQ(drawn.Colours.size(), 3u);
    EXPECT_EQ(drawn.Colours[1], std::vector<double>({1, 0, 0, 1}));
}

TEST(FrameRenderer, EveryDisplayDrawsItsOwnBitsInDisplayZerosColour) {
    TFrameStore first, second;
    first.AllocateFrames(64, 8);
    second.AllocateFrames(40, 10);
    first.SetPixel(1, 3, 3);
    second.SetPixel(1, 39, 9);
    first.Frames[1].Hue = 1.0 / 3;
    first.Frames[1].Saturation = 1;
    first.Frames[1].Brightness = 255;  // green; the second display's own colour fields stay zero

    for (int32_t counter : {0, 40, 50}) {
        const TDrawn drawn = Draw(second, first, counter);
        EXPECT_EQ(drawn.Points, (std::vector<std::pair<int, int>>{{39, 9}}));
        EXPECT_EQ(drawn.Colours[1], std::vector<double>({0, 1, 0, 1}));
    }
}

TEST(FrameRenderer, CounterOutsideTheCycleDrawsOnlyBlack) {
    TFrameStore d;
    d.AllocateFrames(32, 2);
    for (int k = 1; k <= DesignedFrameCount; ++k) d.SetPixel(k, 1, 1);
    for (int32_t counter : {100, -1, 1000}) {
        TGLRecorder rec;
        RenderFrame(d, d, counter);
        EXPECT_EQ(rec.Count("glVertex2i"), 4u);
        EXPECT_EQ(rec.Count("glBegin"), 1u);
        EXPECT_EQ(rec.Count("glEnd"), 1u);
    }
}
