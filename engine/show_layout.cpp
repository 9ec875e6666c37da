#include "engine/show_layout.h"

#include <algorithm>

namespace ombrel {

void PlaceOnCanvas(const std::vector<TFrameStore*>& displays, const std::vector<TDisplayRect>& rects,
                   TMonitorMode mode, double density) {
    if (displays.empty()) return;
    TDisplayRect box = rects[0];
    if (mode == TMonitorMode::Span) {
        int64_t left = rects[0].Left, top = rects[0].Top, right = left, bottom = top;
        for (const TDisplayRect& r : rects) {
            left = std::min<int64_t>(left, r.Left);
            top = std::min<int64_t>(top, r.Top);
            right = std::max<int64_t>(right, int64_t{r.Left} + r.Width);
            bottom = std::max<int64_t>(bottom, int64_t{r.Top} + r.Height);
        }
        box = {static_cast<int32_t>(left), static_cast<int32_t>(top), static_cast<int32_t>(right - left),
               static_cast<int32_t>(bottom - top)};
    }
    for (size_t i = 0; i < displays.size(); ++i) {
        TFrameStore& d = *displays[i];
        const TDisplayRect canvas = mode == TMonitorMode::Span ? box : TDisplayRect{rects[i].Left, rects[i].Top, d.ScreenWidth, d.ScreenHeight};
        d.CanvasLeft = rects[i].Left - canvas.Left;
        d.CanvasTop = rects[i].Top - canvas.Top;
        d.CanvasWidth = canvas.Width;
        d.CanvasHeight = canvas.Height;
        d.PointBudget = ComputePointBudget(canvas.Width, canvas.Height, density);
    }
}

uint32_t FigureSeed(uint32_t seed, size_t i) noexcept {
    // Apart by the golden ratio of 2^32: neighbouring seeds give unrelated sequences.
    return seed + static_cast<uint32_t>(i) * 0x9E3779B9u;
}

std::string FrameMemoryProblem(const std::vector<TDisplayRect>& rects, int frames) {
    int64_t bytes = 0;
    for (const TDisplayRect& r : rects) bytes += TFrameStore::FrameBytes(r.Width, r.Height, frames);
    if (bytes <= MaxFrameBytes) return {};
    return std::to_string(frames) + " frames a morph on these displays would take " + std::to_string(bytes >> 20) +
           " MB, more than the " + std::to_string(MaxFrameBytes >> 20) + " MB allowed: shorten --morph or lower --fps";
}

}  // namespace ombrel
