#pragma once
#include <cstdint>

#include "app/display_host.h"
#include "display/layer_shell.h"

namespace ombrel {

// Every output of a Wayland compositor, on a layer of its layer shell. Qt
// keeps the clock and the signals and shows nothing itself.
class TWallpaperHost : public TDisplayHost {
public:
    // On `layer`: 0 background .. 3 overlay.
    explicit TWallpaperHost(uint32_t layer) : Layer(layer) {}

    std::optional<TStartError> BeforeQt() override;
    std::optional<TStartError> AfterQt() override;

    std::vector<TMonitor> Monitors() override;
    std::unique_ptr<TForm2> NewDisplay(const TDisplayParts& parts, const TMonitor& monitor) override;

private:
    uint32_t Layer;
    std::unique_ptr<TLayerShell> Shell;
};

}  // namespace ombrel
