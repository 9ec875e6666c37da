#include "engine/glow_count.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace ombrel {

namespace {

// Four points a vector: two registers' worth where the processor has only
// SSE2, one where it has AVX2. The same IEEE operations either way, so the
// same slots.
__attribute__((always_inline)) inline void PlaceQuads(TCountTarget& t, double* xs, double* ys, int n,
                                                      uint32_t* slots, uint32_t* blocks) noexcept {
    using TQuad = double __attribute__((vector_size(32)));
    using TWords = uint64_t __attribute__((vector_size(32)));
    // Room for three more: the last points' partners, which count nowhere.
    for (int c = n; c % 4 != 0; ++c) xs[c] = ys[c] = std::numeric_limits<double>::quiet_NaN();
    constexpr double Magic = 6755399441055744.0;  // as RoundEven
    constexpr double Low = 4503599627370496.0;    // 2^52: its low word holds a whole number below 2^32
    const TQuad sink = {t.Sink, t.Sink, t.Sink, t.Sink}, none = {HUGE_VAL, HUGE_VAL, HUGE_VAL, HUGE_VAL};
    const TQuad blockSink = {t.BlockSink, t.BlockSink, t.BlockSink, t.BlockSink};
    TQuad minX = {t.MinX, t.MinX, t.MinX, t.MinX}, maxX = {t.MaxX, t.MaxX, t.MaxX, t.MaxX};
    TQuad minY = {t.MinY, t.MinY, t.MinY, t.MinY}, maxY = {t.MaxY, t.MaxY, t.MaxY, t.MaxY};
    for (int c = 0; c < n; c += 4) {
        TQuad x, y;
        std::memcpy(&x, xs + c, sizeof x);
        std::memcpy(&y, ys + c, sizeof y);
        const TQuad fx = x * t.Ax + t.Bx, fy = y * t.Ay + t.By;
        const TQuad px = (fx + Magic) - Magic, py = (fy + Magic) - Magic;
        const auto on = (fx > -1.0) & (fx < t.Width) & (px >= t.Left) & (px <= t.Right) & (fy > -1.0) &
                        (fy < t.Height) & (py >= t.Top) & (py <= t.Bottom);
        const TQuad slot = on ? (py - t.Top) * t.Row + (px - t.Left) : sink;
        const auto words = reinterpret_cast<TWords>(slot + Low);
        for (int i = 0; i < 4; ++i) slots[c + i] = static_cast<uint32_t>(words[i]);
        // Half a whole number less a quarter never lies on a tie: it rounds to the half's floor.
        const TQuad bx = (((px - t.Left) - 0.5) * 0.5 + Magic) - Magic;
        const TQuad by = (((py - t.Top) - 0.5) * 0.5 + Magic) - Magic;
        const TQuad block = on ? by * t.BlockRow + bx : blockSink;
        const auto blockWords = reinterpret_cast<TWords>(block + Low);
        for (int i = 0; i < 4; ++i) blocks[c + i] = static_cast<uint32_t>(blockWords[i]);
        const TQuad inX = on ? px : none, inY = on ? py : none;
        const TQuad outX = on ? px : -none, outY = on ? py : -none;
        minX = inX < minX ? inX : minX;
        minY = inY < minY ? inY : minY;
        maxX = outX > maxX ? outX : maxX;
        maxY = outY > maxY ? outY : maxY;
    }
    t.MinX = std::min({minX[0], minX[1], minX[2], minX[3]});
    t.MinY = std::min({minY[0], minY[1], minY[2], minY[3]});
    t.MaxX = std::max({maxX[0], maxX[1], maxX[2], maxX[3]});
    t.MaxY = std::max({maxY[0], maxY[1], maxY[2], maxY[3]});
}

__attribute__((target("avx2"))) void PlaceAvx2(TCountTarget& t, double* xs, double* ys, int n, uint32_t* slots,
                                               uint32_t* blocks) noexcept {
    PlaceQuads(t, xs, ys, n, slots, blocks);
}

void PlaceSse2(TCountTarget& t, double* xs, double* ys, int n, uint32_t* slots, uint32_t* blocks) noexcept {
    PlaceQuads(t, xs, ys, n, slots, blocks);
}

}  // namespace

// Chosen on first use rather than by the loader (an ifunc), whose resolver
// runs before the sanitizers' runtimes are up.
void TCountTarget::Place(double* xs, double* ys, int n, uint32_t* slots, uint32_t* blocks) noexcept {
    static const auto place = __builtin_cpu_supports("avx2") ? PlaceAvx2 : PlaceSse2;
    place(*this, xs, ys, n, slots, blocks);
}

}  // namespace ombrel
