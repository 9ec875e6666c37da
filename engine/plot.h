#pragma once
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
    // the same for every display that the figure is drawn on.
    static double ShareX(const TPlacement& p, double x) noexcept { return (x * p.Kx + p.Ox) / 800; }
    static double ShareY(const TPlacement& p, double y) noexcept { return (p.Oy - y * p.Ky) / 600; }

    // The display's pixel that the point at shares (u, v) lands on, if any.
    bool PixelOf(double u, double v, uint32_t& X, uint32_t& Y) const noexcept {
        const double fx = u * Width;
        const double fy = v * Height;
        // Anything that cannot round into the canvas (NaN and infinities
        // included) is dropped before it is converted.
        if (!(fx > -1.0 && fx < Width && fy > -1.0 && fy < Height)) return false;
        // Left of or above the display wraps round to a large unsigned value.
        X = static_cast<uint32_t>(static_cast<int32_t>(RoundEven(fx)) - Left);
        Y = static_cast<uint32_t>(static_cast<int32_t>(RoundEven(fy)) - Top);
        return X < UWidth && Y < UHeight;
    }
};

}  // namespace ombrel
