#pragma once
#include <cstdint>
#include <vector>

#include "display/gl_api.h"
#include "engine/frame_store.h"

namespace ombrel {

// The program's drawing of one display's current frame: the picture that
// RenderFrame makes, pixel for pixel, for a fraction of the work on a
// software rasteriser. A clear gives the black instead of a blended quad over
// a clear, and the points go out in one vertex array.
class TFastFrameRenderer {
public:
    // Into the current context, whose viewport is the display's window. Every
    // state it changes is restored.
    void Render(const TFrameStore& display, const TFrameStore& display0, int32_t FrameCounter);

private:
    std::vector<GLfloat> Points;  // x, y pairs; kept to spare an allocation each time
};

}  // namespace ombrel
