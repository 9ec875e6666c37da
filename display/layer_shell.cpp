#include "display/layer_shell.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <wayland-client.h>
#include <wayland-egl.h>

#include <QAbstractEventDispatcher>
#include <QSocketNotifier>
#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "display/gl_api.h"
#include "display/gl_context.h"
#include "display/gl_errors.h"
#include "display/render_buffer.h"
#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#include "xdg-output-unstable-v1-client-protocol.h"

// EGL's context type: inside namespace ombrel that name is the context error.
using TEglContext = EGLContext;
static const TEglContext NoEglContext = EGL_NO_CONTEXT;

namespace ombrel {

struct TLayerShell::TEgl {
    EGLDisplay Display = EGL_NO_DISPLAY;
    EGLConfig Config = nullptr;
    TEglContext Context = NoEglContext;
};

namespace {

// One EGL window surface of a layer surface, made current with the one
// context that all of them share.
class TGLEglContext : public TGLContext {
public:
    TGLEglContext(const TLayerShell::TEgl& egl, wl_egl_window* window) : Egl(egl), Window(window) {}
    ~TGLEglContext() override { DestroyContext(); }

protected:
    void DoCreateContext() override {
        Surface = eglCreateWindowSurface(Egl.Display, Egl.Config, reinterpret_cast<EGLNativeWindowType>(Window), nullptr);
        if (Surface == EGL_NO_SURFACE) throw EOSError("no EGL surface could be made on the output");
    }
    void DoDestroyContext() override {
        eglMakeCurrent(Egl.Display, EGL_NO_SURFACE, EGL_NO_SURFACE, NoEglContext);
        eglDestroySurface(Egl.Display, Surface);
        Surface = EGL_NO_SURFACE;
    }
    void DoActivate() override {
        if (!eglMakeCurrent(Egl.Display, Surface, Surface, Egl.Context))
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
    bool SwapIntervalSet = false;
};

// A layer surface on one output, anchored to all four edges, taking no
// input and leaving the output's space to the windows.
class TLayerSurface : public TDisplaySurface {
public:
    TLayerSurface(TLayerShell& shell, const TLayerShell::TOutput& output, uint32_t layer)
        : Shell(shell), Scale(output.Scale) {
        Surface = wl_compositor_create_surface(shell.Compositor());
        Layer = zwlr_layer_shell_v1_get_layer_surface(shell.Shell(), Surface, output.Handle, layer, "ombrel");
        static const zwlr_layer_surface_v1_listener listener = {
            [](void* self, zwlr_layer_surface_v1*, uint32_t serial, uint32_t w, uint32_t h) {
                static_cast<TLayerSurface*>(self)->Configure(serial, w, h);
            },
            [](void* self, zwlr_layer_surface_v1*) { static_cast<TLayerSurface*>(self)->Close(); },
        };
        zwlr_layer_surface_v1_add_listener(Layer, &listener, this);
        zwlr_layer_surface_v1_set_anchor(Layer, ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                                                    ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT | ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
        zwlr_layer_surface_v1_set_exclusive_zone(Layer, -1);
        zwlr_layer_surface_v1_set_keyboard_interactivity(Layer, ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_NONE);
        // Clicks go through to what lies below.
        wl_region* none = wl_compositor_create_region(shell.Compositor());
        wl_surface_set_input_region(Surface, none);
        wl_region_destroy(none);
        // A point is one device pixel of the output.
        wl_surface_set_buffer_scale(Surface, Scale);
        wl_surface_commit(Surface);
    }

    ~TLayerSurface() override {
        if (Frame) wl_callback_destroy(Frame);
        Buffer.DestroyRC();
        if (Window) wl_egl_window_destroy(Window);
        zwlr_layer_surface_v1_destroy(Layer);
        wl_surface_destroy(Surface);
    }

    void Repaint() override {
        // Until the last frame was taken up, the output cannot show a new one (off, or hidden).
        if (!Configured || Closed || Frame) return;
        Current = false;
        try {
            Buffer.Render([this] {
                GL().Viewport(0, 0, Buffer.ViewportWidth(), Buffer.ViewportHeight());
                Frame = wl_surface_frame(Surface);
                static const wl_callback_listener done = {[](void* self, wl_callback* callback, uint32_t) {
                    wl_callback_destroy(callback);
                    static_cast<TLayerSurface*>(self)->Frame = nullptr;
                }};
                wl_callback_add_listener(Frame, &done, this);
                if (Draw) Draw();
            });
            Current = true;
        } catch (const std::exception& e) {
            // No commit followed: the callback would never come.
            if (Frame) wl_callback_destroy(Frame);
            Frame = nullptr;
            if (OnError) OnError(e);
        }
    }
    bool Exposed() const override { return Configured && !Closed; }
    bool ScreenCurrent() const override { return Current; }
    // The compositor places and sizes the surface.
    void SetDeviceBounds(int, int, int, int) override {}
    void Show() override {}
    void Hide() override {}
    TGLSceneBuffer& RenderBuffer() override { return Buffer; }

private:
    void Configure(uint32_t serial, uint32_t width, uint32_t height) {
        zwlr_layer_surface_v1_ack_configure(Layer, serial);
        const int w = static_cast<int>(width) * Scale, h = static_cast<int>(height) * Scale;
        Current = false;
        try {
            if (!Window) {
                Window = wl_egl_window_create(Surface, w, h);
                Buffer.Resize(w, h);
                const TLayerShell::TEgl& egl = Shell.Egl();
                Buffer.CreateRC([&egl, this] { return std::make_unique<TGLEglContext>(egl, Window); });
            } else {
                wl_egl_window_resize(Window, w, h, 0, 0);
                Buffer.Resize(w, h);
            }
            Configured = true;
        } catch (const std::exception& e) {
            if (OnError) OnError(e);
        }
        if (OnExposeChange) OnExposeChange();
    }
    void Close() {
        Closed = true;
        if (OnExposeChange) OnExposeChange();
    }

    TLayerShell& Shell;
    int Scale;
    wl_surface* Surface;
    zwlr_layer_surface_v1* Layer;
    wl_egl_window* Window = nullptr;
    wl_callback* Frame = nullptr;
    TGLSceneBuffer Buffer;
    bool Configured = false, Closed = false, Current = false;
};

const wl_registry_listener RegistryListener = {
    [](void* self, wl_registry*, uint32_t name, const char* interface, uint32_t version) {
        static_cast<TLayerShell*>(self)->AddGlobal(name, interface, version);
    },
    [](void* self, wl_registry*, uint32_t name) { static_cast<TLayerShell*>(self)->RemoveGlobal(name); },
};

using TOutput = TLayerShell::TOutput;
TOutput& OutputOf(void* data) { return *static_cast<TOutput*>(data); }
}  // namespace

// What the displays depend on of the complete outputs: a change of it is a change of layout.
std::vector<std::array<intptr_t, 6>> TLayerShell::Signature(const std::vector<const TOutput*>& outputs) {
    std::vector<std::array<intptr_t, 6>> s;
    for (const TOutput* o : outputs)
        s.push_back({reinterpret_cast<intptr_t>(o), o->Width, o->Height, o->Scale, o->LogicalX, o->LogicalY});
    return s;
}

namespace {

const wl_output_listener OutputListener = {
    [](void* data, wl_output*, int32_t x, int32_t y, int32_t, int32_t, int32_t, const char*, const char*, int32_t) {
        OutputOf(data).X = x;
        OutputOf(data).Y = y;
    },
    [](void* data, wl_output*, uint32_t flags, int32_t w, int32_t h, int32_t) {
        if (!(flags & WL_OUTPUT_MODE_CURRENT)) return;
        OutputOf(data).Width = w;
        OutputOf(data).Height = h;
    },
    [](void* data, wl_output*) { OutputOf(data).Done = true; },
    [](void* data, wl_output*, int32_t scale) { OutputOf(data).Scale = scale > 0 ? scale : 1; },
    [](void*, wl_output*, const char*) {},
    [](void*, wl_output*, const char*) {},
};

const zxdg_output_v1_listener XdgOutputListener = {
    [](void* data, zxdg_output_v1*, int32_t x, int32_t y) {
        OutputOf(data).LogicalX = x;
        OutputOf(data).LogicalY = y;
        OutputOf(data).HasLogicalPosition = true;
    },
    [](void*, zxdg_output_v1*, int32_t, int32_t) {},
    [](void*, zxdg_output_v1*) {},
    [](void*, zxdg_output_v1*, const char*) {},
    [](void*, zxdg_output_v1*, const char*) {},
};

}  // namespace

std::unique_ptr<TLayerShell> TLayerShell::Connect(std::string& error) {
    std::unique_ptr<TLayerShell> shell(new TLayerShell);
    shell->Connection = wl_display_connect(nullptr);
    if (!shell->Connection) {
        const char* name = std::getenv("WAYLAND_DISPLAY");
        error = std::string("--wallpaper needs a Wayland compositor with a layer shell, and none answers at '") +
                (name ? name : "wayland-0") + "'; on X11, ombrel --root draws on the desktop's background";
        return nullptr;
    }
    shell->Registry = wl_display_get_registry(shell->Connection);
    wl_registry_add_listener(shell->Registry, &RegistryListener, shell.get());
    wl_display_roundtrip(shell->Connection);
    if (!shell->ShellGlobal || !shell->CompositorGlobal) {
        error = "this compositor offers no layer shell (zwlr_layer_shell_v1), which --wallpaper needs: sway, "
                "Hyprland, KDE Plasma, river, labwc, Wayfire and niri do; here, run ombrel without --wallpaper";
        return nullptr;
    }
    // The outputs' descriptions.
    wl_display_roundtrip(shell->Connection);
    shell->Known = Signature(shell->Outputs());

    TEgl& egl = *(shell->EglState = std::make_unique<TEgl>());
    egl.Display = eglGetDisplay(reinterpret_cast<EGLNativeDisplayType>(shell->Connection));
    EGLint configs = 0;
    const EGLint want[] = {EGL_SURFACE_TYPE, EGL_WINDOW_BIT, EGL_RED_SIZE,        8, EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8,
                           EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_NONE};
    // Immediate mode and the fixed pipeline need the compatibility profile.
    const EGLint compatibility[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT,
                                    EGL_NONE};
    if (egl.Display == EGL_NO_DISPLAY || !eglInitialize(egl.Display, nullptr, nullptr) || !eglBindAPI(EGL_OPENGL_API) ||
        !eglChooseConfig(egl.Display, want, &egl.Config, 1, &configs) || configs < 1 ||
        (egl.Context = eglCreateContext(egl.Display, egl.Config, NoEglContext, compatibility)) == NoEglContext) {
        char code[16];
        std::snprintf(code, sizeof code, "0x%x", static_cast<unsigned>(eglGetError()));
        error = std::string("no OpenGL context could be made on the compositor's display (EGL error ") + code + ")";
        return nullptr;
    }
    return shell;
}

TLayerShell::~TLayerShell() {
    if (EglState && EglState->Display != EGL_NO_DISPLAY) {
        if (EglState->Context != NoEglContext) eglDestroyContext(EglState->Display, EglState->Context);
        eglTerminate(EglState->Display);
    }
    for (auto& o : OutputList) {
        if (o->Xdg) zxdg_output_v1_destroy(o->Xdg);
        wl_output_destroy(o->Handle);
    }
    if (XdgOutputs) zxdg_output_manager_v1_destroy(XdgOutputs);
    if (ShellGlobal) zwlr_layer_shell_v1_destroy(ShellGlobal);
    if (CompositorGlobal) wl_compositor_destroy(CompositorGlobal);
    if (Registry) wl_registry_destroy(Registry);
    if (Connection) wl_display_disconnect(Connection);
}

void TLayerShell::AddGlobal(uint32_t name, const char* interface, uint32_t version) {
    const auto bind = [&](const wl_interface* type, uint32_t most) {
        return wl_registry_bind(Registry, name, type, std::min(version, most));
    };
    if (std::strcmp(interface, wl_compositor_interface.name) == 0) {
        // Buffer scales came with version 3.
        CompositorGlobal = static_cast<wl_compositor*>(bind(&wl_compositor_interface, 4));
    } else if (std::strcmp(interface, zwlr_layer_shell_v1_interface.name) == 0) {
        ShellGlobal = static_cast<zwlr_layer_shell_v1*>(bind(&zwlr_layer_shell_v1_interface, 3));
    } else if (std::strcmp(interface, zxdg_output_manager_v1_interface.name) == 0) {
        XdgOutputs = static_cast<zxdg_output_manager_v1*>(bind(&zxdg_output_manager_v1_interface, 2));
        for (auto& o : OutputList) OutputChanged(*o);
    } else if (std::strcmp(interface, wl_output_interface.name) == 0) {
        auto output = std::make_unique<TOutput>();
        output->Name = name;
        output->Handle = static_cast<wl_output*>(bind(&wl_output_interface, 3));
        wl_output_add_listener(output->Handle, &OutputListener, output.get());
        OutputList.push_back(std::move(output));
        OutputChanged(*OutputList.back());
    }
}

void TLayerShell::OutputChanged(TOutput& output) {
    if (XdgOutputs && !output.Xdg) {
        output.Xdg = zxdg_output_manager_v1_get_xdg_output(XdgOutputs, output.Handle);
        zxdg_output_v1_add_listener(output.Xdg, &XdgOutputListener, &output);
    }
}

void TLayerShell::RemoveGlobal(uint32_t name) {
    const auto gone = std::find_if(OutputList.begin(), OutputList.end(), [name](const auto& o) { return o->Name == name; });
    if (gone == OutputList.end()) return;
    if ((*gone)->Xdg) zxdg_output_v1_destroy((*gone)->Xdg);
    wl_output_destroy((*gone)->Handle);
    OutputList.erase(gone);
}

std::vector<const TLayerShell::TOutput*> TLayerShell::Outputs() const {
    std::vector<const TOutput*> list;
    for (const auto& o : OutputList)
        if (o->Done && o->Width > 0 && o->Height > 0) list.push_back(o.get());
    return list;
}

std::unique_ptr<TDisplaySurface> TLayerShell::MakeSurface(const TOutput* output, uint32_t layer) {
    return std::make_unique<TLayerSurface>(*this, *output, layer);
}

void TLayerShell::Serve() {
    Notifier = new QSocketNotifier(wl_display_get_fd(Connection), QSocketNotifier::Read, this);
    connect(Notifier, &QSocketNotifier::activated, this, &TLayerShell::Dispatch);
    // What was asked for meanwhile goes out before the loop sleeps.
    // EGL reads the connection too: events it read for us wait in the queue.
    connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, this, [this] {
        if (Broken) return;
        Handle(wl_display_dispatch_pending(Connection));
        if (!Broken && wl_display_flush(Connection) < 0 && errno != EAGAIN) Lost("the Wayland compositor went away");
    });
}

void TLayerShell::Dispatch() {
    if (Broken) return;
    // EGL reads this connection too: what woke the notifier may be read
    // already, and a blocking dispatch would then wait for the compositor's
    // next word, holding up the loop and the stop signals. The library's way
    // for clients that share their connection reads only what is there.
    while (wl_display_prepare_read(Connection) != 0)
        if (wl_display_dispatch_pending(Connection) < 0) return Handle(-1);
    if (wl_display_read_events(Connection) < 0) return Handle(-1);
    Handle(wl_display_dispatch_pending(Connection));
}

void TLayerShell::Handle(int dispatched) {
    if (dispatched < 0) {
        Lost("the Wayland compositor went away");
        return;
    }
    const auto now = Signature(Outputs());
    if (now == Known) return;
    Known = now;
    if (OnOutputsChanged) OnOutputsChanged();
}

void TLayerShell::Lost(const std::string& reason) {
    Broken = true;
    Notifier->setEnabled(false);
    if (OnLost) OnLost(reason);
}

}  // namespace ombrel
