#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/presets.h"
#include "engine/show_options.h"

namespace ombrel {


struct TCycleRequest {
    TTargetKind Kind;
    int Cycle;
};

enum class TImageFormat { Png, Pbm };

struct TFramesOptions {
    std::optional<uint32_t> Seed;
    // Sizes, with places on the desktop for --monitors span.
    std::vector<TDisplayRect> Displays;
    TShowOptions Show;
    int Cycles = 1;
    std::vector<TCycleRequest> Requests;
    std::vector<int> Frames;  // ascending, each 1..the frames of a morph
    std::string OutDir;
    TImageFormat Format = TImageFormat::Png;
    bool Hash = false;
    bool Help = false;
    bool Version = false;
};

constexpr int MaxDisplaySide = 16384;
constexpr int MaxCycles = 100000;

// Parses the command line (without the program name). On bad input returns
// nothing and sets `error` to one line naming the problem.
std::optional<TFramesOptions> ParseFramesOptions(const std::vector<std::string>& args, std::string& error);

// The usage text, from the same table as the parsing.
std::string FramesUsage();

}  // namespace ombrel
