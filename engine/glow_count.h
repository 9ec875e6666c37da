#pragma once
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

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
    // Where points off the display are counted: the slot after the last pixel.
    double Sink;
    // The box around the pixels counted, in the canvas.
    double MinX = HUGE_VAL, MinY = HUGE_VAL, MaxX = -HUGE_VAL, MaxY = -HUGE_VAL;

    TCountTarget(const TFrameStore& d, const TPlacement& p, uint16_t* counts)
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
          Sink(static_cast<double>(d.ScreenWidth) * d.ScreenHeight) {}

    // The slot of each of n points, two at a time, without a branch; xs, ys
    // and slots have room for n + 1. Every step is exact in doubles: a point
    // counts where it rounds to a pixel of the display, and as for dots,
    // nothing that cannot round into the canvas counts (NaN and infinities
    // fail every comparison).
    void Place(double* xs, double* ys, int n, uint32_t* slots) noexcept {
        using TPair = double __attribute__((vector_size(16)));
        using TWords = uint64_t __attribute__((vector_size(16)));
        // Room for one more: an odd point's partner, which counts nowhere.
        if (n % 2 != 0) xs[n] = ys[n] = std::numeric_limits<double>::quiet_NaN();
        constexpr double Magic = 6755399441055744.0;  // as RoundEven
        constexpr double Low = 4503599627370496.0;    // 2^52: its low word holds a whole number below 2^32
        TPair minX = {MinX, MinX}, maxX = {MaxX, MaxX}, minY = {MinY, MinY}, maxY = {MaxY, MaxY};
        for (int c = 0; c < n; c += 2) {
            TPair x, y;
            std::memcpy(&x, xs + c, sizeof x);
            std::memcpy(&y, ys + c, sizeof y);
            const TPair fx = x * Ax + Bx, fy = y * Ay + By;
            const TPair px = (fx + Magic) - Magic, py = (fy + Magic) - Magic;
            const auto on = (fx > -1.0) & (fx < Width) & (px >= Left) & (px <= Right) & (fy > -1.0) & (fy < Height) &
                            (py >= Top) & (py <= Bottom);
            const TPair slot = on ? (py - Top) * Row + (px - Left) : TPair{Sink, Sink};
            const auto words = reinterpret_cast<TWords>(slot + Low);
            slots[c] = static_cast<uint32_t>(words[0]);
            slots[c + 1] = static_cast<uint32_t>(words[1]);
            const TPair inX = on ? px : TPair{HUGE_VAL, HUGE_VAL}, inY = on ? py : TPair{HUGE_VAL, HUGE_VAL};
            const TPair outX = on ? px : TPair{-HUGE_VAL, -HUGE_VAL}, outY = on ? py : TPair{-HUGE_VAL, -HUGE_VAL};
            minX = inX < minX ? inX : minX;
            minY = inY < minY ? inY : minY;
            maxX = outX > maxX ? outX : maxX;
            maxY = outY > maxY ? outY : maxY;
        }
        MinX = std::min(minX[0], minX[1]);
        MinY = std::min(minY[0], minY[1]);
        MaxX = std::max(maxX[0], maxX[1]);
        MaxY = std::max(maxY[0], maxY[1]);
    }

    // The stores alone, in a loop this small, keep many cache misses in flight.
    void Raise(const uint32_t* slots, int n) const noexcept {
        for (int c = 0; c < n; ++c) {
            uint16_t& count = Counts[slots[c]];
            // Saturating: a figure that collapses to a point must not wrap round to black.
            count = static_cast<uint16_t>(count + (count != 0xFFFF));
        }
    }

    TLitBox Box() const noexcept {
        if (MinX > MaxX) return {};
        return {static_cast<int>(MinX - Left), static_cast<int>(MinY - Top), static_cast<int>(MaxX - Left),
                static_cast<int>(MaxY - Top)};
    }
};

}  // namespace ombrel
