#include "app/wallpaper_host.h"

#include <QtGlobal>
#include <stdexcept>

#include "display/display_form.h"

namespace ombrel {

std::optional<TDisplayHost::TStartError> TWallpaperHost::BeforeQt() {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Before Qt, which has its own words for a missing runtime folder: the
    // compositor's absence is said in one line.
    std::string error;
    Shell = TLayerShell::Connect(error);
    if (!Shell) return TStartError{1, error};
    return std::nullopt;
}

std::optional<TDisplayHost::TStartError> TWallpaperHost::AfterQt() {
    Shell->OnOutputsChanged = [this] {
        if (OnChanged) OnChanged();
    };
    Shell->OnLost = [this](const std::string& reason) {
        if (OnLost) OnLost(reason);
    };
    Shell->Serve();
    return std::nullopt;
}

std::vector<TMonitor> TWallpaperHost::Monitors() {
    std::vector<TMonitor> list;
    for (const TLayerShell::TPlacedOutput& o : Shell->Outputs())
        list.push_back({o.Rect.Left, o.Rect.Top, o.Rect.Width, o.Rect.Height, nullptr, o.Name});
    return list;
}

std::unique_ptr<TForm2> TWallpaperHost::NewDisplay(const TDisplayParts& parts, const TMonitor& monitor) {
    auto surface = Shell->MakeSurface(static_cast<uint32_t>(monitor.Key), Layer);
    if (!surface) throw std::runtime_error("a Wayland output went while its display was made");
    return std::make_unique<TForm2>(parts.Control, std::move(surface), monitor.Key);
}

}  // namespace ombrel
