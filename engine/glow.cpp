// Glow's arithmetic: how a frame's counts become light (the tone map, the
// reference, sparse pixels' light), how many orbits a frame draws and where
// their seeds come from. The drawing itself is the glow rasteriser's.
#include "engine/glow.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "engine/plot.h"

namespace ombrel {

namespace {

// The least light of a lit pixel: about 3%, dim but visible on black. It
// does not grow with the points as the rest of the light does, so a
// brighter floor lights the faint haze of a figure drawn with more points
// far more than the same figure's at the default density: relative L1
// against eight times the points, 1920x1080, seeds 0x5eed and 43, 0.245
// and 0.136 at 16, 0.176 and 0.132 at 8, 0.149 and 0.132 at 4, which is
// too dim for a single hit on many screens. The haze is also less grainy.
constexpr double GlowFloor = 8;
// Pixels with fewer hits than a quarter of the reference take their light
// from around them: the grain of sparse figures goes (relative L1 against
// eight times the points, 1920x1080, seeds 1 and 43: 0.14 and 0.28 without,
// 0.07 and 0.14 with), while the dense heart stays sharp.
constexpr uint32_t SmoothedShare = 4;
// Pixels whose 3x3 neighbourhood holds fewer hits than this, in sixteenths
// (six hits a pixel), take their light from the 5x5 one: a screen-filling
// figure at 3840x2160, about two points a lit pixel, is grain without it.
// Relative L1 against eight times the points, seeds 43 and 20261207: at
// 3840x2160 with four orbits 0.169 and 0.069 without, 0.148 and 0.095
// with the threshold at 48; once the light spans down to the mean density,
// 0.150 and 0.091 at 48, 0.149 and 0.090 at 64, 0.147 and 0.088 at 96,
// 0.146 and 0.086 at 128, with thin lines no softer to the eye at 96.
constexpr uint32_t WideBelow = 96;
// The reference is the count at which the densest pixels hold an eighth of
// all hits. Hits grow with the points, so it grows in proportion and the
// light stays the same; a share of the lit pixels instead moved with the
// faint pixels that more points light, and brightened a figure drawn with
// eight times the points (its reference 5.6 to 7.5 times as large, seeds 1,
// 2, 3, 43, 0x5eed, 20261207). Relative L1 against eight times the points,
// 1920x1080, those seeds: 0.068 0.073 0.137 0.141 0.271 0.112 before, 0.059
// 0.065 0.114 0.136 0.245 0.087 with it; an eighth keeps the look of most
// figures (a fifth gains a little more and burns more of the heart white).
constexpr uint64_t DenseShare = 8;

// The first lit byte of row[from, to), or `to`; eight bytes at a time over the dark.
int FirstLit(const uint8_t* row, int from, int to) noexcept {
    int x = from;
    for (uint64_t word; x + 8 <= to; x += 8) {
        std::memcpy(&word, row + x, 8);
        if (word != 0) break;
    }
    while (x < to && row[x] == 0) ++x;
    return x;
}

// The last lit byte of row[from, to), or from - 1.
int LastLit(const uint8_t* row, int from, int to) noexcept {
    int x = to;
    for (uint64_t word; x - 8 >= from; x -= 8) {
        std::memcpy(&word, row + x - 8, 8);
        if (word != 0) break;
    }
    while (x > from && row[x - 1] == 0) --x;
    return x - 1;
}

}  // namespace

TLitBox LitBoxOf(const uint8_t* light, int w, int h) noexcept {
    const auto row = [&](int y) { return light + static_cast<size_t>(y) * w; };
    TLitBox box;
    int top = 0;
    while (top < h && FirstLit(row(top), 0, w) == w) ++top;
    if (top == h) return box;
    int bottom = h - 1;
    while (FirstLit(row(bottom), 0, w) == w) --bottom;
    // Between them only the margins outside the box so far need a look.
    int left = w, right = -1;
    for (int y = top; y <= bottom; ++y) {
        left = FirstLit(row(y), 0, left);
        right = LastLit(row(y), right + 1, w);
    }
    return {left, top, right, bottom};
}

double PortableLog2(double x) noexcept {
    int exponent = 0;
    double m = std::frexp(x, &exponent);  // exact: x = m * 2^exponent, m in [0.5, 1)
    if (m < 0.70710678118654752) {
        m *= 2;
        --exponent;
    }
    // ln m = 2 atanh(z), z = (m - 1) / (m + 1), |z| < 0.172: the series to z^19.
    const double z = (m - 1) / (m + 1), z2 = z * z;
    double sum = 1.0 / 19;
    for (int k = 17; k >= 1; k -= 2) sum = sum * z2 + 1.0 / k;
    return exponent + 2 * z * sum * 1.4426950408889634;
}

uint8_t SparseLight(uint64_t sixteenths, TGlowScale scale) noexcept {
    const uint32_t reference = scale.Reference;
    if (sixteenths == 0) return 0;
    if (sixteenths >= uint64_t{reference} * 16) return 255;
    // Logarithmic in the density over the reference: the same light for the
    // same density of hits, whatever the number of points (more points
    // only make the picture less grainy), and the heart does not flatten
    // into a plateau. Range is the span of densities that the light covers.
    // Sixteenths scale both sides by a power of two: exactly the count's ratio.
    // Lifted halfway to a gamma of 2 (the mean of the level and its square
    // root, exact in IEEE): faint arms stay visible, a cloud of few hits a
    // pixel keeps its contrast (a full square root washes it out flat).
    const double level = PortableLog2(1.0 + scale.Range * static_cast<double>(sixteenths) / (16.0 * reference)) /
                         PortableLog2(1.0 + scale.Range);
    const double light = RoundEven((level + std::sqrt(level)) / 2 * 255);
    // A hit a pixel and more never vanishes into black: it has the floor.
    // A lone hit, spread by the 5x5 kernel, gives its pixel and the four
    // beside it half the floor, the four at its corners a quarter.
    const double floor = GlowFloor * static_cast<double>(std::min<uint64_t>(sixteenths, 4)) / 4;
    return static_cast<uint8_t>(std::max(light, floor));
}

uint8_t ToneMap(uint32_t count, TGlowScale scale) noexcept { return SparseLight(uint64_t{count} * 16, scale); }

TGlowTone::TGlowTone(TGlowScale scale) : Scale(scale), Dense(scale.Reference + 1) {
    // From tables: the tone map costs divisions and a square root.
    for (uint32_t c = 0; c <= scale.Reference; ++c) Dense[c] = ToneMap(c, scale);
    for (uint32_t v = 0; v < 16 * SparseHits; ++v) Sparse[v] = SparseLight(v, scale);
}

void TGlowTone::LightRow(const uint16_t* const* rows, int w, int left, int right, TRoom& room, uint8_t* light) const {
    const uint16_t* here = rows[2];
    // Column x's counts weighted 1 2 1 down the three middle rows at Near[x + 1],
    // and 1 4 6 4 1 down all five at Wide[x + 2]; nothing off the display.
    room.Near.resize(static_cast<size_t>(w) + 2);
    room.Wide.resize(static_cast<size_t>(w) + 4);
    uint32_t* near = room.Near.data() + 1;
    uint32_t* wide = room.Wide.data() + 2;
    const int from = std::max(0, left - 2), to = std::min(w - 1, right + 2);
    for (int x = from - 2; x < from; ++x) wide[x] = 0;
    for (int x = to + 1; x <= to + 2; ++x) wide[x] = 0;
    near[std::max(-1, left - 1)] = near[std::min(w, right + 1)] = 0;
    // The rows off the display apart: the loop over the rest vectorises.
    if (rows[0] && rows[1] && rows[3] && rows[4]) {
        for (int x = from; x <= to; ++x) {
            const uint32_t middle = rows[1][x] + 2u * here[x] + rows[3][x];
            near[x] = middle;
            wide[x] = rows[0][x] + rows[4][x] + 4 * middle - 2u * here[x];
        }
    } else {
        const auto at = [&](int r, int x) { return rows[r] ? uint32_t{rows[r][x]} : 0u; };
        for (int x = from; x <= to; ++x) {
            near[x] = at(1, x) + 2u * here[x] + at(3, x);
            wide[x] = at(0, x) + 4 * at(1, x) + 6u * here[x] + 4 * at(3, x) + at(4, x);
        }
    }
    // Below a share of the reference a pixel's own count is grainy, more so
    // with fewer points: its light comes from the counts around it, weighted
    // 1 2 1 by 1 2 1, in sixteenths of a hit; where even those are few, from
    // farther, weighted 1 4 6 4 1 by 1 4 6 4 1 (flame renderers' density
    // estimation: the kernel widens where hits are few). The same pixels at
    // any number of points, so that more points only take grain away.
    const auto dark = [&](int x) {
        // No count within reach of pixels x to x + 7: twelve column sums, all zero.
        uint32_t any = 0;
        for (int i = x - 2; i <= x + 9; ++i) any |= wide[i];
        return any == 0;
    };
    // Most of a sparse figure's box is dark: eight pixels at a time, looked
    // at once, so that a lit stretch costs no more than its own pixels.
    for (int x = left; x <= right; x += 8) {
        const int last = std::min(right, x + 7);
        if (last == x + 7 && dark(x)) {
            std::memset(light + x, 0, 8);
            continue;
        }
        for (int i = x; i <= last; ++i) {
            const uint32_t count = here[i];
            if (count * SmoothedShare >= Scale.Reference) {
                light[i] = Dense[std::min(count, Scale.Reference)];
                continue;
            }
            const uint32_t around = near[i - 1] + 2 * near[i] + near[i + 1];
            if (around >= WideBelow) {
                light[i] = around < 16 * SparseHits ? Sparse[around] : Dense[std::min(around / 16, Scale.Reference)];
                continue;
            }
            // In 256ths of a hit, rounded to sixteenths.
            const uint32_t far =
                (wide[i - 2] + 4 * wide[i - 1] + 6 * wide[i] + 4 * wide[i + 1] + wide[i + 2] + 8) / 16;
            light[i] = far < 16 * SparseHits ? Sparse[far] : Dense[std::min(far / 16, Scale.Reference)];
        }
    }
}

namespace {

uint64_t HitsOf(const uint32_t* histogram, uint32_t size) noexcept {
    // Counts below 2^16, pixels below 2^32: no sum reaches 2^64.
    uint64_t hits = 0;
    for (uint32_t c = 1; c < size; ++c) hits += uint64_t{c} * histogram[c];
    return hits;
}

uint32_t ReferenceOf(const uint32_t* histogram, uint32_t size, uint64_t hits) noexcept {
    if (hits == 0) return 1;
    uint64_t above = 0;
    for (uint32_t c = size - 1; c >= 1; --c) {
        above += uint64_t{c} * histogram[c];
        if (above * DenseShare >= hits) return c;
    }
    return 1;
}

}  // namespace

uint32_t GlowReference(const uint32_t* histogram, uint32_t size) noexcept {
    return ReferenceOf(histogram, size, HitsOf(histogram, size));
}

TGlowScale GlowScaleOf(const uint32_t* histogram, uint32_t size, uint64_t pixels) noexcept {
    const uint64_t hits = HitsOf(histogram, size);
    TGlowScale scale{ReferenceOf(histogram, size, hits), MinGlowRange};
    if (hits == 0 || pixels == 0) return scale;
    // The light spans the densities from the screen's mean one (its hits
    // spread evenly over all its pixels) up to the reference, and at least
    // MinGlowRange: a figure whose thin part holds most of the points keeps
    // the rest in sight. Both ends grow with the points, so the light stays
    // the same for more of them. The fern (seed 31, cycle 3, 1920x1080): 8%
    // of its lit pixels reached a light of 32 with the least span, 54% with
    // this one (its span 19559); random figures whose reference is under 64
    // mean densities keep the least span. Relative L1 against eight times
    // the points, 1920x1080: seeds 1, 2, 3, 0x5eed and 20261207 nearer
    // (0.058 to 0.055, 0.072 to 0.071, 0.097 to 0.089, 0.177 to 0.169,
    // 0.085 to 0.080), seed 43 as near (0.120); at 3840x2160 seed 43 a little
    // farther (0.148 to 0.150), which the wide kernel's threshold wins back.
    const double mean = static_cast<double>(hits) / static_cast<double>(pixels);
    scale.Range = std::max(MinGlowRange, scale.Reference / mean);
    return scale;
}

int GlowOrbits(int64_t pixels) noexcept {
    // Eight orbits up to a 1920x1080 display, about 1.25 points a pixel: two
    // monitors' cycle costs about a core. No fewer than four: with two, a
    // 3840x2160 figure that fills the screen is grain (relative L1 against
    // eight times the points 0.196 for seed 43 with the wide kernel, 0.166
    // with three, 0.148 with four); its cycle takes about 1.7 s of two cores.
    constexpr int64_t Reference = 8 * int64_t{1920 * 1080};
    if (pixels <= 0) return 8;
    return static_cast<int>(std::clamp<int64_t>(Reference / pixels, 4, 8));
}

uint32_t GlowOrbitSeed(uint32_t state, int frame, int orbit) noexcept {
    // splitmix64's finaliser: neighbouring frames and orbits get unrelated seeds.
    uint64_t z = (uint64_t{state} << 32) ^ (static_cast<uint64_t>(frame) << 8) ^ static_cast<uint64_t>(orbit);
    z += 0x9e3779b97f4a7c15ull;
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
    return static_cast<uint32_t>((z ^ (z >> 31)) >> 32);
}

}  // namespace ombrel
