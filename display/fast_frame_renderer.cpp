#include "display/fast_frame_renderer.h"

#include <algorithm>

#include "display/gl_colour.h"
#include "display/gl_context.h"
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

// Bytes R, G, B, A: what the texture holds, uploaded without a conversion.
uint32_t ImagePixel(uint32_t red, uint32_t green, uint32_t blue) noexcept {
    return red | green << 8 | blue << 16 | 0xff000000u;
}

// The software rasteriser spends on one point about what it spends on 32
// pixels of an image (some 200 ns against 6): a frame whose points
// outnumber its box's pixels by less goes out as an image of the box.
constexpr int64_t PixelsPerPoint = 32;

}  // namespace

std::optional<TPixelRect> TFastFrameRenderer::Render(const TFrameStore& display, const TFrameStore& colours, int frame,
                                                     int viewportWidth, int viewportHeight) {
    if (display.Style == TStyle::Glow && frame != 0)
        return RenderGlow(display, colours, frame, viewportWidth, viewportHeight);
    const TGLApi& gl = GL();
    gl.PushAttrib(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_CURRENT_BIT | GL_POINT_BIT | GL_TEXTURE_BIT);
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
    // A scaled frame's points land elsewhere than its bits say.
    const bool scaled = viewportWidth != display.ScreenWidth || viewportHeight != display.ScreenHeight;
    const TPixelRect box{left, display.ScreenHeight - 1 - bottom, right - left + 1, bottom - top + 1};
    const int64_t count = static_cast<int64_t>(Points.size() / 2);
    const TColor colour = count != 0 ? FrameColour(colours, frame) : 0;
    if (count != 0 && !scaled && count * PixelsPerPoint > int64_t{box.Width} * box.Height) {
        Image.assign(static_cast<size_t>(box.Width) * box.Height, ImagePixel(0, 0, 0));
        const uint32_t lit = ImagePixel(colour & 0xffu, (colour >> 8) & 0xffu, (colour >> 16) & 0xffu);
        for (size_t i = 0; i < Points.size(); i += 2) {
            const int x = static_cast<int>(Points[i]), y = static_cast<int>(Points[i + 1]);
            Image[static_cast<size_t>(bottom - y) * box.Width + (x - left)] = lit;
        }
        DrawImage(display.ScreenWidth, display.ScreenHeight, box, box);
    } else if (count != 0) {
        // Pixel space of the display's frames, y running down: the same pixels
        // also on a scaled window.
        InPixelSpace(gl, display.ScreenWidth, display.ScreenHeight, true, [&] {
            gl.PointSize(1);
            gl.Color4fv(PackedColourToGL(colour, 1).data());
            gl.EnableClientState(GL_VERTEX_ARRAY);
            gl.VertexPointer(2, GL_FLOAT, 0, Points.data());
            gl.DrawArrays(GL_POINTS, 0, static_cast<GLsizei>(count));
            gl.DisableClientState(GL_VERTEX_ARRAY);
        });
    }
    gl.PopAttrib();
    if (scaled) return std::nullopt;
    if (count == 0) return TPixelRect{};
    return box;
}

std::optional<TPixelRect> TFastFrameRenderer::RenderGlow(const TFrameStore& display, const TFrameStore& colours,
                                                         int frame, int viewportWidth, int viewportHeight) {
    const int w = display.ScreenWidth, h = display.ScreenHeight;
    const TColor colour = FrameColour(colours, frame);
    const uint32_t red = colour & 0xffu, green = (colour >> 8) & 0xffu, blue = (colour >> 16) & 0xffu;
    uint32_t palette[256];
    for (uint32_t l = 0; l < 256; ++l)
        palette[l] = ImagePixel(GlowChannel(red, l), GlowChannel(green, l), GlowChannel(blue, l));
    // A viewport of another size (a resized host until the next cycle) shows
    // the whole frame scaled; otherwise the box around its lit pixels, on black.
    const bool scaled = viewportWidth != w || viewportHeight != h;
    const TLitBox lit = scaled ? TLitBox{0, 0, w - 1, h - 1} : display.Frames[frame].Lit;
    const TPixelRect box{lit.Left, h - 1 - lit.Bottom, lit.Right - lit.Left + 1, lit.Bottom - lit.Top + 1};
    const TGLApi& gl = GL();
    gl.PushAttrib(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_CURRENT_BIT | GL_TEXTURE_BIT);
    if (!scaled) {
        gl.ClearColor(0, 0, 0, 1);
        gl.Clear(GL_COLOR_BUFFER_BIT);
    }
    if (!lit.Empty()) {
        Image.resize(static_cast<size_t>(box.Width) * box.Height);
        for (int y = lit.Top; y <= lit.Bottom; ++y) {
            const uint8_t* light = display.Frames[frame].Light.get() + static_cast<size_t>(y) * w + lit.Left;
            uint32_t* row = Image.data() + static_cast<size_t>(lit.Bottom - y) * box.Width;
            for (int x = 0; x < box.Width; ++x) row[x] = palette[light[x]];
        }
        // Scaled, the frame's pixel space covers the viewport.
        DrawImage(w, h, box, scaled ? TPixelRect{0, 0, w, h} : box);
    }
    gl.PopAttrib();
    if (scaled) return std::nullopt;
    return lit.Empty() ? TPixelRect{} : box;
}

void TFastFrameRenderer::DrawImage(int w, int h, const TPixelRect& image, const TPixelRect& at) {
    const TGLApi& gl = GL();
    const TGLContext* current = TGLContext::CurrentContext();
    const uint64_t context = current ? current->Creation() : 0;
    // One texture of the frame's size, kept: a software rasteriser makes and
    // frees a texture for every glDrawPixels, and its memory piles up.
    if (Texture == 0 || TextureContext != context) {
        gl.GenTextures(1, &Texture);
        TextureContext = context;
        TextureWidth = TextureHeight = 0;
    }
    gl.BindTexture(GL_TEXTURE_2D, Texture);
    if (TextureWidth != w || TextureHeight != h) {
        gl.TexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
        gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        TextureWidth = w;
        TextureHeight = h;
    }
    gl.TexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, image.Width, image.Height, GL_RGBA, GL_UNSIGNED_BYTE, Image.data());
    InPixelSpace(gl, w, h, false, [&] {
        gl.Enable(GL_TEXTURE_2D);
        gl.TexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
        // Texel centres on pixel centres: each pixel takes its own texel.
        const GLfloat s = static_cast<GLfloat>(image.Width) / w, t = static_cast<GLfloat>(image.Height) / h;
        const auto x0 = static_cast<GLfloat>(at.X), y0 = static_cast<GLfloat>(at.Y);
        const auto x1 = static_cast<GLfloat>(at.X + at.Width), y1 = static_cast<GLfloat>(at.Y + at.Height);
        gl.Begin(GL_QUADS);
        gl.TexCoord2f(0, 0);
        gl.Vertex2f(x0, y0);
        gl.TexCoord2f(s, 0);
        gl.Vertex2f(x1, y0);
        gl.TexCoord2f(s, t);
        gl.Vertex2f(x1, y1);
        gl.TexCoord2f(0, t);
        gl.Vertex2f(x0, y1);
        gl.End();
    });
}

}  // namespace ombrel
