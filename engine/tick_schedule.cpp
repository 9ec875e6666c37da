#include "engine/tick_schedule.h"

#include <algorithm>

namespace ombrel {

void TTickSchedule::Start(TClock::time_point now, TClock::duration period) noexcept {
    Period = period;
    NextDue = now + period;
}

TTickSchedule::TClock::time_point TTickSchedule::Tick(TClock::time_point now) noexcept {
    // Measured from the tick's start, not its end: the work of this tick
    // comes out of the period instead of adding to it.
    NextDue = now - NextDue >= Period ? now + Period : NextDue + Period;
    return NextDue;
}

std::chrono::milliseconds TTickSchedule::Wait(TClock::time_point now) const noexcept {
    return std::max(std::chrono::ceil<std::chrono::milliseconds>(NextDue - now), std::chrono::milliseconds(0));
}

}  // namespace ombrel
