#pragma once
// The layer shell's surfaces, for the shell's own code: the rest of the
// program knows them as TDisplaySurface.
#include <EGL/egl.h>

#include <chrono>
#include <optional>

#include "display/layer_shell.h"

struct wl_surface;
struct wl_callback;
struct wl_egl_window;
struct zwlr_layer_surface_v1;
struct wp_viewport;
struct wp_fractional_scale_v1;

namespace ombrel {

// The EGL display and configuration that every surface of the connection draws with.
struct TLayerShell::TEgl {
    EGLDisplay Display = EGL_NO_DISPLAY;
    EGLConfig Config = nullptr;
};

// A layer surface's EGL window surface and a context of its own, which
// takes along whatever was made in it when it goes.
std::unique_ptr<TGLContext> MakeEglContext(const TLayerShell::TEgl& egl, wl_egl_window* window);

// A layer surface on one output, anchored to all four edges, leaving the
// output's space to the windows. Its buffer has the output's device pixels
// (see PlanBuffer), and follows its scale. As a background it takes no
// input; above everything it takes the keyboard and the pointer.
class TLayerShell::TSurface : public TDisplaySurface {
public:
    TSurface(TLayerShell& shell, const TOutput& output, TSurfaceRole role);
    ~TSurface() override;

    void Repaint() override;
    bool Exposed() const override { return Configured && !Closed && !Stalled; }
    bool ScreenCurrent() const override { return Current; }
    // The compositor places and sizes the surface.
    void SetDeviceBounds(int, int, int, int) override {}
    void Show() override {}
    void Hide() override {}
    TGLSceneBuffer& RenderBuffer() override { return Buffer; }

    uint32_t Output() const { return OutputName; }

    // The surface's size, its output or its preferred scale changed: the
    // buffer follows, and the owner learns of a new size from the shell.
    void Replan();

private:
    static constexpr std::chrono::milliseconds StallAfter{500};

    void Configure(uint32_t serial, uint32_t width, uint32_t height);
    void Close();
    void FrameDone();

    TLayerShell& Shell;
    const uint32_t OutputName;
    wl_surface* Surface;
    zwlr_layer_surface_v1* Layer;
    wp_viewport* Viewport = nullptr;
    wp_fractional_scale_v1* Fractional = nullptr;
    wl_egl_window* Window = nullptr;
    wl_callback* Frame = nullptr;
    std::chrono::steady_clock::time_point Committed;
    TGLSceneBuffer Buffer;
    int Width = 0, Height = 0, Preferred120 = 0;
    std::optional<TBufferPlan> Plan;
    int PlannedWidth = 0, PlannedHeight = 0;
    bool Configured = false, Closed = false, Stalled = false, Current = false;
    // A repaint came while the compositor still held the last frame: the
    // picture it was to show is drawn once the compositor is done, even if
    // no repaint follows (the clock stopped on it).
    bool Owed = false;
};

}  // namespace ombrel
