#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "display/layer_shell.h"

struct wl_seat;
struct ext_idle_notifier_v1;
struct ext_idle_notification_v1;
struct org_kde_kwin_idle;
struct org_kde_kwin_idle_timeout;

namespace ombrel {

// How the compositor tells of an idle seat: the standard protocol where it
// has it, KDE's older one (which sway 1.7 offers) otherwise. Both leave the
// idle inhibitors (a video player's) to the compositor: an inhibited seat
// is never reported idle.
enum class TIdleProtocol { None, IdleNotify, KdeIdle };
TIdleProtocol ChooseIdleProtocol(bool idleNotify, bool kdeIdle);

// Tells when the first seat has had no input for a while, and when it has again.
class TIdleWatch {
public:
    // Whether the compositor can tell of idleness; otherwise one line in `error`.
    static bool Offered(const TLayerShell& shell, std::string& error);
    // Watches for `milliseconds` without input; nullptr, with one line in
    // `error`, where the compositor offers neither protocol or no seat.
    static std::unique_ptr<TIdleWatch> Make(TLayerShell& shell, uint32_t milliseconds, std::string& error);
    ~TIdleWatch();
    TIdleWatch(const TIdleWatch&) = delete;
    TIdleWatch& operator=(const TIdleWatch&) = delete;

    // From inside the connection's dispatch.
    std::function<void()> OnIdle;
    std::function<void()> OnResumed;

private:
    TIdleWatch() = default;

    wl_seat* Seat = nullptr;
    // One protocol's pair or the other's.
    ext_idle_notifier_v1* Notifier = nullptr;
    ext_idle_notification_v1* Notification = nullptr;
    org_kde_kwin_idle* Kde = nullptr;
    org_kde_kwin_idle_timeout* Timeout = nullptr;
};

}  // namespace ombrel
