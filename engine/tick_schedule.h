#pragma once
#include <chrono>

namespace ombrel {

// When a clock of fixed period ticks: each tick at its due time, due times a
// whole period apart, so the pace does not drift. A tick that starts late by
// less than a period keeps the grid; one that starts a period late or more
// (repaints that cannot keep up, a stall) starts the grid anew from itself.
// So ticks that cannot keep up follow each other at once, slowing the show
// without an idle wait, and missed ticks are never delivered in a burst.
class TTickSchedule {
public:
    using TClock = std::chrono::steady_clock;

    // The clock starts at `now`: the first tick is a period later.
    void Start(TClock::time_point now, TClock::duration period) noexcept;
    // A tick starts at `now`; the next one falls due at the returned time.
    TClock::time_point Tick(TClock::time_point now) noexcept;
    // How long a timer of whole milliseconds waits from `now` for the next
    // due time: never less than the rest of it, never negative.
    std::chrono::milliseconds Wait(TClock::time_point now) const noexcept;

    TClock::time_point Due() const noexcept { return NextDue; }

private:
    TClock::duration Period{};
    TClock::time_point NextDue;
};

}  // namespace ombrel
