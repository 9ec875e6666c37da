#pragma once
#include <cstdint>

namespace ombrel {

// The timing of one morph cycle, counted in clock ticks. The counter runs
// 0..CycleLastCounter; counters up to HoldLastCounter show frame 1 (the last
// target) while the worker draws the next morph, the rest play frames 2..50,
// one a tick. A cycle is CycleTicks ticks: 4 seconds at 40 ms.
constexpr int TickMs = 40;
constexpr int FrameCount = 50;
constexpr int32_t HoldLastCounter = 50;
constexpr int32_t CycleLastCounter = HoldLastCounter + FrameCount - 1;
constexpr int32_t CycleTicks = CycleLastCounter + 1;
// The counter when the clock starts: the first hold lasts 10 ticks.
constexpr int32_t StartCounter = 40;

// The frame a counter value shows: 1 during the hold, then 2..50; 0 (none:
// black only) for anything outside the cycle.
constexpr int SelectFrame(int32_t FrameCounter) noexcept {
    const auto c = static_cast<uint32_t>(FrameCounter);
    if (c <= HoldLastCounter) return 1;
    if (c <= CycleLastCounter) return static_cast<int>(c - HoldLastCounter) + 1;
    return 0;
}

}  // namespace ombrel
