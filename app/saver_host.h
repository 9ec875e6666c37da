#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "app/display_host.h"

namespace ombrel {

// A host that shows the show when the seat is idle and ends it at the
// user's first input: a compositor's layer shell, or GNOME's windows.
class TSaverHost : public TDisplayHost {
public:
    // Watches the seat for `milliseconds` without input, telling OnIdle and
    // OnResumed from the event loop; one line why not where it cannot.
    virtual std::optional<std::string> WatchIdle(uint32_t milliseconds) = 0;
    // What a show needs beyond the connection; nothing, or one line why not.
    virtual std::optional<std::string> BeginShow() { return std::nullopt; }
    // Lets it go, once the show's displays have gone.
    virtual void EndShow() {}
    // Whether the keys of a user coming back would reach another client (a locker) rather than the show.
    virtual bool InputElsewhere() const = 0;
    // Whether the desktop's own screensaver covers the screens: no show then.
    virtual bool Shielded() const { return false; }

    std::function<void()> OnIdle;
    std::function<void()> OnResumed;
};

}  // namespace ombrel
