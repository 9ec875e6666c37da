#pragma once
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "engine/morph_state.h"
#include "tools/frames_options.h"

namespace ombrel {

// The displays and figures that the options ask for, allocated, placed and
// seeded, each figure in its first cycle.
struct TFramesShow {
    std::vector<std::unique_ptr<TFrameStore>> Stores;
    TMorphState Control;
    // --monitors each: a figure of its own for every display.
    std::vector<std::unique_ptr<TMorphState>> OwnFigures;
    std::vector<TMorphState*> Figures;
    // Why the displays show another mode than asked (a span too far apart); empty when they do not.
    std::string Note;

    // Throws std::bad_alloc when the frames do not fit in memory.
    TFramesShow(const TFramesOptions& options, uint32_t seed);
};

// Runs the cycles that `options` ask for: after each cycle the frames are
// hashed onto `hashes` and written into the output folder. False, with
// `error` set to one line, when a cycle fails (nothing of it is hashed or
// written) or its output cannot be written.
bool RunFrames(const TFramesOptions& options, TFramesShow& show, std::FILE* hashes, std::string& error);

}  // namespace ombrel
