#include "engine/glow_count.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace ombrel {

// Four points a vector: two registers' worth where the processor has only
// SSE2, one where it has AVX2, chosen when the program loads. The same IEEE
// operations either way, so the same slots.
__attribute__((target_clones("avx2", "default"))) void TCountTarget::Place(double* xs, double* ys, int n,
                                                                            uint32_t* slots) noexcept {
    using TQuad = double __attribute__((vector_size(32)));
    using TWords = uint64_t __attribute__((vector_size(32)));
    // Room for three more: the last points' partners, which count nowhere.
    for (int c = n; c % 4 != 0; ++c) xs[c] = ys[c] = std::numeric_limits<double>::quiet_NaN();
    constexpr double Magic = 6755399441055744.0;  // as RoundEven
    constexpr double Low = 4503599627370496.0;    // 2^52: its low word holds a whole number below 2^32
    const TQuad sink = {Sink, Sink, Sink, Sink}, none = {HUGE_VAL, HUGE_VAL, HUGE_VAL, HUGE_VAL};
    TQuad minX = {MinX, MinX, MinX, MinX}, maxX = {MaxX, MaxX, MaxX, MaxX};
    TQuad minY = {MinY, MinY, MinY, MinY}, maxY = {MaxY, MaxY, MaxY, MaxY};
    for (int c = 0; c < n; c += 4) {
        TQuad x, y;
        std::memcpy(&x, xs + c, sizeof x);
        std::memcpy(&y, ys + c, sizeof y);
        const TQuad fx = x * Ax + Bx, fy = y * Ay + By;
        const TQuad px = (fx + Magic) - Magic, py = (fy + Magic) - Magic;
        const auto on = (fx > -1.0) & (fx < Width) & (px >= Left) & (px <= Right) & (fy > -1.0) & (fy < Height) &
                        (py >= Top) & (py <= Bottom);
        const TQuad slot = on ? (py - Top) * Row + (px - Left) : sink;
        const auto words = reinterpret_cast<TWords>(slot + Low);
        for (int i = 0; i < 4; ++i) slots[c + i] = static_cast<uint32_t>(words[i]);
        const TQuad inX = on ? px : none, inY = on ? py : none;
        const TQuad outX = on ? px : -none, outY = on ? py : -none;
        minX = inX < minX ? inX : minX;
        minY = inY < minY ? inY : minY;
        maxX = outX > maxX ? outX : maxX;
        maxY = outY > maxY ? outY : maxY;
    }
    MinX = std::min({minX[0], minX[1], minX[2], minX[3]});
    MinY = std::min({minY[0], minY[1], minY[2], minY[3]});
    MaxX = std::max({maxX[0], maxX[1], maxX[2], maxX[3]});
    MaxY = std::max({maxY[0], maxY[1], maxY[2], maxY[3]});
}

}  // namespace ombrel
