#include "app/display_host.h"

#include "app/gnome_saver_host.h"
#include "app/screens_host.h"
#include "app/wallpaper_host.h"
#include "app/window_host.h"

namespace ombrel {

namespace {

std::unique_ptr<TDisplayHost> MakeHost(const THostChoice& choice, uint32_t layer) {
    switch (choice.Kind) {
        case THostChoice::TKind::Window:
            return std::make_unique<TWindowHost>(choice.Id);
        case THostChoice::TKind::RootWindow:
            return std::make_unique<TWindowHost>(std::nullopt);
        case THostChoice::TKind::Wallpaper:
            return TWallpaperHost::Background(layer);
        case THostChoice::TKind::Screensaver:
            return TWallpaperHost::Screensaver(!choice.IdleMilliseconds);
        case THostChoice::TKind::Monitors:
            break;
    }
    return std::make_unique<TScreensHost>();
}

}  // namespace

std::unique_ptr<TDisplayHost> StartHost(const THostChoice& choice, uint32_t layer,
                                        std::optional<TDisplayHost::TStartError>& failed) {
    std::unique_ptr<TDisplayHost> host = MakeHost(choice, layer);
    failed = host->BeforeQt();
    if (failed && failed->Unoffered && choice.Kind == THostChoice::TKind::Screensaver) {
        // Dropped first: one Wayland connection at a time.
        host.reset();
        host = std::make_unique<TGnomeSaverHost>(!choice.IdleMilliseconds, failed->Text);
        failed = host->BeforeQt();
    }
    return host;
}

}  // namespace ombrel
