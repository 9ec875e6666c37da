#pragma once
#include <cstdint>

#include "engine/frame_store.h"

namespace ombrel {

// The frame a counter value shows: 1 for 0..50, counter - 49 for 51..99,
// 0 (none: black only) for anything else.
int SelectFrame(int32_t FrameCounter) noexcept;

// Draws one display's current frame into the current OpenGL context: black
// over the whole viewport, then one point per set bit of the display's own
// bitmap, in the colour that display 0 holds for that frame.
void RenderFrame(const TFrameStore& display, const TFrameStore& display0, int32_t FrameCounter);

}  // namespace ombrel
