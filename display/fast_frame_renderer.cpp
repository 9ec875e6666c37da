#include "display/fast_frame_renderer.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "display/gl_colour.h"
#include "display/gl_context.h"
#include "display/glow_palette.h"
#include "engine/glow.h"
#include "engine/overloaded.h"

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

// An opaque pixel, bytes B, G, R, A for the texture (the order of a window's
// pixels, so that a software rasteriser's blit is a copy), R, G, B, A for glDrawPixels.
uint32_t ImagePixel(bool bgra, uint32_t red, uint32_t green, uint32_t blue) noexcept {
    return (bgra ? blue | red << 16 : red | blue << 16) | green << 8 | 0xff000000u;
}

// The software rasteriser spends on one point about what it spends on 32
// pixels of an image (some 200 ns against 6), and on an image besides about
// what 1024 pixels cost: a band whose points outnumber its box's pixels by
// less goes out as an image of the box.
constexpr int64_t PixelsPerPoint = 32;
constexpr int64_t PixelsPerImage = 1024;
// Rows a band holds: a figure's outline, followed closely enough that images
// leave out most of the black around it, in few pieces.
constexpr int BandRows = 32;
// Rows of the texture that images go through: two halves of four bands
// (4 MB at 3840 pixels a row, not a frame's 33).
constexpr int TextureRows = 8 * BandRows;
// Black quads over more than 1/QuadShareOfClear of the window cost the software
// rasteriser more than one whole clear (llvmpipe, dense frames at 4K).
constexpr int64_t QuadShareOfClear = 4;

}  // namespace

std::optional<TPixelRect> TFastFrameRenderer::Render(const TFrameStore& display, const TFrameStore& colours, int frame,
                                                     int viewportWidth, int viewportHeight, bool backKept) {
    // Frame 0 is black: no points.
    return std::visit(TOverloaded{[&](const TFrameList<TDotsFrame>& pictures) {
                                      return RenderDots(display, frame ? &pictures[frame] : nullptr, colours, frame,
                                                        viewportWidth, viewportHeight, backKept);
                                  },
                                  [&](const TFrameList<TGlowFrame>& pictures) {
                                      if (frame == 0)
                                          return RenderDots(display, nullptr, colours, 0, viewportWidth,
                                                            viewportHeight, backKept);
                                      return RenderGlow(display, pictures[frame], colours, frame, viewportWidth,
                                                        viewportHeight, backKept);
                                  }},
                      display.Pictures);
}

