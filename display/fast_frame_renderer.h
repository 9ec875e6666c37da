#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
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
// gives the black; the points go out in one vertex array, and bands of rows
// where they crowd their box as images of it. A glow frame is every pixel's
// light times that colour, drawn as images of its lit bands.
class TFastFrameRenderer {
public:
    // Frame `frame` (0: none, black only) into the current context, whose
    // viewport is the display's window; `colours` is the display that holds
    // the frame's colour. Every state it changes is restored.
    // Returns the rectangle around the points in window pixels when the
    // viewport has the frame's size, nothing when the frame is drawn scaled.
    // With `backKept` the back buffer still holds what this renderer drew
    // last: only that is blackened, not the whole buffer.
    std::optional<TPixelRect> Render(const TFrameStore& display, const TFrameStore& colours, int frame,
                                     int viewportWidth = 0, int viewportHeight = 0, bool backKept = false);

private:
    // Rows of a frame drawn one way: the box around their lit pixels (rows
    // from the top), their points in Points, and whether they go out as an image.
    struct TBand {
        TLitBox Box;
        size_t PointsFirst = 0, PointsEnd = 0;
        bool Image = false;
    };

    // `picture` is frame `frame` of `display`; none for black.
    std::optional<TPixelRect> RenderDots(const TFrameStore& display, const TDotsFrame* picture,
                                         const TFrameStore& colours, int frame, int viewportWidth, int viewportHeight,
                                         bool backKept);
    std::optional<TPixelRect> RenderGlow(const TFrameStore& display, const TGlowFrame& picture,
                                         const TFrameStore& colours, int frame, int viewportWidth, int viewportHeight,
                                         bool backKept);
    // Black where the back buffer may show anything but this frame's
    // images, before they and the points are drawn; then Bands are what it lit.
    void Blacken(int w, int h, bool backKept);
    // Pixels left..right of a glow row, from LightLine (from `left` on) and
    // ShadeLine (from block left / 2 on).
    void PaintGlowRow(int left, int right, uint32_t* row) const noexcept;
    void KeepLit(int w, int h);
    // Whether the current context takes the texture for frames w wide; makes its texture name.
    bool TextureHolds(int w);
    // The image bands of a w x h frame, each painted by `paint` (its box's
    // pixels, row y of the frame at top + (y - box top) * stride; B, G, R, A
    // where the texture takes them), in the frame's pixel space; images
    // are zoomed as a scaled viewport needs.
    void DrawImages(int w, int h, GLfloat zoomX, GLfloat zoomY,
                    const std::function<void(const TBand&, uint32_t*, ptrdiff_t)>& paint);
    // The bands placed in the texture since the last time, to the window.
    void DrawPlaced(int w, int h, GLfloat zoomX, GLfloat zoomY);
    // Copies them from the texture to the window where the context can;
    // false where it cannot.
    bool BlitPlaced();
    // A box of a frame h pixels high in window pixels, counted from the bottom.
    static TPixelRect WindowRect(const TLitBox& box, int h) noexcept;

    std::vector<GLfloat> Points;  // x, y pairs; kept to spare an allocation each time
    std::vector<TBand> Bands;
    std::vector<uint32_t> Image;  // one image band's pixels, as wide as the frame
    // A glow frame's pixels by shade and light (index shade * 256 + light),
    // for the colour and pixel order they were made for.
    struct TGlowLook {
        double Hue = 0, Saturation = 0, Brightness = 0;
        bool Bgra = false;
        bool operator==(const TGlowLook&) const = default;
    };
    std::optional<TGlowLook> GlowLook;
    std::vector<uint32_t> GlowPixels;
    // A row of a glow frame's light and of its shades, read out of its code.
    std::vector<uint8_t> LightLine, ShadeLine;
    // The boxes of the bands the last render lit, in a frame of LitWidth x
    // LitHeight (0 x 0: unknown, a scaled frame).
    std::vector<TLitBox> LastLit;
    std::vector<TLitBox> Stale;  // what Blacken blackens; kept to spare an allocation
    int LitWidth = 0, LitHeight = 0;
    // The texture images go through, the creation of the context it lives
    // in, its size, and the largest that context takes (0: none).
    GLuint Texture = 0;
    uint64_t TextureContext = 0;
    int TextureWidth = 0, TextureLargest = 0;
    // An image band's window pixels and the texture row its top row went to.
    struct TPlaced {
        TPixelRect Window;
        int Row = 0;
    };
    std::vector<TPlaced> Placed;
    // The framebuffer that reads the texture for blits, whether the texture
    // is attached to it as it is now, and whether blits work in the context.
    GLuint Framebuffer = 0;
    bool Attached = false, Blits = false;
};

}  // namespace ombrel
