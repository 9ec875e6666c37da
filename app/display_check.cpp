#include "app/display_check.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

namespace ombrel {

namespace {

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

bool CanReachX11() {
    if (Env("DISPLAY").empty()) return false;
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    const bool ok = xcb_connection_has_error(c) == 0;
    xcb_disconnect(c);
    return ok;
}

// The compositor's socket, found as libwayland-client finds it.
bool CanReachWayland() {
    std::string path = Env("WAYLAND_DISPLAY");
    if (path.empty()) path = "wayland-0";
    if (path[0] != '/') {
        const std::string runtime = Env("XDG_RUNTIME_DIR");
        if (runtime.empty()) return false;
        path = runtime + "/" + path;
    }
    sockaddr_un address{};
    if (path.size() >= sizeof address.sun_path) return false;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size());
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    const bool ok = connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return ok;
}

std::string NoX11() { return "cannot open the X display '" + Env("DISPLAY") + "'"; }
std::string NoWayland() { return "cannot connect to the Wayland compositor '" + Env("WAYLAND_DISPLAY") + "'"; }

}  // namespace

std::optional<std::string> CheckDisplay() {
    std::string platform = Env("QT_QPA_PLATFORM");
    platform = platform.substr(0, platform.find_first_of(":;"));
    if (platform == "xcb") {
        if (Env("DISPLAY").empty()) return "no X display: DISPLAY is not set";
        if (!CanReachX11()) return NoX11();
        return std::nullopt;
    }
    if (platform.rfind("wayland", 0) == 0) {
        if (!CanReachWayland()) return NoWayland();
        return std::nullopt;
    }
    // Qt's other platforms (offscreen, vnc...) bring their own.
    if (!platform.empty()) return std::nullopt;
    // Qt chooses: Wayland where the session offers it, else X11.
    const bool wayland = !Env("WAYLAND_DISPLAY").empty(), x11 = !Env("DISPLAY").empty();
    if (!wayland && !x11) return "no display: neither DISPLAY nor WAYLAND_DISPLAY is set";
    if (wayland && CanReachWayland()) return std::nullopt;
    if (x11 && CanReachX11()) {
        // Qt would try the Wayland socket named and might not fall back.
        if (wayland) setenv("QT_QPA_PLATFORM", "xcb", 1);
        return std::nullopt;
    }
    return wayland && x11 ? NoWayland() + ", nor the X display '" + Env("DISPLAY") + "'" : wayland ? NoWayland() : NoX11();
}

}  // namespace ombrel