std::optional<TPixelRect> TFastFrameRenderer::RenderDots(const TFrameStore& display, const TDotsFrame* picture,
                                                         const TFrameStore& colours, int frame, int viewportWidth,
                                                         int viewportHeight, bool backKept) {
    const TGLApi& gl = GL();
    const int w = display.ScreenWidth, h = display.ScreenHeight;
    gl.PushAttrib(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_CURRENT_BIT | GL_POINT_BIT | GL_TEXTURE_BIT);
    Points.clear();
    Bands.clear();
    if (picture)
        picture->FrameBits.ForEachSet([&](int x, int y) {
            // Rows come in order, top to bottom.
            if (Bands.empty() || y / BandRows != Bands.back().Box.Top / BandRows)
                Bands.push_back({{x, y, x, y}, Points.size() / 2, Points.size() / 2});
            TBand& band = Bands.back();
            band.Box = {std::min(band.Box.Left, x), band.Box.Top, std::max(band.Box.Right, x), y};
            ++band.PointsEnd;
            // At the pixel's centre: on its corner the rasteriser may light a neighbour.
            Points.push_back(static_cast<GLfloat>(x) + 0.5f);
            Points.push_back(static_cast<GLfloat>(y) + 0.5f);
        });
    // A scaled frame's points land elsewhere than its bits say.
    const bool scaled = viewportWidth != w || viewportHeight != h;
    const TColor colour = Points.empty() ? 0 : FrameColour(colours, frame);
    const bool textured = !Bands.empty() && !scaled && TextureHolds(w);
    TLitBox all;
    size_t images = 0;
    for (TBand& band : Bands) {
        const TLitBox& b = band.Box;
        all = all.Empty() ? b : TLitBox{std::min(all.Left, b.Left), all.Top, std::max(all.Right, b.Right), b.Bottom};
        band.Image = textured && static_cast<int64_t>(band.PointsEnd - band.PointsFirst) * PixelsPerPoint >
                                    int64_t{b.Right - b.Left + 1} * (b.Bottom - b.Top + 1) + PixelsPerImage;
        images += band.Image;
    }
    Blacken(w, h, backKept && !scaled);
    if (images != 0) {
        // Only a texture takes dots' images.
        const uint32_t black = ImagePixel(true, 0, 0, 0);
        const uint32_t lit = ImagePixel(true, colour & 0xffu, (colour >> 8) & 0xffu, (colour >> 16) & 0xffu);
        DrawImages(w, h, 1, 1, [&](const TBand& band, uint32_t* top, ptrdiff_t stride) {
            const int bw = band.Box.Right - band.Box.Left + 1;
            for (int y = band.Box.Top; y <= band.Box.Bottom; ++y) std::fill_n(top + (y - band.Box.Top) * stride, bw, black);
            for (size_t i = 2 * band.PointsFirst; i < 2 * band.PointsEnd; i += 2) {
                const int x = static_cast<int>(Points[i]), y = static_cast<int>(Points[i + 1]);
                top[(y - band.Box.Top) * stride + (x - band.Box.Left)] = lit;
            }
        });
    }
    if (images != Bands.size())
        // Pixel space of the display's frames, y running down: the same pixels
        // also on a scaled window.
        InPixelSpace(gl, w, h, true, [&] {
            gl.PointSize(1);
            gl.Color4fv(PackedColourToGL(colour, 1).data());
            gl.EnableClientState(GL_VERTEX_ARRAY);
            gl.VertexPointer(2, GL_FLOAT, 0, Points.data());
            // Neighbouring bands of points in one call.
            for (size_t b = 0; b < Bands.size();) {
                if (Bands[b].Image) {
                    ++b;
                    continue;
                }
                const size_t first = Bands[b].PointsFirst;
                while (b < Bands.size() && !Bands[b].Image) ++b;
                gl.DrawArrays(GL_POINTS, static_cast<GLint>(first), static_cast<GLsizei>(Bands[b - 1].PointsEnd - first));
            }
            gl.DisableClientState(GL_VERTEX_ARRAY);
        });
    gl.PopAttrib();
    KeepLit(scaled ? 0 : w, scaled ? 0 : h);
    if (scaled) return std::nullopt;
    return WindowRect(all, h);
}

std::optional<TPixelRect> TFastFrameRenderer::RenderGlow(const TFrameStore& display, const TGlowFrame& picture,
                                                         const TFrameStore& colours, int frame, int viewportWidth,
                                                         int viewportHeight, bool backKept) {
    const int w = display.ScreenWidth, h = display.ScreenHeight;
    const TMorphFrame& f = colours.Frames[frame];
    const bool bgra = TextureHolds(w);
    // Every pixel that a shade and a light can make, once for the frame's
    // colour: a lookup a pixel instead of three products.
    const TGlowLook look{f.Hue.load(), f.Saturation.load(), f.Brightness.load(), bgra};
    if (GlowLook != look) {
        const TGlowPalette palette(look.Hue, look.Saturation, look.Brightness);
        GlowPixels.resize(256 * 256);
        for (uint32_t s = 0; s < 256; ++s)
            for (uint32_t l = 0; l < 256; ++l) {
                uint32_t red, green, blue;
                palette.Pixel(static_cast<uint8_t>(l), static_cast<uint8_t>(s), red, green, blue);
                GlowPixels[s << 8 | l] = ImagePixel(bgra, red, green, blue);
            }
        GlowLook = look;
    }
    // A viewport of another size (a resized host until the next cycle) shows
    // the whole frame scaled; otherwise the lit pixels' box, band by band, on black.
    const bool scaled = viewportWidth != w || viewportHeight != h;
    // Held while it is read: the worker may make the frame's next code meanwhile.
    const std::shared_ptr<const TGlowCode> code = picture.Picture();
    const TLitBox lit = scaled ? TLitBox{0, 0, w - 1, h - 1} : code->Lit();
    Bands.clear();
    for (int top = lit.Top; !lit.Empty() && top <= lit.Bottom; top = (top / BandRows + 1) * BandRows) {
        const int rows = std::min(lit.Bottom + 1, (top / BandRows + 1) * BandRows) - top;
        const TLitBox b = scaled ? TLitBox{0, top, w - 1, top + rows - 1} : code->RowsBox(top, rows);
        if (!b.Empty()) Bands.push_back({b, 0, 0, true});
    }
    const TGLApi& gl = GL();
    gl.PushAttrib(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_CURRENT_BIT | GL_TEXTURE_BIT | GL_PIXEL_MODE_BIT);
    // Scaled, the whole frame is one image over all the window.
    if (!scaled) Blacken(w, h, backKept);
    DrawImages(w, h, static_cast<GLfloat>(viewportWidth) / w, static_cast<GLfloat>(viewportHeight) / h,
               [&](const TBand& band, uint32_t* top, ptrdiff_t stride) {
        const int left = band.Box.Left, right = band.Box.Right, blockLeft = left / 2;
        LightLine.resize(static_cast<size_t>(w));
        ShadeLine.resize(static_cast<size_t>(w / 2 + 1));
        for (int y = band.Box.Top; y <= band.Box.Bottom; ++y) {
            code->LightRow(y, left, right, LightLine.data());
            if (y == band.Box.Top || y % 2 == 0) code->ShadeRow(y / 2, blockLeft, right / 2, ShadeLine.data());
            PaintGlowRow(left, right, top + (y - band.Box.Top) * stride);
        }
    });
    gl.PopAttrib();
    KeepLit(scaled ? 0 : w, scaled ? 0 : h);
    if (scaled) return std::nullopt;
    return WindowRect(lit, h);
}

