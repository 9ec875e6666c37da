#pragma once
#include <cstdint>
#include <optional>
#include <vector>

#include "display/gl_api.h"
#include "display/hsv_color.h"
#include "display/pixel_rect.h"
#include "engine/frame_store.h"

namespace ombrel {

// The packed colour of frame `k`, which the first display of a figure holds for all its displays.
TColor FrameColour(const TFrameStore& display0, int k) noexcept;

// Turns off what a 3D scene may leave on that would change flat 2D drawing:
// lighting, fog, culling, colour material, depth test, 1D and 2D textures, smoothing.
void DisableSceneCapabilities(const TGLApi& gl);

// The program's drawing of one display's current frame: black over the
// whole viewport, then one point per set bit of the display's own bitmap, in
// the colour that display 0 holds for that frame, each at its pixel's
// centre: bitmap row r, column c lights screen row r, column c. A clear
// gives the black; the points go out in one vertex array, or, where they
// crowd their box, as one image of it. A glow frame is every pixel's light
// times that colour, drawn as one image of the box around its lit pixels.
class TFastFrameRenderer {
public:
    // Frame `frame` (0: none, black only) into the current context, whose
    // viewport is the display's window; `colours` is the display that holds
    // the frame's colour. Every state it changes is restored.
    // Returns the rectangle around the points in window pixels when the
    // viewport has the frame's size, nothing when the frame is drawn scaled.
    std::optional<TPixelRect> Render(const TFrameStore& display, const TFrameStore& colours, int frame,
                                     int viewportWidth = 0, int viewportHeight = 0);

private:
    std::optional<TPixelRect> RenderGlow(const TFrameStore& display, const TFrameStore& colours, int frame,
                                         int viewportWidth, int viewportHeight);

    // Image (`image`'s size, bottom row first) at `at` in the pixel space of a w x h frame.
    void DrawImage(int w, int h, const TPixelRect& image, const TPixelRect& at);

    std::vector<GLfloat> Points;  // x, y pairs; kept to spare an allocation each time
    std::vector<uint32_t> Image;  // an image's RGBA pixels, bottom row first
    // The texture images go through, the creation of the context it lives in, its size.
    GLuint Texture = 0;
    uint64_t TextureContext = 0;
    int TextureWidth = 0, TextureHeight = 0;
};

}  // namespace ombrel
