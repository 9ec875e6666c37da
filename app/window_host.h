#pragma once
#include <cstdint>

#include "app/display_host.h"
#include "app/host_window.h"

namespace ombrel {

// One window of another program on X11, also in a Wayland session: a
// screensaver daemon's (or its preview's), or the root window. One display
// at the window's size, drawn as a child window inside it.
class TWindowHost : public TDisplayHost {
public:
    // The window `id`; without one, the root window.
    explicit TWindowHost(std::optional<uint32_t> id) : Id(id) {}

    std::optional<TStartError> BeforeQt() override;
    std::optional<TStartError> AfterQt() override;
    // One window has no monitors to share the show among.
    TShowOptions Adjust(TShowOptions show) const override;

    std::vector<TMonitor> Monitors() override;
    std::unique_ptr<TForm2> NewDisplay(const TDisplayParts& parts, const TMonitor& monitor) override;
    // An unmapped host hides what is drawn in it, and X tells the windows inside nothing of that.
    bool InSight() const override { return Window->Mapped(); }
    bool SurfacesAlive() const override { return !Window->Destroyed(); }
    bool ScalesAtOnce() const override { return true; }

private:
    std::optional<uint32_t> Id;
    std::unique_ptr<THostWindow> Window;
};

}  // namespace ombrel
