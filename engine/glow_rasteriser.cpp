#include "engine/glow_rasteriser.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "engine/background_thread.h"
#include "engine/glow.h"
#include "engine/glow_count.h"
#include "engine/glow_shade.h"

namespace ombrel {

namespace {

// An orbit's transient from the origin, left out of the extra orbits:
// otherwise every one of them would light the same few pixels near it.
constexpr int BurnIn = 20;

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

// The same for shades, wrapping.
void AddWrapping(uint32_t* __restrict total, uint32_t* __restrict part, int n) noexcept {
    for (int x = 0; x < n; ++x) {
        total[x] += part[x];
        part[x] = 0;
    }
}

// The blocks of 2 x 2 pixels that a box of pixels touches.
TLitBox BlocksOf(const TLitBox& b) noexcept {
    return b.Empty() ? TLitBox{} : TLitBox{b.Left / 2, b.Top / 2, b.Right / 2, b.Bottom / 2};
}

TLitBox United(const TLitBox& a, const TLitBox& b) noexcept {
    if (a.Empty()) return b;
    if (b.Empty()) return a;
    return {std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right), std::max(a.Bottom, b.Bottom)};
}

}  // namespace

void TGlowRasteriser::Prepare(const std::vector<TFrameStore*>& displays, int threads) {
    Displays = displays;
    const size_t n = static_cast<size_t>(std::max(1, threads));
    // A display's pixels and blocks of 2 x 2, each with a count or a sum of
    // shades, and one more of each for the points off it.
    const auto pixels = [&](size_t d) {
        return static_cast<size_t>(displays[d]->ScreenWidth) * static_cast<size_t>(displays[d]->ScreenHeight);
    };
    const auto blocks = [&](size_t d) {
        return static_cast<size_t>(displays[d]->ScreenWidth + 1) / 2 * (static_cast<size_t>(displays[d]->ScreenHeight + 1) / 2);
    };
    size_t copy = 0;
    for (size_t d = 0; d < displays.size(); ++d)
        copy += (pixels(d) + 1) * sizeof(uint16_t) + (blocks(d) + 1) * sizeof(uint32_t);
    // Where a copy of the counts for each thread would cost too much memory,
    // whole displays to each thread, the largest first to the least loaded,
    // each thread making every orbit: at 3840x2160 + 1920x1080 the second
    // copy is 31 MB, a tenth of all the program holds, for a tenth more CPU
    // (making the orbits again). For two monitors of 1920x1080 and 1280x1024
    // it would save 10 MB for as much CPU.
    Owners.clear();
    if (n > 1 && displays.size() >= n && copy * (n - 1) > CountCopiesMost) {
        std::vector<size_t> order(displays.size());
        for (size_t d = 0; d < order.size(); ++d) order[d] = d;
        std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return pixels(a) > pixels(b); });
        std::vector<size_t> load(n, 0);
        Owners.resize(displays.size());
        for (const size_t d : order) {
            const size_t t = static_cast<size_t>(std::min_element(load.begin(), load.end()) - load.begin());
            Owners[d] = t;
            load[t] += pixels(d);
        }
    }
    Counts.resize(n);
    Shades.resize(n);
    for (size_t t = 0; t < n; ++t) {
        Counts[t].resize(displays.size());
        Shades[t].resize(displays.size());
        for (size_t d = 0; d < displays.size(); ++d) {
            const bool held = Owners.empty() || Owners[d] == t;
            Counts[t][d].assign(held ? pixels(d) + 1 : 0, 0);
            Shades[t][d].assign(held ? blocks(d) + 1 : 0, 0);
            if (!held) {
                Counts[t][d].shrink_to_fit();
                Shades[t][d].shrink_to_fit();
            }
        }
    }
    Parts.resize(displays.size());
    for (std::vector<TGlowCode::TPart>& parts : Parts) parts.resize(n);
}

size_t TGlowRasteriser::CountBytes() const {
    size_t bytes = 0;
    for (size_t t = 0; t < Counts.size(); ++t)
        for (size_t d = 0; d < Counts[t].size(); ++d)
            bytes += Counts[t][d].capacity() * sizeof(uint16_t) + Shades[t][d].capacity() * sizeof(uint32_t);
    return bytes;
}

