#include "display/layer_shell.h"

#include <EGL/egl.h>
#include <wayland-client.h>

#include <QAbstractEventDispatcher>
#include <QSocketNotifier>
#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "display/egl_config.h"
#include "display/layer_surface.h"
#include "ext-idle-notify-v1-client-protocol.h"
#include "fractional-scale-v1-client-protocol.h"
#include "idle-client-protocol.h"
#include "viewporter-client-protocol.h"
#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#include "xdg-output-unstable-v1-client-protocol.h"

// EGL's context type: inside namespace ombrel that name is the context error.
using TEglContext = EGLContext;
static const TEglContext NoEglContext = EGL_NO_CONTEXT;

namespace ombrel {

namespace {

const wl_registry_listener RegistryListener = {
    [](void* self, wl_registry*, uint32_t name, const char* interface, uint32_t version) {
        static_cast<TLayerShell*>(self)->AddGlobal(name, interface, version);
    },
    [](void* self, wl_registry*, uint32_t name) { static_cast<TLayerShell*>(self)->RemoveGlobal(name); },
};

using TOutput = TLayerShell::TOutput;
TOutput& OutputOf(void* data) { return *static_cast<TOutput*>(data); }

const wl_output_listener OutputListener = {
    [](void* data, wl_output*, int32_t x, int32_t y, int32_t, int32_t, int32_t, const char*, const char*,
       int32_t transform) {
        OutputOf(data).X = x;
        OutputOf(data).Y = y;
        OutputOf(data).Transform = transform;
    },
    [](void* data, wl_output*, uint32_t flags, int32_t w, int32_t h, int32_t) {
        if (!(flags & WL_OUTPUT_MODE_CURRENT)) return;
        OutputOf(data).ModeWidth = w;
        OutputOf(data).ModeHeight = h;
    },
    [](void* data, wl_output*) { OutputOf(data).Owner->OutputDescribed(OutputOf(data)); },
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
    [](void* data, zxdg_output_v1*, int32_t w, int32_t h) {
        OutputOf(data).LogicalWidth = w;
        OutputOf(data).LogicalHeight = h;
        OutputOf(data).HasLogicalSize = w > 0 && h > 0;
    },
    // Before version 3 the logical size may come after wl_output's done.
    [](void* data, zxdg_output_v1*) {
        if (OutputOf(data).Done) OutputOf(data).Owner->OutputDescribed(OutputOf(data));
    },
    [](void*, zxdg_output_v1*, const char*) {},
    [](void*, zxdg_output_v1*, const char*) {},
};

// What libwayland says goes here, not to the terminal: the program says it in its own one line.
std::string LastLibraryWords;
void KeepLibraryWords(const char* format, va_list args) {
    char line[512];
    std::vsnprintf(line, sizeof line, format, args);
    LastLibraryWords = line;
    while (!LastLibraryWords.empty() && LastLibraryWords.back() == '\n') LastLibraryWords.pop_back();
}

// The compositor's own words after "interface@id: error code: ", if libwayland passed them on.
std::string CompositorWords() {
    const size_t error = LastLibraryWords.find(": error ");
    const size_t words = error == std::string::npos ? error : LastLibraryWords.find(": ", error + 8);
    return words == std::string::npos ? "" : LastLibraryWords.substr(words + 2);
}

}  // namespace

std::unique_ptr<TLayerShell> TLayerShell::Connect(const TAsker& asker, std::string& error, bool* answered) {
    wl_log_set_handler_client(KeepLibraryWords);
    std::unique_ptr<TLayerShell> shell(new TLayerShell);
    shell->MakeContext = [self = shell.get()](wl_egl_window* window) { return MakeEglContext(self->Egl(), window); };
    shell->Connection = wl_display_connect(nullptr);
    if (!shell->Connection) {
        const char* name = std::getenv("WAYLAND_DISPLAY");
        const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        error = asker.Option + " needs a Wayland compositor with a layer shell, and none answers at '" +
                (name ? name : "wayland-0") + "'" + (runtime ? "" : " (XDG_RUNTIME_DIR is not set)") + "; on X11, " +
                asker.OnX11;
        return nullptr;
    }
    shell->Registry = wl_display_get_registry(shell->Connection);
    wl_registry_add_listener(shell->Registry, &RegistryListener, shell.get());
    wl_display_roundtrip(shell->Connection);
    if (!shell->ShellGlobal || !shell->CompositorGlobal) {
        if (answered) *answered = true;
        error = "this compositor offers no layer shell (zwlr_layer_shell_v1), which " + asker.Option +
                " needs: sway and KDE Plasma offer it, among others; here, run ombrel without " + asker.Option;
        return nullptr;
    }
    // The outputs' descriptions.
    wl_display_roundtrip(shell->Connection);
    shell->Known = shell->Outputs();
    return shell;
}

bool TLayerShell::StartDrawing(std::string& error) {
    if (EglState) return true;
    auto egl = std::make_unique<TEgl>();
    egl->Display = eglGetDisplay(reinterpret_cast<EGLNativeDisplayType>(Connection));
    const bool initialised = egl->Display != EGL_NO_DISPLAY && eglInitialize(egl->Display, nullptr, nullptr);
    const std::string why = [&]() -> std::string {
        if (!initialised) return "EGL could not be initialised on it (" + EglErrorText() + ")";
        if (!eglBindAPI(EGL_OPENGL_API)) return "its EGL offers no desktop OpenGL (" + EglErrorText() + ")";
        std::string none;
        if (!ChooseEglConfig(egl->Display, WindowConfig, egl->Config, none)) return none;
        // Each surface makes its own; one made here says at once whether any can be.
        const TEglContext probe = eglCreateContext(egl->Display, egl->Config, NoEglContext, CompatibilityContext);
        if (probe == NoEglContext) return "no compatibility-profile context was made (" + EglErrorText() + ")";
        eglDestroyContext(egl->Display, probe);
        return {};
    }();
    if (!why.empty()) {
        error = "no OpenGL context could be made on the compositor's display: " + why;
        if (initialised) eglTerminate(egl->Display);
        return false;
    }
    EglState = std::move(egl);
    return true;
}

void TLayerShell::StopDrawing() {
    if (!EglState || !Surfaces.empty()) return;
    eglTerminate(EglState->Display);
    EglState.reset();
}

TLayerShell::~TLayerShell() {
    StopDrawing();
    for (auto& o : OutputList) Forget(*o);
    if (XdgOutputs) zxdg_output_manager_v1_destroy(XdgOutputs);
    if (ViewporterGlobal) wp_viewporter_destroy(ViewporterGlobal);
    if (FractionalGlobal) wp_fractional_scale_manager_v1_destroy(FractionalGlobal);
    if (ShellGlobal) {
        // Its destroy request came with version 3; before, the object only goes on our side.
        if (ShellVersion >= ZWLR_LAYER_SHELL_V1_DESTROY_SINCE_VERSION)
            zwlr_layer_shell_v1_destroy(ShellGlobal);
        else
            wl_proxy_destroy(reinterpret_cast<wl_proxy*>(ShellGlobal));
    }
    // wl_compositor and wl_registry have no destroy request: these go on our side only.
    if (CompositorGlobal) wl_compositor_destroy(CompositorGlobal);
    if (Registry) wl_registry_destroy(Registry);
    if (Connection) wl_display_disconnect(Connection);
}

void TLayerShell::Forget(TOutput& output) {
    if (output.Xdg) zxdg_output_v1_destroy(output.Xdg);
    // release came with version 3; before, the object only goes on our side.
    if (output.Version >= WL_OUTPUT_RELEASE_SINCE_VERSION)
        wl_output_release(output.Handle);
    else
        wl_output_destroy(output.Handle);
}

void TLayerShell::AddGlobal(uint32_t name, const char* interface, uint32_t version) {
    const auto is = [interface](const wl_interface& type) { return std::strcmp(interface, type.name) == 0; };
    const auto bind = [&](const wl_interface* type, uint32_t most) {
        return wl_registry_bind(Registry, name, type, std::min(version, most));
    };
    if (is(wl_compositor_interface)) {
        // Buffer scales came with version 3.
        CompositorGlobal = static_cast<wl_compositor*>(bind(&wl_compositor_interface, 4));
    } else if (is(zwlr_layer_shell_v1_interface)) {
        ShellVersion = std::min(version, 3u);
        ShellGlobal = static_cast<zwlr_layer_shell_v1*>(bind(&zwlr_layer_shell_v1_interface, 3));
    } else if (is(zxdg_output_manager_v1_interface)) {
        XdgOutputs = static_cast<zxdg_output_manager_v1*>(bind(&zxdg_output_manager_v1_interface, 2));
        for (auto& o : OutputList) WatchXdg(*o);
    } else if (is(wp_viewporter_interface)) {
        ViewporterGlobal = static_cast<wp_viewporter*>(bind(&wp_viewporter_interface, 1));
    } else if (is(wp_fractional_scale_manager_v1_interface)) {
        FractionalGlobal =
            static_cast<wp_fractional_scale_manager_v1*>(bind(&wp_fractional_scale_manager_v1_interface, 1));
    } else if (is(wl_seat_interface)) {
        // Input and idleness are the first seat's; others bind it for themselves.
        if (!SeatGlobal) SeatGlobal = {name, version};
    } else if (is(ext_idle_notifier_v1_interface)) {
        IdleNotifierGlobal = {name, version};
    } else if (is(org_kde_kwin_idle_interface)) {
        KdeIdleGlobal = {name, version};
    } else if (is(wl_output_interface)) {
        auto output = std::make_unique<TOutput>();
        output->Owner = this;
        output->Name = name;
        output->Version = std::min(version, 3u);
        output->Handle = static_cast<wl_output*>(bind(&wl_output_interface, 3));
        wl_output_add_listener(output->Handle, &OutputListener, output.get());
        OutputList.push_back(std::move(output));
        WatchXdg(*OutputList.back());
    }
}

void TLayerShell::WatchXdg(TOutput& output) {
    if (!XdgOutputs || output.Xdg) return;
    output.Xdg = zxdg_output_manager_v1_get_xdg_output(XdgOutputs, output.Handle);
    zxdg_output_v1_add_listener(output.Xdg, &XdgOutputListener, &output);
}

void TLayerShell::OutputDescribed(TOutput& output) {
    output.Done = true;
    for (TSurface* s : Surfaces)
        if (s->Output() == output.Name) s->Replan();
}

void TLayerShell::RemoveGlobal(uint32_t name) {
    for (TGlobal* global : {&SeatGlobal, &IdleNotifierGlobal, &KdeIdleGlobal})
        if (*global && global->Name == name) *global = {};
    const auto gone = std::find_if(OutputList.begin(), OutputList.end(), [name](const auto& o) { return o->Name == name; });
    if (gone == OutputList.end()) return;
    Forget(**gone);
    OutputList.erase(gone);
}

const TLayerShell::TOutput* TLayerShell::Output(uint32_t name) const {
    for (const auto& o : OutputList)
        if (o->Name == name) return o.get();
    return nullptr;
}

TScaleFacts TLayerShell::FactsFor(const TOutput& o, int width, int height) const {
    // A quarter turn stands the mode on its side.
    const bool turned = o.Transform % 2 == 1;
    TScaleFacts facts{.Width = width, .Height = height, .Viewporter = ViewporterGlobal != nullptr,
                      .OutputScale = o.Scale, .ModeWidth = turned ? o.ModeHeight : o.ModeWidth,
                      .ModeHeight = turned ? o.ModeWidth : o.ModeHeight};
    if (o.HasLogicalSize) {
        facts.LogicalWidth = o.LogicalWidth;
        facts.LogicalHeight = o.LogicalHeight;
    }
    return facts;
}

void TLayerShell::Planned(uint32_t output, const TBufferPlan& plan) {
    for (auto& o : OutputList)
        if (o->Name == output) o->SurfacePlan = plan;
}

std::vector<TLayerShell::TPlacedOutput> TLayerShell::Outputs() const {
    std::vector<TPlacedOutput> placed;
    std::vector<TLogicalOutput> logical;
    for (const auto& o : OutputList) {
        if (!o->Done || o->ModeWidth <= 0 || o->ModeHeight <= 0) continue;
        const TScaleFacts facts = FactsFor(*o, 0, 0);
        // Without xdg-output, the compositor's space is the modes divided by the integer scales.
        const int width = o->HasLogicalSize ? o->LogicalWidth : (facts.ModeWidth + o->Scale - 1) / o->Scale;
        const int height = o->HasLogicalSize ? o->LogicalHeight : (facts.ModeHeight + o->Scale - 1) / o->Scale;
        // Until its surface has taken a buffer, the one that a surface covering it would take.
        TBufferPlan plan = o->SurfacePlan.value_or(PlanBuffer(FactsFor(*o, width, height)));
        logical.push_back({o->HasLogicalPosition ? o->LogicalX : o->X, o->HasLogicalPosition ? o->LogicalY : o->Y,
                           width, height, plan.Width, plan.Height});
        placed.push_back({o->Name, {}});
    }
    const std::vector<TDeviceRect> rects = LayOutOutputs(logical);
    for (size_t i = 0; i < placed.size(); ++i) placed[i].Rect = rects[i];
    return placed;
}

std::unique_ptr<TDisplaySurface> TLayerShell::MakeSurface(uint32_t output, TSurfaceRole role) {
    const TOutput* o = Output(output);
    if (!o || !EglState) return nullptr;
    return std::make_unique<TSurface>(*this, *o, role);
}

void* TLayerShell::Bind(TGlobal global, const wl_interface* type, uint32_t most) const {
    return wl_registry_bind(Registry, global.Name, type, std::min(global.Version, most));
}

void TLayerShell::Serve() {
    Notifier = new QSocketNotifier(wl_display_get_fd(Connection), QSocketNotifier::Read, this);
    connect(Notifier, &QSocketNotifier::activated, this, &TLayerShell::Dispatch);
    // What was asked for meanwhile goes out before the loop sleeps.
    // EGL reads the connection too: events it read for us wait in the queue.
    connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, this, [this] {
        if (Broken) return;
        Handle(wl_display_dispatch_pending(Connection));
        if (!Broken && wl_display_flush(Connection) < 0 && errno != EAGAIN) Handle(-1);
    });
}

