#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/monitors.h"
#include "engine/show_options.h"

class QMenu;

namespace ombrel {

class TForm2;
class TMorphState;

// What the control form lends a display that it asks a host for.
struct TDisplayParts {
    const TMorphState& Control;
    QMenu* Popup;
    std::function<void()> CloseOwner;
};

// Where the show is drawn: the desktop's monitors, a window of another
// program (a screensaver daemon's), or a Wayland compositor's outputs. The
// control form deals with the host alone; another kind of host is another
// implementation of this, made by MakeHost.
class TDisplayHost {
public:
    // Why the program cannot start on this host: one line, and the exit code.
    struct TStartError {
        int ExitCode;
        std::string Text;
        // The session answers, but without what this host draws with: another host may serve.
        bool Unoffered = false;
    };

    virtual ~TDisplayHost() = default;

    // Start-up, in two steps around Qt's: what must come before it (the
    // platform it is to use, a connection of the host's own), then what needs it.
    virtual std::optional<TStartError> BeforeQt() { return std::nullopt; }
    virtual std::optional<TStartError> AfterQt() { return std::nullopt; }
    // Whether a user deals with the program itself (menu, boxes, tray
    // icon); otherwise errors go to standard error as text.
    virtual bool Interactive() const { return false; }
    // The show as this host can have it.
    virtual TShowOptions Adjust(TShowOptions show) const { return show; }

    // What the show covers now, in device pixels; each monitor's key stays across changes.
    virtual std::vector<TMonitor> Monitors() = 0;
    // A display on `monitor`; its owner places and shows it.
    virtual std::unique_ptr<TForm2> NewDisplay(const TDisplayParts& parts, const TMonitor& monitor) = 0;
    // Whether anything drawn can be seen at all, whatever each surface says of itself.
    virtual bool InSight() const { return true; }
    // Whether the displays' windows are still there to be hidden at the end.
    virtual bool SurfacesAlive() const { return true; }
    // Whether a resized monitor's display takes its new size at once (the
    // picture scaled until the next cycle) rather than at the next cycle.
    virtual bool ScalesAtOnce() const { return false; }

    // The monitors came, went or changed.
    std::function<void()> OnChanged;
    // InSight() changed.
    std::function<void()> OnSightChanged;
    // The host has ended: with a reason when the program cannot go on
    // (exit code 1), without one when that is its way to end the show.
    std::function<void(const std::string& reason)> OnLost;
};

// The host that the command line chose, `layer` for the compositor's,
// with the start-up before Qt done; `failed` says why it cannot start. A
// screensaver takes the compositor's layer shell where the session offers
// it, GNOME's windows otherwise.
std::unique_ptr<TDisplayHost> StartHost(const THostChoice& choice, uint32_t layer,
                                        std::optional<TDisplayHost::TStartError>& failed);

}  // namespace ombrel
