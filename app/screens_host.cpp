#include "app/screens_host.h"

#include <QGuiApplication>
#include <QScreen>

#include "display/display_form.h"

namespace ombrel {

std::optional<TDisplayHost::TStartError> TScreensHost::AfterQt() {
    const auto watch = [this](QScreen* s) { connect(s, &QScreen::geometryChanged, this, &TScreensHost::Changed); };
    for (QScreen* s : QGuiApplication::screens()) watch(s);
    connect(qGuiApp, &QGuiApplication::screenAdded, this, [this, watch](QScreen* s) {
        watch(s);
        Changed();
    });
    connect(qGuiApp, &QGuiApplication::screenRemoved, this, &TScreensHost::Changed);
    return std::nullopt;
}

void TScreensHost::Changed() {
    if (OnChanged) OnChanged();
}

std::unique_ptr<TForm2> TScreensHost::NewDisplay(const TDisplayParts& parts, const TMonitor& monitor) {
    return std::make_unique<TForm2>(parts.Control, parts.Popup, parts.CloseOwner, monitor.Screen);
}

}  // namespace ombrel
