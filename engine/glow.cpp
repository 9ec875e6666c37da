// Glow frames: every pixel counts the chaos game's hits, and a tone map
// turns the counts into light.
#include "engine/glow.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <system_error>
#include <thread>
#include <vector>

#include "engine/background_thread.h"
#include "engine/glow_count.h"
#include "engine/morph_state.h"
#include "engine/plot.h"

namespace ombrel {

namespace {

// Densities from 1/64 of the reference up to it span the light: a wider
// span dims the arms of sparse figures into noise, a narrower one flattens
// dense ones (measured on many seeds against the same frames drawn with
// eight times the points).
constexpr double GlowRange = 64;
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

uint8_t SparseLight(uint64_t sixteenths, uint32_t reference) noexcept {
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
    const double level = PortableLog2(1.0 + GlowRange * static_cast<double>(sixteenths) / (16.0 * reference)) /
                         PortableLog2(1.0 + GlowRange);
    const double light = RoundEven((level + std::sqrt(level)) / 2 * 255);
    // A single hit never vanishes into black: the pixel it lands on has the
    // floor, its spread-out neighbours a half or a quarter of it.
    const double floor = GlowFloor * static_cast<double>(std::min<uint64_t>(sixteenths, 4)) / 4;
    return static_cast<uint8_t>(std::max(light, floor));
}

uint8_t ToneMap(uint32_t count, uint32_t reference) noexcept { return SparseLight(uint64_t{count} * 16, reference); }

TGlowTone::TGlowTone(uint32_t reference) : Reference(reference), Dense(reference + 1) {
    // From tables: the tone map costs divisions and a square root.
    for (uint32_t c = 0; c <= reference; ++c) Dense[c] = ToneMap(c, reference);
    for (uint32_t v = 0; v < 16 * SparseHits; ++v) Sparse[v] = SparseLight(v, reference);
}

void TGlowTone::LightRow(const uint16_t* above, const uint16_t* here, const uint16_t* below, int w, int left,
                         int right, std::vector<uint32_t>& vertical, uint8_t* light) const {
    // Column x's counts weighted 1 2 1 down the three rows, at x + 1; nothing off the display.
    vertical.resize(static_cast<size_t>(w) + 2);
    vertical[static_cast<size_t>(left)] = vertical[static_cast<size_t>(right) + 2] = 0;
    const int from = std::max(0, left - 1), to = std::min(w - 1, right + 1);
    uint32_t* column = vertical.data() + 1;
    // The rows off the display apart: the loop over the rest vectorises.
    if (above && below)
        for (int x = from; x <= to; ++x) column[x] = above[x] + 2u * here[x] + below[x];
    else
        for (int x = from; x <= to; ++x) column[x] = (above ? above[x] : 0u) + 2u * here[x] + (below ? below[x] : 0u);
    // Below a share of the reference a pixel's own count is grainy, more so
    // with fewer points: its light comes from the counts around it, weighted
    // 1 2 1 by 1 2 1, in sixteenths of a hit. The same pixels at any number
    // of points, so that more points only take grain away.
    const auto dark = [&](int x) {
        // No count around pixels x to x + 7: ten column sums, all zero.
        uint64_t words[5];
        std::memcpy(words, vertical.data() + x, sizeof words);
        return (words[0] | words[1] | words[2] | words[3] | words[4]) == 0;
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
            const uint32_t around = vertical[static_cast<size_t>(i)] + 2 * vertical[static_cast<size_t>(i) + 1] +
                                    vertical[static_cast<size_t>(i) + 2];
            light[i] = count * SmoothedShare >= Reference ? Dense[std::min(count, Reference)]
                       : around < 16 * SparseHits          ? Sparse[around]
                                                           : Dense[std::min(around / 16, Reference)];
        }
    }
}

uint32_t GlowReference(const uint32_t* histogram, uint32_t size) noexcept {
    // Counts below 2^16, pixels below 2^32: no sum reaches 2^64.
    uint64_t hits = 0;
    for (uint32_t c = 1; c < size; ++c) hits += uint64_t{c} * histogram[c];
    if (hits == 0) return 1;
    uint64_t above = 0;
    for (uint32_t c = size - 1; c >= 1; --c) {
        above += uint64_t{c} * histogram[c];
        if (above * DenseShare >= hits) return c;
    }
    return 1;
}

int GlowOrbits(int64_t pixels) noexcept {
    // Eight orbits up to a 1920x1080 display, about 1.25 points a pixel: two
    // monitors' cycle costs about a core. No fewer than two.
    constexpr int64_t Reference = 8 * int64_t{1920 * 1080};
    if (pixels <= 0) return 8;
    return static_cast<int>(std::clamp<int64_t>(Reference / pixels, 2, 8));
}

uint32_t GlowOrbitSeed(uint32_t state, int frame, int orbit) noexcept {
    // splitmix64's finaliser: neighbouring frames and orbits get unrelated seeds.
    uint64_t z = (uint64_t{state} << 32) ^ (static_cast<uint64_t>(frame) << 8) ^ static_cast<uint64_t>(orbit);
    z += 0x9e3779b97f4a7c15ull;
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
    return static_cast<uint32_t>((z ^ (z >> 31)) >> 32);
}

namespace {

// An orbit's transient from the origin, left out of the extra orbits:
// otherwise every one of them would light the same few pixels near it.
constexpr int BurnIn = 20;

// work(t) for every t in [0, threads), each on a thread of its own where one
// can be started, this one taking t = 0 and any that could not.
template <typename TWork>
void OnThreads(int threads, const TWork& work) {
    std::vector<std::thread> helpers;
    try {
        for (int t = 1; t < threads; ++t)
            helpers.emplace_back([&work, t] {
                RunInBackground();
                work(t);
            });
    } catch (const std::system_error&) {
        // Fewer threads: this one takes the rest.
    }
    work(0);
    for (int t = static_cast<int>(helpers.size()) + 1; t < threads; ++t) work(t);
    for (std::thread& h : helpers) h.join();
}

// each(x) for every x in [from, to) with counts[x] != 0; four at a time
// over the uncounted pixels, most of a box.
template <typename TEach>
void ForEachCounted(const uint16_t* counts, int from, int to, const TEach& each) {
    int x = from;
    for (uint64_t word; x + 4 <= to; x += 4) {
        std::memcpy(&word, counts + x, 8);
        if (word == 0) continue;
        for (int i = x; i < x + 4; ++i)
            if (counts[i] != 0) each(i);
    }
    for (; x < to; ++x)
        if (counts[x] != 0) each(x);
}

// total[x] += part[x], saturating at 0xFFFF, and part[x] = 0, for x in
// [0, n): in one pass, which the compiler vectorises.
void AddSaturating(uint16_t* __restrict total, uint16_t* __restrict part, int n) noexcept {
    for (int x = 0; x < n; ++x) {
        const auto sum = static_cast<uint16_t>(total[x] + part[x]);
        // Wrapped past 0xFFFF exactly when the sum is below a term.
        total[x] = sum < part[x] ? uint16_t{0xFFFF} : sum;
        part[x] = 0;
    }
}

TLitBox United(const TLitBox& a, const TLitBox& b) noexcept {
    if (a.Empty()) return b;
    if (b.Empty()) return a;
    return {std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right), std::max(a.Bottom, b.Bottom)};
}

}  // namespace

