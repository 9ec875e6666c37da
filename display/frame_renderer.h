#pragma once
#include <cstdint>

#include "display/hsv_color.h"
#include "engine/frame_store.h"

namespace ombrel {

// The frame a counter value shows: 1 for 0..50, counter - 49 for 51..99,
// 0 (none: black only) for anything else.
int SelectFrame(int32_t FrameCounter) noexcept;

// Calls `plot(x, y)` for every set bit of `bits`, row by row, left to right.
// Whole zero words are skipped.
template <typename TPlot>
void ForEachSetBit(const TFrameBits& bits, TPlot&& plot) {
    for (int y = 0; y < bits.Rows(); ++y) {
        const std::atomic<uint32_t>* row = bits.Row(y);
        for (int w = 0; w < bits.RowWords(); ++w) {
            uint32_t word = row[w].load(std::memory_order_relaxed);
            while (word != 0) {
                plot(w * 32 + __builtin_ctz(word), y);  // never past the width: no such bit is set
                word &= word - 1;
            }
        }
    }
}

// The packed colour of frame `k` (1..50), which display 0 holds for every display.
TColor FrameColour(const TFrameStore& display0, int k) noexcept;

// Draws one display's current frame into the current OpenGL context: black
// over the whole viewport, then one point per set bit of the display's own
// bitmap, in the colour that display 0 holds for that frame, each at its
// pixel's centre: bitmap row r, column c lights screen row r, column c.
// The reference drawing: straight through the pixel canvas.
void RenderFrame(const TFrameStore& display, const TFrameStore& display0, int32_t FrameCounter);

}  // namespace ombrel
