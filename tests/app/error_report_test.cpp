#include "app/error_report.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace ombrel;
using namespace std::chrono_literals;

TEST(RepeatLimiter, FirstLineThenOneSummaryAMinuteWithTheCount) {
    TRepeatLimiter limiter;
    const TRepeatLimiter::TClock::time_point t0{};
    EXPECT_EQ(limiter.Pass("render failed", t0), "render failed");
    // 25 ticks a second for a minute, less one tick: nothing.
    int written = 0;
    for (int i = 1; i < 1500; ++i) written += limiter.Pass("render failed", t0 + i * 40ms).has_value();
    EXPECT_EQ(written, 0);
    EXPECT_EQ(limiter.Pass("render failed", t0 + 60s), "render failed (1500 more times since its last report)");
    EXPECT_FALSE(limiter.Pass("render failed", t0 + 61s));
    // Another message has a count of its own.
    EXPECT_EQ(limiter.Pass("another", t0 + 61s), "another");
    EXPECT_EQ(limiter.Pass("render failed", t0 + 120s), "render failed (2 more times since its last report)");
}

TEST(RepeatLimiter, MessagesWithoutEndKeepItsMemoryBounded) {
    TRepeatLimiter limiter;
    const TRepeatLimiter::TClock::time_point t0{};
    for (int i = 0; i < 10000; ++i) ASSERT_TRUE(limiter.Pass("error " + std::to_string(i), t0 + i * 1ms));
    // Still says a new message at once and holds a repeat back.
    EXPECT_TRUE(limiter.Pass("fresh", t0 + 20s));
    EXPECT_FALSE(limiter.Pass("fresh", t0 + 21s));
}

TEST(ErrorBacklog, EachMessageOnceInTheOrderItCameWithItsCountAndTheRestCounted) {
    TErrorBacklog backlog;
    EXPECT_TRUE(backlog.Empty());
    backlog.Add("render failed");
    backlog.Add("no memory for the frames");
    backlog.Add("render failed");
    EXPECT_EQ(backlog.Take(), "render failed (2 times)\nno memory for the frames");
    EXPECT_TRUE(backlog.Empty());
    // Errors without end still make a box that fits on a screen.
    for (int i = 0; i < 1000; ++i) backlog.Add("error " + std::to_string(i % 10));
    const std::string text = backlog.Take();
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 8) << text;
    EXPECT_EQ(text.rfind("error 0 (100 times)\n", 0), 0u) << text;
    EXPECT_NE(text.find("\nand 200 more errors"), std::string::npos) << text;
}
