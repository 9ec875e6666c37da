#pragma once
#include <algorithm>
#include <cstdint>

namespace ombrel {

// The timing of one morph cycle, counted in clock ticks of 1/Fps seconds.
// The counter runs 0..CycleLastCounter(); up to HoldLastCounter it shows
// frame 1 (the last target) while the worker draws the next morph, then
// frames 2..FrameCount, one a tick. As designed: 25 ticks a second, a hold
// of counters 0..50 and a morph of 50 frames, 100 ticks or 4 seconds a cycle.
struct TCycleTiming {
    double Fps = 25;
    // The frames of a morph, its start frame included.
    int FrameCount = 50;
    int32_t HoldLastCounter = 50;

    int32_t CycleLastCounter() const noexcept { return HoldLastCounter + FrameCount - 1; }
    int32_t CycleTicks() const noexcept { return CycleLastCounter() + 1; }
    // The counter when the clock starts: the first hold, of an empty frame, is short.
    int32_t StartCounter() const noexcept { return HoldLastCounter - std::min<int32_t>(HoldLastCounter, 10); }
    double TickSeconds() const noexcept { return 1 / Fps; }

    // The frame a counter value shows: 1 during the hold, then
    // 2..FrameCount; 0 (none: black only) for anything outside the cycle.
    int SelectFrame(int32_t FrameCounter) const noexcept {
        const auto c = static_cast<uint32_t>(FrameCounter);
        if (c <= static_cast<uint32_t>(HoldLastCounter)) return 1;
        if (c <= static_cast<uint32_t>(CycleLastCounter())) return static_cast<int>(c - static_cast<uint32_t>(HoldLastCounter)) + 1;
        return 0;
    }

    // A hold and a morph of the given seconds at `fps` ticks a second: the
    // morph has round(morph x fps) frames, the hold round(hold x fps) + 1 ticks,
    // rounded halves up.
    static TCycleTiming Of(double holdSeconds, double morphSeconds, double fps) noexcept;
};

// The designed timing.
constexpr TCycleTiming DesignedTiming{};
constexpr int DesignedFrameCount = DesignedTiming.FrameCount;

}  // namespace ombrel
