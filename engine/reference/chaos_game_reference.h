#pragma once
#include "engine/morph_state.h"

namespace ombrel {

// The chaos game written out step by step, with no care for speed.
void ReferenceRasteriseFrames(TMorphState& S, TTargetKind kind);

// A whole cycle with the step-by-step chaos game.
void ReferenceGenerateMorph(TMorphState& S);

}  // namespace ombrel
