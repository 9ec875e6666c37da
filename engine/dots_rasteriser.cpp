#include "engine/dots_rasteriser.h"

#include <algorithm>

#include "engine/plot.h"

namespace ombrel {

namespace {

// One display's view of a frame, ready for the inner loop.
struct TPlotTarget {
    TBitsView Bits;
    TCanvasView Canvas;
    int32_t Budget;
};

}  // namespace

bool RasteriseDotsFrame(int frame, const TOrbitMaps& maps, const TPlacement& place, TRandom& random,
                        const std::vector<TFrameStore*>& displays, int64_t last, const std::atomic<bool>& cancel) {
    // Every display plots a prefix of the one sequence; with the displays in
    // falling budget order, the iterations split into runs in which the first
    // n displays take every point.
    std::vector<TPlotTarget> targets;
    targets.reserve(displays.size());
    for (TFrameStore* d : displays)
        targets.push_back({d->Dots(frame).FrameBits.View(), TCanvasView::Of(*d), d->PointBudget});
    std::stable_sort(targets.begin(), targets.end(),
                     [](const TPlotTarget& a, const TPlotTarget& b) { return a.Budget > b.Budget; });

    // The orbit first, a batch of points at a time, then their plots: the
    // orbit's chain of arithmetic no longer waits on the bitmap's cache
    // misses, and the plots of a batch overlap theirs. The bits are the same.
    constexpr int Batch = 256;
    TCanvasView::TPair Points[Batch];
    size_t Words[Batch];
    uint32_t Bits[Batch];
    TRandom rng = random;  // a local copy stays in registers
    double x = 0, y = 0;
    int64_t j = 0;
    for (size_t n = targets.size() + 1; n-- > 0;) {
        const int64_t runEnd = n > 0 ? std::min<int64_t>(last, targets[n - 1].Budget) : last;
        while (j <= runEnd) {
            // Often enough to end within milliseconds, rarely enough to cost nothing.
            if (cancel.load(std::memory_order_relaxed)) return false;
            const int64_t batchEnd = std::min<int64_t>(runEnd + 1, j + Batch);
            int count = 0;
            bool left = false;
            for (; j < batchEnd; ++j) {
                // A point that left the box never moves again: the rest of the frame does nothing.
                if (!InOrbitBox(x, y)) {
                    left = true;
                    break;
                }
                StepOrbit(maps, rng.Integer(4), x, y);
                Points[count++] = TCanvasView::TPair{x, y};
            }
            // The divisions once for all displays, two at a time, off the orbit's chain.
            for (int c = 0; c < count; ++c) Points[c] = TCanvasView::Shares(place, Points[c]);
            for (size_t t = 0; t < n; ++t) {
                const TPlotTarget target = targets[t];
                for (int c = 0; c < count; ++c) target.Canvas.WordOf(Points[c], target.Bits.RowWords, Words[c], Bits[c]);
                // The stores alone, in a loop this small, keep many cache misses in flight.
                for (int c = 0; c < count; ++c) target.Bits.OrWord(Words[c], Bits[c]);
            }
            if (left) {
                random = rng;
                return false;
            }
        }
    }
    random = rng;
    return true;
}

}  // namespace ombrel
