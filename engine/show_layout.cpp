#include "engine/show_layout.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <stdexcept>

namespace ombrel {

namespace {

// The box around the displays, edges in 64 bits: no sum of two 32-bit values overflows.
struct TBox {
    int64_t Left, Top, Right, Bottom;
};

TBox BoxAround(const std::vector<TDisplayRect>& rects) {
    TBox b{rects[0].Left, rects[0].Top, rects[0].Left, rects[0].Top};
    for (const TDisplayRect& r : rects) {
        b.Left = std::min<int64_t>(b.Left, r.Left);
        b.Top = std::min<int64_t>(b.Top, r.Top);
        b.Right = std::max<int64_t>(b.Right, int64_t{r.Left} + r.Width);
        b.Bottom = std::max<int64_t>(b.Bottom, int64_t{r.Top} + r.Height);
    }
    return b;
}

}  // namespace

void PlaceOnCanvas(const std::vector<TFrameStore*>& displays, const std::vector<TDisplayRect>& rects,
                   TMonitorMode mode, double density) {
    if (displays.empty()) return;
    if (mode != TMonitorMode::Span) {
        for (TFrameStore* d : displays) {
            d->CanvasLeft = d->CanvasTop = 0;
            d->CanvasWidth = d->ScreenWidth;
            d->CanvasHeight = d->ScreenHeight;
            d->PointBudget = ComputePointBudget(d->ScreenWidth, d->ScreenHeight, density);
        }
        return;
    }
    const TBox box = BoxAround(rects);
    const int64_t left = box.Left, top = box.Top;
    const auto width = static_cast<int32_t>(box.Right - left), height = static_cast<int32_t>(box.Bottom - top);
    const int32_t budget = ComputePointBudget(width, height, density);
    for (size_t i = 0; i < displays.size(); ++i) {
        TFrameStore& d = *displays[i];
        d.CanvasLeft = static_cast<int32_t>(rects[i].Left - left);
        d.CanvasTop = static_cast<int32_t>(rects[i].Top - top);
        d.CanvasWidth = width;
        d.CanvasHeight = height;
        d.PointBudget = budget;
    }
}

TMonitorMode PlanMonitorMode(const std::vector<TDisplayRect>& rects, TMonitorMode wanted, double density,
                             std::string& note) {
    note.clear();
    if (wanted != TMonitorMode::Span || rects.empty()) return wanted;
    const TBox b = BoxAround(rects);
    double area = 0;
    for (const TDisplayRect& r : rects) area += static_cast<double>(r.Width) * r.Height;
    const int64_t width = b.Right - b.Left, height = b.Bottom - b.Top;
    const double box = static_cast<double>(width) * static_cast<double>(height);
    // Two monitors side by side, stacked or staggered fit; a gap as wide as they are does not.
    constexpr double MaxBoxPerArea = 2;
    bool fits = box <= MaxBoxPerArea * area && width <= INT32_MAX && height <= INT32_MAX;
    if (fits) {
        try {
            ComputePointBudget(static_cast<int32_t>(width), static_cast<int32_t>(height), density);
        } catch (const std::invalid_argument&) {
            fits = false;
        }
    }
    if (fits) return TMonitorMode::Span;
    char ratio[32];
    std::snprintf(ratio, sizeof ratio, "%.3g", box / area);
    note = std::string("the monitors lie too far apart to span: the box around them is ") + ratio +
           " times their area; each shows the same figure (--monitors same)";
    return TMonitorMode::Same;
}

uint32_t FigureSeed(uint32_t seed, size_t i) noexcept {
    // Apart by the golden ratio of 2^32: neighbouring seeds give unrelated sequences.
    return seed + static_cast<uint32_t>(i) * 0x9E3779B9u;
}

std::string FrameMemoryProblem(const std::vector<TDisplayRect>& rects, int frames, TStyle style) {
    int64_t bytes = 0;
    for (const TDisplayRect& r : rects) bytes += TFrameStore::FrameBytes(r.Width, r.Height, frames, style);
    if (bytes <= MaxFrameBytes) return {};
    return std::to_string(frames) + " frames a morph on these displays would take " + std::to_string(bytes >> 20) +
           " MB, more than the " + std::to_string(MaxFrameBytes >> 20) + " MB allowed: shorten --morph or lower --fps";
}

}  // namespace ombrel
