#include "engine/show_options.h"

#include <cmath>
#include <cstdio>

#include "engine/number_text.h"

namespace ombrel {

namespace {

// An entry for a number of seconds or a factor in [low, high].
TOption RealOption(const char* name, const char* value, const std::string& help, double low, double high,
                   double& target) {
    return {{name}, value, help, [name, low, high, &target](const std::string& v, std::string& error) {
                double x = 0;
                if (!ParseReal(v, x) || x < low || x > high) {
                    char range[64];
                    std::snprintf(range, sizeof range, "%g to %g", low, high);
                    error = std::string(name) + " needs a number from " + range + ": '" + v + "'";
                    return false;
                }
                target = x;
                return true;
            }};
}

}  // namespace

TOption SeedOption(std::optional<uint32_t>& seed) {
    return {{"--seed"}, "N", "the same figures for the same N (decimal or 0x-hex, 32 bits); default: the clock",
            [&seed](const std::string& v, std::string& error) {
                uint32_t n = 0;
                if (!ParseWord32(v, n)) {
                    error = "--seed needs a 32-bit number, decimal or 0x-hex: '" + v + "'";
                    return false;
                }
                seed = n;
                return true;
            }};
}

std::string StyleName(TStyle style) { return style == TStyle::Dots ? "dots" : "glow"; }

std::string MonitorModeName(TMonitorMode mode) {
    return mode == TMonitorMode::Same ? "same" : mode == TMonitorMode::Span ? "span" : "each";
}

std::vector<TOption> ShowOptionEntries(TShowOptions& show) {
    return {
        RealOption("--hold", "SECONDS", "how long a finished figure stays (default 2; 0 to 600)", 0, 600, show.Hold),
        RealOption("--morph", "SECONDS", "how long a figure takes to become the next (default 2; 0.5 to 60)", 0.5, 60,
                   show.Morph),
        {{"--fps"}, "N", "frames a second (default 25; 5 to 120)",
         [&show](const std::string& v, std::string& error) {
             int64_t n = 0;
             if (!ParseWhole(v, n) || n < 5 || n > 120) {
                 error = "--fps needs a whole number from 5 to 120: '" + v + "'";
                 return false;
             }
             show.Fps = static_cast<int>(n);
             return true;
         }},
        RealOption("--density", "F", "times the points drawn per frame (default 1; 0.1 to 8)", 0.1, 8, show.Density),
        {{"--monitors"}, "MODE",
         "same: every monitor the same figure (default); span: one figure\nover all of them; each: a figure each",
         [&show](const std::string& v, std::string& error) {
             for (TMonitorMode m : {TMonitorMode::Same, TMonitorMode::Span, TMonitorMode::Each})
                 if (v == MonitorModeName(m)) {
                     show.Monitors = m;
                     return true;
                 }
             error = "--monitors needs same, span or each: '" + v + "'";
             return false;
         }},
        {{"--style"}, "STYLE",
         "dots: every frame single points on black (default); glow: the\nfigure as a density of light",
         [&show](const std::string& v, std::string& error) {
             for (TStyle s : {TStyle::Dots, TStyle::Glow})
                 if (v == StyleName(s)) {
                     show.Style = s;
                     return true;
                 }
             error = "--style needs dots or glow: '" + v + "'";
             return false;
         }},
    };
}

}  // namespace ombrel
