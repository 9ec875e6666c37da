#pragma once
#include <cstddef>
#include <cstdint>

#include "engine/frame_store.h"
#include "engine/presets.h"

namespace ombrel {

// Nearest integer, ties to even, for |v| < 2^51: adding 1.5 * 2^52 leaves no
// fraction bits, so the addition itself rounds in the current (nearest-even) mode.
inline double RoundEven(double v) noexcept {
    constexpr double Magic = 6755399441055744.0;
    return (v + Magic) - Magic;
}

// Where a display lies in the picture that the chaos game draws (itself
// unless the picture spans displays), ready for the inner loop.
struct TCanvasView {
    double Width, Height;
    int32_t Left, Top;
    uint32_t UWidth, UHeight;

    static TCanvasView Of(const TFrameStore& d) noexcept {
        return {static_cast<double>(d.CanvasWidth), static_cast<double>(d.CanvasHeight), d.CanvasLeft, d.CanvasTop,
                static_cast<uint32_t>(d.ScreenWidth), static_cast<uint32_t>(d.ScreenHeight)};
    }

    // The point's place in the picture, as shares of its width and height:
    // the same for every display that the figure is drawn on. For a point
    // (x, y): ((x·Kx + Ox) / 800, (Oy − y·Ky) / 600), in the two lanes of one
    // vector, two divisions at once. Adding y·(−Ky) is subtracting y·Ky
    // exactly (rounding to nearest is symmetric): the bits are the formula's.
    using TPair = double __attribute__((vector_size(16)));
    static TPair Shares(const TPlacement& p, TPair xy) noexcept {
        return (TPair{p.Ox, p.Oy} + xy * TPair{p.Kx, -p.Ky}) / TPair{800, 600};
    }

    // Where the point at `shares` lands in a bitmap of the display with
    // `rowWords` words a row: the word, and its bit set, or no bit (in word
    // 0) off the display: every point gets a word and bits, so that the
    // stores can follow in a loop of their own.
    void WordOf(TPair shares, size_t rowWords, size_t& word, uint32_t& bits) const noexcept {
        const TPair f = shares * TPair{Width, Height};
        const double fx = f[0], fy = f[1];
        // Anything that cannot round into the canvas (NaN and infinities
        // included) converts 0 instead, well inside int32's range.
        const bool onCanvas = (fx > -1.0) & (fx < Width) & (fy > -1.0) & (fy < Height);
        // Left of or above the display wraps round to a large unsigned value.
        const auto X = static_cast<uint32_t>(static_cast<int32_t>(RoundEven(onCanvas ? fx : 0.0)) - Left);
        const auto Y = static_cast<uint32_t>(static_cast<int32_t>(RoundEven(onCanvas ? fy : 0.0)) - Top);
        const bool on = onCanvas & (X < UWidth) & (Y < UHeight);
        word = on ? Y * rowWords + (X >> 5) : 0;
        bits = on ? 1u << (X & 31) : 0;
    }
};

}  // namespace ombrel