void TFastFrameRenderer::PaintGlowRow(int left, int right, uint32_t* row) const noexcept {
    // Light 0 is black in every shade, and much of a figure's box is unlit:
    // eight unlit pixels are told at once.
    const uint32_t black = GlowPixels[0];
    const uint8_t* light = LightLine.data();
    const uint8_t* shade = ShadeLine.data();
    const auto blockLeft = static_cast<uint32_t>(left) / 2;
    const int n = right - left + 1;
    for (int x = 0; x < n;) {
        const int end = std::min(n, x + 8);
        if (end - x == 8) {
            uint64_t eight;
            std::memcpy(&eight, light + x, sizeof eight);
            if (eight == 0) {
                std::fill(row + x, row + end, black);
                x = end;
                continue;
            }
        }
        for (; x < end; ++x)
            row[x] = GlowPixels[static_cast<uint32_t>(shade[static_cast<uint32_t>(left + x) / 2 - blockLeft]) << 8 | light[x]];
    }
}

void TFastFrameRenderer::Blacken(int w, int h, bool backKept) {
    const TGLApi& gl = GL();
    Stale.clear();
    int64_t stale = 0;
    const auto black = [&](int left, int top, int right, int bottom) {
        if (right < left || bottom < top) return;
        Stale.push_back({left, top, right, bottom});
        stale += int64_t{right - left + 1} * (bottom - top + 1);
    };
    if (backKept && LitWidth == w && LitHeight == h) {
        // The rest of the buffer is black already, and what this frame's
        // images hold they paint over: black goes only on the old boxes
        // around them. Bands are rows apart, so an old box meets at most its
        // own band's image.
        const auto image = [this](const TLitBox& old) -> const TLitBox* {
            for (const TBand& band : Bands)
                if (band.Image && band.Box.Top <= old.Bottom && old.Top <= band.Box.Bottom &&
                    band.Box.Left <= old.Right && old.Left <= band.Box.Right)
                    return &band.Box;
            return nullptr;
        };
        for (const TLitBox& old : LastLit) {
            const TLitBox* over = image(old);
            if (!over) {
                black(old.Left, old.Top, old.Right, old.Bottom);
                continue;
            }
            const int top = std::max(old.Top, over->Top), bottom = std::min(old.Bottom, over->Bottom);
            black(old.Left, old.Top, old.Right, top - 1);
            black(old.Left, bottom + 1, old.Right, old.Bottom);
            black(old.Left, top, std::min(old.Right, over->Left - 1), bottom);
            black(std::max(old.Left, over->Right + 1), top, old.Right, bottom);
        }
    } else {
        stale = std::numeric_limits<int64_t>::max();
    }
    if (stale > int64_t{w} * h / QuadShareOfClear) {
        gl.ClearColor(0, 0, 0, 1);
        gl.Clear(GL_COLOR_BUFFER_BIT);
        return;
    }
    if (Stale.empty()) return;
    InPixelSpace(gl, w, h, true, [&] {
        gl.Color4fv(PackedColourToGL(0, 1).data());
        gl.Begin(GL_QUADS);
        // Corners on pixel edges: the quad covers exactly the box's pixel centres.
        for (const TLitBox& b : Stale) {
            gl.Vertex2i(b.Left, b.Top);
            gl.Vertex2i(b.Right + 1, b.Top);
            gl.Vertex2i(b.Right + 1, b.Bottom + 1);
            gl.Vertex2i(b.Left, b.Bottom + 1);
        }
        gl.End();
    });
}

