#include "app/error_report.h"

#include <gtest/gtest.h>

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
