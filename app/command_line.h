#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/show_options.h"

namespace ombrel {

struct TCommandLine {
    // Draw in the window a screensaver daemon hands over (XSCREENSAVER_WINDOW),
    // or on the root window when there is none.
    bool Root = false;
    // Draw inside this window of another program (a screensaver's preview).
    std::optional<uint32_t> WindowId;
    // The same figures for the same seed; the clock seeds otherwise.
    std::optional<uint32_t> Seed;
    // On every output's layer of a Wayland compositor (0 background .. 3 overlay;
    // background when not given).
    bool Wallpaper = false;
    std::optional<uint32_t> Layer;
    // Hold, morph, frame rate, density and monitor mode.
    TShowOptions Show;
    bool Help = false;
    bool Version = false;
};

// Where the animation goes: every monitor, or one window of another program.
struct THostChoice {
    enum class TKind { Monitors, Window, RootWindow, Wallpaper } Kind = TKind::Monitors;
    uint32_t Id = 0;  // for Window
};

// Parses the arguments (without the program name). On bad input returns
// nothing and sets `error` to one line naming the problem.
std::optional<TCommandLine> ParseCommandLine(const std::vector<std::string>& args, std::string& error);

// The host the options and the daemon's XSCREENSAVER_WINDOW (nullptr when
// unset) name; nothing, with `error`, when that variable is no window id.
std::optional<THostChoice> ChooseHost(const TCommandLine& options, const char* xscreensaverWindow, std::string& error);

// The usage text, from the same table as the parsing.
std::string Usage();

}  // namespace ombrel
