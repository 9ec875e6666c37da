#pragma once
#include <cstdio>
#include <string>

#include "engine/morph_state.h"
#include "tools/frames_options.h"

namespace ombrel {

// Runs the cycles that `options` ask for on `state` (its displays allocated,
// seeded, in its first cycle): after each cycle its frames are hashed onto
// `hashes` and written into the output folder. False, with `error` set to
// one line, when a cycle fails (nothing of it is hashed or written) or its
// output cannot be written.
bool RunFrames(const TFramesOptions& options, TMorphState& state, std::FILE* hashes, std::string& error);

}  // namespace ombrel
