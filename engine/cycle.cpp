#include "engine/cycle.h"

#include <cmath>

namespace ombrel {

TCycleTiming TCycleTiming::Of(double holdSeconds, double morphSeconds, double fps) noexcept {
    TCycleTiming t;
    t.Fps = fps;
    // A morph has a start and a target frame at least.
    t.FrameCount = std::max(2, static_cast<int>(std::nearbyint(morphSeconds * fps)));
    t.HoldLastCounter = static_cast<int32_t>(std::nearbyint(holdSeconds * fps));
    return t;
}

}  // namespace ombrel
