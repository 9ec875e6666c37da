#pragma once
#include <functional>
#include <memory>
#include <optional>

#include "display/gl_context.h"
#include "display/pixel_rect.h"

namespace ombrel {

// The render buffer of a viewer: its rendering context, the viewport, and
// one complete frame per render: activate, draw, check, swap, deactivate.
class TGLSceneBuffer {
public:
    using TContextFactory = std::function<std::unique_ptr<TGLContext>()>;

    ~TGLSceneBuffer();

    void Resize(int width, int height);
    int ViewportWidth() const { return Width; }
    int ViewportHeight() const { return Height; }
    // Creates the rendering context that `factory` makes (nullptr: "Failed to
    // create RenderingContext."); it must offer OpenGL 1.1 at least.
    void CreateRC(const TContextFactory& factory);
    void DestroyRC();
    TGLContext* RenderingContext() const { return Context.get(); }
    bool Rendering() const { return RenderingNow; }
    // One frame that `draw` makes in the activated context, then the swap.
    // Errors left by earlier frames are discarded first; one raised by the
    // drawing or the swap throws EOpenGLError. Nothing happens without a
    // context or inside another render.
    //
    // Where the context can show part of the back buffer, a draw that
    // leaves it black but where it says it lit (DrewInside) gets only that
    // and what the last frame lit shown; any other draw, the whole surface.
    void Render(const std::function<void()>& draw);
    // Inside a render: the back buffer is black outside `lit`.
    void DrewInside(const TPixelRect& lit) { DrawnLit = lit; }
    // Whether the back buffer still holds what the last render drew: it was
    // shown in part, and nothing has swapped it or may have spoilt it since.
    // A draw may then blacken only what it lit instead of clearing it all.
    bool BackBufferKept() const { return BackKept; }
    // The next render shows the whole surface: what the screen showed may
    // be gone (an expose).
    void Forget() {
        ScreenLit.reset();
        BackKept = false;
    }
    // Throws EOpenGLError for the first pending OpenGL error and discards the rest.
    void CheckErrors();

private:
    // The frame drawn onto the screen.
    void Show();

    int Width = 1, Height = 1;
    std::unique_ptr<TGLContext> Context;
    bool RenderingNow = false;
    // Where the screen may show anything but black; nullopt: anywhere.
    std::optional<TPixelRect> ScreenLit;
    // What the draw of the render under way said it lit.
    std::optional<TPixelRect> DrawnLit;
    bool BackKept = false;
};

}  // namespace ombrel
