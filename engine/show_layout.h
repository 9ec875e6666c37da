#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "engine/frame_store.h"

namespace ombrel {

// How several displays share the show: all the same figure (as designed),
// one figure over the box that holds them all, or a figure each.
enum class TMonitorMode { Same, Span, Each };

// A display's rectangle in the desktop's device pixels.
struct TDisplayRect {
    int32_t Left = 0, Top = 0, Width = 0, Height = 0;
};

// Gives each display, allocated at its rectangle's size, its canvas and
// point budget: itself (Same, Each), or its part of the box that holds all
// of them (Span), exactly as one display of the box's size would draw it.
// Throws std::invalid_argument for a box whose budget does not fit 32 bits.
void PlaceOnCanvas(const std::vector<TFrameStore*>& displays, const std::vector<TDisplayRect>& rects,
                   TMonitorMode mode, double density);

// The mode that these displays take when `wanted` is asked for. A span
// runs one chaos game over the box around the displays, so its cost grows
// with the box, not with the displays: where the box is more than twice
// their area (displays far apart) or too large to count its points, they
// show the same figure instead, and `note` says so in one line. Both
// programs decide so, for the same layout alike.
TMonitorMode PlanMonitorMode(const std::vector<TDisplayRect>& rects, TMonitorMode wanted, double density,
                             std::string& note);

// The seed of figure i of independent figures: figure 0 takes `seed` itself.
uint32_t FigureSeed(uint32_t seed, size_t i) noexcept;

// Frame memory beyond this is refused: no desktop has it to spare.
constexpr int64_t MaxFrameBytes = int64_t{4} << 30;

// Empty when `frames` frames of the style at each of these sizes fit MaxFrameBytes; else
// one line that says what they would take.
std::string FrameMemoryProblem(const std::vector<TDisplayRect>& rects, int frames, TStyle style = TStyle::Dots);

}  // namespace ombrel