void TFastFrameRenderer::KeepLit(int w, int h) {
    LastLit.clear();
    for (const TBand& band : Bands) LastLit.push_back(band.Box);
    LitWidth = w;
    LitHeight = h;
}

TPixelRect TFastFrameRenderer::WindowRect(const TLitBox& box, int h) noexcept {
    if (box.Empty()) return {};
    return {box.Left, h - 1 - box.Bottom, box.Right - box.Left + 1, box.Bottom - box.Top + 1};
}

bool TFastFrameRenderer::TextureHolds(int w) {
    const TGLApi& gl = GL();
    const TGLContext* current = TGLContext::CurrentContext();
    const uint64_t context = current ? current->Creation() : 0;
    if (Texture == 0 || TextureContext != context) {
        // Textures of any size from OpenGL 2.0 on, up to the driver's largest.
        const auto* version = reinterpret_cast<const char*>(gl.GetString(GL_VERSION));
        GLint largest = 0;
        gl.GetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
        const double number = version ? std::atof(version) : 0;
        TextureLargest = number >= 2.0 - 1e-9 ? largest : 0;
        gl.GenTextures(1, &Texture);
        TextureContext = context;
        TextureWidth = 0;
        // Blits from OpenGL 3.0 on, and not into a multisampled buffer (an error).
        GLint samples = 0;
        if (number >= 3.0 - 1e-9) gl.GetIntegerv(GL_SAMPLE_BUFFERS, &samples);
        Framebuffer = 0;
        Blits = number >= 3.0 - 1e-9 && samples == 0;
    }
    return w <= TextureLargest && TextureRows <= TextureLargest;
}

void TFastFrameRenderer::DrawImages(int w, int h, GLfloat zoomX, GLfloat zoomY,
                                    const std::function<void(const TBand&, uint32_t*, ptrdiff_t)>& paint) {
    size_t size = 0;
    for (const TBand& band : Bands)
        if (band.Image) size += static_cast<size_t>(band.Box.Right - band.Box.Left + 1) * (band.Box.Bottom - band.Box.Top + 1);
    if (size == 0) return;
    const TGLApi& gl = GL();
    // Room for one band, painted and handed to the driver, which copies it,
    // before the next: never a whole frame's pixels twice over.
    if (Image.size() < static_cast<size_t>(w) * BandRows) Image.assign(static_cast<size_t>(w) * BandRows, 0);
    if (!TextureHolds(w)) {
        // No texture for the frame: band by band through glDrawPixels, bottom row first.
        for (const TBand& band : Bands) {
            if (!band.Image) continue;
            const TPixelRect at = WindowRect(band.Box, h);
            paint(band, Image.data() + static_cast<ptrdiff_t>(at.Height - 1) * at.Width, -at.Width);
            InPixelSpace(gl, w, h, false, [&] {
                gl.PixelZoom(zoomX, zoomY);
                gl.RasterPos2i(at.X, at.Y);
                gl.DrawPixels(at.Width, at.Height, GL_RGBA, GL_UNSIGNED_BYTE, Image.data());
            });
        }
        return;
    }
    // One texture, kept: a software rasteriser makes and frees a texture for
    // every glDrawPixels, and its memory piles up. As wide as the frame and
    // TextureRows high, in two halves: bands fill one half and go to the
    // window while the other half fills. Writing a texture that a queued
    // draw reads waits for that draw; the half written now was last drawn a
    // flush earlier.
    gl.BindTexture(GL_TEXTURE_2D, Texture);
    if (TextureWidth != w) {
        // Every page of the texture written from the start: taken as the
        // figure grew instead, fresh pages came from the system in the middle
        // of the first morphs, and repaints came up to 150 ms late at
        // 3840x2160. Unsized, so that the driver keeps the pixels as they
        // come, B, G, R, A.
        gl.TexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, w, TextureRows, 0, GL_BGRA, GL_UNSIGNED_BYTE, nullptr);
        std::fill(Image.begin(), Image.end(), 0u);
        for (int y = 0; y < TextureRows; y += BandRows)
            gl.TexSubImage2D(GL_TEXTURE_2D, 0, 0, y, w, BandRows, GL_BGRA, GL_UNSIGNED_BYTE, Image.data());
        gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        TextureWidth = w;
        Attached = false;
    }
    const int halfRows = TextureRows / 2;
    int half = 0, next = 0;
    Placed.clear();
    for (const TBand& band : Bands) {
        if (!band.Image) continue;
        const TPixelRect at = WindowRect(band.Box, h);
        if (next + at.Height > half + halfRows) {
            DrawPlaced(w, h, zoomX, zoomY);
            gl.Flush();
            half = halfRows - half;
            next = half;
        }
        // Its top row first: upside down in the texture.
        paint(band, Image.data(), at.Width);
        gl.TexSubImage2D(GL_TEXTURE_2D, 0, at.X, next, at.Width, at.Height, GL_BGRA, GL_UNSIGNED_BYTE, Image.data());
        Placed.push_back({at, next});
        next += at.Height;
    }
    DrawPlaced(w, h, zoomX, zoomY);
}

