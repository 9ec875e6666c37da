#include "app/display_host.h"

#include "app/screens_host.h"
#include "app/wallpaper_host.h"
#include "app/window_host.h"

namespace ombrel {

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

}  // namespace ombrel
