#pragma once
#include <optional>
#include <string>

namespace ombrel {

// Whether the display server that Qt is about to use can be reached, asked
// before Qt is, since Qt aborts without one. Nothing when it can (or for a
// platform of Qt's that needs none), else one line naming what is missing.
// Reads QT_QPA_PLATFORM, DISPLAY, WAYLAND_DISPLAY and XDG_RUNTIME_DIR; when
// Qt is left to choose and only the X display answers, sets QT_QPA_PLATFORM
// to xcb.
std::optional<std::string> CheckDisplay();

}  // namespace ombrel
