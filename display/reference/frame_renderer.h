#pragma once
#include <cstdint>

#include "engine/frame_store.h"

namespace ombrel {

// Draws one display's current frame into the current OpenGL context the
// designed way, straight through the pixel canvas: a black quad over the
// whole viewport, then one point per set bit of the display's own bitmap in
// the colour that display 0 holds for that frame.
void RenderFrame(const TFrameStore& display, const TFrameStore& display0, int32_t FrameCounter);

}  // namespace ombrel
