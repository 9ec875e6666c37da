#pragma once
#include <QObject>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "display/display_surface.h"

struct wl_display;
struct wl_registry;
struct wl_compositor;
struct wl_output;
struct zwlr_layer_shell_v1;
struct zxdg_output_manager_v1;
struct zxdg_output_v1;
class QSocketNotifier;

namespace ombrel {

// A Wayland client of Ombrel's own beside Qt, for what Qt 6.4 cannot ask
// of a compositor: a surface on every output's background (or another
// layer) through the layer shell (zwlr_layer_shell_v1), drawn with EGL. Its
// connection is served from Qt's event loop.
class TLayerShell : public QObject {
public:
    // An output as the compositor describes it, in device pixels.
    struct TOutput {
        wl_output* Handle = nullptr;
        zxdg_output_v1* Xdg = nullptr;
        uint32_t Name = 0;
        int32_t X = 0, Y = 0, Width = 0, Height = 0, Scale = 1;
        int32_t LogicalX = 0, LogicalY = 0;
        bool HasLogicalPosition = false;
        bool Done = false;
    };

    ~TLayerShell() override;

    // Connects to the compositor of WAYLAND_DISPLAY; nullptr, with one line
    // in `error`, without one or without a layer shell.
    static std::unique_ptr<TLayerShell> Connect(std::string& error);
    // Starts serving the connection from the event loop (one must exist).
    void Serve();

    // The outputs described so far, in the order the compositor named them.
    std::vector<const TOutput*> Outputs() const;
    // A surface on `output`'s layer (0 background, 1 bottom, 2 top, 3 overlay).
    std::unique_ptr<TDisplaySurface> MakeSurface(const TOutput* output, uint32_t layer);

    // Outputs came, went or changed.
    std::function<void()> OnOutputsChanged;
    // The connection broke (the compositor went away), with the reason.
    std::function<void(const std::string&)> OnLost;

    // For the surfaces.
    struct TEgl;
    TEgl& Egl() const { return *EglState; }
    wl_display* Display() const { return Connection; }
    wl_compositor* Compositor() const { return CompositorGlobal; }
    zwlr_layer_shell_v1* Shell() const { return ShellGlobal; }

    // Registry and output events.
    void AddGlobal(uint32_t name, const char* interface, uint32_t version);
    void RemoveGlobal(uint32_t name);
    void OutputChanged(TOutput& output);

private:
    TLayerShell() = default;
    void Dispatch();
    // After events were dispatched (or -1: the connection broke): tells of changed outputs.
    void Handle(int dispatched);
    void Lost(const std::string& reason);
    static std::vector<std::array<intptr_t, 6>> Signature(const std::vector<const TOutput*>& outputs);

    wl_display* Connection = nullptr;
    wl_registry* Registry = nullptr;
    wl_compositor* CompositorGlobal = nullptr;
    zwlr_layer_shell_v1* ShellGlobal = nullptr;
    zxdg_output_manager_v1* XdgOutputs = nullptr;
    std::vector<std::unique_ptr<TOutput>> OutputList;
    std::unique_ptr<TEgl> EglState;
    QSocketNotifier* Notifier = nullptr;
    bool Broken = false;
    std::vector<std::array<intptr_t, 6>> Known;
};

}  // namespace ombrel
