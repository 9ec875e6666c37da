#pragma once
#include <exception>
#include <functional>

#include "display/render_buffer.h"

namespace ombrel {

// Where a display draws: a window of ours, or a surface that a Wayland
// compositor places itself (the desktop's background, a lock screen).
class TDisplaySurface {
public:
    virtual ~TDisplaySurface() = default;

    // Draws now, if the surface can be seen, and returns after the swap.
    virtual void Repaint() = 0;
    // Whether anything drawn now could be seen.
    virtual bool Exposed() const = 0;
    // The last paint succeeded and nothing since (a resize, an expose, a new
    // context) can have changed what the surface shows.
    virtual bool ScreenCurrent() const = 0;
    // Places the surface in device pixels, where the platform lets us.
    virtual void SetDeviceBounds(int left, int top, int width, int height) = 0;
    virtual void Show() = 0;
    virtual void Hide() = 0;
    // Its context and viewport.
    virtual TGLSceneBuffer& RenderBuffer() = 0;

    // What a paint draws, into the activated context whose viewport is the surface.
    std::function<void()> Draw;
    // Where render errors go; they cannot pass through the event loop.
    std::function<void(const std::exception&)> OnError;
    // The surface came into sight or went out of it (Exposed() tells which).
    std::function<void()> OnExposeChange;
};

}  // namespace ombrel
