#include "app/wallpaper_host.h"

#include <QMetaObject>
#include <QtGlobal>
#include <stdexcept>

#include "display/display_form.h"

namespace ombrel {

std::unique_ptr<TWallpaperHost> TWallpaperHost::Background(uint32_t layer) {
    return std::make_unique<TWallpaperHost>(TSurfaceRole{layer, false},
                                            TLayerShell::TAsker{"--wallpaper", "ombrel --root draws on the desktop's background"});
}

std::unique_ptr<TWallpaperHost> TWallpaperHost::Screensaver(bool showsAtOnce) {
    // The overlay: above windows, panels and full-screen windows alike.
    return std::make_unique<TWallpaperHost>(TSurfaceRole{3, true},
                                            TLayerShell::TAsker{"--screensaver", "xscreensaver runs ombrel --root"},
                                            showsAtOnce);
}

std::optional<TDisplayHost::TStartError> TWallpaperHost::BeforeQt() {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Before Qt, which has its own words for a missing runtime folder: the
    // compositor's absence is said in one line.
    std::string error;
    bool answered = false;
    Connection = TLayerShell::Connect(Asker, error, &answered);
    if (!Connection) return TStartError{1, error, answered};
    // A daemon waits for the compositor's word that the seat is idle.
    if (!ShowsAtOnce && !TIdleWatch::Offered(*Connection, error)) return TStartError{1, error, true};
    if (ShowsAtOnce)
        if (const auto failed = BeginShow()) return TStartError{1, *failed};
    return std::nullopt;
}

std::optional<TDisplayHost::TStartError> TWallpaperHost::AfterQt() {
    Connection->OnOutputsChanged = [this] {
        if (OnChanged) OnChanged();
    };
    Connection->OnLost = [this](const std::string& reason) {
        if (OnLost) OnLost(reason);
    };
    Connection->Serve();
    return std::nullopt;
}

std::optional<std::string> TWallpaperHost::WatchIdle(uint32_t milliseconds) {
    std::string error;
    Watch = TIdleWatch::Make(*Connection, milliseconds, error);
    if (!Watch) return error;
    // Told inside the connection's dispatch: a show is made from the loop.
    Watch->OnIdle = [this] {
        QMetaObject::invokeMethod(Connection.get(), [this] { if (OnIdle) OnIdle(); }, Qt::QueuedConnection);
    };
    Watch->OnResumed = [this] {
        QMetaObject::invokeMethod(Connection.get(), [this] { if (OnResumed) OnResumed(); }, Qt::QueuedConnection);
    };
    return std::nullopt;
}

std::optional<std::string> TWallpaperHost::BeginShow() {
    std::string error;
    if (!Connection->StartDrawing(error)) return error;
    if (Role.TakesInput && !Input) {
        Input = std::make_unique<TSeatInput>(*Connection);
        // Told inside the connection's dispatch; what follows destroys the surfaces.
        const auto endShow = [this] {
            if (OnLost) OnLost("");
        };
        Input->OnUserInput = [this, endShow] { QMetaObject::invokeMethod(Connection.get(), endShow, Qt::QueuedConnection); };
        // Once the events read with the leave are handled: a move to the show's other surface comes with it.
        Input->OnKeyboardLeft = [this, endShow] {
            QMetaObject::invokeMethod(
                Connection.get(), [this, endShow] {
                    if (Input && !Input->KeyboardFocused()) endShow();
                },
                Qt::QueuedConnection);
        };
    }
    return std::nullopt;
}

void TWallpaperHost::EndShow() {
    Input.reset();
    Connection->StopDrawing();
}

std::vector<TMonitor> TWallpaperHost::Monitors() {
    std::vector<TMonitor> list;
    for (const TLayerShell::TPlacedOutput& o : Connection->Outputs())
        list.push_back({o.Rect.Left, o.Rect.Top, o.Rect.Width, o.Rect.Height, nullptr, o.Name});
    return list;
}

std::unique_ptr<TForm2> TWallpaperHost::NewDisplay(const TDisplayParts& parts, const TMonitor& monitor) {
    auto surface = Connection->MakeSurface(static_cast<uint32_t>(monitor.Key), Role);
    if (!surface) throw std::runtime_error("a Wayland output went while its display was made");
    return std::make_unique<TForm2>(parts.Control, std::move(surface), monitor.Key);
}

}  // namespace ombrel
