#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/morph_state.h"
#include "engine/show_layout.h"

namespace ombrel {

// The figures of a layout, as both programs set them up. With `same` and
// `span` the shared state is the one figure of every display; with `each`
// every display has a figure of its own, in display order, which
// FollowWithOwnFigures keeps up.
std::vector<TMorphState*> FiguresOf(TMorphState& shared, const std::vector<std::unique_ptr<TMorphState>>& own,
                                    TMonitorMode mode);

// `each`: a figure of its own for every display of `displays`. A display
// that had one in `figures` keeps it, and it goes on where it was; a new
// display's figure starts afresh, seeded with FigureSeed(seed, its place).
void FollowWithOwnFigures(std::vector<std::unique_ptr<TMorphState>>& figures, const std::vector<TFrameStore*>& displays,
                          uint32_t seed);

// A figure's first cycle is ahead of it, from `seed`, over its displays' largest budget.
void StartFigure(TMorphState& figure, uint32_t seed);

// Where each display of the figures, in their order, finds its frames'
// maps and colours: the first display of its figure.
std::vector<const TFrameStore*> ColourSources(const std::vector<TMorphState*>& figures);

}  // namespace ombrel