bool TMorphState::RasteriseGlowFrames(TTargetKind kind) {
    const TPlacement& place = PlacementOf(kind);
    PrepareGlowCounts(Displays);
    const int n = Displays[0]->Frames.Count();
    for (int i = 2; i <= n; ++i) {
        OriginOf(i) = {true, Random.GetState(), kind, i};
        if (!RasteriseGlowFrame(i, i, place, Random, Displays, MaxPointBudget)) return false;
    }
    return true;
}

void TMorphState::PrepareGlowCounts(const std::vector<TFrameStore*>& displays) {
    const int threads = std::max(1, GlowThreads);
    GlowCounts.resize(static_cast<size_t>(threads));
    // Kept from cycle to cycle: a new block each time would spread over the
    // allocator's arenas. One slot more, where points off the display count.
    for (auto& perThread : GlowCounts) {
        perThread.resize(displays.size());
        for (size_t d = 0; d < displays.size(); ++d)
            perThread[d].assign(static_cast<size_t>(displays[d]->ScreenWidth) * displays[d]->ScreenHeight + 1, 0);
    }
}

bool TMorphState::RasteriseGlowFrame(int frame, int drawnAs, const TPlacement& place, TRandom& random,
                                     const std::vector<TFrameStore*>& displays, int64_t last,
                                     const std::vector<TFrameStore*>& lit) {
    const auto lights = [&lit](const TFrameStore* d) { return lit.empty() || std::find(lit.begin(), lit.end(), d) != lit.end(); };
    const TMorphFrame& maps = Displays[0]->Frames[frame];
    const TCoefs A = maps.CoefA, B = maps.CoefB, C = maps.CoefC, D = maps.CoefD, E = maps.CoefE, F = maps.CoefF;
    const uint32_t start = random.GetState();
    int64_t pixels = 0;
    for (const TFrameStore* d : displays) pixels = std::max<int64_t>(pixels, int64_t{d->ScreenWidth} * d->ScreenHeight);
    const int orbits = GlowOrbits(pixels);
    const int threads = static_cast<int>(GlowCounts.size());
    // Per thread and display: the box around the pixels that thread counted.
    std::vector<std::vector<TLitBox>> counted(static_cast<size_t>(threads), std::vector<TLitBox>(displays.size()));

    // Orbit 0 is the dots' own, drawn from the shared generator with the same
    // draws, so that the figures that follow are those of the dots; the
    // others come from seeds of the frame's start. Every display counts every point.
    const auto run = [&](int thread, int first, int end) {
        std::vector<TCountTarget> targets;
        for (size_t d = 0; d < displays.size(); ++d)
            targets.emplace_back(*displays[d], place, GlowCounts[static_cast<size_t>(thread)][d].data());
        // The orbit first, a batch of points at a time, then their counts:
        // the orbit's chain of arithmetic no longer waits on cache misses.
        constexpr int Batch = 256;
        double xs[Batch + 3], ys[Batch + 3];
        uint32_t slots[Batch + 3];
        for (int orbit = first; orbit < end; ++orbit) {
            TRandom rng = orbit == 0 ? random : TRandom(GlowOrbitSeed(start, drawnAs, orbit));
            double x = 0, y = 0;
            // A point that left the box never comes back: its orbit ends.
            bool alive = true;
            const auto step = [&] {
                if (!(alive = -1000000.0 < x && x < 1000000.0 && -1000000.0 < y && y < 1000000.0)) return false;
                const uint32_t k = rng.Integer(4);
                const double nx = A[k] * x + B[k] * y + E[k];
                const double ny = C[k] * x + D[k] * y + F[k];
                x = nx;
                y = ny;
                return true;
            };
            if (orbit != 0)
                for (int j = 0; j < BurnIn && step(); ++j) {
                }
            for (int64_t j = 0; alive && j <= last;) {
                if (Cancel.load(std::memory_order_relaxed)) return;
                int count = 0;
                for (const int64_t batchEnd = std::min<int64_t>(last + 1, j + Batch); j < batchEnd && step(); ++j) {
                    xs[count] = x;
                    ys[count++] = y;
                }
                for (TCountTarget& t : targets) {
                    t.Place(xs, ys, count, slots);
                    t.Raise(slots, count);
                }
            }
            if (orbit == 0) random = rng;
        }
        for (size_t d = 0; d < targets.size(); ++d) counted[static_cast<size_t>(thread)][d] = targets[d].Box();
    };
    // Each thread takes a fixed run of orbits; the counts add up the same however the threads ran.
    const auto firstOf = [&](int t) { return orbits * t / threads; };
    OnThreads(threads, [&](int t) { run(t, firstOf(t), firstOf(t + 1)); });
    if (Cancel.load(std::memory_order_relaxed)) return false;

    // Outside the box around every thread's counted pixels all counts are
    // zero, and outside the frame's last lit box all its light is: the passes
    // below look inside these boxes alone.
    std::vector<TLitBox> box(displays.size());
    for (size_t d = 0; d < displays.size(); ++d)
        for (const std::vector<TLitBox>& perThread : counted) box[d] = United(box[d], perThread[d]);
    // Each thread takes a fixed share of a box's rows.
    const auto rowOf = [threads](const TLitBox& b, int t) { return b.Top + (b.Bottom - b.Top + 1) * t / threads; };
    const auto widthOf = [&](size_t d) { return static_cast<size_t>(displays[d]->ScreenWidth); };

    // The threads' counts added up, and a histogram of them for the
    // reference. Sums of whole numbers: the same however the work was split.
    GlowHistograms.resize(static_cast<size_t>(threads));
    OnThreads(threads, [&](int t) {
        std::vector<uint32_t>& histogram = GlowHistograms[static_cast<size_t>(t)];
        histogram.assign(0x10000, 0);
        for (size_t d = 0; d < displays.size(); ++d) {
            const TLitBox& b = box[d];
            if (b.Empty()) continue;
            for (int y = rowOf(b, t); y < rowOf(b, t + 1); ++y) {
                uint16_t* total = GlowCounts[0][d].data() + y * widthOf(d);
                // Another thread's counts lie in its own box; saturating one
                // after the other leaves the least of the sum and the largest count.
                for (size_t other = 1; other < counted.size(); ++other) {
                    const TLitBox& o = counted[other][d];
                    if (o.Empty() || y < o.Top || y > o.Bottom) continue;
                    uint16_t* part = GlowCounts[other][d].data() + y * widthOf(d);
                    AddSaturating(total + o.Left, part + o.Left, o.Right - o.Left + 1);
                }
                ForEachCounted(total, b.Left, b.Right + 1, [&](int x) { ++histogram[total[x]]; });
            }
        }
    });
    // Light: one reference for all the figure's displays, so that a span has
    // no seams. Black pixels are most of them and no part of it.
    std::vector<uint32_t>& histogram = GlowHistograms[0];
    for (size_t t = 1; t < GlowHistograms.size(); ++t)
        for (size_t c = 1; c < 0x10000; ++c) histogram[c] += GlowHistograms[t][c];
    const uint32_t reference = GlowReference(histogram.data(), 0x10000);
    const TGlowTone tone(reference);
    // Light reaches a pixel beyond the counted ones: each box grown by one.
    std::vector<TLitBox> grown(displays.size());
    for (size_t d = 0; d < displays.size(); ++d)
        if (!box[d].Empty())
            grown[d] = {std::max(0, box[d].Left - 1), std::max(0, box[d].Top - 1),
                        std::min(displays[d]->ScreenWidth - 1, box[d].Right + 1),
                        std::min(displays[d]->ScreenHeight - 1, box[d].Bottom + 1)};
    OnThreads(threads, [&](int t) {
        std::vector<uint32_t> vertical;
        for (size_t d = 0; d < displays.size(); ++d) {
            if (!lights(displays[d])) continue;
            const TLitBox& g = grown[d];
            // The new light inside the grown box, black over the rest of the last one.
            const TLitBox all = United(displays[d]->Frames[frame].Lit, g);
            if (all.Empty()) continue;
            const int w = displays[d]->ScreenWidth, h = displays[d]->ScreenHeight;
            const uint16_t* total = GlowCounts[0][d].data();
            uint8_t* light = displays[d]->Frames[frame].Light.get();
            for (int y = rowOf(all, t); y < rowOf(all, t + 1); ++y) {
                uint8_t* row = light + static_cast<size_t>(y) * w;
                std::fill(row + all.Left, row + all.Right + 1, uint8_t{0});
                if (g.Empty() || y < g.Top || y > g.Bottom) continue;
                const uint16_t* here = total + static_cast<size_t>(y) * w;
                const uint16_t* above = y > 0 ? here - w : nullptr;
                const uint16_t* below = y + 1 < h ? here + w : nullptr;
                tone.LightRow(above, here, below, w, g.Left, g.Right, vertical, row);
            }
        }
    });
    // Every count back to zero for the next frame, once no thread reads them.
    OnThreads(threads, [&](int t) {
        for (size_t d = 0; d < displays.size(); ++d) {
            const TLitBox& b = box[d];
            if (b.Empty()) continue;
            for (int y = rowOf(b, t); y < rowOf(b, t + 1); ++y) {
                uint16_t* counts = GlowCounts[0][d].data() + y * widthOf(d);
                std::fill(counts + b.Left, counts + b.Right + 1, uint16_t{0});
            }
        }
    });
    for (size_t d = 0; d < displays.size(); ++d) {
        if (!lights(displays[d])) continue;
        TMorphFrame& f = displays[d]->Frames[frame];
        // Screens draw only this box: the rest of a frame is black. A
        // pixel's light may come from its neighbours alone: the box around
        // the pixels lit in the grown box.
        const TLitBox& g = grown[d];
        const int w = displays[d]->ScreenWidth;
        TLitBox lit = g.Empty() ? TLitBox{} : LitBoxOf(f.Light.get() + static_cast<size_t>(g.Top) * w, w, g.Bottom - g.Top + 1);
        if (!lit.Empty()) lit = {lit.Left, lit.Top + g.Top, lit.Right, lit.Bottom + g.Top};
        f.Lit = lit;
        f.Complete.Set(true);
    }
    return true;
}

}  // namespace ombrel
