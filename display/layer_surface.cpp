#include "display/layer_surface.h"

#include <EGL/eglext.h>
#include <wayland-client.h>
#include <wayland-egl.h>

#include <algorithm>

#include "display/egl_config.h"
#include "display/gl_api.h"
#include "display/gl_context.h"
#include "display/gl_errors.h"
#include "fractional-scale-v1-client-protocol.h"
#include "viewporter-client-protocol.h"
#include "wlr-layer-shell-unstable-v1-client-protocol.h"

// Outside the namespace: there, EGLContext names the context error.
static const EGLContext NoEglContext = EGL_NO_CONTEXT;

namespace ombrel {

namespace {

class TGLEglContext : public TGLContext {
public:
    TGLEglContext(const TLayerShell::TEgl& egl, wl_egl_window* window) : Egl(egl), Window(window) {}
    ~TGLEglContext() override { DestroyContext(); }

protected:
    void DoCreateContext() override {
        Surface = eglCreateWindowSurface(Egl.Display, Egl.Config, reinterpret_cast<EGLNativeWindowType>(Window), nullptr);
        if (Surface == EGL_NO_SURFACE) throw EOSError("no EGL surface could be made on the output");
        Context = eglCreateContext(Egl.Display, Egl.Config, NoEglContext, CompatibilityContext);
        if (Context == NoEglContext) {
            eglDestroySurface(Egl.Display, Surface);
            Surface = EGL_NO_SURFACE;
            throw EOSError("no OpenGL context could be made for the output");
        }
    }
    void DoDestroyContext() override {
        eglMakeCurrent(Egl.Display, EGL_NO_SURFACE, EGL_NO_SURFACE, NoEglContext);
        eglDestroyContext(Egl.Display, Context);
        eglDestroySurface(Egl.Display, Surface);
        Context = NoEglContext;
        Surface = EGL_NO_SURFACE;
    }
    void DoActivate() override {
        if (!eglMakeCurrent(Egl.Display, Surface, Surface, Context))
            throw EGLContext("Context activation failed: the surface cannot take this context");
        // The compositor's frame callbacks pace the drawing: a swap must never wait for one.
        if (!SwapIntervalSet) SwapIntervalSet = eglSwapInterval(Egl.Display, 0);
    }
    void DoDeactivate() override { eglMakeCurrent(Egl.Display, EGL_NO_SURFACE, EGL_NO_SURFACE, NoEglContext); }
    void DoSwapBuffers() override { eglSwapBuffers(Egl.Display, Surface); }
    bool Created() const override { return Surface != EGL_NO_SURFACE; }

private:
    const TLayerShell::TEgl& Egl;
    wl_egl_window* Window;
    EGLSurface Surface = EGL_NO_SURFACE;
    // EGL's own type: inside this namespace the bare name is the context error.
    ::EGLContext Context = NoEglContext;
    bool SwapIntervalSet = false;
};

}  // namespace

std::unique_ptr<TGLContext> MakeEglContext(const TLayerShell::TEgl& egl, wl_egl_window* window) {
    return std::make_unique<TGLEglContext>(egl, window);
}

TLayerShell::TSurface::TSurface(TLayerShell& shell, const TOutput& output, TSurfaceRole role)
    : Shell(shell), OutputName(output.Name) {
    Surface = wl_compositor_create_surface(shell.Compositor());
    Layer = zwlr_layer_shell_v1_get_layer_surface(shell.Shell(), Surface, output.Handle, role.Layer, "ombrel");
    static const zwlr_layer_surface_v1_listener listener = {
        [](void* self, zwlr_layer_surface_v1*, uint32_t serial, uint32_t w, uint32_t h) {
            static_cast<TSurface*>(self)->Configure(serial, w, h);
        },
        [](void* self, zwlr_layer_surface_v1*) { static_cast<TSurface*>(self)->Close(); },
    };
    zwlr_layer_surface_v1_add_listener(Layer, &listener, this);
    zwlr_layer_surface_v1_set_anchor(Layer, ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                                                ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT | ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
    zwlr_layer_surface_v1_set_exclusive_zone(Layer, -1);
    if (role.TakesInput) {
        // The keys of a user coming back are the show's, not a window's; the
        // surface's whole area (the default input region) takes the pointer.
        zwlr_layer_surface_v1_set_keyboard_interactivity(Layer, ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_EXCLUSIVE);
    } else {
        zwlr_layer_surface_v1_set_keyboard_interactivity(Layer, ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_NONE);
        // Clicks go through to what lies below.
        wl_region* none = wl_compositor_create_region(shell.Compositor());
        wl_surface_set_input_region(Surface, none);
        wl_region_destroy(none);
    }
    if (shell.Viewporter()) Viewport = wp_viewporter_get_viewport(shell.Viewporter(), Surface);
    if (shell.FractionalScales()) {
        Fractional = wp_fractional_scale_manager_v1_get_fractional_scale(shell.FractionalScales(), Surface);
        static const wp_fractional_scale_v1_listener scale = {[](void* self, wp_fractional_scale_v1*, uint32_t scale120) {
            static_cast<TSurface*>(self)->Preferred120 = static_cast<int>(scale120);
            static_cast<TSurface*>(self)->Replan();
        }};
        wp_fractional_scale_v1_add_listener(Fractional, &scale, this);
    }
    wl_surface_commit(Surface);
    shell.Surfaces.push_back(this);
}

TLayerShell::TSurface::~TSurface() {
    std::erase(Shell.Surfaces, this);
    if (Frame) wl_callback_destroy(Frame);
    Buffer.DestroyRC();
    if (Window) wl_egl_window_destroy(Window);
    if (Fractional) wp_fractional_scale_v1_destroy(Fractional);
    if (Viewport) wp_viewport_destroy(Viewport);
    zwlr_layer_surface_v1_destroy(Layer);
    wl_surface_destroy(Surface);
}

void TLayerShell::TSurface::Repaint() {
    if (!Configured || Closed) return;
    if (Frame) {
        // The compositor has not taken the last frame up: the output is
        // off or the surface hidden. Drawing waits for it; after a while,
        // so does everything else (the owner stops its clock).
        if (!Stalled && std::chrono::steady_clock::now() - Committed >= StallAfter) {
            Stalled = true;
            if (OnExposeChange) OnExposeChange();
        }
        Owed = true;
        return;
    }
    Owed = false;
    Current = false;
    try {
        Buffer.Render([this] {
            GL().Viewport(0, 0, Buffer.ViewportWidth(), Buffer.ViewportHeight());
            Frame = wl_surface_frame(Surface);
            static const wl_callback_listener done = {[](void* self, wl_callback* callback, uint32_t) {
                wl_callback_destroy(callback);
                static_cast<TSurface*>(self)->FrameDone();
            }};
            wl_callback_add_listener(Frame, &done, this);
            if (Draw) Draw();
        });
        Committed = std::chrono::steady_clock::now();
        Current = true;
    } catch (const std::exception& e) {
        // No commit followed: the callback would never come.
        if (Frame) wl_callback_destroy(Frame);
        Frame = nullptr;
        if (OnError) OnError(e);
    }
}

void TLayerShell::TSurface::Replan() {
    const TOutput* output = Shell.Output(OutputName);
    // An output that went keeps its surface as it was until the compositor closes it.
    if (Width <= 0 || Height <= 0 || !output) return;
    TScaleFacts facts = Shell.FactsFor(*output, Width, Height);
    facts.Preferred120 = Preferred120;
    const TBufferPlan plan = PlanBuffer(facts);
    if (Plan == plan && PlannedWidth == Width && PlannedHeight == Height) return;
    // Applied with the next frame's commit, together with its buffer.
    if (wl_proxy_get_version(reinterpret_cast<wl_proxy*>(Surface)) >= WL_SURFACE_SET_BUFFER_SCALE_SINCE_VERSION)
        wl_surface_set_buffer_scale(Surface, plan.BufferScale);
    if (Viewport) wp_viewport_set_destination(Viewport, plan.Viewport ? Width : -1, plan.Viewport ? Height : -1);
    Current = false;
    const bool was = Configured;
    try {
        // A buffer of another size comes with a window and context of its
        // own: Mesa's software rasteriser keeps a resized window's buffers of
        // every earlier size with the context, for as long as it lives.
        if (Window && !(Plan && Plan->Width == plan.Width && Plan->Height == plan.Height && Buffer.RenderingContext())) {
            Buffer.DestroyRC();
            wl_egl_window_destroy(Window);
            Window = nullptr;
        }
        if (!Window) {
            Window = wl_egl_window_create(Surface, plan.Width, plan.Height);
            if (!Window) throw EOSError("no EGL window could be made on the output");
            Buffer.Resize(plan.Width, plan.Height);
            Buffer.CreateRC([this] { return Shell.MakeContext(Window); });
        }
        Configured = true;
        Plan = plan;
        PlannedWidth = Width;
        PlannedHeight = Height;
    } catch (const std::exception& e) {
        // No plan taken: the next change of the surface or its output tries again.
        Configured = false;
        if (OnError) OnError(e);
    }
    Shell.Planned(OutputName, plan);
    if (was != Configured && OnExposeChange) OnExposeChange();
}

void TLayerShell::TSurface::Configure(uint32_t serial, uint32_t width, uint32_t height) {
    zwlr_layer_surface_v1_ack_configure(Layer, serial);
    Width = static_cast<int>(width);
    Height = static_cast<int>(height);
    Replan();
}

void TLayerShell::TSurface::Close() {
    Closed = true;
    if (OnExposeChange) OnExposeChange();
}

void TLayerShell::TSurface::FrameDone() {
    Frame = nullptr;
    if (Owed)
        // From the event loop, not from inside the compositor's events; a surface gone by then is not drawn.
        QMetaObject::invokeMethod(
                &Shell,
                [shell = &Shell, self = this] {
                    if (std::find(shell->Surfaces.begin(), shell->Surfaces.end(), self) != shell->Surfaces.end() &&
                        self->Owed)
                        self->Repaint();
                },
                Qt::QueuedConnection);
    if (!Stalled) return;
    Stalled = false;
    if (OnExposeChange) OnExposeChange();
}

}  // namespace ombrel
