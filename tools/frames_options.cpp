#include "tools/frames_options.h"

#include <algorithm>
#include <cstdlib>

#include "engine/number_text.h"

namespace ombrel {

const char* const FramesUsage =
    "usage: ombrel-frames [--seed N] [--display WxH]... [--cycles N]\n"
    "                     [--request fern|koch|sierpinski@CYCLE]... [--frames LIST]\n"
    "                     [--out DIR [--format png|pbm]] [--hash]\n"
    "Runs Ombrel's morph cycles without a screen and writes or fingerprints the frames.\n"
    "  --seed N        generator state after seeding (decimal or 0x-hex, 32 bits); default: the clock\n"
    "  --display WxH   a display size, repeatable, in order (default one 1920x1080)\n"
    "  --cycles N      morph cycles to run (default 1)\n"
    "  --request K@C   ask for a preset target before cycle C starts\n"
    "  --frames LIST   frames to write or hash, e.g. 1,25,50 or 2-50 (default all 50)\n"
    "  --out DIR       write images c<cycle>_d<display>_f<frame>.<ext> into DIR\n"
    "  --format F      png (as drawn on screen, default) or pbm (the raw bitmap)\n"
    "  --hash          print: cycle display frame hash hue saturation brightness colour\n";

namespace {

// Whole decimal number without sign or garbage, as int64 (to catch overflow).
bool ParseDecimal(const std::string& s, int64_t& out) {
    if (s.empty() || s.size() > 18 || !std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    out = std::strtoll(s.c_str(), nullptr, 10);
    return true;
}

bool ParseSize(const std::string& s, TDisplaySize& out) {
    const size_t x = s.find('x');
    int64_t w = 0, h = 0;
    if (x == std::string::npos || !ParseDecimal(s.substr(0, x), w) || !ParseDecimal(s.substr(x + 1), h))
        return false;
    if (w < 1 || h < 1 || w > MaxDisplaySide || h > MaxDisplaySide) return false;
    out = {static_cast<int32_t>(w), static_cast<int32_t>(h)};
    return true;
}

bool ParseFrameList(const std::string& s, std::vector<int>& out) {
    std::vector<bool> chosen(51, false);
    size_t pos = 0;
    while (pos <= s.size()) {
        const size_t comma = std::min(s.find(',', pos), s.size());
        const std::string item = s.substr(pos, comma - pos);
        const size_t dash = item.find('-');
        int64_t lo = 0, hi = 0;
        if (dash == std::string::npos) {
            if (!ParseDecimal(item, lo)) return false;
            hi = lo;
        } else if (!ParseDecimal(item.substr(0, dash), lo) || !ParseDecimal(item.substr(dash + 1), hi)) {
            return false;
        }
        if (lo < 1 || hi > 50 || lo > hi) return false;
        for (int64_t f = lo; f <= hi; ++f) chosen[static_cast<size_t>(f)] = true;
        pos = comma + 1;
    }
    out.clear();
    for (int f = 1; f <= 50; ++f)
        if (chosen[static_cast<size_t>(f)]) out.push_back(f);
    return true;
}

bool ParseRequest(const std::string& s, TCycleRequest& out, std::string& error) {
    const size_t at = s.find('@');
    const std::string name = s.substr(0, at);
    if (name == "fern") out.Kind = TTargetKind::Fern;
    else if (name == "koch") out.Kind = TTargetKind::Koch;
    else if (name == "sierpinski") out.Kind = TTargetKind::Sierpinski;
    else {
        error = "unknown preset '" + name + "' in --request (use fern, koch or sierpinski)";
        return false;
    }
    int64_t c = 0;
    if (at == std::string::npos || !ParseDecimal(s.substr(at + 1), c) || c < 1 || c > MaxCycles) {
        error = "--request needs a cycle number from 1 after '@': '" + s + "'";
        return false;
    }
    out.Cycle = static_cast<int>(c);
    return true;
}

}  // namespace

std::optional<TFramesOptions> ParseFramesOptions(const std::vector<std::string>& args, std::string& error) {
    TFramesOptions o;
    bool framesGiven = false, formatGiven = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& opt = args[i];
        if (opt == "--hash") { o.Hash = true; continue; }
        if (opt == "--help" || opt == "-h") { o.Help = true; continue; }
        const bool takesValue = opt == "--seed" || opt == "--display" || opt == "--cycles" ||
                                opt == "--request" || opt == "--frames" || opt == "--out" || opt == "--format";
        if (!takesValue) {
            error = "unknown option '" + opt + "'";
            return std::nullopt;
        }
        if (i + 1 >= args.size()) {
            error = "option " + opt + " needs a value";
            return std::nullopt;
        }
        const std::string& v = args[++i];
        if (opt == "--seed") {
            uint32_t seed = 0;
            if (!ParseWord32(v, seed)) {
                error = "--seed needs a 32-bit number, decimal or 0x-hex: '" + v + "'";
                return std::nullopt;
            }
            o.Seed = seed;
        } else if (opt == "--display") {
            TDisplaySize size{};
            if (!ParseSize(v, size)) {
                error = "--display needs WIDTHxHEIGHT, each from 1 to " + std::to_string(MaxDisplaySide) + ": '" + v + "'";
                return std::nullopt;
            }
            o.Displays.push_back(size);
        } else if (opt == "--cycles") {
            int64_t c = 0;
            if (!ParseDecimal(v, c) || c < 1 || c > MaxCycles) {
                error = "--cycles needs a number from 1 to " + std::to_string(MaxCycles) + ": '" + v + "'";
                return std::nullopt;
            }
            o.Cycles = static_cast<int>(c);
        } else if (opt == "--request") {
            TCycleRequest r{};
            if (!ParseRequest(v, r, error)) return std::nullopt;
            o.Requests.push_back(r);
        } else if (opt == "--frames") {
            if (!ParseFrameList(v, o.Frames)) {
                error = "--frames needs frames from 1 to 50, like 1,25,50 or 2-50: '" + v + "'";
                return std::nullopt;
            }
            framesGiven = true;
        } else if (opt == "--out") {
            if (v.empty()) {
                error = "--out needs a folder";
                return std::nullopt;
            }
            o.OutDir = v;
        } else {
            if (v == "png") o.Format = TImageFormat::Png;
            else if (v == "pbm") o.Format = TImageFormat::Pbm;
            else {
                error = "--format must be png or pbm: '" + v + "'";
                return std::nullopt;
            }
            formatGiven = true;
        }
    }
    if (o.Help) return o;
    for (const TCycleRequest& r : o.Requests)
        if (r.Cycle > o.Cycles) {
            error = "--request names cycle " + std::to_string(r.Cycle) + " but only " + std::to_string(o.Cycles) +
                    " cycle(s) run";
            return std::nullopt;
        }
    if (formatGiven && o.OutDir.empty()) {
        error = "--format goes with --out";
        return std::nullopt;
    }
    if (o.OutDir.empty() && !o.Hash) {
        error = "nothing to do: give --out DIR, --hash or both";
        return std::nullopt;
    }
    if (o.Displays.empty()) o.Displays.push_back({1920, 1080});
    if (!framesGiven)
        for (int f = 1; f <= 50; ++f) o.Frames.push_back(f);
    return o;
}

}  // namespace ombrel
