#pragma once
#include <cmath>
#include <cstdint>

#include "engine/frame_store.h"
#include "engine/presets.h"

namespace ombrel {

// Where a glow frame's points land and are counted on one display. The
// placement is folded into one multiply-add an axis: a glow pixel need not
// be a dots pixel to the last rounding, and the divisions would cost a third
// of the loop.
struct TCountTarget {
    double Ax, Bx, Ay, By;
    double Width, Height;
    // The display's first and last pixel in the canvas, and its width.
    double Left, Right, Top, Bottom, Row;
    uint16_t* Counts;
    // Each block of 2 x 2 pixels' points' palette positions, added up
    // (modulo 2^32), BlockRow blocks a row: a quarter of the memory that a
    // sum a pixel would take, which the cache holds far better.
    uint32_t* Shades;
    // Where points off the display are counted: the slot after the last
    // pixel, and the block after the last block.
    double Sink, BlockRow, BlockSink;
    // The box around the pixels counted, in the canvas.
    double MinX = HUGE_VAL, MinY = HUGE_VAL, MaxX = -HUGE_VAL, MaxY = -HUGE_VAL;

    TCountTarget(const TFrameStore& d, const TPlacement& p, uint16_t* counts, uint32_t* shades)
        : Ax(p.Kx / 800 * d.CanvasWidth),
          Bx(p.Ox / 800 * d.CanvasWidth),
          Ay(-p.Ky / 600 * d.CanvasHeight),
          By(p.Oy / 600 * d.CanvasHeight),
          Width(d.CanvasWidth),
          Height(d.CanvasHeight),
          Left(d.CanvasLeft),
          Right(static_cast<double>(d.CanvasLeft) + d.ScreenWidth - 1),
          Top(d.CanvasTop),
          Bottom(static_cast<double>(d.CanvasTop) + d.ScreenHeight - 1),
          Row(d.ScreenWidth),
          Counts(counts),
          Shades(shades),
          Sink(static_cast<double>(d.ScreenWidth) * d.ScreenHeight),
          BlockRow((d.ScreenWidth + 1) / 2),
          BlockSink(BlockRow * ((d.ScreenHeight + 1) / 2)) {}

    // The slot and the block of each of n points, four at a time, without
    // a branch; xs, ys, slots and blocks have room for n + 3. Every step is
    // exact in doubles: a point counts where it rounds to a pixel of the
    // display, and as for dots, nothing that cannot round into the canvas
    // counts (NaN and infinities fail every comparison).
    void Place(double* xs, double* ys, int n, uint32_t* slots, uint32_t* blocks) noexcept;

    // Points ahead whose count and shade are fetched while this one is
    // raised: in a figure spread over the display nearly every point misses
    // the cache, twice, and the misses overlap only so.
    static constexpr int RaiseAhead = 32;

    // Counts n points and adds their shades.
    void Raise(const uint32_t* slots, const uint32_t* blocks, const uint32_t* shades, int n) const noexcept {
        for (int c = 0; c < n; ++c) {
            if (c + RaiseAhead < n) {
                __builtin_prefetch(Counts + slots[c + RaiseAhead], 1);
                __builtin_prefetch(Shades + blocks[c + RaiseAhead], 1);
            }
            uint16_t& count = Counts[slots[c]];
            // Saturating: a figure that collapses to a point must not wrap round to black.
            count = static_cast<uint16_t>(count + (count != 0xFFFF));
            // Wrapping, so that the sum is the same however the points were
            // split; exact while no count of the block is saturated, the only ones read.
            Shades[blocks[c]] += shades[c];
        }
    }

    TLitBox Box() const noexcept {
        if (MinX > MaxX) return {};
        return {static_cast<int>(MinX - Left), static_cast<int>(MinY - Top), static_cast<int>(MaxX - Left),
                static_cast<int>(MaxY - Top)};
    }
};

}  // namespace ombrel
