#include "engine/cycle.h"

#include <cmath>

namespace ombrel {

TCycleTiming TCycleTiming::Of(double holdSeconds, double morphSeconds, double fps) noexcept {
    TCycleTiming t;
    t.Fps = fps;
    // Rounded as people round, halves up: 0.5 s at 5 frames a second is 3 frames.
    // A morph has a start and a target frame at least.
    t.FrameCount = std::max(2, static_cast<int>(std::round(morphSeconds * fps)));
    t.HoldLastCounter = static_cast<int32_t>(std::round(holdSeconds * fps));
    return t;
}

}  // namespace ombrel
