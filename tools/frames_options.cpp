#include "tools/frames_options.h"

#include "engine/number_text.h"
#include "engine/option_table.h"

namespace ombrel {

namespace {

// Frames from 1 to 7200, the most a morph can have; checked against the morph's own later.
constexpr int MaxFrame = 7200;

bool ParseFrameList(const std::string& s, std::vector<int>& out) {
    std::vector<bool> chosen(MaxFrame + 1, false);
    size_t pos = 0;
    while (pos <= s.size()) {
        const size_t comma = std::min(s.find(',', pos), s.size());
        const std::string item = s.substr(pos, comma - pos);
        const size_t dash = item.find('-');
        int64_t lo = 0, hi = 0;
        if (dash == std::string::npos) {
            if (!ParseWhole(item, lo)) return false;
            hi = lo;
        } else if (!ParseWhole(item.substr(0, dash), lo) || !ParseWhole(item.substr(dash + 1), hi)) {
            return false;
        }
        if (lo < 1 || hi > MaxFrame || lo > hi) return false;
        for (int64_t f = lo; f <= hi; ++f) chosen[static_cast<size_t>(f)] = true;
        pos = comma + 1;
    }
    out.clear();
    for (int f = 1; f <= MaxFrame; ++f)
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
    if (at == std::string::npos || !ParseWhole(s.substr(at + 1), c) || c < 1 || c > MaxCycles) {
        error = "--request needs a cycle number from 1 after '@': '" + s + "'";
        return false;
    }
    out.Cycle = static_cast<int>(c);
    return true;
}

// WxH, or WxH+X+Y with a place on the desktop.
bool ParseDisplay(const std::string& s, TDisplayRect& out) {
    const size_t plus = s.find('+');
    int64_t w = 0, h = 0, x = 0, y = 0;
    if (!ParseSize(s.substr(0, plus), w, h) || w < 1 || h < 1 || w > MaxDisplaySide || h > MaxDisplaySide) return false;
    if (plus != std::string::npos) {
        const size_t second = s.find('+', plus + 1);
        if (second == std::string::npos || !ParseWhole(s.substr(plus + 1, second - plus - 1), x) ||
            !ParseWhole(s.substr(second + 1), y) || x > MaxDisplaySide * 8 || y > MaxDisplaySide * 8)
            return false;
    }
    out = {static_cast<int32_t>(x), static_cast<int32_t>(y), static_cast<int32_t>(w), static_cast<int32_t>(h)};
    return true;
}

struct TSeen {
    bool Frames = false, Format = false;
};

TOptionTable Table(TFramesOptions& o, TSeen& seen) {
    using TValue = const std::string&;
    std::vector<TOption> entries = {
            SeedOption(o.Seed),
            {{"--display"}, "WxH[+X+Y]",
             "a display size, with its place for --monitors span; repeatable,\nin order (default one 1920x1080)",
             [&o](TValue v, std::string& error) {
                 TDisplayRect r;
                 if (!ParseDisplay(v, r)) {
                     error = "--display needs WIDTHxHEIGHT, each from 1 to " + std::to_string(MaxDisplaySide) +
                             ", and +X+Y optionally: '" + v + "'";
                     return false;
                 }
                 o.Displays.push_back(r);
                 return true;
             }},
            {{"--cycles"}, "N", "morph cycles to run (default 1)",
             [&o](TValue v, std::string& error) {
                 int64_t c = 0;
                 if (!ParseWhole(v, c) || c < 1 || c > MaxCycles) {
                     error = "--cycles needs a number from 1 to " + std::to_string(MaxCycles) + ": '" + v + "'";
                     return false;
                 }
                 o.Cycles = static_cast<int>(c);
                 return true;
             }},
            {{"--request"}, "K@C", "ask for a preset target before cycle C starts",
             [&o](TValue v, std::string& error) {
                 TCycleRequest r{};
                 if (!ParseRequest(v, r, error)) return false;
                 o.Requests.push_back(r);
                 return true;
             }},
            {{"--frames"}, "LIST", "frames to write or hash, e.g. 1,25,50 or 2-50 (default all 50)",
             [&o, &seen](TValue v, std::string& error) {
                 if (!ParseFrameList(v, o.Frames)) {
                     error = "--frames needs frame numbers from 1, like 1,25,50 or 2-50: '" + v + "'";
                     return false;
                 }
                 return seen.Frames = true;
             }},
            {{"--out"}, "DIR", "write images c<cycle>_d<display>_f<frame>.<ext> into DIR",
             [&o](TValue v, std::string& error) {
                 if (v.empty()) {
                     error = "--out needs a folder";
                     return false;
                 }
                 o.OutDir = v;
                 return true;
             }},
            {{"--format"}, "F", "png (as drawn on screen, default) or pbm (the raw bitmap)",
             [&o, &seen](TValue v, std::string& error) {
                 if (v == "png") o.Format = TImageFormat::Png;
                 else if (v == "pbm") o.Format = TImageFormat::Pbm;
                 else {
                     error = "--format must be png or pbm: '" + v + "'";
                     return false;
                 }
                 return seen.Format = true;
             }},
            {{"--hash"}, "", "print: cycle display frame hash hue saturation brightness colour",
             [&o](TValue, std::string&) { return o.Hash = true; }},
    };
    for (TOption& entry : ShowOptionEntries(o.Show)) entries.push_back(std::move(entry));
    entries.push_back({{"--help", "-h"}, "", "show this text", [&o](TValue, std::string&) { return o.Help = true; }});
    entries.push_back({{"--version"}, "", "show the version", [&o](TValue, std::string&) { return o.Version = true; }});
    return TOptionTable("ombrel-frames [--seed N] [--display WxH[+X+Y]]... [--cycles N]\n"
                        "                     [--request fern|koch|sierpinski@CYCLE]... [--frames LIST]\n"
                        "                     [--out DIR [--format png|pbm]] [--hash] [--hold SECONDS]\n"
                        "                     [--morph SECONDS] [--fps N] [--density F] [--monitors same|span|each]\n"
                        "                     [--style dots|glow]",
                        "Runs Ombrel's morph cycles without a screen and writes or fingerprints the frames.",
                        std::move(entries));
}

}  // namespace

std::string FramesUsage() {
    TFramesOptions unused;
    TSeen seen;
    return Table(unused, seen).Usage();
}

std::optional<TFramesOptions> ParseFramesOptions(const std::vector<std::string>& args, std::string& error) {
    TFramesOptions o;
    TSeen seen;
    if (!Table(o, seen).Parse(args, error)) return std::nullopt;
    if (o.Help || o.Version) return o;
    for (const TCycleRequest& r : o.Requests)
        if (r.Cycle > o.Cycles) {
            error = "--request names cycle " + std::to_string(r.Cycle) + " but only " + std::to_string(o.Cycles) +
                    " cycle(s) run";
            return std::nullopt;
        }
    if (seen.Format && o.OutDir.empty()) {
        error = "--format goes with --out";
        return std::nullopt;
    }
    if (o.Format == TImageFormat::Pbm && o.Show.Style == TStyle::Glow) {
        error = "--format pbm holds single points: --style glow writes png";
        return std::nullopt;
    }
    if (o.OutDir.empty() && !o.Hash) {
        error = "nothing to do: give --out DIR, --hash or both";
        return std::nullopt;
    }
    if (o.Displays.empty()) o.Displays.push_back({0, 0, 1920, 1080});
    const int frames = o.Show.Timing().FrameCount;
    if (!seen.Frames)
        for (int f = 1; f <= frames; ++f) o.Frames.push_back(f);
    if (o.Frames.back() > frames) {
        error = "--frames names frame " + std::to_string(o.Frames.back()) + " but a morph has " +
                std::to_string(frames) + " frames";
        return std::nullopt;
    }
    if (const std::string problem = FrameMemoryProblem(o.Displays, frames, o.Show.Style); !problem.empty()) {
        error = problem;
        return std::nullopt;
    }
    return o;
}

}  // namespace ombrel
