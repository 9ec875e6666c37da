#include "app/command_line.h"

#include "engine/number_text.h"

namespace ombrel {

const char* const Usage =
    "usage: ombrel [--root] [--window-id ID] [--seed N]\n"
    "A full-screen fractal animation on every monitor, or a screensaver.\n"
    "  --root, -root        draw in the window a screensaver daemon hands over\n"
    "                       (XSCREENSAVER_WINDOW), else on the root window\n"
    "  --window-id ID       draw inside the window ID (decimal or 0x-hex), as a\n"
    "  -window-id ID        screensaver's preview asks\n"
    "  --seed N             the same figures for the same N (decimal or 0x-hex, 32 bits)\n"
    "  --help               show this text\n"
    "  --version            show the version\n";

namespace {

bool ParseWindowId(const std::string& text, uint32_t& id) { return ParseWord32(text, id) && id != 0; }

}  // namespace

std::optional<TCommandLine> ParseCommandLine(const std::vector<std::string>& args, std::string& error) {
    TCommandLine o;
    for (size_t i = 0; i < args.size(); ++i) {
        std::string opt = args[i];
        std::optional<std::string> value;
        if (const size_t eq = opt.find('='); opt.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = opt.substr(eq + 1);
            opt.resize(eq);
        }
        const bool takesValue = opt == "--window-id" || opt == "-window-id" || opt == "--seed";
        if (!takesValue && value) {
            error = "option " + opt + " takes no value";
            return std::nullopt;
        }
        if (opt == "--root" || opt == "-root") {
            o.Root = true;
        } else if (opt == "--help" || opt == "-h") {
            o.Help = true;
        } else if (opt == "--version") {
            o.Version = true;
        } else if (!takesValue) {
            error = "unknown option '" + opt + "'";
            return std::nullopt;
        } else {
            if (!value) {
                if (i + 1 >= args.size()) {
                    error = "option " + opt + " needs a value";
                    return std::nullopt;
                }
                value = args[++i];
            }
            uint32_t n = 0;
            if (opt == "--seed") {
                if (!ParseWord32(*value, n)) {
                    error = "--seed needs a 32-bit number, decimal or 0x-hex: '" + *value + "'";
                    return std::nullopt;
                }
                o.Seed = n;
            } else {
                if (!ParseWindowId(*value, n)) {
                    error = opt + " needs a window id, decimal or 0x-hex: '" + *value + "'";
                    return std::nullopt;
                }
                o.WindowId = n;
            }
        }
    }
    return o;
}

std::optional<THostChoice> ChooseHost(const TCommandLine& options, const char* xscreensaverWindow, std::string& error) {
    if (options.WindowId) return THostChoice{THostChoice::TKind::Window, *options.WindowId};
    if (!options.Root) return THostChoice{};
    if (!xscreensaverWindow || !*xscreensaverWindow) return THostChoice{THostChoice::TKind::RootWindow};
    uint32_t id = 0;
    if (!ParseWindowId(xscreensaverWindow, id)) {
        error = std::string("XSCREENSAVER_WINDOW is not a window id: '") + xscreensaverWindow + "'";
        return std::nullopt;
    }
    return THostChoice{THostChoice::TKind::Window, id};
}

}  // namespace ombrel
