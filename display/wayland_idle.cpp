#include "display/wayland_idle.h"

#include <wayland-client.h>

#include "ext-idle-notify-v1-client-protocol.h"
#include "idle-client-protocol.h"

namespace ombrel {

TIdleProtocol ChooseIdleProtocol(bool idleNotify, bool kdeIdle) {
    return idleNotify ? TIdleProtocol::IdleNotify : kdeIdle ? TIdleProtocol::KdeIdle : TIdleProtocol::None;
}

namespace {

TIdleWatch& WatchOf(void* data) { return *static_cast<TIdleWatch*>(data); }
void Tell(const std::function<void()>& f) {
    if (f) f();
}

const ext_idle_notification_v1_listener NotificationListener = {
    .idled = [](void* data, ext_idle_notification_v1*) { Tell(WatchOf(data).OnIdle); },
    .resumed = [](void* data, ext_idle_notification_v1*) { Tell(WatchOf(data).OnResumed); },
};

const org_kde_kwin_idle_timeout_listener TimeoutListener = {
    .idle = [](void* data, org_kde_kwin_idle_timeout*) { Tell(WatchOf(data).OnIdle); },
    .resumed = [](void* data, org_kde_kwin_idle_timeout*) { Tell(WatchOf(data).OnResumed); },
};

}  // namespace

bool TIdleWatch::Offered(const TLayerShell& shell, std::string& error) {
    if (ChooseIdleProtocol(bool(shell.IdleNotifier()), bool(shell.KdeIdle())) == TIdleProtocol::None) {
        error = "this compositor tells no client when the seat is idle (neither ext_idle_notifier_v1 nor "
                "org_kde_kwin_idle), which --idle needs: run ombrel --screensaver from an idle daemon of the "
                "desktop's own instead";
        return false;
    }
    if (!shell.Seat()) {
        error = "this compositor has no seat (wl_seat), whose idleness --idle watches";
        return false;
    }
    return true;
}

std::unique_ptr<TIdleWatch> TIdleWatch::Make(TLayerShell& shell, uint32_t milliseconds, std::string& error) {
    if (!Offered(shell, error)) return nullptr;
    const TIdleProtocol protocol = ChooseIdleProtocol(bool(shell.IdleNotifier()), bool(shell.KdeIdle()));
    std::unique_ptr<TIdleWatch> watch(new TIdleWatch);
    TIdleWatch& w = *watch;
    w.Seat = static_cast<wl_seat*>(shell.Bind(shell.Seat(), &wl_seat_interface, 1));
    if (protocol == TIdleProtocol::IdleNotify) {
        w.Notifier = static_cast<ext_idle_notifier_v1*>(shell.Bind(shell.IdleNotifier(), &ext_idle_notifier_v1_interface, 1));
        w.Notification = ext_idle_notifier_v1_get_idle_notification(w.Notifier, milliseconds, w.Seat);
        ext_idle_notification_v1_add_listener(w.Notification, &NotificationListener, &w);
    } else {
        w.Kde = static_cast<org_kde_kwin_idle*>(shell.Bind(shell.KdeIdle(), &org_kde_kwin_idle_interface, 1));
        w.Timeout = org_kde_kwin_idle_get_idle_timeout(w.Kde, w.Seat, milliseconds);
        org_kde_kwin_idle_timeout_add_listener(w.Timeout, &TimeoutListener, &w);
    }
    return watch;
}

TIdleWatch::~TIdleWatch() {
    if (Notification) ext_idle_notification_v1_destroy(Notification);
    if (Notifier) ext_idle_notifier_v1_destroy(Notifier);
    if (Timeout) org_kde_kwin_idle_timeout_release(Timeout);
    // KDE's manager has no destroy request: it goes on our side only.
    if (Kde) org_kde_kwin_idle_destroy(Kde);
    // Version 1 of the seat has no release request.
    if (Seat) wl_seat_destroy(Seat);
}

}  // namespace ombrel
