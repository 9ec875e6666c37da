#pragma once
#include <atomic>
#include <cstdint>
#include <vector>

#include "engine/frame_store.h"
#include "engine/glow.h"
#include "engine/orbit.h"
#include "engine/presets.h"
#include "engine/random.h"

namespace ombrel {

// Glow frames, in four steps: the orbits' points counted on every display
// with their shades, a share of the orbits on each thread, or where copies
// of the counts would take too much memory, whole displays on each, every
// orbit made on each (Count); the threads' counts and shades added up, with
// a histogram of the counts for the frame's scale (Merge); row by row, the
// counts turned into light, sparse pixels' light spread from the counts
// around them, and each lit block's shade, the mean of its points', coded
// as they are made (Paint); the counts cleared for the next frame, the
// frames kept, in the room their displays have for them, and marked
// complete (Finish). It owns the counts, histograms and coded rows, kept
// from frame to frame and cycle to cycle: a new block each time would
// spread over the allocator's arenas. Every step adds whole numbers, so a
// frame is the same however the work was split over threads.
class TGlowRasteriser {
public:
    // The most memory that copies of the counts, beyond one, may take.
    static constexpr size_t CountCopiesMost = 24 << 20;

    // Counts for these displays (every point of a frame counts on each), on `threads` threads.
    void Prepare(const std::vector<TFrameStore*>& displays, int threads);

    // Frame `frame` with the maps given and the orbits of frame `drawnAs`:
    // orbit 0 is the dots' own, drawn from `random` with the same draws (which
    // it advances, so that the figures that follow are those of the dots),
    // the others from seeds of the frame's start. Each orbit has `last` + 1
    // points. The light goes to the displays of `lit` (all when empty), the
    // others only count. False when `cancel` stopped it.
    bool Draw(int frame, int drawnAs, const TOrbitMaps& maps, const TPlacement& place, TRandom& random, int64_t last,
              const std::vector<TFrameStore*>& lit, const std::atomic<bool>& cancel);

    // The memory that the counts and shade sums take.
    size_t CountBytes() const;

private:
    bool Count(int drawnAs, const TOrbitMaps& maps, const TPlacement& place, TRandom& random, int64_t last,
               const std::atomic<bool>& cancel);
    // The frame's scale.
    TGlowScale Merge();
    // Light and Shade, coded row by row as they are made.
    void Paint(TGlowScale scale, const std::vector<bool>& lights);
    // False when `cancel` was raised while a display's frames had no room.
    bool Finish(int frame, const std::vector<bool>& lights, const std::atomic<bool>& cancel);
    // Rows of a box that thread t takes.
    int RowOf(const TLitBox& b, int t) const { return b.Top + (b.Bottom - b.Top + 1) * t / Threads(); }
    int Threads() const { return static_cast<int>(Counts.size()); }
    // The thread whose counts of display d hold them all once counted.
    size_t Holder(size_t d) const { return Owners.empty() ? 0 : Owners[d]; }
    size_t Width(size_t d) const { return static_cast<size_t>(Displays[d]->ScreenWidth); }
    size_t BlockWidth(size_t d) const { return static_cast<size_t>(Displays[d]->ScreenWidth + 1) / 2; }

    std::vector<TFrameStore*> Displays;
    // Per display, the thread that counts it whole; none when the threads share the orbits.
    std::vector<size_t> Owners;
    // Per thread, per display, each pixel's hits in the frame being drawn,
    // and one slot more, where points off the display count; empty for a
    // display that another thread counts whole.
    std::vector<std::vector<std::vector<uint16_t>>> Counts;
    // The shades of the points of each block of 2 x 2 pixels, added up.
    std::vector<std::vector<std::vector<uint32_t>>> Shades;
    // Per thread, of its share of the pixels; the first then holds them all.
    std::vector<std::vector<uint32_t>> Histograms;
    // Per thread and display: the box around the pixels that thread counted.
    std::vector<std::vector<TLitBox>> Counted;
    // Per display: the box around every thread's counted pixels (all counts
    // outside are zero), and that box grown by the pixel that light reaches beyond.
    std::vector<TLitBox> Boxes, Grown;
    // Per display and thread, its rows of the frame being drawn, coded: a
    // frame is never held at full size.
    std::vector<std::vector<TGlowCode::TPart>> Parts;
};

}  // namespace ombrel
