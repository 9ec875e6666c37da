#pragma once
#include <QObject>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "display/display_surface.h"
#include "display/wayland_scale.h"

struct wl_display;
struct wl_registry;
struct wl_compositor;
struct wl_output;
struct zwlr_layer_shell_v1;
struct zxdg_output_manager_v1;
struct zxdg_output_v1;
struct wp_viewporter;
struct wp_fractional_scale_manager_v1;
struct wl_interface;
struct wl_egl_window;
class QSocketNotifier;

namespace ombrel {

// Where a surface stands among the compositor's layers, and whether it takes the input.
struct TSurfaceRole {
    // 0 background, 1 bottom, 2 top, 3 overlay.
    uint32_t Layer = 0;
    // The keyboard (exclusively) and the pointer over it; otherwise input passes through.
    bool TakesInput = false;
};

// A Wayland client of Ombrel's own beside Qt, for what Qt 6.4 cannot ask
// of a compositor: a surface on every output's background (or another
// layer) through the layer shell (zwlr_layer_shell_v1), drawn with EGL at
// the output's device pixels. Its connection is served from Qt's event loop.
// This file keeps the connection, the globals and the outputs; the surfaces,
// the seat's input and the idle notifications have files of their own.
class TLayerShell : public QObject {
public:
    // An output as the compositor describes it.
    struct TOutput {
        TLayerShell* Owner = nullptr;
        wl_output* Handle = nullptr;
        uint32_t Version = 0;
        zxdg_output_v1* Xdg = nullptr;
        // Its registry name: what tells it from the others, also after another output took its place.
        uint32_t Name = 0;
        int32_t X = 0, Y = 0, Transform = 0;
        int32_t ModeWidth = 0, ModeHeight = 0, Scale = 1;
        int32_t LogicalX = 0, LogicalY = 0, LogicalWidth = 0, LogicalHeight = 0;
        bool HasLogicalPosition = false, HasLogicalSize = false;
        bool Done = false;
        // The buffer that its surface took, once one was configured.
        std::optional<TBufferPlan> SurfacePlan;
    };
    // An output's place and size in one space of device pixels.
    struct TPlacedOutput {
        uint32_t Name = 0;
        TDeviceRect Rect;
        bool operator==(const TPlacedOutput&) const = default;
    };

    ~TLayerShell() override;

    // What asked for the connection, for the one line that says why there is none.
    struct TAsker {
        // The option: "--wallpaper".
        std::string Option;
        // What to run on X11 instead.
        std::string OnX11;
    };
    // A global of the registry that others bind for themselves.
    struct TGlobal {
        uint32_t Name = 0, Version = 0;
        explicit operator bool() const { return Version > 0; }
    };

    // Connects to the compositor of WAYLAND_DISPLAY; nullptr, with one line
    // in `error`, without one or without a layer shell (then `answered`).
    static std::unique_ptr<TLayerShell> Connect(const TAsker& asker, std::string& error, bool* answered = nullptr);
    // Starts serving the connection from the event loop (one must exist).
    void Serve();
    // Makes the OpenGL context that surfaces draw with, unless there is
    // one; false, with one line in `error`, when none can be made.
    bool StartDrawing(std::string& error);
    // Lets the context go, once no surface is left: nothing of OpenGL stays.
    void StopDrawing();

    // The outputs described so far, in the order the compositor named them,
    // laid out in device pixels (see LayOutOutputs).
    std::vector<TPlacedOutput> Outputs() const;
    // A surface on the output of that registry name, in that role; nullptr
    // once the output has gone. Drawing must have started.
    std::unique_ptr<TDisplaySurface> MakeSurface(uint32_t output, TSurfaceRole role);

    // The first seat, and the idle protocols' globals; false where the compositor has none.
    TGlobal Seat() const { return SeatGlobal; }
    TGlobal IdleNotifier() const { return IdleNotifierGlobal; }
    TGlobal KdeIdle() const { return KdeIdleGlobal; }
    // A proxy of its own for that global, at most at version `most`.
    void* Bind(TGlobal global, const wl_interface* type, uint32_t most) const;

    // Outputs came, went or changed.
    std::function<void()> OnOutputsChanged;
    // The connection broke, with the reason.
    std::function<void(const std::string&)> OnLost;
    // Makes a surface's context on its EGL window; tests stand in ones that fail.
    std::function<std::unique_ptr<TGLContext>(wl_egl_window*)> MakeContext;

    // For the surfaces.
    struct TEgl;
    class TSurface;
    TEgl& Egl() const { return *EglState; }
    wl_display* Display() const { return Connection; }
    wl_compositor* Compositor() const { return CompositorGlobal; }
    zwlr_layer_shell_v1* Shell() const { return ShellGlobal; }
    wp_viewporter* Viewporter() const { return ViewporterGlobal; }
    wp_fractional_scale_manager_v1* FractionalScales() const { return FractionalGlobal; }
    const TOutput* Output(uint32_t name) const;
    // What the surface of a size on that output needs to know of its scale.
    TScaleFacts FactsFor(const TOutput& output, int width, int height) const;
    void Planned(uint32_t output, const TBufferPlan& plan);

    // Registry and output events.
    void AddGlobal(uint32_t name, const char* interface, uint32_t version);
    void RemoveGlobal(uint32_t name);
    void OutputDescribed(TOutput& output);

private:
    TLayerShell() = default;
    void WatchXdg(TOutput& output);
    // Releases what was bound for the output.
    static void Forget(TOutput& output);
    void Dispatch();
    // After events were dispatched (or -1: the connection broke): tells of changed outputs.
    void Handle(int dispatched);
    void Lost(const std::string& reason);

    wl_display* Connection = nullptr;
    wl_registry* Registry = nullptr;
    wl_compositor* CompositorGlobal = nullptr;
    zwlr_layer_shell_v1* ShellGlobal = nullptr;
    uint32_t ShellVersion = 0;
    zxdg_output_manager_v1* XdgOutputs = nullptr;
    wp_viewporter* ViewporterGlobal = nullptr;
    wp_fractional_scale_manager_v1* FractionalGlobal = nullptr;
    TGlobal SeatGlobal, IdleNotifierGlobal, KdeIdleGlobal;
    std::vector<std::unique_ptr<TOutput>> OutputList;
    std::vector<TSurface*> Surfaces;
    std::unique_ptr<TEgl> EglState;
    QSocketNotifier* Notifier = nullptr;
    bool Broken = false;
    std::vector<TPlacedOutput> Known;
};

}  // namespace ombrel
