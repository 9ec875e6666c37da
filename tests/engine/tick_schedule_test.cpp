#include "engine/tick_schedule.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

using namespace ombrel;
using namespace std::chrono_literals;
using TClock = TTickSchedule::TClock;

namespace {

// A timer of whole milliseconds on a made-up time line: each tick's handler
// takes what `work` says, then the timer waits as the schedule asks.
std::vector<TClock::time_point> RunTicks(TClock::duration period, int ticks,
                                    const std::function<TClock::duration(int)>& work) {
    TClock::time_point now{};
    TTickSchedule schedule;
    schedule.Start(now, period);
    now += schedule.Wait(now);
    std::vector<TClock::time_point> starts;
    for (int i = 0; i < ticks; ++i) {
        starts.push_back(now);
        schedule.Tick(now);
        now += work(i);
        now += schedule.Wait(now);
    }
    return starts;
}

TClock::duration PeriodOf(double fps) {
    return std::chrono::duration_cast<TClock::duration>(std::chrono::duration<double>(1 / fps));
}

}  // namespace

TEST(TickSchedule, KeepsEveryDueTimeAtFiftyAndSixtyFramesASecond) {
    for (double fps : {50.0, 60.0, 25.0}) {
        const TClock::duration period = PeriodOf(fps);
        // Work that varies but always fits a period: fractions of it.
        const auto starts = RunTicks(period, 6000, [&](int i) { return period * (i % 7) / 8; });
        for (size_t n = 0; n < starts.size(); ++n) {
            const TClock::duration late = starts[n] - TClock::time_point{} - period * static_cast<int64_t>(n + 1);
            // Whole milliseconds may hold a tick back by less than one, never more, and never drift.
            ASSERT_GE(late, 0ms) << fps << " fps, tick " << n;
            ASSERT_LT(late, 1ms) << fps << " fps, tick " << n;
        }
    }
}

TEST(TickSchedule, WorkLongerThanAPeriodSlowsTheClockWithoutAnIdleWait) {
    for (TClock::duration work : {TClock::duration(25ms), TClock::duration(45ms), TClock::duration(61ms)}) {
        const auto starts = RunTicks(PeriodOf(50), 200, [&](int) { return work; });
        for (size_t n = 1; n < starts.size(); ++n) ASSERT_EQ(starts[n] - starts[n - 1], work) << n;
    }
}

TEST(TickSchedule, OneSlowTickIsFollowedAtOnceAndThePaceComesBack) {
    const TClock::duration period = PeriodOf(50);
    const auto starts = RunTicks(period, 20, [&](int i) { return i == 5 ? TClock::duration(30ms) : TClock::duration(2ms); });
    // Tick 6 was due at 140 ms; tick 5 ran until 150 ms.
    EXPECT_EQ(starts[6] - TClock::time_point{}, 150ms);
    for (size_t n = 7; n < starts.size(); ++n)
        EXPECT_LT(starts[n] - TClock::time_point{} - period * static_cast<int64_t>(n + 1), 1ms) << n;
}

TEST(TickSchedule, AfterAStallTicksGoOnAtTheirPaceWithoutCatchingUp) {
    const TClock::duration period = PeriodOf(25);
    // Tick 3 is held up for 800 ms, twenty periods.
    const auto starts = RunTicks(period, 10, [&](int i) { return i == 3 ? TClock::duration(800ms) : TClock::duration(1ms); });
    EXPECT_EQ(starts[4] - starts[3], 800ms);
    for (size_t n = 5; n < starts.size(); ++n) EXPECT_EQ(starts[n] - starts[n - 1], period) << n;
}