bool TGlowRasteriser::Draw(int frame, int drawnAs, const TOrbitMaps& maps, const TPlacement& place, TRandom& random,
                           int64_t last, const std::vector<TFrameStore*>& lit, const std::atomic<bool>& cancel) {
    if (!Count(drawnAs, maps, place, random, last, cancel)) return false;
    std::vector<bool> lights(Displays.size());
    for (size_t d = 0; d < Displays.size(); ++d)
        lights[d] = lit.empty() || std::find(lit.begin(), lit.end(), Displays[d]) != lit.end();
    Paint(Merge(), lights);
    return Finish(frame, lights, cancel);
}

bool TGlowRasteriser::Count(int drawnAs, const TOrbitMaps& maps, const TPlacement& place, TRandom& random, int64_t last,
                            const std::atomic<bool>& cancel) {
    const uint32_t start = random.GetState();
    int64_t pixels = 0;
    for (const TFrameStore* d : Displays) pixels = std::max<int64_t>(pixels, int64_t{d->ScreenWidth} * d->ScreenHeight);
    const int orbits = GlowOrbits(pixels);
    const int threads = Threads();
    Counted.assign(static_cast<size_t>(threads), std::vector<TLitBox>(Displays.size()));
    // Where orbit 0 left the dots' draws, once it has run to its end.
    std::optional<TRandom> afterDots;
    const auto run = [&](int thread, int first, int end) {
        // The displays it counts, and where.
        std::vector<size_t> counted;
        std::vector<TCountTarget> targets;
        for (size_t d = 0; d < Displays.size(); ++d)
            if (Owners.empty() || Owners[d] == static_cast<size_t>(thread)) {
                counted.push_back(d);
                targets.emplace_back(*Displays[d], place, Counts[static_cast<size_t>(thread)][d].data(),
                                     Shades[static_cast<size_t>(thread)][d].data());
            }
        // The orbit first, a batch of points at a time, then their counts:
        // the orbit's chain of arithmetic no longer waits on cache misses.
        constexpr int Batch = 256;
        double xs[Batch + 3], ys[Batch + 3];
        uint32_t slots[Batch + 3], blocks[Batch + 3], shades[Batch + 3];
        for (int orbit = first; orbit < end; ++orbit) {
            TRandom rng = orbit == 0 ? random : TRandom(GlowOrbitSeed(start, drawnAs, orbit));
            double x = 0, y = 0;
            uint32_t shade = StartShade;
            bool alive = true;
            const auto step = [&] {
                if (!(alive = InOrbitBox(x, y))) return false;
                const uint32_t map = rng.Integer(4);
                StepOrbit(maps, map, x, y);
                shade = StepShade(shade, map);
                return true;
            };
            if (orbit != 0)
                for (int j = 0; j < BurnIn && step(); ++j) {
                }
            for (int64_t j = 0; alive && j <= last;) {
                if (cancel.load(std::memory_order_relaxed)) return;
                int count = 0;
                for (const int64_t batchEnd = std::min<int64_t>(last + 1, j + Batch); j < batchEnd && step(); ++j) {
                    xs[count] = x;
                    ys[count] = y;
                    shades[count++] = ShadeOf(shade);
                }
                for (TCountTarget& t : targets) {
                    t.Place(xs, ys, count, slots, blocks);
                    t.Raise(slots, blocks, shades, count);
                }
            }
            // Every thread that makes orbit 0 leaves the draws alike; one tells.
            if (orbit == 0 && thread == 0) afterDots = rng;
        }
        for (size_t i = 0; i < targets.size(); ++i) Counted[static_cast<size_t>(thread)][counted[i]] = targets[i].Box();
    };
    // Each thread takes a fixed run of orbits, or all of them for its own
    // displays; the counts add up the same however the threads ran.
    const auto firstOf = [&](int t) { return orbits * t / threads; };
    OnThreads(threads, [&](int t) {
        if (Owners.empty())
            run(t, firstOf(t), firstOf(t + 1));
        else
            run(t, 0, orbits);
    });
    if (afterDots) random = *afterDots;
    if (cancel.load(std::memory_order_relaxed)) return false;
    Boxes.assign(Displays.size(), TLitBox{});
    for (size_t d = 0; d < Displays.size(); ++d)
        for (const std::vector<TLitBox>& perThread : Counted) Boxes[d] = United(Boxes[d], perThread[d]);
    return true;
}

