#include "display/fast_frame_renderer.h"

#include <algorithm>

#include "display/gl_colour.h"
#include "engine/glow.h"

namespace ombrel {

TColor FrameColour(const TFrameStore& display0, int k) noexcept {
    const TMorphFrame& f = display0.Frames[k];
    return HSVToColor(f.Hue, f.Saturation, f.Brightness);
}

void DisableSceneCapabilities(const TGLApi& gl) {
    for (GLenum cap : {GL_LIGHTING, GL_FOG, GL_CULL_FACE, GL_COLOR_MATERIAL, GL_DEPTH_TEST, GL_TEXTURE_1D,
                       GL_TEXTURE_2D, GL_LINE_SMOOTH, GL_POINT_SMOOTH})
        gl.Disable(cap);
}

namespace {

// Runs `draw` in the pixel space of a w x h frame, y running down or up, with
// nothing of a 3D scene on; both matrices are restored.
template <typename TDraw>
void InPixelSpace(const TGLApi& gl, int w, int h, bool down, TDraw&& draw) {
    gl.MatrixMode(GL_PROJECTION);
    gl.PushMatrix();
    gl.LoadIdentity();
    gl.Ortho2D(0, w, down ? h : 0, down ? 0 : h);
    gl.MatrixMode(GL_MODELVIEW);
    gl.PushMatrix();
    gl.LoadIdentity();
    DisableSceneCapabilities(gl);
    // What is drawn is opaque and replaces what is below it: blending and
    // the alpha test change nothing.
    gl.Disable(GL_BLEND);
    gl.Disable(GL_ALPHA_TEST);
    draw();
    gl.MatrixMode(GL_PROJECTION);
    gl.PopMatrix();
    gl.MatrixMode(GL_MODELVIEW);
    gl.PopMatrix();
}

}  // namespace

std::optional<TPixelRect> TFastFrameRenderer::Render(const TFrameStore& display, const TFrameStore& colours, int frame,
                                                     int viewportWidth, int viewportHeight) {
    if (display.Style == TStyle::Glow && frame != 0)
        return RenderGlow(display, colours, frame, viewportWidth, viewportHeight);
    const TGLApi& gl = GL();
    gl.PushAttrib(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_CURRENT_BIT | GL_POINT_BIT);
    // The whole buffer: a software rasteriser clears it faster than any part.
    gl.ClearColor(0, 0, 0, 1);
    gl.Clear(GL_COLOR_BUFFER_BIT);
    Points.clear();
    int left = display.ScreenWidth, right = -1, top = -1, bottom = -1;
    if (frame != 0)
        display.Frames[frame].FrameBits.ForEachSet([&](int x, int y) {
            // Rows come in order, top to bottom.
            if (top < 0) top = y;
            bottom = y;
            left = std::min(left, x);
            right = std::max(right, x);
            // At the pixel's centre: on its corner the rasteriser may light a neighbour.
            Points.push_back(static_cast<GLfloat>(x) + 0.5f);
            Points.push_back(static_cast<GLfloat>(y) + 0.5f);
        });
    // Pixel space of the display's frames, y running down: the same pixels
    // also on a scaled window.
    if (!Points.empty())
        InPixelSpace(gl, display.ScreenWidth, display.ScreenHeight, true, [&] {
            gl.PointSize(1);
            gl.Color4fv(PackedColourToGL(FrameColour(colours, frame), 1).data());
            gl.EnableClientState(GL_VERTEX_ARRAY);
            gl.VertexPointer(2, GL_FLOAT, 0, Points.data());
            gl.DrawArrays(GL_POINTS, 0, static_cast<GLsizei>(Points.size() / 2));
            gl.DisableClientState(GL_VERTEX_ARRAY);
        });
    gl.PopAttrib();
    // A scaled frame's points land elsewhere than its bits say.
    if (viewportWidth != display.ScreenWidth || viewportHeight != display.ScreenHeight) return std::nullopt;
    if (Points.empty()) return TPixelRect{};
    return TPixelRect{left, display.ScreenHeight - 1 - bottom, right - left + 1, bottom - top + 1};
}

std::optional<TPixelRect> TFastFrameRenderer::RenderGlow(const TFrameStore& display, const TFrameStore& colours,
                                                         int frame, int viewportWidth, int viewportHeight) {
    const int w = display.ScreenWidth, h = display.ScreenHeight;
    // Each light level's pixel, as ombrel-frames writes it: bytes B, G, R, A,
    // the software rasteriser's own order, which it copies without a conversion.
    const TColor colour = FrameColour(colours, frame);
    const uint32_t red = colour & 0xffu, green = (colour >> 8) & 0xffu, blue = (colour >> 16) & 0xffu;
    uint32_t palette[256];
    for (uint32_t l = 0; l < 256; ++l)
        palette[l] = GlowChannel(blue, l) | uint32_t{GlowChannel(green, l)} << 8 |
                     uint32_t{GlowChannel(red, l)} << 16 | 0xff000000u;
    // GL's images run bottom up.
    Image.resize(static_cast<size_t>(w) * h);
    const uint8_t* light = display.Frames[frame].Light.get();
    for (int y = 0; y < h; ++y) {
        uint32_t* row = Image.data() + static_cast<size_t>(h - 1 - y) * w;
        for (int x = 0; x < w; ++x) row[x] = palette[*light++];
    }
    const TGLApi& gl = GL();
    gl.PushAttrib(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_CURRENT_BIT | GL_PIXEL_MODE_BIT);
    // The image covers the viewport: no clear. A viewport of another size
    // (a resized host until the next cycle) shows it scaled.
    const bool scaled = viewportWidth != w || viewportHeight != h;
    InPixelSpace(gl, w, h, false, [&] {
        gl.Disable(GL_DITHER);
        gl.PixelZoom(scaled ? static_cast<GLfloat>(viewportWidth) / w : 1,
                     scaled ? static_cast<GLfloat>(viewportHeight) / h : 1);
        gl.RasterPos2i(0, 0);
        gl.DrawPixels(w, h, GL_BGRA, GL_UNSIGNED_BYTE, Image.data());
    });
    gl.PopAttrib();
    if (scaled) return std::nullopt;
    return TPixelRect{0, 0, w, h};
}

}  // namespace ombrel