void TLayerShell::Dispatch() {
    if (Broken) return;
    // EGL reads this connection too: what woke the notifier may be read
    // already, and a blocking dispatch would then wait for the compositor's
    // next word, holding up the loop and the stop signals. The library's way
    // for clients that share their connection reads only what is there.
    int dispatched = 0;
    while (wl_display_prepare_read(Connection) != 0) {
        const int n = wl_display_dispatch_pending(Connection);
        if (n < 0) return Handle(-1);
        dispatched += n;
    }
    if (wl_display_read_events(Connection) < 0) return Handle(-1);
    const int n = wl_display_dispatch_pending(Connection);
    Handle(n < 0 ? -1 : dispatched + n);
}

void TLayerShell::Handle(int dispatched) {
    if (dispatched < 0) {
        if (wl_display_get_error(Connection) != EPROTO) return Lost("the Wayland compositor went away");
        const wl_interface* interface = nullptr;
        uint32_t id = 0;
        const uint32_t code = wl_display_get_protocol_error(Connection, &interface, &id);
        const std::string words = CompositorWords();
        return Lost(std::string("the Wayland compositor refused a request of ours: ") +
                    (interface ? interface->name : "an unknown interface") + " error " + std::to_string(code) +
                    (words.empty() ? "" : " (" + words + ")"));
    }
    // Outputs and surfaces change only by events: the loop's every wake-up need not lay them out anew.
    if (dispatched == 0) return;
    const auto now = Outputs();
    if (now == Known) return;
    Known = now;
    if (OnOutputsChanged) OnOutputsChanged();
}

void TLayerShell::Lost(const std::string& reason) {
    Broken = true;
    if (Notifier) Notifier->setEnabled(false);
    if (OnLost) OnLost(reason);
}

}  // namespace ombrel