void TFastFrameRenderer::DrawPlaced(int w, int h, GLfloat zoomX, GLfloat zoomY) {
    if (Placed.empty()) return;
    if (zoomX == 1 && zoomY == 1 && BlitPlaced()) {
        Placed.clear();
        return;
    }
    const TGLApi& gl = GL();
    InPixelSpace(gl, w, h, false, [&] {
        gl.Enable(GL_TEXTURE_2D);
        gl.TexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
        // Frame pixels and texels alike: each pixel's centre takes its own
        // texel, the band's rows turned the right way up.
        const auto sOf = [w](int x) { return static_cast<GLfloat>(x) / static_cast<GLfloat>(w); };
        const auto tOf = [](int y) { return static_cast<GLfloat>(y) / static_cast<GLfloat>(TextureRows); };
        gl.Begin(GL_QUADS);
        for (const TPlaced& p : Placed) {
            const TPixelRect& at = p.Window;
            const int x1 = at.X + at.Width, y1 = at.Y + at.Height;
            for (auto [x, y] : {std::pair{at.X, at.Y}, std::pair{x1, at.Y}, std::pair{x1, y1}, std::pair{at.X, y1}}) {
                gl.TexCoord2f(sOf(x), tOf(p.Row + y1 - y));
                gl.Vertex2f(static_cast<GLfloat>(x), static_cast<GLfloat>(y));
            }
        }
        gl.End();
    });
    Placed.clear();
}

bool TFastFrameRenderer::BlitPlaced() {
    if (!Blits) return false;
    const TGLApi& gl = GL();
    GLint read = 0;
    gl.GetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &read);
    if (Framebuffer == 0) {
        gl.GenFramebuffers(1, &Framebuffer);
        Attached = false;
    }
    gl.BindFramebuffer(GL_READ_FRAMEBUFFER, Framebuffer);
    if (!Attached) {
        gl.FramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, Texture, 0);
        Attached = true;
        Blits = gl.CheckFramebufferStatus(GL_READ_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    }
    // Each band flipped back as it goes: the window's rows run the other way
    // from a texture's in a software rasteriser too, so the two flips cancel
    // and the blit is a copy of rows, no drawing at all.
    for (const TPlaced& p : Placed) {
        if (!Blits) break;
        const TPixelRect& at = p.Window;
        const int x1 = at.X + at.Width, y1 = at.Y + at.Height;
        gl.BlitFramebuffer(at.X, p.Row + at.Height, x1, p.Row, at.X, at.Y, x1, y1, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    }
    gl.BindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(read));
    return Blits;
}

}  // namespace ombrel
