#pragma once
#include <algorithm>

namespace ombrel {

// A rectangle of a surface in window pixels, counted from the bottom left as OpenGL does.
struct TPixelRect {
    int X = 0, Y = 0, Width = 0, Height = 0;

    bool Empty() const noexcept { return Width <= 0 || Height <= 0; }
    // The smallest rectangle that holds both.
    TPixelRect United(const TPixelRect& o) const noexcept {
        if (Empty()) return o;
        if (o.Empty()) return *this;
        const int x = std::min(X, o.X), y = std::min(Y, o.Y);
        return {x, y, std::max(X + Width, o.X + o.Width) - x, std::max(Y + Height, o.Y + o.Height) - y};
    }
    bool operator==(const TPixelRect&) const = default;
};

}  // namespace ombrel