TGlowScale TGlowRasteriser::Merge() {
    const int threads = Threads();
    Histograms.resize(static_cast<size_t>(threads));
    OnThreads(threads, [&](int t) {
        std::vector<uint32_t>& histogram = Histograms[static_cast<size_t>(t)];
        histogram.assign(0x10000, 0);
        for (size_t d = 0; d < Displays.size(); ++d) {
            const TLitBox& b = Boxes[d];
            if (b.Empty()) continue;
            for (int y = RowOf(b, t); y < RowOf(b, t + 1); ++y) {
                uint16_t* total = Counts[Holder(d)][d].data() + y * Width(d);
                // Another thread's counts lie in its own box; saturating one
                // after the other leaves the least of the sum and the largest
                // count. A display counted whole has none to add: its holder's
                // own counts would be added to themselves.
                for (size_t other = 1; Owners.empty() && other < Counted.size(); ++other) {
                    const TLitBox& o = Counted[other][d];
                    if (o.Empty() || y < o.Top || y > o.Bottom) continue;
                    uint16_t* part = Counts[other][d].data() + y * Width(d);
                    AddSaturating(total + o.Left, part + o.Left, o.Right - o.Left + 1);
                }
                ForEachCounted(total, b.Left, b.Right + 1, [&](int x) { ++histogram[total[x]]; });
            }
        }
    });
    // The shades by rows of blocks, which pixel rows would split between threads.
    OnThreads(threads, [&](int t) {
        for (size_t d = 0; d < Displays.size(); ++d) {
            const TLitBox b = BlocksOf(Boxes[d]);
            if (b.Empty()) continue;
            for (int by = RowOf(b, t); by < RowOf(b, t + 1); ++by)
                for (size_t other = 1; Owners.empty() && other < Counted.size(); ++other) {
                    const TLitBox o = BlocksOf(Counted[other][d]);
                    if (o.Empty() || by < o.Top || by > o.Bottom) continue;
                    const size_t row = static_cast<size_t>(by) * BlockWidth(d) + static_cast<size_t>(o.Left);
                    AddWrapping(Shades[0][d].data() + row, Shades[other][d].data() + row, o.Right - o.Left + 1);
                }
        }
    });
    // One reference for all the figure's displays, so that a span has no
    // seams. Black pixels are most of them and no part of it.
    std::vector<uint32_t>& histogram = Histograms[0];
    for (size_t t = 1; t < Histograms.size(); ++t)
        for (size_t c = 1; c < 0x10000; ++c) histogram[c] += Histograms[t][c];
    uint64_t pixels = 0;
    for (const TFrameStore* d : Displays) pixels += static_cast<uint64_t>(d->ScreenWidth) * static_cast<uint64_t>(d->ScreenHeight);
    return GlowScaleOf(histogram.data(), 0x10000, pixels);
}

