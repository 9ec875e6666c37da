#include "engine/show_layout.h"

#include <gtest/gtest.h>

using namespace ombrel;

TEST(ShowLayout, ASpanFallsBackToTheSameFigureWhereTheBoxWouldCostMoreThanTwiceItsMonitors) {
    std::string note;
    auto plan = [&](std::vector<TDisplayRect> rects, TMonitorMode mode = TMonitorMode::Span) {
        return PlanMonitorMode(rects, mode, 1, note);
    };
    // Side by side, stacked, of different sizes, staggered by a whole monitor: a span.
    EXPECT_EQ(plan({{0, 0, 1920, 1080}, {1920, 0, 1280, 1024}}), TMonitorMode::Span);
    EXPECT_EQ(plan({{0, 0, 3840, 2160}, {0, 2160, 1920, 1080}}), TMonitorMode::Span);
    EXPECT_EQ(plan({{0, 0, 1920, 1080}, {1920, 1080, 1920, 1080}}), TMonitorMode::Span);
    EXPECT_EQ(note, "");
    // A gap: two 1280x720 outputs 40,000 pixels apart, then 10,000.
    EXPECT_EQ(plan({{0, 0, 1280, 720}, {41280, 0, 1280, 720}}), TMonitorMode::Same);
    EXPECT_EQ(note, "the monitors lie too far apart to span: the box around them is 16.6 times their area; "
                    "each shows the same figure (--monitors same)");
    EXPECT_EQ(plan({{0, 0, 1280, 720}, {11280, 0, 1280, 720}}), TMonitorMode::Same);
    // A box whose points do not fit 32 bits, wherever it comes from.
    EXPECT_EQ(plan({{0, 0, 16384, 16384}, {2000000000, 2000000000, 16384, 16384}}), TMonitorMode::Same);
    EXPECT_FALSE(note.empty());
    // Only a span is planned; the note goes with it.
    EXPECT_EQ(plan({{0, 0, 1280, 720}, {41280, 0, 1280, 720}}, TMonitorMode::Each), TMonitorMode::Each);
    EXPECT_EQ(note, "");
}
