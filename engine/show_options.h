#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/cycle.h"
#include "engine/frame_store.h"
#include "engine/option_table.h"
#include "engine/show_layout.h"

namespace ombrel {

// What a user may choose of the show, with the same names and meanings in
// ombrel and ombrel-frames. The defaults are the designed show.
struct TShowOptions {
    double Hold = 2;     // seconds a finished figure stays
    double Morph = 2;    // seconds one figure takes to become the next
    int Fps = 25;        // frames a second
    double Density = 1;  // times the designed points per frame
    TMonitorMode Monitors = TMonitorMode::Same;
    TStyle Style = TStyle::Dots;

    TCycleTiming Timing() const noexcept { return TCycleTiming::Of(Hold, Morph, Fps); }
};

// The entry of --seed N: the same figures for the same N.
TOption SeedOption(std::optional<uint32_t>& seed);

// The table entries that read these options into `show`.
std::vector<TOption> ShowOptionEntries(TShowOptions& show);

// The word for a style, as the command line takes it.
std::string StyleName(TStyle style);
// The word for a monitor mode, as the command line takes it.
std::string MonitorModeName(TMonitorMode mode);

}  // namespace ombrel
