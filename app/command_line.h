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
    // On Wayland, above everything on every output, ended by the user's first input.
    bool Screensaver = false;
    // With Screensaver: wait, at no cost, for the seat to be idle this long, and again after every show.
    std::optional<uint32_t> IdleMilliseconds;
    // Whether the show rests on battery: as given, or by the host (--battery).
    std::optional<bool> RestOnBattery;
    // Hold, morph, frame rate, density and monitor mode.
    TShowOptions Show;
    bool Help = false;
    bool Version = false;
};

// Where the animation goes: every monitor, or one window of another program.
struct THostChoice {
    enum class TKind { Monitors, Window, RootWindow, Wallpaper, Screensaver } Kind = TKind::Monitors;
    uint32_t Id = 0;  // for Window
    // For Screensaver: the idle time to wait for before each show; none: show at once.
    std::optional<uint32_t> IdleMilliseconds = std::nullopt;
    // On battery the show holds its picture at the end of each morph until mains
    // come back: by default only a background, which nobody chose to watch.
    bool RestOnBattery = false;
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
