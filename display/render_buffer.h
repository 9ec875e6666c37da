#pragma once
#include <functional>
#include <memory>

#include "display/gl_context.h"

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
    void Render(const std::function<void()>& draw);
    // Throws EOpenGLError for the first pending OpenGL error and discards the rest.
    void CheckErrors();

private:
    int Width = 1, Height = 1;
    std::unique_ptr<TGLContext> Context;
    bool RenderingNow = false;
};

}  // namespace ombrel
