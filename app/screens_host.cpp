#include "app/screens_host.h"

#include "display/display_form.h"

namespace ombrel {

std::optional<TDisplayHost::TStartError> TScreensHost::AfterQt() {
    WatchScreens(this, [this] { Changed(); });
    return std::nullopt;
}

void TScreensHost::Changed() {
    if (OnChanged) OnChanged();
}

std::unique_ptr<TForm2> TScreensHost::NewDisplay(const TDisplayParts& parts, const TMonitor& monitor) {
    return std::make_unique<TForm2>(parts.Control, parts.Popup, parts.CloseOwner, monitor.Screen);
}

}  // namespace ombrel