void TGlowRasteriser::Paint(TGlowScale scale, const std::vector<bool>& lights) {
    const TGlowTone tone(scale);
    // Light reaches pixels beyond the counted ones: each box grown by that reach.
    constexpr int Reach = TGlowTone::Reach;
    Grown.assign(Displays.size(), TLitBox{});
    for (size_t d = 0; d < Displays.size(); ++d)
        if (!Boxes[d].Empty())
            Grown[d] = {std::max(0, Boxes[d].Left - Reach), std::max(0, Boxes[d].Top - Reach),
                        std::min(Displays[d]->ScreenWidth - 1, Boxes[d].Right + Reach),
                        std::min(Displays[d]->ScreenHeight - 1, Boxes[d].Bottom + Reach)};
    OnThreads(Threads(), [&](int t) {
        TGlowTone::TRoom room;
        // The light of a row of blocks' two rows of pixels, and its shades.
        std::vector<uint8_t> light, shade;
        // Each block's points and shades; per column of blocks, those of a
        // row of blocks and the rows beside it.
        std::vector<uint32_t> cellCounts, cellShades, columnCounts, columnShades;
        for (size_t d = 0; d < Displays.size(); ++d) {
            if (!lights[d]) continue;
            const TLitBox& g = Grown[d];
            const TLitBox blocks = BlocksOf(g);
            // A thread takes whole rows of blocks: their shades need both rows' light.
            const int first = RowOf(blocks, t), end = RowOf(blocks, t + 1);
            const int w = Displays[d]->ScreenWidth, h = Displays[d]->ScreenHeight;
            TGlowCode::TPart& part = Parts[d][static_cast<size_t>(t)];
            part.Start(2 * first, std::min(h, 2 * end) - 2 * first, g.Right - g.Left + 1, first, end - first,
                       blocks.Right - blocks.Left + 1);
            if (first >= end) continue;
            const int bw = (w + 1) / 2, bh = (h + 1) / 2;
            const uint16_t* counts = Counts[Holder(d)][d].data();
            const uint32_t* sums = Shades[Holder(d)][d].data();
            // The pixels of the box's blocks, some beyond the box.
            const int pixelLeft = 2 * blocks.Left, pixelRight = std::min(w - 1, 2 * blocks.Right + 1);
            light.resize(2 * static_cast<size_t>(w));
            shade.resize(static_cast<size_t>(bw));
            // A block's points and their shades; none when a count of it is
            // saturated, whose shades are not known.
            const auto cell = [&](int bx, int by, uint32_t& n, uint32_t& s) {
                uint32_t here = 0;
                for (int y = 2 * by; y <= std::min(h - 1, 2 * by + 1); ++y)
                    for (int x = 2 * bx; x <= std::min(w - 1, 2 * bx + 1); ++x) {
                        const uint32_t c = counts[static_cast<size_t>(y) * w + x];
                        if (c == 0xFFFF) return;
                        here += c;
                    }
                n = here;
                s = here ? sums[static_cast<size_t>(by) * bw + bx] : 0;
            };
            // This thread's rows of blocks and one beside them each way, each block's once.
            const int top = std::max(0, first - 1), bottom = std::min(bh - 1, end);
            const int left = std::max(0, blocks.Left - 1), right = std::min(bw - 1, blocks.Right + 1);
            const size_t span = static_cast<size_t>(right - left + 1);
            // Three rows of blocks at a time, row y at (y % 3): the one above,
            // its own, the one below; and a fourth of none, for rows off the display.
            cellCounts.assign(span * 4, 0);
            cellShades.assign(cellCounts.size(), 0);
            // Row by's blocks, block bx at [bx - left].
            const auto cellRow = [&](std::vector<uint32_t>& cells, int by) {
                return cells.data() + static_cast<size_t>(by < top || by > bottom ? 3 : by % 3) * span;
            };
            // Blocks of two full columns, which every row but an odd height's last has.
            const int paired = std::min(right, w / 2 - 1);
            int made = top - 1;
            const auto makeRows = [&](int last) {
                while (made < std::min(last, bottom)) {
                    ++made;
                    uint32_t* n = cellRow(cellCounts, made);
                    uint32_t* sum = cellRow(cellShades, made);
                    int bx = left;
                    if (2 * made + 1 < h) {
                        const uint16_t* r0 = counts + static_cast<size_t>(2 * made) * w;
                        const uint16_t* r1 = r0 + w;
                        const uint32_t* sumRow = sums + static_cast<size_t>(made) * bw;
                        for (; bx <= paired; ++bx) {
                            const uint32_t a = r0[2 * bx], b = r0[2 * bx + 1], c = r1[2 * bx], e = r1[2 * bx + 1];
                            const bool saturated = (a == 0xFFFF) | (b == 0xFFFF) | (c == 0xFFFF) | (e == 0xFFFF);
                            const uint32_t here = saturated ? 0 : a + b + c + e;
                            n[bx - left] = here;
                            sum[bx - left] = here != 0 ? sumRow[bx] : 0;
                        }
                    }
                    for (; bx <= right; ++bx) {
                        n[bx - left] = sum[bx - left] = 0;
                        cell(bx, made, n[bx - left], sum[bx - left]);
                    }
                }
            };
            // Column bx at index bx + 1.
            columnCounts.assign(static_cast<size_t>(bw) + 2, 0);
            columnShades.assign(static_cast<size_t>(bw) + 2, 0);
            for (int by = first; by < end; ++by) {
                const int y0 = 2 * by, y1 = std::min(h - 1, y0 + 1);
                for (int y = y0; y <= y1; ++y) {
                    uint8_t* row = light.data() + static_cast<size_t>(y - y0) * w;
                    std::fill(row + pixelLeft, row + pixelRight + 1, uint8_t{0});
                    if (y >= g.Top && y <= g.Bottom) {
                        const uint16_t* rows[2 * Reach + 1];
                        for (int r = -Reach; r <= Reach; ++r)
                            rows[r + Reach] = y + r >= 0 && y + r < h ? counts + static_cast<size_t>(y + r) * w : nullptr;
                        tone.LightRow(rows, w, g.Left, g.Right, room, row);
                    }
                    part.LightRow(row, g.Left, g.Right);
                }
                makeRows(by + 1);
                // The block and those around it: as far as light reaches, the
                // light of a sparse pixel coming from there.
                {
                    const uint32_t *n0 = cellRow(cellCounts, by - 1), *n1 = cellRow(cellCounts, by),
                                   *n2 = cellRow(cellCounts, by + 1);
                    const uint32_t *s0 = cellRow(cellShades, by - 1), *s1 = cellRow(cellShades, by),
                                   *s2 = cellRow(cellShades, by + 1);
                    uint32_t* columnN = columnCounts.data() + 1;
                    uint32_t* columnS = columnShades.data() + 1;
                    for (int bx = left; bx <= right; ++bx) {
                        const int i = bx - left;
                        columnN[bx] = n0[i] + n1[i] + n2[i];
                        columnS[bx] = s0[i] + s1[i] + s2[i];
                    }
                }
                // Columns -1 and bw, off the display, are never written: they hold none.
                const uint8_t* light0 = light.data();
                const uint8_t* light1 = light.data() + static_cast<size_t>(y1 - y0) * w;
                for (int bx = blocks.Left; bx <= blocks.Right; ++bx) {
                    const int x0 = 2 * bx, x1 = std::min(w - 1, x0 + 1);
                    if ((light0[x0] | light0[x1] | light1[x0] | light1[x1]) == 0) {
                        shade[bx] = 0;
                        continue;
                    }
                    const size_t c = static_cast<size_t>(bx);
                    shade[bx] = MeanShade(columnShades[c] + columnShades[c + 1] + columnShades[c + 2],
                                          columnCounts[c] + columnCounts[c + 1] + columnCounts[c + 2]);
                }
                part.ShadeRow(shade.data(), blocks.Left, blocks.Right);
            }
        }
    });
}

