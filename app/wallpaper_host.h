#pragma once
#include <memory>

#include "app/saver_host.h"
#include "display/layer_shell.h"
#include "display/wayland_idle.h"
#include "display/wayland_input.h"

namespace ombrel {

// Every output of a Wayland compositor, on a layer of its layer shell: the
// desktop's background (--wallpaper), or above everything, taking the input
// until the user's first key or move (--screensaver). Qt keeps the clock
// and the signals and shows nothing itself.
class TWallpaperHost : public TSaverHost {
public:
    // Surfaces in `role`; `asker` names the option in what is said of a
    // missing compositor. Unless `showsAtOnce`, nothing of a show (OpenGL,
    // input) is made before BeginShow.
    TWallpaperHost(TSurfaceRole role, TLayerShell::TAsker asker, bool showsAtOnce = true)
        : Role(role), Asker(std::move(asker)), ShowsAtOnce(showsAtOnce) {}
    static std::unique_ptr<TWallpaperHost> Background(uint32_t layer);
    static std::unique_ptr<TWallpaperHost> Screensaver(bool showsAtOnce);

    std::optional<TStartError> BeforeQt() override;
    std::optional<TStartError> AfterQt() override;

    std::vector<TMonitor> Monitors() override;
    std::unique_ptr<TForm2> NewDisplay(const TDisplayParts& parts, const TMonitor& monitor) override;

    // The compositor's idle protocol.
    std::optional<std::string> WatchIdle(uint32_t milliseconds) override;
    // The OpenGL context and, for surfaces that take it, the input, whose
    // first word ends the show (OnLost without a reason).
    std::optional<std::string> BeginShow() override;
    void EndShow() override;
    bool InputElsewhere() const override { return Input && Input->KeyboardElsewhere(); }

private:
    TSurfaceRole Role;
    TLayerShell::TAsker Asker;
    bool ShowsAtOnce;
    std::unique_ptr<TLayerShell> Connection;
    std::unique_ptr<TSeatInput> Input;
    std::unique_ptr<TIdleWatch> Watch;
};

}  // namespace ombrel
