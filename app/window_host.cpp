#include "app/window_host.h"

#include <QtGlobal>

#include "display/display_form.h"

namespace ombrel {

std::optional<TDisplayHost::TStartError> TWindowHost::BeforeQt() {
    // A daemon's window is an X11 window, also in a session that offers Wayland.
    qputenv("QT_QPA_PLATFORM", "xcb");
    return std::nullopt;
}

std::optional<TDisplayHost::TStartError> TWindowHost::AfterQt() {
    std::string error;
    Window = THostWindow::Open(Id ? *Id : THostWindow::DefaultRootWindow(), error);
    if (!Window) return TStartError{2, error};
    Window->OnResize = [this](QSize) {
        if (OnChanged) OnChanged();
    };
    Window->OnMapChange = [this] {
        if (OnSightChanged) OnSightChanged();
    };
    // Our window went with it: the show is over.
    Window->OnDestroy = [this] {
        if (OnLost) OnLost("");
    };
    return std::nullopt;
}

TShowOptions TWindowHost::Adjust(TShowOptions show) const {
    show.Monitors = TMonitorMode::Same;
    return show;
}

std::vector<TMonitor> TWindowHost::Monitors() {
    return {{0, 0, Window->Size().width(), Window->Size().height()}};
}

std::unique_ptr<TForm2> TWindowHost::NewDisplay(const TDisplayParts& parts, const TMonitor&) {
    return std::make_unique<TForm2>(parts.Control, nullptr, nullptr, nullptr, Window->Window());
}

}  // namespace ombrel
