#pragma once
#include <atomic>
#include <cstdint>
#include <vector>

#include "engine/frame_store.h"
#include "engine/orbit.h"
#include "engine/presets.h"
#include "engine/random.h"

namespace ombrel {

// The chaos game of one dots frame: one orbit of `random`, its points 0 to
// `last` plotted into frame `frame` of each display, each display taking the
// first of them up to its own point budget. False when the point left the
// box before the last, so fewer draws were taken (`random` is where the
// orbit ended), or when `cancel` stopped it.
bool RasteriseDotsFrame(int frame, const TOrbitMaps& maps, const TPlacement& place, TRandom& random,
                        const std::vector<TFrameStore*>& displays, int64_t last, const std::atomic<bool>& cancel);

}  // namespace ombrel
