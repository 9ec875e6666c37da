#include "app/command_line.h"

#include <cmath>

#include "engine/number_text.h"
#include "engine/option_table.h"

namespace ombrel {

namespace {

bool ParseWindowId(const std::string& text, uint32_t& id) { return ParseWord32(text, id) && id != 0; }

TOptionTable Table(TCommandLine& o) {
    std::vector<TOption> entries = {
            {{"--root", "-root"}, "",
             "draw in the window a screensaver daemon hands over\n(XSCREENSAVER_WINDOW), else on the root window",
             [&o](const std::string&, std::string&) { return o.Root = true; }},
            {{"--window-id", "-window-id"}, "ID",
             "draw inside the window ID (decimal or 0x-hex), as a\nscreensaver's preview asks",
             [&o](const std::string& v, std::string& error) {
                 uint32_t id = 0;
                 if (!ParseWindowId(v, id)) {
                     error = "--window-id needs a window id, decimal or 0x-hex: '" + v + "'";
                     return false;
                 }
                 o.WindowId = id;
                 return true;
             }},
            SeedOption(o.Seed),
            {{"--wallpaper"}, "",
             "on Wayland, draw behind the windows on every output (a layer-shell\nsurface), or as a lock screen's background",
             [&o](const std::string&, std::string&) { return o.Wallpaper = true; }},
            {{"--layer"}, "LAYER", "with --wallpaper: background (default), bottom, top or overlay",
             [&o](const std::string& v, std::string& error) {
                 const char* const names[] = {"background", "bottom", "top", "overlay"};
                 for (uint32_t i = 0; i < 4; ++i)
                     if (v == names[i]) {
                         o.Layer = i;
                         return true;
                     }
                 error = "--layer needs background, bottom, top or overlay: '" + v + "'";
                 return false;
             }},
            {{"--screensaver"}, "",
             "on Wayland, the show above everything on every output, until the\nfirst key, click, touch or move of the pointer",
             [&o](const std::string&, std::string&) { return o.Screensaver = true; }},
            {{"--idle"}, "SECONDS",
             "with --screensaver: wait for the seat to be idle this long (1 to\n86400), show, and wait again after every show",
             [&o](const std::string& v, std::string& error) {
                 double seconds = 0;
                 if (!ParseReal(v, seconds) || seconds < 1 || seconds > 86400) {
                     error = "--idle needs a number of seconds from 1 to 86400: '" + v + "'";
                     return false;
                 }
                 o.IdleMilliseconds = static_cast<uint32_t>(std::lround(seconds * 1000));
                 return true;
             }},
            {{"--battery"}, "hold|run",
             "on battery, hold the picture at the end of the morph (default with\n--wallpaper) or run as on mains (default otherwise)",
             [&o](const std::string& v, std::string& error) {
                 if (v != "hold" && v != "run") {
                     error = "--battery needs hold or run: '" + v + "'";
                     return false;
                 }
                 o.RestOnBattery = v == "hold";
                 return true;
             }},
    };
    for (TOption& entry : ShowOptionEntries(o.Show)) entries.push_back(std::move(entry));
    entries.push_back({{"--help", "-h"}, "", "show this text", [&o](const std::string&, std::string&) { return o.Help = true; }});
    entries.push_back(
        {{"--version"}, "", "show the version", [&o](const std::string&, std::string&) { return o.Version = true; }});
    return TOptionTable("ombrel [--root | --window-id ID | --wallpaper [--layer LAYER] |\n"
                        "              --screensaver [--idle SECONDS]] [--seed N] [--battery hold|run]\n"
                        "              [--hold SECONDS] [--morph SECONDS] [--fps N] [--density F]\n"
                        "              [--monitors same|span|each] [--style dots|glow]",
                        "A full-screen fractal animation on every monitor, or a screensaver.", std::move(entries));
}

}  // namespace

std::string Usage() {
    TCommandLine unused;
    return Table(unused).Usage();
}

std::optional<TCommandLine> ParseCommandLine(const std::vector<std::string>& args, std::string& error) {
    TCommandLine o;
    if (!Table(o).Parse(args, error)) return std::nullopt;
    return o;
}

std::optional<THostChoice> ChooseHost(const TCommandLine& options, const char* xscreensaverWindow, std::string& error) {
    // Even the default layer or a short wait: alone they would silently mean nothing.
    if (options.IdleMilliseconds && !options.Screensaver) {
        error = "--idle goes with --screensaver";
        return std::nullopt;
    }
    if (options.Layer && !options.Wallpaper) {
        error = options.Screensaver ? "--layer goes with --wallpaper: the screensaver is always above everything"
                                    : "--layer goes with --wallpaper";
        return std::nullopt;
    }
    if (options.Wallpaper && options.Screensaver) {
        error = "--wallpaper shows behind the windows, --screensaver above them: choose one";
        return std::nullopt;
    }
    const char* const compositor = options.Wallpaper ? "--wallpaper" : options.Screensaver ? "--screensaver" : nullptr;
    if (compositor && (options.WindowId || options.Root)) {
        error = std::string(compositor) + " draws on the compositor's outputs, not in a window: leave out --root and "
                                          "--window-id";
        return std::nullopt;
    }
    const auto choice = [&]() -> std::optional<THostChoice> {
        if (options.Wallpaper) return THostChoice{THostChoice::TKind::Wallpaper};
        if (options.Screensaver)
            return THostChoice{.Kind = THostChoice::TKind::Screensaver, .IdleMilliseconds = options.IdleMilliseconds};
        if (options.WindowId) return THostChoice{THostChoice::TKind::Window, *options.WindowId};
        if (!options.Root) return THostChoice{};
        if (!xscreensaverWindow || !*xscreensaverWindow) return THostChoice{THostChoice::TKind::RootWindow};
        uint32_t id = 0;
        if (!ParseWindowId(xscreensaverWindow, id)) {
            error = std::string("XSCREENSAVER_WINDOW is not a window id: '") + xscreensaverWindow + "'";
            return std::nullopt;
        }
        return THostChoice{THostChoice::TKind::Window, id};
    }();
    if (!choice) return std::nullopt;
    THostChoice chosen = *choice;
    chosen.RestOnBattery = options.RestOnBattery.value_or(chosen.Kind == THostChoice::TKind::Wallpaper);
    return chosen;
}

}  // namespace ombrel
