#include "app/host_window.h"

#include <xcb/xcb.h>

#include <QGuiApplication>
#include <QWindow>
#include <cstdio>
#include <cstdlib>

namespace ombrel {

namespace {

xcb_connection_t* Connection() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

std::string Hex(uint32_t id) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", id);
    return text;
}

}  // namespace

THostWindow::THostWindow(uint32_t id, QSize size, bool mapped)
    : Id(id), Current(size), Foreign(QWindow::fromWinId(id)), IsMapped(mapped) {
    qGuiApp->installNativeEventFilter(this);
}

THostWindow::~THostWindow() {
    qGuiApp->removeNativeEventFilter(this);
    delete Foreign;  // the wrapper only: the window stays its owner's
}

std::unique_ptr<THostWindow> THostWindow::Open(uint32_t id, std::string& error) {
    xcb_connection_t* c = Connection();
    if (!c) {
        error = "drawing in another window needs an X11 display";
        return nullptr;
    }
    // Added to what Qt may already select there (on the root window it does).
    xcb_get_window_attributes_reply_t* attributes =
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, id), nullptr);
    if (!attributes) {
        error = "there is no window " + Hex(id) + " on this display";
        return nullptr;
    }
    const bool inputOnly = attributes->_class == XCB_WINDOW_CLASS_INPUT_ONLY;
    const bool mapped = attributes->map_state != XCB_MAP_STATE_UNMAPPED;
    const uint32_t mask = attributes->your_event_mask | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    std::free(attributes);
    if (inputOnly) {
        error = "window " + Hex(id) + " takes input only: nothing can be drawn in it";
        return nullptr;
    }
    xcb_change_window_attributes(c, id, XCB_CW_EVENT_MASK, &mask);
    // Asked after watching starts, so that no resize falls in between.
    xcb_get_geometry_reply_t* geometry = xcb_get_geometry_reply(c, xcb_get_geometry(c, id), nullptr);
    if (!geometry) {
        error = "window " + Hex(id) + " went away";
        return nullptr;
    }
    const QSize size(geometry->width, geometry->height);
    const xcb_window_t root = geometry->root;
    std::free(geometry);
    if (root != DefaultRootWindow()) {
        error = "window " + Hex(id) + " is on another screen than " + (std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "ours");
        return nullptr;
    }
    return std::unique_ptr<THostWindow>(new THostWindow(id, size, mapped));
}

uint32_t THostWindow::DefaultRootWindow() {
    xcb_connection_t* c = Connection();
    if (!c) return 0;
    // The screen that DISPLAY names, as Xlib's default screen.
    char* host = nullptr;
    int display = 0, screen = 0;
    if (xcb_parse_display(nullptr, &host, &display, &screen)) std::free(host);
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (; screen > 0 && it.rem > 0; --screen) xcb_screen_next(&it);
    return it.rem > 0 ? it.data->root : 0;
}

bool THostWindow::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (Gone || eventType != "xcb_generic_event_t") return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    switch (event->response_type & 0x7f) {
        case XCB_CONFIGURE_NOTIFY: {
            const auto* e = static_cast<const xcb_configure_notify_event_t*>(message);
            const QSize size(e->width, e->height);
            if (e->window != Id || size == Current) break;
            Current = size;
            if (OnResize) OnResize(size);
            break;
        }
        case XCB_MAP_NOTIFY:
        case XCB_UNMAP_NOTIFY: {
            // Both events lead with the window they are about, after the event window.
            const auto* e = static_cast<const xcb_map_notify_event_t*>(message);
            if (e->window != Id) break;
            IsMapped = (event->response_type & 0x7f) == XCB_MAP_NOTIFY;
            if (OnMapChange) OnMapChange();
            break;
        }
        case XCB_DESTROY_NOTIFY:
            if (static_cast<const xcb_destroy_notify_event_t*>(message)->window != Id) break;
            Gone = true;
            if (OnDestroy) OnDestroy();
            break;
        default:
            break;
    }
    return false;
}

}  // namespace ombrel