bool TGlowRasteriser::Finish(int frame, const std::vector<bool>& lights, const std::atomic<bool>& cancel) {
    // Every count back to zero for the next frame, once no thread reads them.
    OnThreads(Threads(), [&](int t) {
        for (size_t d = 0; d < Displays.size(); ++d) {
            const TLitBox& b = Boxes[d];
            if (b.Empty()) continue;
            for (int y = RowOf(b, t); y < RowOf(b, t + 1); ++y) {
                uint16_t* counts = Counts[Holder(d)][d].data() + y * Width(d);
                std::fill(counts + b.Left, counts + b.Right + 1, uint16_t{0});
            }
        }
    });
    OnThreads(Threads(), [&](int t) {
        for (size_t d = 0; d < Displays.size(); ++d) {
            const TLitBox b = BlocksOf(Boxes[d]);
            if (b.Empty()) continue;
            for (int by = RowOf(b, t); by < RowOf(b, t + 1); ++by) {
                uint32_t* shades = Shades[Holder(d)][d].data() + static_cast<size_t>(by) * BlockWidth(d);
                std::fill(shades + b.Left, shades + b.Right + 1, uint32_t{0});
            }
        }
    });
    for (size_t d = 0; d < Displays.size(); ++d) {
        if (!lights[d]) continue;
        if (!Displays[d]->Budget->WaitForRoom(cancel)) return false;
        TGlowFrame& kept = Displays[d]->Glow(frame);
        kept.Keep(TCodeBudget::Counted(Displays[d]->Budget, TGlowCode::Join(Parts[d])));
        kept.Complete.Set(true);
    }
    return true;
}

}  // namespace ombrel
